// The local users who may want a change report, read from their settings.
#pragma once

#include <string>
#include <vector>

#include "addressbook/change_report.h"
#include "settings/ini_file.h"
#include "settings/user_settings.h"
#include "settings/users_list.h"

namespace orvane::addressbook {

// The report settings of a loaded user.
ReportWatcher watcher_of(const settings::UserValues& values, std::string directory);

// Every listed user whose settings file exists, read without changing the
// file; the open user (when there is one, listed or not) from his loaded
// settings, which may hold changes not saved yet.
std::vector<ReportWatcher> load_report_watchers(const settings::UsersList& users,
                                                const settings::UserSettings* open_user,
                                                const std::string& open_directory);

}  // namespace orvane::addressbook

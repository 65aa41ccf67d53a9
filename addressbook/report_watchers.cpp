#include "addressbook/report_watchers.h"

#include "addressbook/lookup.h"
#include "platform/file.h"
#include "settings/ini_values.h"
#include "settings/settings_version.h"
#include "settings/user_settings_sections.h"

namespace orvane::addressbook {

ReportWatcher watcher_of(const settings::UserValues& values, std::string directory) {
    ReportWatcher watcher;
    watcher.directory = std::move(directory);
    watcher.node = static_cast<NodeKey>(values.user.node);
    watcher.object = static_cast<uint16_t>(values.user.object & kObjectNumberMask);
    watcher.report_nodes = search_nodes_of(values.address_book.report_changes);
    watcher.memberships = values.memberships;
    watcher.keep_changes = values.address_book.keep_changes != 0;
    return watcher;
}

std::vector<ReportWatcher> load_report_watchers(const settings::UsersList& users,
                                                const settings::UserSettings* open_user,
                                                const std::string& open_directory) {
    std::vector<ReportWatcher> watchers;
    if (open_user) watchers.push_back(watcher_of(open_user->values, open_directory));
    settings::IniCache cache;
    for (const settings::UserEntry& user : users.users) {
        if (open_user && user.folder == open_directory) continue;
        if (!platform::file_exists(user.folder + "/" + settings::kSettingsFile)) continue;
        settings::IniFile file = cache.open(user.folder, settings::kSettingsFile);
        ReportWatcher watcher;
        watcher.directory = user.folder;
        watcher.node = static_cast<NodeKey>(settings::get_int(file, "User", "Node", 0));
        watcher.object = static_cast<uint16_t>(settings::get_unsigned(file, "User", "Object", 0) &
                                               kObjectNumberMask);
        watcher.report_nodes =
            search_nodes_of(file.get_string("Address Book", "Report Changes", {}, 63));
        watcher.memberships = settings::stored_memberships(file);
        watcher.keep_changes = settings::get_int(file, "Address Book", "Keep Changes", 0) != 0;
        watchers.push_back(std::move(watcher));
    }
    return watchers;
}

}  // namespace orvane::addressbook

// Importing an address list file: every person and conference line updates
// the node's objects in the lists file, a complete list removes the objects
// it no longer holds, the node's highest serial is kept, the open user's
// own entry updates his name, alias and privilege (and his secretary's
// name), and after a list of changes every local user who watches the node
// gets the report of what changed.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "addressbook/book_file.h"
#include "addressbook/change_report.h"
#include "addressbook/list_line.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "settings/node_table.h"
#include "settings/user_settings.h"

namespace orvane::addressbook {

struct ListImportContext {
    ListImportContext(BookFile& lists_file, const settings::NodeTable& node_table,
                      platform::Policy& questions,
                      platform::Env& environment = platform::system_env())
        : lists(lists_file), nodes(node_table), policy(questions), env(environment) {}

    BookFile& lists;
    const settings::NodeTable& nodes;
    platform::Policy& policy;
    platform::Env& env;
    // The open user, updated from his own entry; may be missing.
    settings::UserSettings* user = nullptr;
    std::string user_directory;
    // The local users who may want the change report (the open user among them).
    std::vector<ReportWatcher> watchers;
    // The list file stays after a successful import (a copy imported by hand).
    bool keep_file = false;
};

struct ListImportOutcome {
    ListFileName list;
    bool aborted = false;
    size_t stored = 0;       // objects written
    size_t removed = 0;      // objects removed
    size_t passed_over = 0;  // lines that could not be read
    std::optional<int32_t> highest_serial;
    std::vector<ChangeRecord> changes;  // of a list of changes
    // The open user's "Report.txt" to show him, when he has one and watches
    // any node; after he has read it, settle_read_report().
    std::string report_to_show;
};

// Imports the list file at `path`. Nothing is stored unless the name is
// that of an address list of a node in the node table. The file is deleted
// unless the import was aborted or failed (or keep_file is set); a failed import leaves the book
// as consistent as before, and running it again gives the same book.
platform::Result<ListImportOutcome> import_address_list(const std::string& path,
                                                        ListImportContext& context);

}  // namespace orvane::addressbook

// What the user receives, as every front end needs it: the import of
// downdumps, logs and mails with the user's settings, and what the import
// learned written back to them (the last login, a new password the server
// asked for, the files still waiting).
#pragma once

#include <string>
#include <vector>

#include "cabinet/cabinet.h"
#include "import/address_book_port.h"
#include "import/downdump_import.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "settings/node_table.h"
#include "settings/user_settings.h"

namespace orvane::app {

struct UserImport {
    import::ImportMode mode = import::ImportMode::kByHand;
    std::vector<std::string> files;  // modes 0 and 2
    // The node of files that do not name it, given beforehand; 0 to ask.
    texts::NodeKey node_for_unnamed = 0;
    // The user's main cabinet, when another one is imported into.
    std::string main_cabinet;
};

// Runs the import for `user` (folder `user_folder`) into `cabinet`.
import::ImportOutcome run_user_import(cabinet::Cabinet& cabinet, const settings::NodeTable& nodes,
                                      import::AddressBookPort& book, settings::UserSettings& user,
                                      const std::string& user_folder, const UserImport& request,
                                      platform::Policy& policy,
                                      platform::Env& env = platform::system_env());

}  // namespace orvane::app

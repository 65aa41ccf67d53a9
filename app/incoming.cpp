#include "app/incoming.h"

namespace orvane::app {

import::ImportOutcome run_user_import(cabinet::Cabinet& cabinet, const settings::NodeTable& nodes,
                                      import::AddressBookPort& book, settings::UserSettings& user,
                                      const std::string& user_folder, const UserImport& request,
                                      platform::Policy& policy, platform::Env& env){
    import::ImportOptions options = import::import_options(user.values, request.mode);
options.node_for_unnamed = request.node_for_unnamed;
options.main_cabinet = request.main_cabinet;
import::ImportContext context(cabinet, nodes, book, policy, env);
context.user_file = &user.file();
context.user_folder = user_folder;
import::ImportOutcome outcome =
    import::run_import(context, options, request.files, user.values.orvane.import_dir);
settings::UserKeys& keys = user.values.user;
bool changed = false;
if (outcome.last_login) {
    keys.last_login = *outcome.last_login;
    changed = true;
}
if (outcome.new_password) {
    keys.new_password = *outcome.new_password;
    changed = true;
}
if (changed) {
    user.save();
    if (platform::Status saved = user.file().commit(); !saved.ok()) policy.notice(saved);
}
return outcome;
}  // namespace orvane::app

}  // namespace orvane::app

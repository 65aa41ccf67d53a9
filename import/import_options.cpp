#include "import/import_options.h"

namespace orvane::import {

ImportOptions import_options(const settings::UserValues& values, ImportMode mode) {
    const settings::OptionKeys& options = values.options;
    const settings::UserKeys& user = values.user;
    ImportOptions result;
    result.mode = mode;
    result.home_node = static_cast<texts::NodeKey>(user.node);
    result.delete_imported = options.delete_imported != 0;
    result.delete_log = options.delete_log != 0;
    result.move_imported = (options.move_imported & 1) != 0;
    result.move_imported_to = values.orvane.move_imported_to;
    result.fixed_pitch = options.fixed_pitch != 0;
    result.right_margin = options.right_margin;
    result.charset_variant = options.character_set & 7;
    result.attach_dir = values.orvane.attach_dir;
    result.filing = cabinet::filing_options(options);
    for (const std::string* name : {&user.name, &user.alias1, &user.alias2, &user.alias3})
        if (!name->empty()) result.own_names.push_back(*name);
    result.secretary = user.secretary;
    if (user.secretary.empty()) result.bosses = {user.boss, user.boss2, user.boss3, user.boss4};
    result.show_last_login = values.login.show_last_login;
    result.list_mail_detailed = values.login.list_mail_detailed;
    result.password_changed = user.password_changed;
    result.last_login = user.last_login;
    result.time_display = static_cast<texts::TimeDisplay>(options.time_display);
    return result;
}

}  // namespace orvane::import

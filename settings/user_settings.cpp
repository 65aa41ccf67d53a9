#include "settings/user_settings.h"

#include "platform/env.h"
#include "platform/resource_strings.h"
#include "settings/key_tables.h"
#include "settings/password_encoding.h"
#include "settings/user_settings_sections.h"

namespace orvane::settings {

namespace {

constexpr int kFirstVersionWithBatchSession = 41;
constexpr int kIndexMemoryOfUpgradedFiles = 65536;
constexpr int kDefaultAutoSaveMinutes = 5;
constexpr int kMaxZipLevel = 5;
constexpr uint32_t kObjectMask = 0x3FFF;

constexpr StringKey<OrvaneKeys> kOrvaneStrings[] = {{"Cabinet", &OrvaneKeys::cabinet, 1023}};
constexpr IntKey<OrvaneKeys> kOrvaneInts[] = {
    {"Save As Type", &OrvaneKeys::save_as_type, 1},
    {"File to", &OrvaneKeys::file_to, 0},
    {"Mark to", &OrvaneKeys::mark_to, 10},
};
struct PathKey {
    const char* name;
    std::string OrvaneKeys::*field;
    bool directory;          // without a trailing separator
    bool in_user_directory;  // the user directory when missing, else empty
};
constexpr PathKey kOrvanePaths[] = {
    {"Updump Dir", &OrvaneKeys::updump_dir, true, true},
    {"Downdump Dir", &OrvaneKeys::downdump_dir, true, true},
    {"Log Dir", &OrvaneKeys::log_dir, true, true},
    {"Download Dir", &OrvaneKeys::download_dir, true, true},
    {"Import Dir", &OrvaneKeys::import_dir, true, true},
    {"Text Dir", &OrvaneKeys::text_dir, true, true},
    {"File to Dir", &OrvaneKeys::file_to_dir, true, true},
    {"Upload Dir", &OrvaneKeys::upload_dir, true, true},
    {"Attach Dir", &OrvaneKeys::attach_dir, true, true},
    {"Paste Dir", &OrvaneKeys::paste_dir, true, true},
    {"Move Imported to", &OrvaneKeys::move_imported_to, true, false},
    {"Text Name", &OrvaneKeys::text_name, false, false},
    {"Addresses", &OrvaneKeys::addresses, false, false},
    {"File to Name", &OrvaneKeys::file_to_name, false, false},
    {"Last Updump", &OrvaneKeys::last_updump, false, false},
};

constexpr StringKey<UserKeys> kUserNames[] = {
    {"Name", &UserKeys::name, kNameLength},           {"Alias 1", &UserKeys::alias1, kNameLength},
    {"Alias 2", &UserKeys::alias2, kNameLength},      {"Alias 3", &UserKeys::alias3, kNameLength},
    {"Secretary", &UserKeys::secretary, kNameLength},
};
constexpr StringKey<UserKeys> kUserBosses[] = {
    {"Boss", &UserKeys::boss, kNameLength},
    {"Boss2", &UserKeys::boss2, kNameLength},
    {"Boss3", &UserKeys::boss3, kNameLength},
    {"Boss4", &UserKeys::boss4, kNameLength},
};
constexpr IntKey<UserKeys> kUserInts[] = {
    {"Sender", &UserKeys::sender, 0},
    {"Last Boss", &UserKeys::last_boss, 0},
    {"Save Password", &UserKeys::save_password, 0},
    {"Privilege", &UserKeys::privilege, 2},
    {"Messages", &UserKeys::messages, 0},
    {"Node", &UserKeys::node, 0},
};
constexpr DateKey<UserKeys> kUserDates[] = {
    {"Last Login", &UserKeys::last_login},
    {"Password Changed", &UserKeys::password_changed},
    {"Status Retrieved", &UserKeys::status_retrieved},
};
constexpr UnsignedKey<UserKeys> kUserUnsigned[] = {{"Object", &UserKeys::object, 0}};

constexpr IntKey<OptionKeys> kOptionInts[] = {
    {"Delete Updumped", &OptionKeys::delete_updumped, 1},
    {"Compression", &OptionKeys::compression, 1},
    {"Replies to Secy", &OptionKeys::replies_to_secy, 0},
    {"AutoNext", &OptionKeys::auto_next, 1},
    {"AutoNextBox", &OptionKeys::auto_next_box, 1},
    {"File Letters", &OptionKeys::file_letters, 0},
    {"Create Boxes", &OptionKeys::create_boxes, 1},
    {"File Replied", &OptionKeys::file_replied, 0},
    {"File Marked", &OptionKeys::file_marked, 0},
    {"File To All", &OptionKeys::file_to_all, 0},
    {"AutoFile", &OptionKeys::auto_file, 1},
    {"Auto-Import", &OptionKeys::auto_import, 1},
    {"Delete Imported", &OptionKeys::delete_imported, 1},
    {"Delete Log", &OptionKeys::delete_log, 1},
    {"Import Files", &OptionKeys::import_files, 1},
    {"Unzip Files", &OptionKeys::unzip_files, 1},
    {"Move Imported", &OptionKeys::move_imported, 0},
    {"Confirm Delete", &OptionKeys::confirm_delete, 1},
    {"Waste-Basket", &OptionKeys::waste_basket, 1},
    {"Show Main Dir", &OptionKeys::show_main_dir, 0},
    {"Boxes in In-Basket", &OptionKeys::boxes_in_in_basket, 0},
    {"Separate Dir", &OptionKeys::separate_dir, 0},
    {"Marked Texts Dir", &OptionKeys::marked_texts_dir, 0},
    {"Search in Waste-Basket", &OptionKeys::search_in_waste_basket, 0},
    {"Search Immediately", &OptionKeys::search_immediately, 1},
    {"Minimize All", &OptionKeys::minimize_all, 0},
    {"Show Whole Subject", &OptionKeys::show_whole_subject, 0},
    {"Object Numbers", &OptionKeys::object_numbers, 0},
    {"Allow Editing", &OptionKeys::allow_editing, 0},
    {"Remove Re", &OptionKeys::remove_re, 0},
    {"Remember Sender", &OptionKeys::remember_sender, -1},
    {"Expert", &OptionKeys::expert, 0},
    {"Priority", &OptionKeys::priority, 0},
    {"Hide Empty", &OptionKeys::hide_empty, 0},
    {"Time Display", &OptionKeys::time_display, 0},
    {"Auto-save Interval", &OptionKeys::auto_save_interval, -1},
    {"Max Memory for Index", &OptionKeys::max_memory_for_index, -1},
    {"Import Filter Index", &OptionKeys::import_filter_index, 2},
    {"Fixed Pitch", &OptionKeys::fixed_pitch, 1},
    {"Character Set", &OptionKeys::character_set, 1},
    {"Right Margin", &OptionKeys::right_margin, 76},
    {"Zip Level", &OptionKeys::zip_level, 5},
};
constexpr StringKey<OptionKeys> kOptionStrings[] = {
    {"Quote Mark", &OptionKeys::quote_mark, 8},
    {"Import Filter", &OptionKeys::import_filter, 40},
};

constexpr IntKey<LoginKeys> kLoginInts[] = {
    {"List Mail Detailed", &LoginKeys::list_mail_detailed, 0},
    {"Download", &LoginKeys::download, 3},
    {"Download How", &LoginKeys::download_how, 1},
    {"Upload How", &LoginKeys::upload_how, 1},
    {"Download Changes", &LoginKeys::download_changes, 1},
    {"Updump", &LoginKeys::updump, 1},
    {"Download Results", &LoginKeys::download_results, 0},
    {"TLS", &LoginKeys::tls, 1},
    {"Local Echo", &LoginKeys::local_echo, 1},
    {"Auto-Login", &LoginKeys::auto_login, 0},
    {"Disconnect", &LoginKeys::disconnect, 1},
    {"Show Last Login", &LoginKeys::show_last_login, 3},
    {"Ask Options", &LoginKeys::ask_options, 1},
};
constexpr IntKey<LoginKeys> kBatchSession[] = {{"Batch Session", &LoginKeys::batch_session, 4}};

constexpr IntKey<AccountingKeys> kAccountingInts[] = {
    {"Sessions", &AccountingKeys::sessions, 0},
    {"Time On-line", &AccountingKeys::time_online, 0},
    {"Total Costs", &AccountingKeys::total_costs, 0},
    {"Show Costs", &AccountingKeys::show_costs, 0},
};
constexpr DateKey<AccountingKeys> kAccountingDates[] = {{"Start", &AccountingKeys::start}};

constexpr UnsignedKey<AddressBookKeys> kAddressBookUnsigned[] = {
    {"Status Exp", &AddressBookKeys::status_exp, 1},
    {"Changes Exp", &AddressBookKeys::changes_exp, 1},
};
constexpr IntKey<AddressBookKeys> kAddressBookInts[] = {
    {"Search Order", &AddressBookKeys::search_order, 1},
    {"Keep Changes", &AddressBookKeys::keep_changes, 0},
    {"Own First", &AddressBookKeys::own_first, 0},
};
constexpr StringKey<AddressBookKeys> kAddressBookStrings[] = {
    {"Report Changes", &AddressBookKeys::report_changes, 63},
    {"Search Addresses", &AddressBookKeys::search_addresses, 63},
};

constexpr UnsignedKey<RecentKeys> kRecentUnsigned[] = {{"Secy", &RecentKeys::secy, 0}};
constexpr StringKey<RecentKeys> kRecentStrings[] = {{"Forw", &RecentKeys::forw, 128}};

constexpr StringKey<PrintKeys> kPrintStrings[] = {
    {"Printer", &PrintKeys::printer, 128},
    {"Typeface", &PrintKeys::typeface, 32},
};
constexpr IntKey<PrintKeys> kPrintInts[] = {
    {"Font Size", &PrintKeys::font_size, 0},
    {"Font Style", &PrintKeys::font_style, 0},
    {"Left margin", &PrintKeys::left_margin, 1000},
    {"Right margin", &PrintKeys::right_margin, 1000},
    {"Top margin", &PrintKeys::top_margin, 1000},
    {"Bottom margin", &PrintKeys::bottom_margin, 1000},
    {"Format", &PrintKeys::format, 0},
    {"Eject page after text", &PrintKeys::eject_page, 0},
    {"Short Headers", &PrintKeys::short_headers, 0},
    {"Print to File", &PrintKeys::print_to_file, -1},
    {"Ask Options", &PrintKeys::ask_options, 1},
};

constexpr IntKey<QuestionKeys> kQuestionInts[] = {
    {"Download address book", &QuestionKeys::download_address_book, 0},
    {"In-basket not empty", &QuestionKeys::in_basket_not_empty, 0},
};

constexpr const char* kPerUserSections[] = {
    "Orvane",        "User",         "Options",    "Macros",          "Importance",
    "Login",         "Updump",       "Import",     "Unzip",           "Print",
    "Colors",        "Address Book", "Membership", "Recent Settings", "Questions",
    "Custom Colors", "Windows",
};

// Now as a stored date: to the minute, with the seconds that mark a time
// taken at UTC.
uint32_t current_date() {
    auto now = static_cast<uint32_t>(platform::system_env().now_utc());
    return now - now % 60 + 30;
}

// Names and aliases may be given with the node's mail domain; only the
// name counts.
void cut_at_sign(std::string& name) {
    size_t at = name.find('@');
    if (at != std::string::npos) name.erase(at);
}

void read_orvane(IniFile& file, const PathBase& paths, OrvaneKeys& keys) {
    read_keys(file, "Orvane", kOrvaneStrings, keys);
    read_keys(file, "Orvane", kOrvaneInts, keys);
    if (keys.cabinet.empty()) keys.cabinet = kDefaultCabinet;
    for (const auto& key : kOrvanePaths) {
        std::string fallback = key.in_user_directory ? paths.user_directory : std::string();
        keys.*key.field = key.directory ? get_directory(file, "Orvane", key.name, paths, fallback)
                                        : get_path(file, "Orvane", key.name, paths, fallback);
    }
}

void read_user(IniFile& file, UserKeys& keys) {
    read_keys(file, "User", kUserNames, keys);
    for (auto* name : {&keys.name, &keys.alias1, &keys.alias2, &keys.alias3}) cut_at_sign(*name);
    if (keys.secretary.empty()) read_keys(file, "User", kUserBosses, keys);
    keys.password = decode_password(file.get_string("User", "Password", {}, kPasswordLength));
    keys.new_password =
        decode_password(file.get_string("User", "New Password", {}, kPasswordLength));
    read_keys(file, "User", kUserInts, keys);
    read_keys(file, "User", kUserDates, keys);
    read_keys(file, "User", kUserUnsigned, keys);
    keys.object &= kObjectMask;
}

void read_options(IniFile& file, OptionKeys& keys) {
    read_keys(file, "Options", kOptionInts, keys);
    read_keys(file, "Options", kOptionStrings, keys);
    if (keys.auto_save_interval == -1) keys.auto_save_interval = kDefaultAutoSaveMinutes;
    if (keys.right_margin < kMinRightMargin) keys.right_margin = kMinRightMargin;
    if (keys.right_margin > kMaxRightMargin) keys.right_margin = kMaxRightMargin;
    if (keys.zip_level > kMaxZipLevel) keys.zip_level = kMaxZipLevel;
    if (keys.quote_mark.empty()) keys.quote_mark = "> ";
}

void read_login(IniFile& file, LoginKeys& keys) {
    read_keys(file, "Login", kLoginInts, keys);
    read_keys(file, "Login", kBatchSession, keys);
    if (keys.download_how < 1 || keys.download_how > 2) keys.download_how = 1;
    if (keys.upload_how < 1 || keys.upload_how > 2) keys.upload_how = 1;
}

void read_print(IniFile& file, PrintKeys& keys) {
    read_keys(file, "Print", kPrintStrings, keys);
    read_keys(file, "Print", kPrintInts, keys);
    if (!file.has_key("Print", "Print to File")) {
        file.put_string("Print", "Print to File", "0");
        file.put_string("Print", "Ask Options", "1");
        keys.print_to_file = 0;
        keys.ask_options = 1;
    }
}

// Files of older versions: keys and sections whose meaning changed are
// dropped, and the index gets the memory that suits the present index.
void upgrade(IniFile& file, int file_version) {
    if (file_version >= platform::kSettingsVersion) return;
    if (file_version < kFirstVersionWithBatchSession) file.delete_key("Login", "Batch Session");
    file.delete_section("Fonts");
    file.delete_section("Custom Colors");
    file.put_string("Options", "Max Memory for Index", std::to_string(kIndexMemoryOfUpgradedFiles));
}

}  // namespace

int UserKeys::boss_count() const {
    int count = 0;
    for (const auto* boss : {&this->boss, &boss2, &boss3, &boss4}) count += boss->empty() ? 0 : 1;
    return count;
}

bool UserSettings::load(IniCache& cache, const std::string& user_directory,
                        const std::string& program_directory, VersionGate& gate,
                        platform::Policy& policy) {
    paths_ = PathBase{program_directory, user_directory};
    file_ = cache.open(user_directory, kSettingsFile);
    file_version_ = get_int(file_, "Orvane", "Version", 0);
    if (!gate.accept(file_version_, policy)) {
        file_.close();
        return false;
    }
    stored_version_ = file_version_;
    if (get_int(file_, "Orvane", "New User", 0) != 0) {
        file_.delete_key("Orvane", "New User");
        --stored_version_;
    }
    upgrade(file_, file_version_);

    values = UserValues{};
    read_orvane(file_, paths_, values.orvane);
    read_user(file_, values.user);
    read_options(file_, values.options);
    read_login(file_, values.login);
    read_keys(file_, "Accounting", kAccountingInts, values.accounting);
    read_keys(file_, "Accounting", kAccountingDates, values.accounting);
    if (values.accounting.start == 0) values.accounting.start = current_date();
    read_keys(file_, "Address Book", kAddressBookUnsigned, values.address_book);
    read_keys(file_, "Address Book", kAddressBookInts, values.address_book);
    read_keys(file_, "Address Book", kAddressBookStrings, values.address_book);
    read_keys(file_, "Recent Settings", kRecentUnsigned, values.recent);
    read_keys(file_, "Recent Settings", kRecentStrings, values.recent);
    read_print(file_, values.print);
    read_keys(file_, "Questions", kQuestionInts, values.questions);
    read_display_sections(file_, values);
    read_list_sections(file_, values, file_version_);
    loaded_ = values;
    // A start date that was missing is written with the next save.
    if (!file_.has_key("Accounting", "Start")) loaded_.accounting.start = 0;
    return true;
}

void UserSettings::save() {
    if (!file_.is_open()) return;
    put_int(file_, "Orvane", "Version", platform::kSettingsVersion, file_version_);
    file_version_ = platform::kSettingsVersion;
    const UserValues& old = loaded_;
    put_int(file_, "Orvane", "New User", values.orvane.new_user, old.orvane.new_user);
    write_keys(file_, "Orvane", kOrvaneStrings, values.orvane, old.orvane);
    write_keys(file_, "Orvane", kOrvaneInts, values.orvane, old.orvane);
    for (const auto& key : kOrvanePaths) {
        put_path(file_, "Orvane", key.name, values.orvane.*key.field, old.orvane.*key.field, paths_,
                 true);
    }
    write_keys(file_, "User", kUserNames, values.user, old.user);
    if (values.user.secretary.empty())
        write_keys(file_, "User", kUserBosses, values.user, old.user);
    write_keys(file_, "User", kUserInts, values.user, old.user);
    write_keys(file_, "User", kUserDates, values.user, old.user);
    write_keys(file_, "User", kUserUnsigned, values.user, old.user);
    write_keys(file_, "Options", kOptionInts, values.options, old.options);
    write_keys(file_, "Options", kOptionStrings, values.options, old.options);
    write_keys(file_, "Login", kLoginInts, values.login, old.login);
    write_keys(file_, "Login", kBatchSession, values.login, old.login);
    write_keys(file_, "Address Book", kAddressBookUnsigned, values.address_book, old.address_book);
    write_keys(file_, "Address Book", kAddressBookInts, values.address_book, old.address_book);
    write_keys(file_, "Address Book", kAddressBookStrings, values.address_book, old.address_book);
    write_keys(file_, "Recent Settings", kRecentUnsigned, values.recent, old.recent);
    write_keys(file_, "Recent Settings", kRecentStrings, values.recent, old.recent);
    write_keys(file_, "Print", kPrintStrings, values.print, old.print);
    write_keys(file_, "Print", kPrintInts, values.print, old.print);
    write_keys(file_, "Questions", kQuestionInts, values.questions, old.questions);
    write_display_sections(file_, values, old);
    write_list_sections(file_, values, old);
    save_accounting();
    save_password();
    loaded_ = values;
}

void UserSettings::save_accounting() {
    if (!file_.is_open()) return;
    write_keys(file_, "Accounting", kAccountingInts, values.accounting, loaded_.accounting);
    write_keys(file_, "Accounting", kAccountingDates, values.accounting, loaded_.accounting);
    loaded_.accounting = values.accounting;
}

void UserSettings::save_password() {
    if (!file_.is_open()) return;
    const std::pair<const char*, std::string UserKeys::*> keys[] = {
        {"Password", &UserKeys::password}, {"New Password", &UserKeys::new_password}};
    for (const auto& [key, field] : keys) {
        const std::string& now = values.user.*field;
        if (now == loaded_.user.*field) continue;
        if (now.empty()) {
            file_.delete_key("User", key);
        } else {
            file_.put_string("User", key, encode_password(now));
        }
        loaded_.user.*field = now;
    }
}

void reset_user_file(IniFile& file) {
    for (const char* section : kPerUserSections) file.delete_section(section);
    file.put_string("Orvane", "Version", std::to_string(platform::kSettingsVersion));
}

}  // namespace orvane::settings

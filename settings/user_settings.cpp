#include "settings/user_settings.h"

#include <cstdio>
#include <cstdlib>

#include "platform/resource_strings.h"
#include "settings/ini_values.h"
#include "settings/user_keys.h"

namespace orvane::settings {

namespace {

constexpr int kFirstVersionWithBatchSession = 41;
constexpr int kLastVersionWithOldMemberships = 40;
constexpr int kIndexMemoryOfUpgradedFiles = 65536;
constexpr size_t kMembershipLineLength = 69;

constexpr const char* kPerUserSections[] = {
    "Orvane",        "User",         "Options",    "Macros",          "Importance",
    "Login",         "Updump",       "Import",     "Unzip",           "Print",
    "Colors",        "Address Book", "Membership", "Recent Settings", "Questions",
    "Custom Colors", "Windows",
};

// "Print to File" missing: the printing defaults are written at once.
void write_missing_print_defaults(IniFile& file, PrintKeys& keys) {
    if (file.has_key("Print", "Print to File")) return;
    file.put_string("Print", "Print to File", "0");
    file.put_string("Print", "Ask Options", "1");
    keys.print_to_file = 0;
    keys.ask_options = 1;
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

std::vector<uint32_t> parse_conferences(std::string_view text) {
    std::vector<uint32_t> conferences;
    while (!text.empty()) {
        size_t comma = text.find(',');
        std::string field(text.substr(0, comma));
        if (!field.empty())
            conferences.push_back(static_cast<uint32_t>(std::strtoul(field.c_str(), nullptr, 10)));
        if (comma == std::string_view::npos) break;
        text.remove_prefix(comma + 1);
    }
    return conferences;
}

// Keys "1", "2", … each holding ",%u" numbers; a line is ended once it
// passes its length.
void write_memberships(IniFile& file, const std::vector<uint32_t>& conferences) {
    file.delete_section("Membership");
    std::string line;
    int key = 1;
    for (uint32_t conference : conferences) {
        line += "," + std::to_string(conference);
        if (line.size() > kMembershipLineLength) {
            file.put_string("Membership", std::to_string(key++), line);
            line.clear();
        }
    }
    if (!line.empty()) file.put_string("Membership", std::to_string(key), line);
}

std::vector<uint32_t> read_memberships(IniFile& file, const char* section, const char* key_format) {
    std::vector<uint32_t> conferences;
    for (int key = 1;; ++key) {
        char name[16];
        std::snprintf(name, sizeof name, key_format, key);
        if (!file.has_key(section, name)) break;
        auto line = parse_conferences(file.get_string(section, name));
        conferences.insert(conferences.end(), line.begin(), line.end());
    }
    return conferences;
}

// Files of version 40 or older kept their memberships in a section of
// another name; they are moved to the present one.
std::vector<uint32_t> load_memberships(IniFile& file, int file_version) {
    if (file_version > kLastVersionWithOldMemberships)
        return read_memberships(file, "Membership", "%d");
    std::vector<uint32_t> conferences = read_memberships(file, "Zedazor Membership", "Conf%02d");
    if (!conferences.empty()) write_memberships(file, conferences);
    return conferences;
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
    read_bound_keys(file_, user_keys(), paths_, cache.env().now_utc(), values);
    values.memberships = load_memberships(file_, file_version_);
    write_missing_print_defaults(file_, values.print);
    loaded_ = values;
    // A start date that was missing is written with the next save.
    if (!file_.has_key("Accounting", "Start")) loaded_.accounting.start = 0;

    platform::Status status = file_.read_status();
    if (status.ok()) status = file_.commit();
    if (!status.ok()) policy.notice(status);
    return true;
}

void UserSettings::save() {
    if (!file_.is_open()) return;
    put_int(file_, "Orvane", "Version", platform::kSettingsVersion, file_version_);
    file_version_ = platform::kSettingsVersion;
    write_bound_keys(file_, user_keys(), paths_, values, loaded_,
                     [](const KeyRule&) { return true; });
    if (values.memberships != loaded_.memberships) write_memberships(file_, values.memberships);
    loaded_ = values;
}

platform::Status UserSettings::commit() {
    save();
    return file_.commit();
}

platform::Status UserSettings::save_accounting() {
    if (!file_.is_open()) return platform::Status();
    write_bound_keys(file_, user_keys(), paths_, values, loaded_,
                     [](const KeyRule& rule) { return rule.section == "Accounting"; });
    loaded_.accounting = values.accounting;
    return file_.commit();
}

platform::Status UserSettings::save_password() {
    if (!file_.is_open()) return platform::Status();
    write_bound_keys(file_, user_keys(), paths_, values, loaded_,
                     [](const KeyRule& rule) { return rule.type == KeyType::kPassword; });
    loaded_.user.password = values.user.password;
    loaded_.user.new_password = values.user.new_password;
    return file_.commit();
}

std::vector<uint32_t> stored_memberships(IniFile& file) {
    return read_memberships(file, "Membership", "%d");
}

void reset_user_file(IniFile& file) {
    for (const char* section : kPerUserSections) file.delete_section(section);
    file.put_string("Orvane", "Version", std::to_string(platform::kSettingsVersion));
}

}  // namespace orvane::settings

// The per-user "Orvane.ini" in the user's directory: identity, options,
// folders, display settings, macros and memberships. Loaded when a user is
// opened; a copy of the loaded values is kept, so that saving writes only
// the keys whose values changed.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "platform/policy.h"
#include "platform/status.h"
#include "settings/display_values.h"
#include "settings/ini_file.h"
#include "settings/key_rules.h"
#include "settings/setting_paths.h"
#include "settings/settings_version.h"
#include "settings/window_position.h"

namespace orvane::settings {

inline constexpr const char* kDefaultCabinet = "fcabinet.cab";
// The longest user name (and alias, secretary, boss).
inline constexpr size_t kNameLength = 55;
// The longest password the settings keep (the key holds 128 characters).
inline constexpr size_t kPasswordLength = 127;
inline constexpr size_t kMacroSlots = 104;
inline constexpr size_t kImportanceLevels = 8;
inline constexpr size_t kColorElements = 19;
inline constexpr size_t kWindowKinds = 11;

struct OrvaneKeys {
    int new_user = 0;
    std::string cabinet;  // relative names are in the user directory
    std::string updump_dir, downdump_dir, log_dir, download_dir;
    std::string import_dir, text_dir, file_to_dir, upload_dir, attach_dir, paste_dir;
    std::string move_imported_to;
    std::string text_name, addresses, file_to_name, last_updump;
    int save_as_type = 1;
    int file_to = 0;
    int mark_to = 10;
    bool operator==(const OrvaneKeys&) const = default;
};

struct UserKeys {
    std::string name, alias1, alias2, alias3;  // the part before any "@"
    std::string secretary;
    std::string boss, boss2, boss3, boss4;  // not read when a secretary is set
    std::string password, new_password;     // in plain text here; scrambled in the file
    int sender = 0;
    int last_boss = 0;
    int save_password = 0;
    uint32_t last_login = 0, password_changed = 0, status_retrieved = 0;
    int privilege = 2;
    uint32_t object = 0;  // 14 bits
    int messages = 0;     // pending notices, bit values 1 and 2
    int node = 0;         // home node: the character code of its letter
    int boss_count() const;
    bool operator==(const UserKeys&) const = default;
};

struct OptionKeys {
    int delete_updumped = 1, compression = 1, replies_to_secy = 0, auto_next = 1, auto_next_box = 1;
    int file_letters = 0, create_boxes = 1, file_replied = 0, file_marked = 0, file_to_all = 0;
    int auto_file = 1, auto_import = 1, delete_imported = 1, delete_log = 1, import_files = 1;
    int unzip_files = 1, move_imported = 0, confirm_delete = 1, waste_basket = 1, show_main_dir = 0;
    int boxes_in_in_basket = 0, separate_dir = 0, marked_texts_dir = 0, search_in_waste_basket = 0;
    int search_immediately = 1, minimize_all = 0, show_whole_subject = 0, object_numbers = 0;
    int allow_editing = 0, remove_re = 0, remember_sender = -1, expert = 0, priority = 0,
        hide_empty = 0;
    int time_display = 0, auto_save_interval = 5, max_memory_for_index = -1,
        import_filter_index = 2;
    int fixed_pitch = 1, character_set = 1, right_margin = 76, zip_level = 5;
    std::string quote_mark = "> ";
    std::string import_filter;
    bool operator==(const OptionKeys&) const = default;
};

struct LoginKeys {
    int batch_session = 4, list_mail_detailed = 0, download = 3, download_how = 1, upload_how = 1;
    int download_changes = 1, updump = 1, download_results = 0, tls = 1, local_echo = 1;
    int auto_login = 0, disconnect = 1, show_last_login = 3, ask_options = 1;
    bool operator==(const LoginKeys&) const = default;
};

struct AccountingKeys {
    int sessions = 0, time_online = 0, total_costs = 0, show_costs = 0;
    uint32_t start = 0;
    bool operator==(const AccountingKeys&) const = default;
};

struct AddressBookKeys {
    uint32_t status_exp = 1, changes_exp = 1;
    int search_order = 1, keep_changes = 0, own_first = 0;
    std::string report_changes, search_addresses;  // node letters, comma-separated
    bool operator==(const AddressBookKeys&) const = default;
};

struct RecentKeys {
    uint32_t secy = 0;
    std::string forw;
    bool operator==(const RecentKeys&) const = default;
};

struct PrintKeys {
    std::string printer, typeface;
    int font_size = 0, font_style = 0;
    int left_margin = 1000, right_margin = 1000, top_margin = 1000, bottom_margin = 1000;
    int format = 0, eject_page = 0, short_headers = 0, print_to_file = 0, ask_options = 1;
    bool operator==(const PrintKeys&) const = default;
};

struct QuestionKeys {
    int download_address_book = 0, in_basket_not_empty = 0;
    bool operator==(const QuestionKeys&) const = default;
};

struct UserValues {
    OrvaneKeys orvane;
    UserKeys user;
    OptionKeys options;
    LoginKeys login;
    AccountingKeys accounting;
    AddressBookKeys address_book;
    RecentKeys recent;
    PrintKeys print;
    QuestionKeys questions;
    std::array<WindowPosition, kWindowKinds> windows;
    std::array<ColorList, kColorElements> colors;
    FontSetting fixed_font, variable_font;
    std::array<std::string, kMacroSlots> macros;
    std::string receipt_text, receipt_request_text;
    int importance = 4;
    std::array<std::string, kImportanceLevels> importance_names;
    std::vector<uint32_t> memberships;  // conference numbers on the home node
    bool operator==(const UserValues&) const = default;
};

class UserSettings {
  public:
    UserValues values;

    // Reads "Orvane.ini" in `user_directory`. Returns false when the file
    // comes from a newer version and the user declines. What the load
    // changes in the file itself (upgrades, keys written at once) is
    // committed; a file that cannot be read or written is told to
    // `policy`. The file stays held until close().
    bool load(IniCache& cache, const std::string& user_directory,
              const std::string& program_directory, VersionGate& gate, platform::Policy& policy);
    // Puts every changed key and this program's version into the held file;
    // commit() (or file().commit()) writes it.
    void save();
    // save(), then writes the file.
    [[nodiscard]] platform::Status commit();
    // Writes only the accounting keys (after each connection).
    [[nodiscard]] platform::Status save_accounting();
    // Writes only the password.
    [[nodiscard]] platform::Status save_password();
    void close() { file_.close(); }

    // The version the file was written by, one less for a newly added user
    // so that the news of this version are still delivered.
    int stored_version() const { return stored_version_; }
    const PathBase& paths() const { return paths_; }
    IniFile& file() { return file_; }

  private:
    IniFile file_;
    UserValues loaded_;
    PathBase paths_;
    int stored_version_ = 0;
    int file_version_ = 0;
};

// The memberships as a file of the present version keeps them, read without
// changing the file (for reading another user's file).
std::vector<uint32_t> stored_memberships(IniFile& file);

// Clears the per-user sections of a settings file and stamps it with this
// program's version. Used when a user is erased whose file is also the
// common file.
void reset_user_file(IniFile& file);

}  // namespace orvane::settings

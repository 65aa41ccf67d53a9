#include "settings/user_keys.h"

#include "platform/message_ids.h"

namespace orvane::settings {

namespace {

using K = KeyType;
using UserField = FieldPtr (*)(UserValues&, std::string_view);

template <auto Field>
constexpr UserField orvane = &member<&UserValues::orvane, Field>;
template <auto Field>
constexpr UserField user = &member<&UserValues::user, Field>;
template <auto Field>
constexpr UserField option = &member<&UserValues::options, Field>;
template <auto Field>
constexpr UserField login = &member<&UserValues::login, Field>;
template <auto Field>
constexpr UserField accounting = &member<&UserValues::accounting, Field>;
template <auto Field>
constexpr UserField address_book = &member<&UserValues::address_book, Field>;
template <auto Field>
constexpr UserField recent = &member<&UserValues::recent, Field>;
template <auto Field>
constexpr UserField print = &member<&UserValues::print, Field>;
template <auto Field>
constexpr UserField question = &member<&UserValues::questions, Field>;
template <size_t Index>
constexpr UserField window = &element<&UserValues::windows, Index>;
template <size_t Index>
constexpr UserField colors = &element<&UserValues::colors, Index>;
template <size_t Index>
constexpr UserField importance_name = &element<&UserValues::importance_names, Index>;

FieldPtr macro(UserValues& values, std::string_view key) {
    int slot = macro_slot(key);
    if (slot < 0) return std::monostate();
    return &values.macros[static_cast<size_t>(slot)];
}

constexpr int kMaxAutoSaveMinutes = 24 * 60;
constexpr int kLetterA = 'A';
constexpr int kLetterZ = 'Z';
constexpr size_t kImportanceNameLength = 20;
constexpr size_t kNodeLettersLength = 63;

// Directories that are the user's folder until set.
constexpr std::string_view kUserFolder = ":::";

// clang-format off
constexpr BoundKey<UserValues> kUserKeys[] = {
    {{.section = "Orvane", .key = "Version", .kept_by_program = true}},
    {{.section = "Orvane", .key = "New User", .kept_by_program = true}, orvane<&OrvaneKeys::new_user>},
    {{.section = "Orvane", .key = "Cabinet", .type = K::kText, .length = 1023, .text_fallback = kDefaultCabinet, .empty_is_missing = true}, orvane<&OrvaneKeys::cabinet>},
    {{.section = "Orvane", .key = "Updump Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::updump_dir>},
    {{.section = "Orvane", .key = "Downdump Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::downdump_dir>},
    {{.section = "Orvane", .key = "Log Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::log_dir>},
    {{.section = "Orvane", .key = "Download Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::download_dir>},
    {{.section = "Orvane", .key = "Import Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::import_dir>},
    {{.section = "Orvane", .key = "Text Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::text_dir>},
    {{.section = "Orvane", .key = "File to Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::file_to_dir>},
    {{.section = "Orvane", .key = "Upload Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::upload_dir>},
    {{.section = "Orvane", .key = "Attach Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::attach_dir>},
    {{.section = "Orvane", .key = "Paste Dir", .type = K::kDirectory, .text_fallback = kUserFolder}, orvane<&OrvaneKeys::paste_dir>},
    {{.section = "Orvane", .key = "Move Imported to", .type = K::kDirectory}, orvane<&OrvaneKeys::move_imported_to>},
    {{.section = "Orvane", .key = "Text Name", .type = K::kPath}, orvane<&OrvaneKeys::text_name>},
    {{.section = "Orvane", .key = "Addresses", .type = K::kPath}, orvane<&OrvaneKeys::addresses>},
    {{.section = "Orvane", .key = "File to Name", .type = K::kPath}, orvane<&OrvaneKeys::file_to_name>},
    {{.section = "Orvane", .key = "Last Updump", .type = K::kPath}, orvane<&OrvaneKeys::last_updump>},
    {{.section = "Orvane", .key = "Save As Type", .fallback = 1}, orvane<&OrvaneKeys::save_as_type>},
    {{.section = "Orvane", .key = "File to"}, orvane<&OrvaneKeys::file_to>},
    {{.section = "Orvane", .key = "Mark to", .fallback = 10}, orvane<&OrvaneKeys::mark_to>},

    {{.section = "User", .key = "Name", .type = K::kText, .length = kNameLength, .cut_at_sign = true}, user<&UserKeys::name>},
    {{.section = "User", .key = "Alias 1", .type = K::kText, .length = kNameLength, .cut_at_sign = true}, user<&UserKeys::alias1>},
    {{.section = "User", .key = "Alias 2", .type = K::kText, .length = kNameLength, .cut_at_sign = true}, user<&UserKeys::alias2>},
    {{.section = "User", .key = "Alias 3", .type = K::kText, .length = kNameLength, .cut_at_sign = true}, user<&UserKeys::alias3>},
    {{.section = "User", .key = "Secretary", .type = K::kText, .length = kNameLength}, user<&UserKeys::secretary>},
    {{.section = "User", .key = "Boss", .type = K::kText, .length = kNameLength, .unused_when = "Secretary"}, user<&UserKeys::boss>},
    {{.section = "User", .key = "Boss2", .type = K::kText, .length = kNameLength, .unused_when = "Secretary"}, user<&UserKeys::boss2>},
    {{.section = "User", .key = "Boss3", .type = K::kText, .length = kNameLength, .unused_when = "Secretary"}, user<&UserKeys::boss3>},
    {{.section = "User", .key = "Boss4", .type = K::kText, .length = kNameLength, .unused_when = "Secretary"}, user<&UserKeys::boss4>},
    {{.section = "User", .key = "Password", .type = K::kPassword, .length = kPasswordLength}, user<&UserKeys::password>},
    {{.section = "User", .key = "New Password", .type = K::kPassword, .length = kPasswordLength}, user<&UserKeys::new_password>},
    {{.section = "User", .key = "Sender"}, user<&UserKeys::sender>},
    {{.section = "User", .key = "Last Boss"}, user<&UserKeys::last_boss>},
    {{.section = "User", .key = "Save Password", .type = K::kSwitch}, user<&UserKeys::save_password>},
    {{.section = "User", .key = "Last Login", .type = K::kDate}, user<&UserKeys::last_login>},
    {{.section = "User", .key = "Password Changed", .type = K::kDate}, user<&UserKeys::password_changed>},
    {{.section = "User", .key = "Status Retrieved", .type = K::kDate}, user<&UserKeys::status_retrieved>},
    {{.section = "User", .key = "Privilege", .fallback = 2, .low = 1, .high = 5, .outside = OutOfRange::kFallback}, user<&UserKeys::privilege>},
    {{.section = "User", .key = "Object", .type = K::kBits, .mask = 0x3FFF}, user<&UserKeys::object>},
    {{.section = "User", .key = "Messages", .type = K::kBits, .mask = 3}, user<&UserKeys::messages>},
    // The home node: the character code of its letter; the node's own
    // checks report a letter that names no node.
    {{.section = "User", .key = "Node", .low = kLetterA, .high = kLetterZ, .outside = OutOfRange::kLeave, .zero_stays = true}, user<&UserKeys::node>},

    {{.section = "Options", .key = "Delete Updumped", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::delete_updumped>},
    {{.section = "Options", .key = "Compression", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::compression>},
    {{.section = "Options", .key = "Replies to Secy", .type = K::kSwitch}, option<&OptionKeys::replies_to_secy>},
    {{.section = "Options", .key = "AutoNext", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::auto_next>},
    {{.section = "Options", .key = "AutoNextBox", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::auto_next_box>},
    {{.section = "Options", .key = "File Letters", .type = K::kSwitch}, option<&OptionKeys::file_letters>},
    {{.section = "Options", .key = "Create Boxes", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::create_boxes>},
    {{.section = "Options", .key = "File Replied", .type = K::kSwitch}, option<&OptionKeys::file_replied>},
    {{.section = "Options", .key = "File Marked", .type = K::kSwitch}, option<&OptionKeys::file_marked>},
    {{.section = "Options", .key = "File To All", .type = K::kSwitch}, option<&OptionKeys::file_to_all>},
    {{.section = "Options", .key = "AutoFile", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::auto_file>},
    {{.section = "Options", .key = "Auto-Import", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::auto_import>},
    {{.section = "Options", .key = "Delete Imported", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::delete_imported>},
    {{.section = "Options", .key = "Delete Log", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::delete_log>},
    {{.section = "Options", .key = "Import Files", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::import_files>},
    {{.section = "Options", .key = "Unzip Files", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::unzip_files>},
    {{.section = "Options", .key = "Move Imported", .type = K::kSwitch}, option<&OptionKeys::move_imported>},
    {{.section = "Options", .key = "Confirm Delete", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::confirm_delete>},
    {{.section = "Options", .key = "Waste-Basket", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::waste_basket>},
    {{.section = "Options", .key = "Show Main Dir", .type = K::kSwitch}, option<&OptionKeys::show_main_dir>},
    {{.section = "Options", .key = "Boxes in In-Basket", .type = K::kSwitch}, option<&OptionKeys::boxes_in_in_basket>},
    {{.section = "Options", .key = "Separate Dir", .type = K::kSwitch}, option<&OptionKeys::separate_dir>},
    {{.section = "Options", .key = "Marked Texts Dir", .type = K::kSwitch}, option<&OptionKeys::marked_texts_dir>},
    {{.section = "Options", .key = "Search in Waste-Basket", .type = K::kSwitch}, option<&OptionKeys::search_in_waste_basket>},
    {{.section = "Options", .key = "Search Immediately", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::search_immediately>},
    {{.section = "Options", .key = "Minimize All", .type = K::kSwitch}, option<&OptionKeys::minimize_all>},
    {{.section = "Options", .key = "Show Whole Subject", .type = K::kSwitch}, option<&OptionKeys::show_whole_subject>},
    {{.section = "Options", .key = "Object Numbers", .type = K::kSwitch}, option<&OptionKeys::object_numbers>},
    {{.section = "Options", .key = "Allow Editing", .type = K::kSwitch}, option<&OptionKeys::allow_editing>},
    {{.section = "Options", .key = "Remove Re", .type = K::kSwitch}, option<&OptionKeys::remove_re>},
    {{.section = "Options", .key = "Remember Sender", .fallback = -1}, option<&OptionKeys::remember_sender>},
    {{.section = "Options", .key = "Expert", .type = K::kSwitch}, option<&OptionKeys::expert>},
    {{.section = "Options", .key = "Priority"}, option<&OptionKeys::priority>},
    {{.section = "Options", .key = "Hide Empty", .type = K::kSwitch}, option<&OptionKeys::hide_empty>},
    // 0 UTC, 1 local time, 2 the zone the date was written in.
    {{.section = "Options", .key = "Time Display", .low = 0, .high = 2, .outside = OutOfRange::kFallback}, option<&OptionKeys::time_display>},
    // Minutes; 0 switches auto-saving off. A longer wait than a day would
    // outrun the tick counter's comparisons.
    {{.section = "Options", .key = "Auto-save Interval", .fallback = 5, .low = 0, .high = kMaxAutoSaveMinutes, .minus_one_is_fallback = true}, option<&OptionKeys::auto_save_interval>},
    {{.section = "Options", .key = "Max Memory for Index", .fallback = -1}, option<&OptionKeys::max_memory_for_index>},
    {{.section = "Options", .key = "Import Filter Index", .fallback = 2}, option<&OptionKeys::import_filter_index>},
    {{.section = "Options", .key = "Fixed Pitch", .type = K::kSwitch, .fallback = 1}, option<&OptionKeys::fixed_pitch>},
    {{.section = "Options", .key = "Character Set", .fallback = 1}, option<&OptionKeys::character_set>},
    {{.section = "Options", .key = "Right Margin", .fallback = 76, .low = 20, .high = 79}, option<&OptionKeys::right_margin>},
    {{.section = "Options", .key = "Zip Level", .fallback = 5, .low = 0, .high = 5}, option<&OptionKeys::zip_level>},
    {{.section = "Options", .key = "Quote Mark", .type = K::kText, .length = 8, .text_fallback = "> ", .empty_is_missing = true}, option<&OptionKeys::quote_mark>},
    {{.section = "Options", .key = "Import Filter", .type = K::kText, .length = 40}, option<&OptionKeys::import_filter>},

    // Bit 1: also a batch session; 2: include me in batch sessions; 4:
    // also send the out-basket.
    {{.section = "Login", .key = "Batch Session", .type = K::kBits, .fallback = 4, .mask = 7}, login<&LoginKeys::batch_session>},
    {{.section = "Login", .key = "List Mail Detailed", .type = K::kBits, .mask = 3}, login<&LoginKeys::list_mail_detailed>},
    // Bits 0-1 the kind of mail, bit 3 "susp", bits 4-5 the files.
    {{.section = "Login", .key = "Download", .type = K::kBits, .fallback = 3, .mask = 0x3B}, login<&LoginKeys::download>},
    {{.section = "Login", .key = "Download How", .fallback = 1, .low = 1, .high = 2, .outside = OutOfRange::kFallback}, login<&LoginKeys::download_how>},
    {{.section = "Login", .key = "Upload How", .fallback = 1, .low = 1, .high = 2, .outside = OutOfRange::kFallback}, login<&LoginKeys::upload_how>},
    {{.section = "Login", .key = "Download Changes", .type = K::kSwitch, .fallback = 1}, login<&LoginKeys::download_changes>},
    {{.section = "Login", .key = "Updump", .type = K::kSwitch, .fallback = 1}, login<&LoginKeys::updump>},
    {{.section = "Login", .key = "Download Results", .type = K::kSwitch}, login<&LoginKeys::download_results>},
    {{.section = "Login", .key = "TLS", .type = K::kSwitch, .fallback = 1}, login<&LoginKeys::tls>},
    {{.section = "Login", .key = "Local Echo", .type = K::kSwitch, .fallback = 1}, login<&LoginKeys::local_echo>},
    {{.section = "Login", .key = "Auto-Login", .type = K::kSwitch}, login<&LoginKeys::auto_login>},
    {{.section = "Login", .key = "Disconnect", .type = K::kBits, .fallback = 1, .mask = 1}, login<&LoginKeys::disconnect>},
    {{.section = "Login", .key = "Show Last Login", .type = K::kBits, .fallback = 3, .mask = 3}, login<&LoginKeys::show_last_login>},
    {{.section = "Login", .key = "Ask Options", .type = K::kSwitch, .fallback = 1}, login<&LoginKeys::ask_options>},

    {{.section = "Accounting", .key = "Sessions"}, accounting<&AccountingKeys::sessions>},
    {{.section = "Accounting", .key = "Time On-line"}, accounting<&AccountingKeys::time_online>},
    {{.section = "Accounting", .key = "Total Costs"}, accounting<&AccountingKeys::total_costs>},
    {{.section = "Accounting", .key = "Show Costs", .type = K::kSwitch}, accounting<&AccountingKeys::show_costs>},
    {{.section = "Accounting", .key = "Start", .type = K::kDate, .now_when_missing = true}, accounting<&AccountingKeys::start>},

    {{.section = "Address Book", .key = "Status Exp", .type = K::kUnsigned, .fallback = 1}, address_book<&AddressBookKeys::status_exp>},
    {{.section = "Address Book", .key = "Changes Exp", .type = K::kUnsigned, .fallback = 1}, address_book<&AddressBookKeys::changes_exp>},
    {{.section = "Address Book", .key = "Search Order", .fallback = 1}, address_book<&AddressBookKeys::search_order>},
    {{.section = "Address Book", .key = "Keep Changes", .type = K::kSwitch}, address_book<&AddressBookKeys::keep_changes>},
    {{.section = "Address Book", .key = "Own First", .type = K::kSwitch}, address_book<&AddressBookKeys::own_first>},
    {{.section = "Address Book", .key = "Report Changes", .type = K::kNodeLetters, .length = kNodeLettersLength}, address_book<&AddressBookKeys::report_changes>},
    {{.section = "Address Book", .key = "Search Addresses", .type = K::kNodeLetters, .length = kNodeLettersLength}, address_book<&AddressBookKeys::search_addresses>},

    {{.section = "Recent Settings", .key = "Secy", .type = K::kUnsigned}, recent<&RecentKeys::secy>},
    {{.section = "Recent Settings", .key = "Forw", .type = K::kText, .length = 128}, recent<&RecentKeys::forw>},

    {{.section = "Print", .key = "Printer", .type = K::kText, .length = 128}, print<&PrintKeys::printer>},
    {{.section = "Print", .key = "Typeface", .type = K::kText, .length = 32}, print<&PrintKeys::typeface>},
    {{.section = "Print", .key = "Font Size"}, print<&PrintKeys::font_size>},
    {{.section = "Print", .key = "Font Style"}, print<&PrintKeys::font_style>},
    {{.section = "Print", .key = "Left margin", .fallback = 1000}, print<&PrintKeys::left_margin>},
    {{.section = "Print", .key = "Right margin", .fallback = 1000}, print<&PrintKeys::right_margin>},
    {{.section = "Print", .key = "Top margin", .fallback = 1000}, print<&PrintKeys::top_margin>},
    {{.section = "Print", .key = "Bottom margin", .fallback = 1000}, print<&PrintKeys::bottom_margin>},
    {{.section = "Print", .key = "Format"}, print<&PrintKeys::format>},
    {{.section = "Print", .key = "Eject page after text", .type = K::kSwitch}, print<&PrintKeys::eject_page>},
    {{.section = "Print", .key = "Short Headers", .type = K::kSwitch}, print<&PrintKeys::short_headers>},
    // Written as 0 (with "Ask Options" 1) as soon as a load finds it missing.
    {{.section = "Print", .key = "Print to File", .type = K::kSwitch}, print<&PrintKeys::print_to_file>},
    {{.section = "Print", .key = "Ask Options", .type = K::kSwitch, .fallback = 1}, print<&PrintKeys::ask_options>},

    {{.section = "Questions", .key = "Download address book"}, question<&QuestionKeys::download_address_book>},
    {{.section = "Questions", .key = "In-basket not empty"}, question<&QuestionKeys::in_basket_not_empty>},

    {{.section = "Windows", .key = "Cabinet", .type = K::kWindowPosition}, window<0>},
    {{.section = "Windows", .key = "Store", .type = K::kWindowPosition}, window<1>},
    {{.section = "Windows", .key = "Box", .type = K::kWindowPosition}, window<2>},
    {{.section = "Windows", .key = "TextFile", .type = K::kWindowPosition}, window<3>},
    {{.section = "Windows", .key = "Report", .type = K::kWindowPosition}, window<4>},
    {{.section = "Windows", .key = "Login", .type = K::kWindowPosition}, window<5>},
    {{.section = "Windows", .key = "Terminal", .type = K::kWindowPosition}, window<6>},
    {{.section = "Windows", .key = "Search", .type = K::kWindowPosition}, window<7>},
    {{.section = "Windows", .key = "Map", .type = K::kWindowPosition}, window<8>},
    {{.section = "Windows", .key = "Text", .type = K::kWindowPosition}, window<9>},
    {{.section = "Windows", .key = "Reply", .type = K::kWindowPosition}, window<10>},

    // The default of each colour element is its built-in colour (0x00BBGGRR).
    {{.section = "Colors", .key = "Directory", .type = K::kColors, .fallback = 0x00804000}, colors<0>},
    {{.section = "Colors", .key = "Empty directory", .type = K::kColors, .fallback = 0x00808080}, colors<1>},
    {{.section = "Colors", .key = "Box", .type = K::kColors, .fallback = 0x00800000}, colors<2>},
    {{.section = "Colors", .key = "Empty box", .type = K::kColors, .fallback = 0x00808080}, colors<3>},
    {{.section = "Colors", .key = "Sent text", .type = K::kColors, .fallback = 0x00008000}, colors<4>},
    {{.section = "Colors", .key = "Received text", .type = K::kColors, .fallback = 0x00000000}, colors<5>},
    {{.section = "Colors", .key = "Replied text", .type = K::kColors, .fallback = 0x00800080}, colors<6>},
    {{.section = "Colors", .key = "Missing text", .type = K::kColors, .fallback = 0x00808080}, colors<7>},
    {{.section = "Colors", .key = "Terminal", .type = K::kColors, .fallback = 0x00C0C0C0}, colors<8>},
    {{.section = "Colors", .key = "Letter", .type = K::kColors, .fallback = 0x00000080}, colors<9>},
    {{.section = "Colors", .key = "Quoted text", .type = K::kColors, .fallback = 0x00800000}, colors<10>},
    {{.section = "Colors", .key = "Found Words", .type = K::kColors, .fallback = 0x000000FF}, colors<11>},
    {{.section = "Colors", .key = "Person", .type = K::kColors, .fallback = 0x00000000}, colors<12>},
    {{.section = "Colors", .key = "Absent Person", .type = K::kColors, .fallback = 0x00808080}, colors<13>},
    {{.section = "Colors", .key = "Public Conference", .type = K::kColors, .fallback = 0x00008000}, colors<14>},
    {{.section = "Colors", .key = "Private Conference", .type = K::kColors, .fallback = 0x00000080}, colors<15>},
    {{.section = "Colors", .key = "Group", .type = K::kColors, .fallback = 0x00808000}, colors<16>},
    {{.section = "Colors", .key = "Command Topic", .type = K::kColors, .fallback = 0x00800000}, colors<17>},
    {{.section = "Colors", .key = "Command", .type = K::kColors, .fallback = 0x00000000}, colors<18>},

    {{.section = "Fonts", .key = "Fixed", .type = K::kFont, .text_fallback = "Consolas"}, &member<&UserValues::fixed_font>},
    {{.section = "Fonts", .key = "Variable", .type = K::kFont, .text_fallback = "Arial"}, &member<&UserValues::variable_font>},

    {{.section = "Macros", .key = "A1 to Z4", .type = K::kFreeText, .family = KeyFamily::kMacro}, &macro},

    {{.section = "Texts", .key = "Receipt", .type = K::kFreeText, .fallback_message = static_cast<int>(platform::MessageId::kLetterReceived)}, &member<&UserValues::receipt_text>},
    {{.section = "Texts", .key = "Did you get it", .type = K::kFreeText, .fallback_message = static_cast<int>(platform::MessageId::kConfirmReceipt)}, &member<&UserValues::receipt_request_text>},

    {{.section = "Importance", .key = "Importance", .fallback = 4, .low = 0, .high = 7, .outside = OutOfRange::kFallback}, &member<&UserValues::importance>},
    {{.section = "Importance", .key = "0", .type = K::kText, .length = kImportanceNameLength, .text_fallback = "Ignore"}, importance_name<0>},
    {{.section = "Importance", .key = "1", .type = K::kText, .length = kImportanceNameLength, .text_fallback = "Very low"}, importance_name<1>},
    {{.section = "Importance", .key = "2", .type = K::kText, .length = kImportanceNameLength, .text_fallback = "Low"}, importance_name<2>},
    {{.section = "Importance", .key = "3", .type = K::kText, .length = kImportanceNameLength, .text_fallback = "Below normal"}, importance_name<3>},
    {{.section = "Importance", .key = "4", .type = K::kText, .length = kImportanceNameLength, .text_fallback = "Normal"}, importance_name<4>},
    {{.section = "Importance", .key = "5", .type = K::kText, .length = kImportanceNameLength, .text_fallback = "Above normal"}, importance_name<5>},
    {{.section = "Importance", .key = "6", .type = K::kText, .length = kImportanceNameLength, .text_fallback = "High"}, importance_name<6>},
    {{.section = "Importance", .key = "7", .type = K::kText, .length = kImportanceNameLength, .text_fallback = "Urgent"}, importance_name<7>},

    // Conference numbers of the home node, spread over lines "1", "2", …;
    // the section is read and rewritten whole by the settings' own code.
    {{.section = "Membership", .key = "1, 2, ...", .type = K::kNumberList, .family = KeyFamily::kNumbered}},
};
// clang-format on

}  // namespace

std::span<const BoundKey<UserValues>> user_keys() {
    return kUserKeys;
}

}  // namespace orvane::settings

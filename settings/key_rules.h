// What the program knows about each key of its settings files: its type, its
// default, the range it keeps a value in and how it reads stored text. The
// tables of these rules (user_keys.cpp, common_keys.cpp) are the only list
// of keys: the loader, the saver and the settings commands all work from
// them, so that what the commands show and accept is what the program uses.
#pragma once

#include <climits>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "settings/display_values.h"
#include "settings/window_position.h"

namespace orvane::settings {

enum class KeyType : uint8_t {
    kNumber,          // a whole number
    kUnsigned,        // a whole number from 0 to 4294967295 ("-1" stands for the largest)
    kSwitch,          // 0 off, 1 on; any other number reads as on
    kBits,            // a sum of bit values; only those in `mask` are used
    kText,            // one line of at most `length` characters
    kFreeText,        // lines of text, a line break stored as "^M"
    kPath,            // a file, with the path abbreviations expanded
    kDirectory,       // a folder, as kPath without a trailing "/"
    kDate,            // a date and time
    kPassword,        // a password, stored scrambled
    kNodeLetters,     // node letters separated by commas ("C,K")
    kNumberList,      // numbers each after a comma (",12,15")
    kWindowPosition,  // up to five numbers separated by commas
    kColors,          // up to eight colours ",%08X" (0x00BBGGRR)
    kFont,            // "typeface,height,style"
    kUsersLine,       // "node,name,batch mode" of a local user
};

// Keys that come in numbers: the rule's `key` is then a description.
enum class KeyFamily : uint8_t {
    kSingle,      // the key named by `key`
    kNodeLetter,  // a node letter followed by `key` ("C Changes Downloaded")
    kMacro,       // a capital letter and a digit 1 to 4 ("A1" .. "Z4")
    kNumbered,    // "1", "2", …
    kFolder,      // a user folder (the users list)
};

// What reading does with a stored number outside low..high.
enum class OutOfRange : uint8_t {
    kNearest,   // takes the nearest limit
    kFallback,  // takes the default
    kLeave,     // keeps it: its user decides (the range limits what may be set)
};

struct KeyRule {
    std::string_view section = {};
    std::string_view key = {};
    KeyType type = KeyType::kNumber;
    KeyFamily family = KeyFamily::kSingle;
    // Numbers, switches, bit sets, dates; for kColors the element's
    // built-in colour.
    long long fallback = 0;
    long long low = INT_MIN;
    long long high = INT_MAX;
    OutOfRange outside = OutOfRange::kNearest;
    bool zero_stays = false;             // 0 (off) is used as it is, though below `low`
    bool minus_one_is_fallback = false;  // a stored -1 stands for the default
    uint32_t mask = 0;                   // kBits: the bit values used
    size_t length = 0;                   // texts and passwords: characters used
    // Texts: the default; paths: the default in stored form (":::" for the
    // user's folder); fonts: the default typeface.
    std::string_view text_fallback = {};
    bool empty_is_missing = false;  // an empty stored text takes the default
    int fallback_message = 0;       // kFreeText: the default is this message of the program
    bool cut_at_sign = false;       // names: only the part before "@" is used
    // A key of the same section that makes this one unused while it holds
    // anything (the bosses of a user who is a secretary).
    std::string_view unused_when = {};
    bool now_when_missing = false;  // kDate: a missing date reads as now
    // Written by the program itself (versions, the users list): a user
    // changes it only with --force.
    bool kept_by_program = false;
};

// The value of a key as the program uses it. Numbers of every kind (dates
// too) are held as long long, texts of every kind as a string.
using SettingValue = std::variant<long long, std::string, WindowPosition, ColorList, FontSetting>;

// True when `key` in `section` is a key of `rule` (without regard to case,
// as the settings files compare names; macro and node letters are capitals).
bool rule_matches(const KeyRule& rule, std::string_view section, std::string_view key);

// The keys of a family that the program may use, for those that have a
// fixed set (macros); empty for the others.
std::vector<std::string> family_keys(const KeyRule& rule);

// The macro slot of a letter 'A'..'Z' and digit 1..4; -1 for any other.
int macro_slot(char letter, int digit);
// The macro slot of a key "A1" .. "Z4"; -1 for any other.
int macro_slot(std::string_view key);

}  // namespace orvane::settings

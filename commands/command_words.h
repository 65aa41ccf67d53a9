// The words of the server commands that the command catalogue builds: the
// one list that the program (building commands) and the node server
// (carrying them out) share. A command line is a verb, then keywords and
// values; some codes of the templates yield fixed words of their own (the
// setting words, the conference-type words, the forwarding choices), which
// are listed here in the order of their fields, so that nothing else keeps
// a second copy of them.
#pragma once

#include <span>
#include <string_view>
#include <vector>

namespace orvane::commands {

enum class WordGroup {
    kVerb,              // the first word of a command line
    kKeyword,           // a word that follows a verb
    kSchedule,          // the words of a schedule prefix
    kUnit,              // day, week, month, year: repetition and expiration
    kPrivilege,         // %g, in the order of the privilege values 1 to 5
    kCharset,           // %c, in the order of its choices
    kSettingState,      // %s: "off", then "on"
    kSetting,           // %s: the eleven settings, in order
    kConferenceType,    // %q, %x: the word of each ticked box, in box order
    kConferenceUntick,  // the word of the first two boxes when not ticked
    kForwardWhat,       // %w: what is forwarded
    kForwardHow,        // %w: how it is packed
    kForwardSharing,    // %w: shared or alone
    kForwardCopy,       // %w: "no copy", "copy"
    kAddressLine,       // %H: the five address fields, in order
};

// A word or a fixed phrase of words ("encrypt att", "no limit").
struct CommandWord {
    std::string_view text;
    WordGroup group;
    std::string_view meaning;
};

// The whole table.
std::span<const CommandWord> command_words();

// The words of one group, in table order.
std::vector<std::string_view> words_of(WordGroup group);

// Whether `text` is a word or phrase of the table (of any group).
bool is_command_phrase(std::string_view text);
// Whether `text` is a verb.
bool is_verb(std::string_view text);

// The longest phrase of the table that begins `words` (whole words only);
// 0 when none does. Used to check that a line holds nothing but table
// words and values.
size_t longest_phrase_at(std::span<const std::string_view> words);

}  // namespace orvane::commands

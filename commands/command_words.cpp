#include "commands/command_words.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace orvane::commands {

namespace {

using G = WordGroup;

constexpr CommandWord kWords[] = {
    // Verbs.
    {"join", G::kVerb, "join CONFERENCE: become a member"},
    {"withdraw", G::kVerb, "withdraw CONFERENCE: stop being a member for good"},
    {"suspend", G::kVerb, "suspend CONFERENCE | all [no texts]: stop receiving for a while"},
    {"unsuspend", G::kVerb, "unsuspend CONFERENCE [unread all|N] | all: receive again"},
    {"list", G::kVerb, "list conferences|memberships|members|files ...: send a list"},
    {"show", G::kVerb, "show note|presentation|schedule ...: send a text of the server"},
    {"status", G::kVerb, "status CONFERENCE|PERSON|myself: send the status"},
    {"change", G::kVerb, "change WHAT WHOSE VALUE: change a setting or a type"},
    {"add", G::kVerb, "add member|receiver|alias|domain ...: add to a list"},
    {"remove", G::kVerb, "remove member|receiver|alias|user|domain ...: take from a list"},
    {"create", G::kVerb, "create conference|user NAME ...: make a new object"},
    {"rename", G::kVerb, "rename conference|user OLD NEW"},
    {"erase", G::kVerb, "erase text N | file CONFERENCE NAME"},
    {"move", G::kVerb, "move text N CONFERENCE"},
    {"down", G::kVerb, "down text|mail|texts|file|archive|objects ...: send texts or files"},
    {"upload", G::kVerb, "upload CONFERENCE: the files of the following + lines go there"},
    {"+", G::kVerb, "+NAME \"DESCRIPTION\": the file sent with the packet under NAME"},
    {"lock", G::kVerb, "lock USER: keep a user out"},
    {"unlock", G::kVerb, "unlock USER: let a locked user in again"},
    {"refuse", G::kVerb, "refuse PERSON: send back letters from that person"},
    {"accept", G::kVerb, "accept PERSON: take letters from that person again"},

    // Keywords.
    {"all", G::kKeyword, "every conference, or every unread text"},
    {"no", G::kKeyword, "the negative of the word that follows"},
    {"no limit", G::kKeyword, "any number or size"},
    {"none", G::kKeyword, "remove the value"},
    {"myself", G::kKeyword, "the sender of the command"},
    {"unread", G::kKeyword, "the texts to keep unread"},
    {"text", G::kKeyword, "a text, by number"},
    {"texts", G::kKeyword, "the texts of a conference"},
    {"mail", G::kKeyword, "letters and texts"},
    {"since", G::kKeyword, "from this date on"},
    {"last", G::kKeyword, "the newest N"},
    {"archive", G::kKeyword, "the texts of a year, as a file"},
    {"objects", G::kKeyword, "the address list of the node"},
    {"conference", G::kKeyword, "a conference, by name"},
    {"conferences", G::kKeyword, "the conferences of the node"},
    {"memberships", G::kKeyword, "the conferences of the sender"},
    {"members", G::kKeyword, "the members of a conference"},
    {"member", G::kKeyword, "a member of a conference"},
    {"user", G::kKeyword, "a user of the node, by name"},
    {"note", G::kKeyword, "the note of a conference"},
    {"presentation", G::kKeyword, "the presentation of a person or conference"},
    {"private", G::kKeyword, "only for the receivers named"},
    {"public", G::kKeyword, "for everybody who may read the conference"},
    {"receiver", G::kKeyword, "a receiver of a text"},
    {"name", G::kKeyword, "the name of a person"},
    {"alias", G::kKeyword, "a further name of a person"},
    {"secretary", G::kKeyword, "the person who writes on one's behalf"},
    {"password", G::kKeyword, "the password, in the program's encoded form"},
    {"forwarding", G::kKeyword, "where and how mail is forwarded"},
    {"attachments", G::kKeyword, "the largest attached file forwarded, in KB"},
    {"address", G::kKeyword, "the postal address"},
    {"setting", G::kKeyword, "one of the personal settings"},
    {"lines", G::kKeyword, "the longest text received, in lines"},
    {"charset", G::kKeyword, "the character set of mail packets"},
    {"type", G::kKeyword, "the type of a conference"},
    {"organizer", G::kKeyword, "the main organizer of a conference"},
    {"moderator", G::kKeyword, "the moderator of a conference"},
    {"expiration", G::kKeyword, "how long texts stay in a conference"},
    {"default", G::kKeyword, "the node's own choice"},
    {"privilege", G::kKeyword, "the privilege of a user"},
    {"domain", G::kKeyword, "a mail domain of the node"},
    {"file", G::kKeyword, "a file of a conference's file area"},
    {"files", G::kKeyword, "the file area of a conference"},
    {"schedule", G::kKeyword, "the sender's scheduled commands"},

    // Schedule prefixes: "sched DATE [every [N] UNIT] [until DATE] COMMAND",
    // "sub sched COMMAND".
    {"sched", G::kSchedule, "run the command on DATE"},
    {"every", G::kSchedule, "and again every N units"},
    {"until", G::kSchedule, "for the last time on DATE"},
    {"sub sched", G::kSchedule, "take the command out of the schedule"},

    {"day", G::kUnit, "days"},
    {"week", G::kUnit, "weeks"},
    {"month", G::kUnit, "months"},
    {"year", G::kUnit, "years"},

    {"luser", G::kPrivilege, "no privilege"},
    {"user", G::kPrivilege, "a user"},
    {"organ", G::kPrivilege, "an organizer"},
    {"oper", G::kPrivilege, "an operator"},
    {"admin", G::kPrivilege, "an administrator"},

    {"win west", G::kCharset, "Windows, western"},
    {"win east", G::kCharset, "Windows, eastern European"},
    {"win cyr", G::kCharset, "Windows, Cyrillic"},
    {"default", G::kCharset, "the node's choice"},
    {"ascii", G::kCharset, "ASCII only"},

    {"off", G::kSettingState, "switch the setting off"},
    {"on", G::kSettingState, "switch the setting on"},

    {"parent", G::kSetting, "the text commented on comes along"},
    {"encryption", G::kSetting, "encrypt mail on the Internet"},
    {"encrypt att", G::kSetting, "encrypt attached files"},
    {"node name", G::kSetting, "names carry their node"},
    {"pauses", G::kSetting, "pauses in long listings"},
    {"expir", G::kSetting, "warn of expiring texts"},
    {"internet", G::kSetting, "mail from the Internet"},
    {"my texts", G::kSetting, "one's own texts come back"},
    {"suspend conf", G::kSetting, "suspend conferences while away"},
    {"subtract", G::kSetting, "receivers may be taken away"},
    {"spam filter", G::kSetting, "filter unwanted mail"},

    {"public", G::kConferenceType, "users can join themselves"},
    {"not hidden", G::kConferenceType, "shown in address lists"},
    {"status", G::kConferenceType, "non-members can view the status"},
    {"member", G::kConferenceType, "users can see the member list"},
    {"confident", G::kConferenceType, "always encrypted on the Internet"},
    {"overwrite", G::kConferenceType, "a new file replaces an old one of the same name"},
    {"uploads", G::kConferenceType, "files may be uploaded"},
    {"downloads", G::kConferenceType, "files may be downloaded"},
    {"comments", G::kConferenceType, "comments on texts are allowed"},
    {"disclos", G::kConferenceType, "users can add receivers to texts"},
    {"save exp", G::kConferenceType, "expired texts are saved in the file area"},
    {"write prot", G::kConferenceType, "write protected"},
    {"only members", G::kConferenceType, "only members may write"},
    {"private", G::kConferenceUntick, "users cannot join themselves"},
    {"hidden", G::kConferenceUntick, "not shown in address lists"},

    {"nothing", G::kForwardWhat, "forward nothing"},
    {"letters", G::kForwardWhat, "forward letters"},
    {"texts", G::kForwardWhat, "forward conference texts"},
    {"all", G::kForwardWhat, "forward letters and texts"},
    {"plain", G::kForwardHow, "as plain text"},
    {"zip", G::kForwardHow, "zipped"},
    {"uue", G::kForwardHow, "uuencoded"},
    {"mime", G::kForwardHow, "as MIME"},
    {"pgp", G::kForwardHow, "encrypted with PGP"},
    {"indiv", G::kForwardHow, "each text by itself"},
    {"shared", G::kForwardSharing, "shared with the other forwardings"},
    {"alone", G::kForwardSharing, "by itself"},
    {"no copy", G::kForwardCopy, "keep no copy of forwarded letters"},
    {"copy", G::kForwardCopy, "keep a copy of forwarded letters"},

    {"addr 1", G::kAddressLine, "first line of the postal address"},
    {"addr 2", G::kAddressLine, "second line"},
    {"addr 3", G::kAddressLine, "third line"},
    {"country", G::kAddressLine, "the country"},
    {"phone", G::kAddressLine, "the telephone number"},
};

size_t word_count(std::string_view phrase) {
    return static_cast<size_t>(std::count(phrase.begin(), phrase.end(), ' ')) + 1;
}

// Whether the first words of `words` spell `phrase` (words of one blank each).
bool spells(std::span<const std::string_view> words, std::string_view phrase) {
    size_t count = word_count(phrase);
    if (count > words.size()) return false;
    std::string joined;
    for (size_t i = 0; i < count; ++i) {
        if (i) joined += ' ';
        joined += words[i];
    }
    return joined == phrase;
}

}  // namespace

std::span<const CommandWord> command_words() {
    return kWords;
}

std::vector<std::string_view> words_of(WordGroup group) {
    std::vector<std::string_view> words;
    for (const CommandWord& word : kWords)
        if (word.group == group) words.push_back(word.text);
    return words;
}

bool is_command_phrase(std::string_view text) {
    return std::any_of(std::begin(kWords), std::end(kWords),
                       [&](const CommandWord& word) { return word.text == text; });
}

bool is_verb(std::string_view text) {
    return std::any_of(std::begin(kWords), std::end(kWords), [&](const CommandWord& word) {
        return word.group == WordGroup::kVerb && word.text == text;
    });
}

size_t longest_phrase_at(std::span<const std::string_view> words) {
    size_t longest = 0;
    for (const CommandWord& word : kWords) {
        if (spells(words, word.text)) longest = std::max(longest, word_count(word.text));
    }
    return longest;
}

}  // namespace orvane::commands

#include "commands/forwarding.h"

#include <vector>

#include "commands/command_words.h"

namespace orvane::commands {

namespace {

std::vector<std::string_view> split_words(std::string_view text) {
    std::vector<std::string_view> words;
    size_t at = 0;
    while (at < text.size()) {
        size_t start = text.find_first_not_of(' ', at);
        if (start == std::string_view::npos) break;
        size_t end = text.find(' ', start);
        if (end == std::string_view::npos) end = text.size();
        words.push_back(text.substr(start, end - start));
        at = end;
    }
    return words;
}

// The phrase of `group` that the words at `at` spell, longest first.
std::string_view phrase_at(const std::vector<std::string_view>& words, size_t at, WordGroup group) {
    std::string_view best;
    for (std::string_view phrase : words_of(group)) {
        std::string joined;
        for (size_t i = at; i < words.size() && joined.size() < phrase.size(); ++i) {
            if (!joined.empty()) joined += ' ';
            joined += words[i];
        }
        if (joined == phrase && phrase.size() > best.size()) best = phrase;
    }
    return best;
}

size_t word_count(std::string_view phrase) {
    size_t count = 1;
    for (char c : phrase) count += c == ' ';
    return count;
}

}  // namespace

Forwarding parse_forwarding(std::string_view text) {
    Forwarding forwarding;
    std::vector<std::string_view> words = split_words(text);
    if (words.empty()) return forwarding;
    if (words[0] != "none") forwarding.address = std::string(words[0]);
    const struct {
        WordGroup group;
        std::string* field;
    } choices[] = {{WordGroup::kForwardWhat, &forwarding.what},
                   {WordGroup::kForwardHow, &forwarding.how},
                   {WordGroup::kForwardSharing, &forwarding.sharing},
                   {WordGroup::kForwardCopy, &forwarding.copy}};
    size_t at = 1;
    while (at < words.size()) {
        if (words[at] == "attachments" && at + 1 < words.size()) {
            bool no_limit =
                words[at + 1] == "no" && at + 2 < words.size() && words[at + 2] == "limit";
            forwarding.attachments = no_limit ? "no limit" : std::string(words[at + 1]);
            at += no_limit ? 3 : 2;
            continue;
        }
        size_t used = 0;
        for (const auto& choice : choices) {
            std::string_view phrase = phrase_at(words, at, choice.group);
            if (!phrase.empty() && word_count(phrase) > used) {
                *choice.field = std::string(phrase);
                used = word_count(phrase);
            }
        }
        at += used ? used : 1;
    }
    return forwarding;
}

}  // namespace orvane::commands

#include "addressbook/lookup.h"

#include <algorithm>
#include <memory>

#include "addressbook/db_access.h"
#include "addressbook/name_words.h"
#include "texts/ascii.h"

namespace orvane::addressbook {

namespace {

// Objects found, sorted by node key and number, each once.
using FoundSet = std::vector<Found>;

bool before(const Found& a, const Found& b) {
    return a.node != b.node ? a.node < b.node : a.number < b.number;
}

// Sorts the objects and keeps each once, with the best whole-word mark.
void settle_set(FoundSet& set) {
    std::sort(set.begin(), set.end(), [](const Found& a, const Found& b) {
        return before(a, b) || (!before(b, a) && a.whole_words > b.whole_words);
    });
    set.erase(
        std::unique(set.begin(), set.end(),
                    [](const Found& a, const Found& b) { return !before(a, b) && !before(b, a); }),
        set.end());
}

bool node_taken(NodeKey node, const LookupRequest& request) {
    if (request.node != 0) return node == request.node;
    return request.search_nodes.empty() ||
           request.search_nodes.find(static_cast<char>(node)) != std::string::npos;
}

bool position_taken(uint8_t indexed, uint8_t typed, PositionRule rule) {
    switch (rule) {
        case PositionRule::kSame:
            return indexed == typed;
        case PositionRule::kAtLeast:
            return indexed >= typed;
        case PositionRule::kAnywhere:
            return true;
    }
    return true;
}

// Adds to `set` the entries of every indexed word that `typed` begins;
// the caller settles the set.
int32_t scan_word(store::DbHandle db, const NameWord& typed, const LookupRequest& request,
                  FoundSet& set) {
    const std::string prefix = word_key(typed.text).substr(0, typed.text.size() + 1);
    std::string key;
    std::string data;
    int32_t result = get_at_or_after(db, prefix, &key, &data);
    while (result == store::kDbOk || result == store::kDbNotFound) {
        if (key.compare(0, prefix.size(), prefix) != 0) break;
        if (const std::optional<WordKey> indexed = parse_word_key(key)) {
            const int whole = indexed->word == typed.text ? 1 : 0;
            for (const WordEntry& entry : decode_word_entries(data)) {
                if (!node_taken(entry.node, request) ||
                    !(type_mask_of(entry.type) & request.mask) ||
                    !position_taken(entry.position, typed.position, request.rule))
                    continue;
                set.push_back({entry.node, entry.number, entry.type, whole});
            }
        }
        result = get_next(db, key, &key, &data);
    }
    return result == store::kDbNoNext || result == store::kDbOk || result == store::kDbNotFound
               ? store::kDbOk
               : result;
}

// "#" and a decimal number other than 0 that fits an object number.
std::optional<uint16_t> direct_reference(std::string_view text) {
    if (text.size() < 2 || text[0] != '#' || text.size() > 6) return std::nullopt;
    uint32_t number = 0;
    for (char c : text.substr(1)) {
        if (!texts::is_digit(c)) return std::nullopt;
        number = number * 10 + static_cast<uint32_t>(c - '0');
    }
    if (number == 0 || number > 0xFFFF) return std::nullopt;
    return static_cast<uint16_t>(number);
}

platform::Result<LookupResult> look_up_number(const Books& books, const LookupRequest& request,
                                              uint16_t number) {
    std::string nodes;
    if (request.node != 0) {
        nodes.push_back(static_cast<char>(request.node));
    } else if (!request.search_nodes.empty()) {
        nodes = request.search_nodes;
    } else {
        for (char letter = 'A'; letter <= 'Z'; ++letter) nodes.push_back(letter);
    }
    LookupResult result;
    for (char letter : nodes) {
        const auto node = static_cast<NodeKey>(letter);
        BookFile* book = node == kPersonalNode ? books.personal : books.lists;
        if (!book || (node == kPersonalNode && !(request.mask & type_mask::kPersonal))) continue;
        auto object = book->read_object(node, number);
        if (!object.ok()) return object.take_status();
        if (*object && (type_mask_of((*object)->type) & request.mask))
            result.found.push_back({node, number, (*object)->type, 1});
    }
    std::sort(result.found.begin(), result.found.end(), [](const Found& a, const Found& b) {
        return std::pair(a.node, a.number) < std::pair(b.node, b.number);
    });
    result.any_whole_word = !result.found.empty();
    return result;
}

}  // namespace

uint8_t type_mask_of(uint8_t type) {
    switch (type) {
        case kPerson:
            return type_mask::kPersons;
        case kConference:
            return type_mask::kConferences;
        case kPersonalEntry:
            return type_mask::kPersonal;
        case kGroup:
            return type_mask::kGroups;
        default:
            return 0;
    }
}

std::string search_nodes_of(std::string_view setting) {
    std::string nodes;
    for (char c : setting) {
        const char node = texts::to_upper(c);
        if (((node >= 'A' && node <= 'Z') || node == static_cast<char>(kPersonalNode)) &&
            nodes.find(node) == std::string::npos)
            nodes.push_back(node);
    }
    return nodes;
}

platform::Result<LookupResult> look_up(const Books& books, const LookupRequest& request) {
    // Which files: the lists unless the personal node is asked for; the
    // personal book only for personal entries, and only when a node is
    // given or the personal book is among the nodes to search.
    std::vector<BookFile*> files;
    if (books.lists && request.node != kPersonalNode) files.push_back(books.lists);
    if (books.personal && (request.mask & type_mask::kPersonal) &&
        (request.node != 0 ||
         request.search_nodes.find(static_cast<char>(kPersonalNode)) != std::string::npos))
        files.push_back(books.personal);

    std::vector<std::unique_ptr<ReadPeriod>> periods;
    for (BookFile* file : files) {
        periods.push_back(std::make_unique<ReadPeriod>(*file));
        if (!periods.back()->status().ok()) return periods.back()->status();
    }

    if (auto number = direct_reference(request.text))
        return look_up_number(books, request, *number);

    LookupResult result;
    bool first = true;
    FoundSet running;
    for (const NameWord& typed : name_words(request.text)) {
        FoundSet word_set;
        for (BookFile* file : files)
            if (int32_t error = scan_word(file->db(), typed, request, word_set))
                return file->access_error(error);
        settle_set(word_set);
        if (first) {
            running = std::move(word_set);
            first = false;
        } else {
            // Only the objects found for every word are kept.
            FoundSet both;
            auto other = word_set.begin();
            for (Found& found : running) {
                while (other != word_set.end() && before(*other, found)) ++other;
                if (other == word_set.end()) break;
                if (before(found, *other)) continue;
                found.whole_words += other->whole_words;
                both.push_back(found);
            }
            running = std::move(both);
        }
        if (running.empty()) break;
    }
    for (const Found& found : running)
        if (found.whole_words > 0) result.any_whole_word = true;
    result.found = std::move(running);
    return result;
}

}  // namespace orvane::addressbook

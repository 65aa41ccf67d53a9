#include "tests/addressbook/book_fixture.h"

#include <set>

#include "addressbook/db_access.h"
#include "addressbook/name_words.h"
#include "platform/bytes.h"
#include "platform/file.h"

namespace orvane::addressbook::testing {

settings::NodeTable test_nodes() {
    settings::NodeTable table;
    table.nodes.push_back(
        {'C', "CORVID", "CRV", true, "qor", {"corvid.example", "qor.corvid.example"}});
    table.nodes.push_back({'M', "MERIDIAN", "MER", true, "qor", {"meridian.example"}});
    table.nodes.push_back({'H', "HARBOR", "HBR", true, "qor", {"harbor.example"}});
    return table;
}

std::string list_line(int serial, int type, int number, uint32_t flags, const std::string& name,
                      const std::vector<int>& numbers) {
    char head[64];
    std::snprintf(head, sizeof head, "%6d %d %6d %08X ", serial, type, number, flags);
    std::string line = head + name + "  ";
    for (int n : numbers) line += std::to_string(n) + ",";
    return line + "\r\n";
}

std::map<std::string, std::string> dump(BookFile& book) {
    std::map<std::string, std::string> records;
    std::string key(1, '\0');
    std::string data;
    int32_t result = get_at_or_after(book.db(), key, &key, &data);
    while (result == store::kDbOk || result == store::kDbNotFound) {
        records[key] = data;
        result = get_next(book.db(), key, &key, &data);
    }
    EXPECT_EQ(result, store::kDbNoNext);
    return records;
}

std::vector<std::string> index_problems(BookFile& book) {
    std::vector<std::string> problems;
    std::set<std::pair<std::string, WordEntry>> expected, found;
    for (const auto& [key, data] : dump(book)) {
        const auto kind = static_cast<uint8_t>(key[0]);
        if (kind == kObjectRecord && key.size() == 4) {
            const uint16_t number =
                platform::load_le16(reinterpret_cast<const uint8_t*>(key.data()) + 2);
            auto object = decode_object(static_cast<NodeKey>(key[1]), number, data);
            if (!object) {
                problems.push_back("object " + std::to_string(number) + " cannot be read");
                continue;
            }
            for (const NameWord& word : name_words(object->name))
                expected.insert({word.text, {object->node, object->type, number, word.position}});
        }
        if (kind == kWordRecord) {
            auto word = parse_word_key(key);
            if (!word) {
                problems.push_back("a word key that cannot be read");
                continue;
            }
            if ((data.size() - kWordHeadLength) % kWordEntryLength != 0)
                problems.push_back("word '" + word->word + "' has a torn entry");
            for (const WordEntry& entry : decode_word_entries(data))
                if (!found.insert({word->word, entry}).second)
                    problems.push_back("word '" + word->word + "' lists an entry twice");
        }
    }
    for (const auto& [word, entry] : expected)
        if (!found.count({word, entry}))
            problems.push_back("'" + word + "' of object " + std::to_string(entry.number) +
                               " is not indexed");
    for (const auto& [word, entry] : found)
        if (!expected.count({word, entry}))
            problems.push_back("'" + word + "' lists object " + std::to_string(entry.number) +
                               " whose name does not hold it there");
    return problems;
}

void BookTest::SetUp() {
    nodes = test_nodes();
    lists.emplace(open_book(kListsFileName));
}

std::string BookTest::write_file(const std::string& name, const std::string& text) {
    const std::string file = path(name);
    EXPECT_EQ(platform::write_whole_file(file, text.data(), text.size(), files), 0);
    return file;
}

std::string BookTest::read_file(const std::string& name) const {
    std::string text;
    if (platform::read_whole_file(path(name), &text) != 0) return {};
    return text;
}

BookFile BookTest::open_book(const std::string& name, bool shared) {
    auto book = BookFile::open(path(name), shared, policy, files);
    if (!book.ok()) {
        ADD_FAILURE() << book.status().text();
        std::abort();
    }
    return std::move(*book);
}

}  // namespace orvane::addressbook::testing

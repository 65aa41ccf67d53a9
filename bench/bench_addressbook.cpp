// The address book against SQLite 3 on the same work, in one run: importing
// complete address lists of 100,000 objects in all (eight nodes of 12,500,
// as object numbers have 14 bits; each line read, the object stored, every
// word of its name indexed), then 1,000 lookups of two typed word
// beginnings ("jo sm") over every node. SQLite keeps a table of objects and a table of
// name words with an index on the word, in one transaction with
// synchronous=FULL, and looks up with LIKE 'word%' per word joined by
// INTERSECT. Each line: what, our figure, SQLite's figure, ratio.

#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "addressbook/book_file.h"
#include "addressbook/list_import.h"
#include "addressbook/list_line.h"
#include "addressbook/lookup.h"
#include "addressbook/name_words.h"
#include "bench/bench_support.h"
#include "bench/sqlite_support.h"
#include "platform/file.h"

namespace {

using namespace orvane::addressbook;
using namespace orvane::bench;

constexpr int kNodes = 8;
constexpr int kPerNode = 12500;
constexpr int kObjects = kNodes * kPerNode;
constexpr int kLookups = 1000;

char node_letter(int node) {
    return static_cast<char>('A' + node);
}

// Names put together from syllables, so that first and last names repeat
// the way real ones do, some more often than others.
std::string name_part(std::mt19937& rng, int syllables) {
    static const char* const kSyllables[] = {"an", "ber", "chris", "to",   "pher", "jo",  "han",
                                             "na", "sm",  "ith",   "lee",  "ma",   "rie", "ol",
                                             "af", "ka",  "rin",   "sten", "mo",   "gen", "lu"};
    std::string part;
    for (int i = 0; i < syllables; ++i) part += kSyllables[std::min(rng() % 21, rng() % 21)];
    part[0] = static_cast<char>(part[0] - 'a' + 'A');
    return part;
}

struct Workload {
    std::vector<std::string> lists;  // the address list files' texts, by node
    std::vector<std::string> typed;  // what the lookups type
};

Workload make_workload() {
    Workload w;
    std::mt19937 rng(2027);
    std::vector<std::string> names;
    for (int node = 0; node < kNodes; ++node) {
        std::string list;
        for (int i = 1; i <= kPerNode; ++i) {
            std::string name = name_part(rng, 1 + static_cast<int>(rng() % 2)) + " " +
                               name_part(rng, 2 + static_cast<int>(rng() % 2));
            if (rng() % 10 == 0) name = "The " + name + " Club";
            char head[48];
            std::snprintf(head, sizeof head, "%6d %d %6d %08X ", i, i % 10 == 0 ? 2 : 1, i, 0x2u);
            list += head + name + "  " + std::to_string(i % 500) + ",\r\n";
            names.push_back(std::move(name));
        }
        w.lists.push_back(std::move(list));
    }
    for (int i = 0; i < kLookups; ++i) {
        const auto words = name_words(names[rng() % names.size()]);
        std::string typed;
        for (size_t n = 0; n < std::min<size_t>(2, words.size()); ++n)
            typed += words[n].text.substr(0, 2 + rng() % 3) + " ";
        w.typed.push_back(typed);
    }
    return w;
}

std::string list_path(const std::string& dir, int node) {
    return dir + "/" + node_letter(node) + "O00001$";
}

// The import deletes the files it has read: each side gets its own.
void write_lists(const std::string& dir, const Workload& w) {
    for (int node = 0; node < kNodes; ++node)
        check(orvane::platform::write_whole_file(list_path(dir, node), w.lists[node].data(),
                                                 w.lists[node].size()) == 0,
              "list");
}

struct Figures {
    double import = 0;
    double lookups = 0;
    uint64_t found = 0;
    uint64_t size = 0;
};

Figures run_ours(const std::string& dir, const Workload& w) {
    Figures f;
    orvane::platform::UnattendedPolicy policy;
    auto book = BookFile::open(dir + "/QORLists.dat", false, policy);
    check(book.status(), "open");
    orvane::settings::NodeTable nodes;
    for (int node = 0; node < kNodes; ++node) {
        nodes.nodes.push_back(
            {node_letter(node), std::string("NODE") + node_letter(node), "", true, "qor", {}});
        check(orvane::platform::write_whole_file(list_path(dir, node), w.lists[node].data(),
                                                 w.lists[node].size()) == 0,
              "list");
    }

    auto start = Clock::now();
    for (int node = 0; node < kNodes; ++node) {
        ListImportContext context(*book, nodes, policy);
        auto outcome = import_address_list(list_path(dir, node), context);
        check(outcome.ok() && outcome->stored == kPerNode, "import");
    }
    f.import = seconds_since(start);

    start = Clock::now();
    for (const std::string& typed : w.typed) {
        LookupRequest request;
        request.text = typed;
        auto found = look_up(Books{&*book, nullptr}, request);
        check(found.status(), "lookup");
        f.found += found->found.size();
    }
    f.lookups = seconds_since(start);
    check(book->close(), "close");
    f.size = std::filesystem::file_size(dir + "/QORLists.dat");
    return f;
}

Figures run_sqlite(const std::string& dir, const Workload& w) {
    Figures f;
    const std::string path = dir + "/peer.sqlite";
    write_lists(dir, w);
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db, "PRAGMA synchronous=FULL");
    // The words are folded already; this lets LIKE 'word%' use the index.
    exec(db, "PRAGMA case_sensitive_like=ON");
    exec(db,
         "CREATE TABLE objects (node INTEGER, number INTEGER, type INTEGER, flags INTEGER, "
         "name TEXT, first INTEGER, members BLOB, PRIMARY KEY (node, number)) WITHOUT ROWID");
    exec(db, "CREATE TABLE words (word TEXT, node INTEGER, number INTEGER, position INTEGER)");
    exec(db, "CREATE INDEX words_by_word ON words (word)");
    sqlite3_stmt* object = prepare(db, "INSERT OR REPLACE INTO objects VALUES (?,?,?,?,?,?,?)");
    sqlite3_stmt* word = prepare(db, "INSERT INTO words VALUES (?,?,?,?)");

    auto start = Clock::now();
    for (int node = 0; node < kNodes; ++node) {
        std::string text;
        check(orvane::platform::read_whole_file(list_path(dir, node), &text) == 0, "read list");
        exec(db, "BEGIN");
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string::npos) end = text.size();
            std::string_view raw(text.data() + at, end - at);
            at = end + 1;
            if (!raw.empty() && raw.back() == '\r') raw.remove_suffix(1);
            ListLine line;
            if (parse_list_line(raw, &line) != LineVerdict::kRead) continue;
            sqlite3_bind_int(object, 1, node_letter(node));
            sqlite3_bind_int(object, 2, line.number);
            sqlite3_bind_int(object, 3, static_cast<int>(line.type));
            sqlite3_bind_int64(object, 4, line.flags);
            sqlite3_bind_text(object, 5, line.name.c_str(), -1, SQLITE_TRANSIENT);
            sqlite3_bind_int(object, 6, line.first_number);
            sqlite3_bind_blob(object, 7, line.more_numbers.data(),
                              static_cast<int>(line.more_numbers.size() * 2), SQLITE_TRANSIENT);
            check(sqlite3_step(object) == SQLITE_DONE, "insert object");
            sqlite3_reset(object);
            for (const NameWord& w : name_words(line.name)) {
                sqlite3_bind_text(word, 1, w.text.c_str(), -1, SQLITE_TRANSIENT);
                sqlite3_bind_int(word, 2, node_letter(node));
                sqlite3_bind_int(word, 3, line.number);
                sqlite3_bind_int(word, 4, w.position);
                check(sqlite3_step(word) == SQLITE_DONE, "insert word");
                sqlite3_reset(word);
            }
        }
        exec(db, "COMMIT");
    }
    f.import = seconds_since(start);
    sqlite3_finalize(object);
    sqlite3_finalize(word);

    const char* const kPart = "SELECT node, number FROM words WHERE word LIKE ? AND position = ?";
    sqlite3_stmt* one = prepare(db, kPart);
    sqlite3_stmt* two = prepare(db, std::string(kPart) + " INTERSECT " + kPart);
    start = Clock::now();
    for (const std::string& typed : w.typed) {
        const auto words = name_words(typed);
        sqlite3_stmt* query = words.size() == 1 ? one : two;
        for (size_t n = 0; n < words.size(); ++n) {
            sqlite3_bind_text(query, static_cast<int>(2 * n + 1), (words[n].text + "%").c_str(), -1,
                              SQLITE_TRANSIENT);
            sqlite3_bind_int(query, static_cast<int>(2 * n + 2), words[n].position);
        }
        while (sqlite3_step(query) == SQLITE_ROW) ++f.found;
        sqlite3_reset(query);
    }
    f.lookups = seconds_since(start);
    sqlite3_finalize(one);
    sqlite3_finalize(two);
    sqlite3_close(db);
    f.size = std::filesystem::file_size(path);
    return f;
}

}  // namespace

int main() {
    const ScratchFolder scratch("addressbook");
    const Workload w = make_workload();
    const Figures ours = run_ours(scratch.path(), w);
    const Figures sqlite = run_sqlite(scratch.path(), w);
    check(ours.found == sqlite.found, "the same objects found by both");

    ratio_line("import of complete lists of 100000 objects (objects/s)", kObjects / ours.import,
               "sqlite", kObjects / sqlite.import, "objects/s");
    ratio_line("1000 random lookups of two typed words, all nodes (lookups/s)",
               kLookups / ours.lookups, "sqlite", kLookups / sqlite.lookups, "lookups/s");
    ratio_line("file size after the import (MB)", ours.size / 1e6, "sqlite", sqlite.size / 1e6,
               "MB");
    return 0;
}

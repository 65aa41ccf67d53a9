// The import of a downdump of 100,000 texts of about 1 KiB (eight
// conferences and the user's letters) into a new cabinet that keeps the
// search index, against SQLite ingesting the same texts in the same run: one
// transaction, a table of the texts and an FTS5 table of author, subject and
// body. SQLite is handed the fields ready made; we parse the dump as well.
// Each line: what, our figure, SQLite's figure, and the ratio ours / SQLite.

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/english_text.h"
#include "bench/sqlite_support.h"
#include "cabinet/cabinet.h"
#include "cabinet/search_index.h"
#include "import/address_book_port.h"
#include "import/downdump_import.h"
#include "platform/file.h"
#include "platform/scripted_ui.h"
#include "settings/node_table.h"

namespace {

using namespace orvane;
using namespace orvane::bench;

constexpr int kTexts = 100000;
constexpr int kConferences = 8;
constexpr int kLetterEvery = 10;  // one text in ten is a letter to the user
constexpr uint32_t kRareWords = 20000;

struct Text {
    uint32_t number;
    int conference;  // -1: a letter
    std::string author;
    std::string subject;
    std::string body;
};

// Lines of English-like text with rarer words mixed in, so that the index
// sees a vocabulary of some size.
std::string make_body(std::mt19937& rng) {
    std::string body;
    while (body.size() < 1000) {
        std::string line = english_like(rng, 60);
        const uint32_t rare =
            static_cast<uint32_t>(rng() % kRareWords) * (rng() % kRareWords) / kRareWords;
        line += " w" + std::to_string(rare) + "\n";
        body += line;
    }
    return body;
}

std::vector<Text> make_texts() {
    std::mt19937 rng(2026);
    std::vector<Text> texts;
    texts.reserve(kTexts);
    for (int i = 0; i < kTexts; ++i) {
        Text text;
        text.number = static_cast<uint32_t>(100000 + i);
        text.conference = i % kLetterEvery == 0 ? -1 : static_cast<int>(rng() % kConferences);
        text.author = "Member " + std::to_string(rng() % 2000);
        text.subject = english_like(rng, 30);
        while (!text.subject.empty() && text.subject.back() == ' ') text.subject.pop_back();
        text.body = make_body(rng);
        texts.push_back(std::move(text));
    }
    return texts;
}

std::string conference_name(int conference) {
    return "Conference " + std::to_string(conference);
}

void append_text(std::string& dump, const Text& text, const char* heading) {
    const std::string number = std::to_string(text.number);
    dump += heading + number + " (16 lines)\nFrom: " + text.author + "\nTo: " +
            (text.conference < 0 ? std::string("Ann Lee") : conference_name(text.conference)) +
            "\nSubject: " + text.subject + "\n--------\n" + text.body + "(Text " + number +
            ") ---------\n\n";
}

// The texts as the server lists them: the letters, then each conference.
std::string make_dump(const std::vector<Text>& texts) {
    std::string dump = "Mail from CORVID for Ann Lee\nLetters from CORVID\n\n";
    for (const Text& text : texts)
        if (text.conference < 0) append_text(dump, text, "Letter ");
    for (int conference = 0; conference < kConferences; ++conference) {
        dump += "Texts from CORVID\nThe name of the conference is: " + conference_name(conference) +
                "\n";
        for (const Text& text : texts)
            if (text.conference == conference) append_text(dump, text, "Text ");
    }
    return dump;
}

double run_ours(const std::string& dir, const std::string& dump_path) {
    platform::ScriptedUi ui;
    cabinet::CreateOptions create;
    create.keep_search_index = true;
    auto created = cabinet::Cabinet::create(dir + "/fcabinet.cab", create, ui);
    check(created.status(), "create");
    settings::NodeTable nodes;
    nodes.nodes = {{'C', "CORVID", "CRV", true, "qor", {}}};
    import::NoAddressBook book;
    import::ImportOptions options;
    options.delete_imported = false;
    options.attach_dir = dir;
    options.own_names = {"Ann Lee"};
    import::ImportContext context(**created, nodes, book, ui);
    const auto start = Clock::now();
    const import::ImportOutcome outcome = import::run_import(context, options, {dump_path});
    check(outcome.error, "import");
    check(outcome.files.size() == 1 && outcome.files[0].counts.stored == kTexts, "all texts");
    check((*created)->search_index().up_to_date(), "index up to date");
    check((*created)->close(), "close");
    return seconds_since(start);
}

void bind(sqlite3_stmt* statement, int column, const std::string& text) {
    sqlite3_bind_text(statement, column, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

double run_sqlite(const std::string& path, const std::vector<Text>& texts) {
    sqlite3* db = nullptr;
    const auto start = Clock::now();
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db,
         "CREATE TABLE texts(id INTEGER PRIMARY KEY, conference TEXT, author TEXT, subject TEXT, "
         "body TEXT)");
    exec(db, "CREATE VIRTUAL TABLE words USING fts5(author, subject, body, content='')");
    sqlite3_stmt* text_insert = nullptr;
    sqlite3_stmt* word_insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO texts VALUES(?, ?, ?, ?, ?)", -1, &text_insert,
                             nullptr) == SQLITE_OK,
          "prepare");
    check(
        sqlite3_prepare_v2(db, "INSERT INTO words(rowid, author, subject, body) VALUES(?, ?, ?, ?)",
                           -1, &word_insert, nullptr) == SQLITE_OK,
        "prepare");
    exec(db, "BEGIN");
    for (const Text& text : texts) {
        const std::string conference =
            text.conference < 0 ? std::string() : conference_name(text.conference);
        sqlite3_bind_int64(text_insert, 1, text.number);
        bind(text_insert, 2, conference);
        bind(text_insert, 3, text.author);
        bind(text_insert, 4, text.subject);
        bind(text_insert, 5, text.body);
        check(sqlite3_step(text_insert) == SQLITE_DONE, "insert");
        sqlite3_reset(text_insert);
        sqlite3_bind_int64(word_insert, 1, text.number);
        bind(word_insert, 2, text.author);
        bind(word_insert, 3, text.subject);
        bind(word_insert, 4, text.body);
        check(sqlite3_step(word_insert) == SQLITE_DONE, "insert");
        sqlite3_reset(word_insert);
    }
    exec(db, "COMMIT");
    sqlite3_finalize(text_insert);
    sqlite3_finalize(word_insert);
    sqlite3_close(db);
    return seconds_since(start);
}

}  // namespace

int main() {
    const ScratchFolder scratch("import");
    const std::vector<Text> texts = make_texts();
    const std::string dump = make_dump(texts);
    const std::string dump_path = scratch.file("C250907A.dmp");
    check(platform::write_whole_file(dump_path, dump.data(), dump.size()) == 0, "write dump");

    const double ours = run_ours(scratch.path(), dump_path);
    const double sqlite = run_sqlite(scratch.file("peer.sqlite"), texts);
    ratio_line("import of 100000 texts, search index on", kTexts / ours, "sqlite+fts5",
               kTexts / sqlite, "texts/s");
    return 0;
}

// The filing cabinet against SQLite 3 in one run: 50,000 texts of about
// 1 KiB filed in 50 boxes, then read back by identifier in random order and
// box by box through the box lists. SQLite keeps the same stored form of
// each text in a table keyed by identifier and each box list as rows of
// (box, position, text), with prepared statements, one transaction for the
// load, 8 KiB pages and synchronous=FULL; the cabinet files the texts in one
// batch. Both sides decode every text they read. Each line: what, our
// figure, SQLite's figure, ratio.

#include <algorithm>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/sqlite_support.h"
#include "cabinet/cabinet.h"
#include "cabinet/stored_text.h"
#include "platform/scripted_ui.h"

namespace {

using namespace orvane;
using namespace orvane::bench;

constexpr int kTexts = 50000;
constexpr int kBoxes = 50;
constexpr uint16_t kFirstBox = 64;

// Conference texts with a few header fields and about 1 KiB of body that
// reads like English to a compressor.
std::vector<texts::TextRecord> make_texts() {
    static const char* const kWords[] = {
        "the",     "of",       "and",        "to",       "in",      "is",     "that",    "for",
        "it",      "with",     "conference", "letter",   "meeting", "node",   "server",  "reply",
        "comment", "tomorrow", "report",     "question", "answer",  "thanks", "regards", "we"};
    std::mt19937 rng(2026);
    std::vector<texts::TextRecord> result;
    result.reserve(kTexts);
    for (int i = 0; i < kTexts; ++i) {
        texts::TextRecord text;
        text.id = texts::make_text_id('K', static_cast<uint32_t>(100000 + i));
        text.date = 1700000000u + static_cast<uint32_t>(i) * 60;
        text.author = {1, "Author " + std::to_string(rng() % 500)};
        text.receivers.push_back(
            {{1, "qor.conference" + std::to_string(i % kBoxes)}, "", 0, 0, texts::HeaderCode::kTo});
        if (i > 0) text.links.push_back({text.id - 1, texts::HeaderCode::kReference, "Someone"});
        text.subject = "Subject of text " + std::to_string(i);
        std::string body;
        while (body.size() < 1000) {
            body += kWords[rng() % (sizeof kWords / sizeof *kWords)];
            body += rng() % 10 == 0 ? "\n" : " ";
        }
        body += "\n";
        text.body = body;
        text.width = 76;
        result.push_back(std::move(text));
    }
    return result;
}

uint16_t box_of(int i) {
    return static_cast<uint16_t>(kFirstBox + i % kBoxes);
}

struct Figures {
    double store = 0, by_id = 0, by_box = 0;
    uint64_t size = 0;
};

Figures run_ours(const std::string& path, std::vector<texts::TextRecord> texts,
                 const std::vector<int>& order) {
    Figures f;
    platform::ScriptedUi ui;
    auto created = cabinet::Cabinet::create(path, {}, ui);
    check(created.status(), "create");
    std::unique_ptr<cabinet::Cabinet> cabinet = std::move(*created);
    for (int b = 0; b < kBoxes; ++b)
        check(cabinet->create_box("Box " + std::to_string(b), 0, false).status(), "box");

    auto start = Clock::now();
    {
        cabinet::FilingBatch batch(*cabinet);
        check(batch.status(), "batch");
        for (int i = 0; i < kTexts; ++i) check(cabinet->file_text(texts[i], box_of(i)), "file");
        check(batch.commit(), "commit");
    }
    f.store = seconds_since(start);
    check(cabinet->close(), "close");
    cabinet.reset();
    f.size = std::filesystem::file_size(path);
    auto opened = cabinet::Cabinet::open(path, {}, ui);
    check(opened.status(), "open");
    cabinet = std::move(*opened);

    auto read_text = [&cabinet](texts::TextId id) {
        auto text = cabinet->read_text(id);
        return text.ok() && text->has_value();
    };
    start = Clock::now();
    for (int i : order) check(read_text(texts[i].id), "read");
    f.by_id = seconds_since(start);

    start = Clock::now();
    size_t read = 0;
    for (int b = 0; b < kBoxes; ++b) {
        const auto list = cabinet->read_box_list(static_cast<uint16_t>(kFirstBox + b));
        check(list.status(), "list");
        for (texts::TextId id : list->ids) read += read_text(id);
    }
    check(read == static_cast<size_t>(kTexts), "read by box");
    f.by_box = seconds_since(start);
    check(cabinet->close(), "close");
    return f;
}

bool decode_row(sqlite3_stmt* statement, int column, texts::TextId id) {
    const auto* data = static_cast<const uint8_t*>(sqlite3_column_blob(statement, column));
    const auto length = static_cast<size_t>(sqlite3_column_bytes(statement, column));
    return cabinet::decode_stored_text(data, length, id).has_value();
}

Figures run_sqlite(const std::string& path, std::vector<texts::TextRecord> texts,
                   const std::vector<int>& order) {
    Figures f;
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db, "PRAGMA page_size=8192");  // SQLite's best here
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, "CREATE TABLE texts (id INTEGER PRIMARY KEY, data BLOB)");
    exec(db,
         "CREATE TABLE box_lists (box INTEGER, position INTEGER, id INTEGER, stamp INTEGER, "
         "PRIMARY KEY (box, position)) WITHOUT ROWID");
    sqlite3_stmt* insert_text = prepare(db, "INSERT INTO texts VALUES (?, ?)");
    sqlite3_stmt* insert_row = prepare(db, "INSERT INTO box_lists VALUES (?, ?, ?, ?)");
    sqlite3_stmt* select_text = prepare(db, "SELECT data FROM texts WHERE id = ?");
    sqlite3_stmt* select_box =
        prepare(db, "SELECT id FROM box_lists WHERE box = ? ORDER BY position");

    auto start = Clock::now();
    exec(db, "BEGIN");
    std::vector<int> positions(kBoxes, 0);
    for (int i = 0; i < kTexts; ++i) {
        texts[i].boxes = {box_of(i)};
        const auto bytes = cabinet::encode_stored_text(texts[i]);
        check(bytes.has_value(), "encode");
        sqlite3_bind_int64(insert_text, 1, texts[i].id);
        sqlite3_bind_blob(insert_text, 2, bytes->data(), static_cast<int>(bytes->size()),
                          SQLITE_STATIC);
        check(sqlite3_step(insert_text) == SQLITE_DONE, "insert text");
        sqlite3_reset(insert_text);
        sqlite3_bind_int(insert_row, 1, box_of(i));
        sqlite3_bind_int(insert_row, 2, positions[i % kBoxes]++);
        sqlite3_bind_int64(insert_row, 3, texts[i].id);
        sqlite3_bind_int64(insert_row, 4, cabinet::text_stamp(texts[i]));
        check(sqlite3_step(insert_row) == SQLITE_DONE, "insert row");
        sqlite3_reset(insert_row);
    }
    exec(db, "COMMIT");
    f.store = seconds_since(start);
    f.size = std::filesystem::file_size(path);

    auto read_text = [&](texts::TextId id) {
        sqlite3_bind_int64(select_text, 1, id);
        const bool ok = sqlite3_step(select_text) == SQLITE_ROW && decode_row(select_text, 0, id);
        sqlite3_reset(select_text);
        return ok;
    };
    start = Clock::now();
    for (int i : order) check(read_text(texts[i].id), "select");
    f.by_id = seconds_since(start);

    start = Clock::now();
    size_t read = 0;
    for (int b = 0; b < kBoxes; ++b) {
        std::vector<texts::TextId> ids;
        sqlite3_bind_int(select_box, 1, kFirstBox + b);
        while (sqlite3_step(select_box) == SQLITE_ROW)
            ids.push_back(static_cast<texts::TextId>(sqlite3_column_int64(select_box, 0)));
        sqlite3_reset(select_box);
        for (texts::TextId id : ids) read += read_text(id);
    }
    check(read == static_cast<size_t>(kTexts), "select by box");
    f.by_box = seconds_since(start);

    for (sqlite3_stmt* statement : {insert_text, insert_row, select_text, select_box})
        sqlite3_finalize(statement);
    sqlite3_close(db);
    return f;
}

}  // namespace

int main() {
    const ScratchFolder scratch("cabinet");
    const std::vector<texts::TextRecord> texts = make_texts();
    std::vector<int> order(kTexts);
    for (int i = 0; i < kTexts; ++i) order[i] = i;
    std::shuffle(order.begin(), order.end(), std::mt19937(7));

    const Figures peer = run_sqlite(scratch.file("peer.sqlite"), texts, order);
    const Figures ours = run_ours(scratch.file("ours.cab"), texts, order);

    ratio_line("store 50000 texts of ~1 KiB in 50 boxes (texts/s)", kTexts / ours.store, "sqlite",
               kTexts / peer.store, "texts/s");
    ratio_line("read every text by identifier, random order (texts/s)", kTexts / ours.by_id,
               "sqlite", kTexts / peer.by_id, "texts/s");
    ratio_line("read every text box by box through the lists (texts/s)", kTexts / ours.by_box,
               "sqlite", kTexts / peer.by_box, "texts/s");
    ratio_line("file size (KB)", ours.size / 1e3, "sqlite", peer.size / 1e3, "KB");
    return 0;
}

// The search index against SQLite FTS5 in one run, on the same 100,000 texts
// of about 1 KiB of English-like text (a Zipf vocabulary of 20,000 words).
//
// Build: ours indexes every text of a cabinet that holds them (a rebuild:
// read, split, merge, write); FTS5 inserts the same author, subject and body
// into a contentless table in one transaction. Size: the index's share of
// the body bytes (ours: the growth of the cabinet file; FTS5: its file).
// Queries: the 20 newest hits with author and subject, in process, averaged
// over many runs; FTS5 joins its rowids to a table of date, author and
// subject (what our box lists and texts give us). Each line: what, our
// figure, FTS5's figure, and the ratio ours / FTS5.

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/sqlite_support.h"
#include "cabinet/cabinet.h"
#include "cabinet/fixed_boxes.h"
#include "cabinet/search_index.h"
#include "platform/scripted_ui.h"

namespace {

using namespace orvane;
using namespace orvane::bench;

constexpr int kTexts = 100000;
constexpr int kVocabulary = 20000;
constexpr int kAuthors = 2000;
constexpr int kQueryRuns = 200;
constexpr int kLimit = 20;

// Pronounceable words of 2 to 12 letters, all different.
std::vector<std::string> make_vocabulary(std::mt19937& rng) {
    static const char* const kOnsets[] = {"b", "c", "d", "f", "g", "h",  "k",  "l",  "m",  "n", "p",
                                          "r", "s", "t", "v", "w", "st", "tr", "pl", "gr", "ch"};
    static const char* const kVowels[] = {"a", "e", "i", "o", "u", "ea", "ou", "ai"};
    std::vector<std::string> words;
    while (words.size() < kVocabulary) {
        std::string word;
        const int syllables = 1 + static_cast<int>(rng() % 4);
        for (int s = 0; s < syllables; ++s) {
            word += kOnsets[rng() % std::size(kOnsets)];
            word += kVowels[rng() % std::size(kVowels)];
        }
        if (rng() % 3 == 0) word += "n";
        words.push_back(word);
    }
    std::sort(words.begin(), words.end());
    words.erase(std::unique(words.begin(), words.end()), words.end());
    // Appending to "w" rather than "w" + ...: GCC 12 warns falsely (-Wrestrict) on the latter.
    while (words.size() < kVocabulary)
        words.push_back(std::string("w").append(std::to_string(words.size())));
    std::shuffle(words.begin(), words.end(), rng);  // rank 0 is the most common
    return words;
}

// Draws ranks with probability proportional to 1 / (rank + 1).
class Zipf {
  public:
    explicit Zipf(size_t n) : cumulative_(n) {
        double sum = 0;
        for (size_t i = 0; i < n; ++i) cumulative_[i] = sum += 1.0 / static_cast<double>(i + 1);
    }
    size_t operator()(std::mt19937& rng) const {
        const double x = std::uniform_real_distribution<>(0, cumulative_.back())(rng);
        return static_cast<size_t>(std::lower_bound(cumulative_.begin(), cumulative_.end(), x) -
                                   cumulative_.begin());
    }

  private:
    std::vector<double> cumulative_;
};

struct Corpus {
    std::vector<std::string> vocabulary;
    std::vector<texts::TextRecord> texts;
    uint64_t body_bytes = 0;
};

Corpus make_corpus() {
    Corpus corpus;
    std::mt19937 rng(2026);
    corpus.vocabulary = make_vocabulary(rng);
    const Zipf zipf(corpus.vocabulary.size());
    corpus.texts.reserve(kTexts);
    for (int i = 0; i < kTexts; ++i) {
        texts::TextRecord text;
        text.id = texts::make_text_id('K', static_cast<uint32_t>(100000 + i));
        text.date = 1700000000u + static_cast<uint32_t>(i) * 60;
        const int author = static_cast<int>(rng() % kAuthors);
        text.author = {
            1, corpus.vocabulary[1000 + author] + " " + corpus.vocabulary[5000 + author % 700]};
        text.subject = corpus.vocabulary[zipf(rng)] + " " + corpus.vocabulary[zipf(rng)];
        std::string body;
        size_t line = 0;
        while (body.size() < 1000) {
            const std::string& word = corpus.vocabulary[zipf(rng)];
            body += word;
            line += word.size() + 1;
            if (line > 70) {
                body += rng() % 4 == 0 ? ".\n" : "\n";
                line = 0;
            } else {
                body += rng() % 12 == 0 ? ", " : " ";
            }
        }
        body += "\n";
        corpus.body_bytes += body.size();
        text.body = std::move(body);
        text.width = 76;
        corpus.texts.push_back(std::move(text));
    }
    return corpus;
}

struct Query {
    const char* what;
    std::string ours;
    std::string fts;
};

struct Figures {
    double build_seconds = 0;
    uint64_t index_bytes = 0;
    std::vector<double> query_ms;
    std::vector<size_t> matches;
};

Figures run_ours(const std::string& path, const Corpus& corpus, const std::vector<Query>& queries) {
    Figures f;
    platform::ScriptedUi ui;
    auto created = cabinet::Cabinet::create(path, {}, ui);
    check(created.status(), "create");
    std::unique_ptr<cabinet::Cabinet> cabinet = std::move(*created);
    {
        // A box holds at most kMaxBoxTexts texts: the corpus is spread over two.
        auto second = cabinet->create_box("Archive", 0, false);
        check(second.status(), "box");
        const uint16_t boxes[] = {cabinet::box::kInBasket, *second};
        cabinet::FilingBatch batch(*cabinet);
        for (size_t i = 0; i < corpus.texts.size(); ++i) {
            texts::TextRecord copy = corpus.texts[i];
            check(cabinet->file_text(copy, boxes[i % 2]), "file");
        }
        check(batch.commit(), "batch");
    }
    check(cabinet->close(), "close");
    const uint64_t before = std::filesystem::file_size(path);
    cabinet::OpenOptions options;
    auto opened = cabinet::Cabinet::open(path, options, ui);
    check(opened.status(), "open");
    cabinet = std::move(*opened);

    const auto start = Clock::now();
    check(cabinet->search_index().rebuild(false), "rebuild");
    f.build_seconds = seconds_since(start);
    check(cabinet->close(), "close");
    f.index_bytes = std::filesystem::file_size(path) - before;
    opened = cabinet::Cabinet::open(path, options, ui);
    check(opened.status(), "open");
    cabinet = std::move(*opened);

    cabinet::SearchOptions search_options;
    search_options.limit = kLimit;
    for (const Query& query : queries) {
        const auto parsed = cabinet::parse_query(query.ours);
        check(parsed.status(), "parse");
        auto result = cabinet->search_index().search(*parsed, search_options);
        check(result.status(), "search");
        f.matches.push_back(result->matches);
        const auto begin = Clock::now();
        for (int run = 0; run < kQueryRuns; ++run)
            check(cabinet->search_index().search(*parsed, search_options).ok(), "search");
        f.query_ms.push_back(seconds_since(begin) * 1000 / kQueryRuns);
    }
    check(cabinet->close(), "close");
    return f;
}

void bind_text(sqlite3_stmt* statement, int column, const std::string& text) {
    sqlite3_bind_text(statement, column, text.data(), static_cast<int>(text.size()), SQLITE_STATIC);
}

Figures run_fts(const std::string& path, const Corpus& corpus, const std::vector<Query>& queries) {
    Figures f;
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, "CREATE VIRTUAL TABLE words USING fts5(author, subject, body, content='')");
    sqlite3_stmt* insert = prepare(db,
                                   "INSERT INTO words(rowid, author, subject, body) "
                                   "VALUES (?, ?, ?, ?)");
    const auto start = Clock::now();
    exec(db, "BEGIN");
    for (const texts::TextRecord& text : corpus.texts) {
        sqlite3_bind_int64(insert, 1, text.id);
        bind_text(insert, 2, text.author.text);
        bind_text(insert, 3, text.subject);
        bind_text(insert, 4, text.body);
        check(sqlite3_step(insert) == SQLITE_DONE, "insert");
        sqlite3_reset(insert);
    }
    exec(db, "COMMIT");
    f.build_seconds = seconds_since(start);
    sqlite3_finalize(insert);
    sqlite3_close(db);
    f.index_bytes = std::filesystem::file_size(path);

    // What the hits are shown with, beside the index, as a cabinet has it.
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db,
         "CREATE TABLE texts (id INTEGER PRIMARY KEY, date INTEGER, author TEXT, "
         "subject TEXT)");
    exec(db, "CREATE INDEX texts_by_date ON texts(date)");
    insert = prepare(db, "INSERT INTO texts VALUES (?, ?, ?, ?)");
    exec(db, "BEGIN");
    for (const texts::TextRecord& text : corpus.texts) {
        sqlite3_bind_int64(insert, 1, text.id);
        sqlite3_bind_int64(insert, 2, text.date);
        bind_text(insert, 3, text.author.text);
        bind_text(insert, 4, text.subject);
        check(sqlite3_step(insert) == SQLITE_DONE, "insert");
        sqlite3_reset(insert);
    }
    exec(db, "COMMIT");
    sqlite3_finalize(insert);

    sqlite3_stmt* count = prepare(db, "SELECT count(*) FROM words WHERE words MATCH ?");
    sqlite3_stmt* select = prepare(
        db,
        "SELECT t.id, t.date, t.author, t.subject FROM words w JOIN texts t ON t.id = w.rowid "
        "WHERE words MATCH ? ORDER BY t.date DESC LIMIT 20");
    for (const Query& query : queries) {
        bind_text(count, 1, query.fts);
        check(sqlite3_step(count) == SQLITE_ROW, "count");
        f.matches.push_back(static_cast<size_t>(sqlite3_column_int64(count, 0)));
        sqlite3_reset(count);
        const auto begin = Clock::now();
        for (int run = 0; run < kQueryRuns; ++run) {
            bind_text(select, 1, query.fts);
            size_t rows = 0;
            while (sqlite3_step(select) == SQLITE_ROW) {
                const unsigned char* author = sqlite3_column_text(select, 2);
                rows += author != nullptr;
            }
            sqlite3_reset(select);
            check(rows <= kLimit, "rows");
        }
        f.query_ms.push_back(seconds_since(begin) * 1000 / kQueryRuns);
    }
    sqlite3_finalize(count);
    sqlite3_finalize(select);
    sqlite3_close(db);
    return f;
}

}  // namespace

int main() {
    const ScratchFolder scratch("search");
    const Corpus corpus = make_corpus();
    const std::vector<std::string>& v = corpus.vocabulary;
    // Author words are drawn from ranks 1000-2999 (first names) and 5000-5699.
    const std::vector<Query> queries = {
        {"one common word", v[0], v[0]},
        {"one rare word", v[15000], v[15000]},
        {"two words", v[40] + " " + v[300], v[40] + " " + v[300]},
        {"an author", "from:" + v[1042], "author : " + v[1042]},
    };

    const Figures peer = run_fts(scratch.file("peer.sqlite"), corpus, queries);
    const Figures ours = run_ours(scratch.file("ours.cab"), corpus, queries);

    ratio_line("index build, 100000 texts of ~1 KiB (texts/s)", kTexts / ours.build_seconds, "fts5",
               kTexts / peer.build_seconds, "texts/s");
    ratio_line("index size (% of the body bytes)", 100.0 * ours.index_bytes / corpus.body_bytes,
               "fts5", 100.0 * peer.index_bytes / corpus.body_bytes, "%");
    for (size_t i = 0; i < queries.size(); ++i) {
        if (ours.matches[i] != peer.matches[i])
            std::printf("note: %s: ours %zu hits, fts5 %zu\n", queries[i].what, ours.matches[i],
                        peer.matches[i]);
        ratio_line(std::string(queries[i].what) + ", 20 newest of " +
                       std::to_string(ours.matches[i]) + " (ms)",
                   ours.query_ms[i], "fts5", peer.query_ms[i], "ms");
    }
    return 0;
}

// The database engine against SQLite 3 on the same workloads, in one run:
// a bulk load in one lock period (one transaction), random point reads of
// whole values, random replacements with longer values, and the file size.
// SQLite uses a WITHOUT ROWID table with a BLOB key, prepared statements and
// synchronous=FULL. Last, the cost of durability: one put per period, each
// flushed before the next, against SQLite in WAL mode. Each line: what, our
// figure, SQLite's figure, ratio.
#include <sqlite3.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/english_text.h"
#include "store/db.h"

namespace {

using namespace orvane::store;
using Clock = std::chrono::steady_clock;

constexpr int kRecords = 100000;
constexpr int kReads = 200000;
constexpr int kReplacements = 10000;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

std::string key_of(int i) {
    std::string key(5, '\0');
    for (int b = 4; b >= 0; --b, i >>= 8) key[b] = static_cast<char>(i & 0xFF);
    return key;
}

struct Workload {
    std::vector<std::string> values;
    std::vector<int> reads;
    std::vector<std::pair<int, std::string>> replacements;
};

Workload make_workload() {
    Workload w;
    std::mt19937 rng(2026);
    for (int i = 0; i < kRecords; ++i) w.values.push_back(orvane::bench::english_like(rng, 1000));
    for (int i = 0; i < kReads; ++i) w.reads.push_back(static_cast<int>(rng() % kRecords));
    for (int i = 0; i < kReplacements; ++i)
        w.replacements.emplace_back(static_cast<int>(rng() % kRecords),
                                    orvane::bench::english_like(rng, 1500));
    return w;
}

struct Figures {
    double load = 0, reads = 0, replace = 0;
    uint64_t size = 0;
    double compact = 0, repair = 0, check = 0;  // SQLite: VACUUM, VACUUM, integrity_check
};

void check(bool ok, const char* what) {
    if (!ok) {
        std::fprintf(stderr, "bench_store: %s failed\n", what);
        std::exit(1);
    }
}

Figures run_ours(const std::string& path, const Workload& w, uint32_t flags) {
    Figures f;
    DbHandle db = nullptr;
    check(DbCreate(&db, path, flags, 4096, 8) == kDbOk, "create");
    auto start = Clock::now();
    check(DbLock(db) == kDbOk, "lock");
    for (int i = 0; i < kRecords; ++i) {
        const std::string key = key_of(i);
        check(DbPut(db, key.data(), key.size(), w.values[i].data(), w.values[i].size()) == kDbOk,
              "put");
    }
    check(DbUnlock(db) == kDbOk, "unlock");
    f.load = seconds_since(start);
    f.size = std::filesystem::file_size(path);

    std::vector<char> buffer(4096);
    start = Clock::now();
    for (int i : w.reads) {
        const std::string key = key_of(i);
        size_t length = 0;
        check(DbGet(db, GET_EXACT, key.data(), key.size(), nullptr, nullptr, 0, buffer.data(),
                    &length, buffer.size()) == kDbOk &&
                  length == w.values[i].size(),
              "get");
    }
    f.reads = seconds_since(start);

    start = Clock::now();
    check(DbLock(db) == kDbOk, "lock");
    for (const auto& [i, value] : w.replacements) {
        const std::string key = key_of(i);
        check(DbPut(db, key.data(), key.size(), value.data(), value.size()) == kDbOk, "replace");
    }
    check(DbUnlock(db) == kDbOk, "unlock");
    f.replace = seconds_since(start);

    start = Clock::now();
    DbCheckReport report;
    check(DbCheck(db, &report) == kDbOk && report.problems.empty() && report.records == kRecords,
          "check");
    f.check = seconds_since(start);
    start = Clock::now();
    check(DbCompact(db) == kDbOk, "compact");
    f.compact = seconds_since(start);
    start = Clock::now();
    check(DbRepair(db) == kDbOk, "repair");
    f.repair = seconds_since(start);
    check(DbClose(db) == kDbOk, "close");
    return f;
}

void exec(sqlite3* db, const char* sql) {
    check(sqlite3_exec(db, sql, nullptr, nullptr, nullptr) == SQLITE_OK, sql);
}

Figures run_sqlite(const std::string& path, const Workload& w) {
    Figures f;
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, "CREATE TABLE records (key BLOB PRIMARY KEY, value BLOB) WITHOUT ROWID");
    sqlite3_stmt* insert = nullptr;
    sqlite3_stmt* select = nullptr;
    sqlite3_stmt* replace = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT INTO records VALUES (?, ?)", -1, &insert, nullptr) ==
              SQLITE_OK,
          "prepare");
    check(sqlite3_prepare_v2(db, "SELECT value FROM records WHERE key = ?", -1, &select, nullptr) ==
              SQLITE_OK,
          "prepare");
    check(sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO records VALUES (?, ?)", -1, &replace,
                             nullptr) == SQLITE_OK,
          "prepare");

    auto start = Clock::now();
    exec(db, "BEGIN");
    for (int i = 0; i < kRecords; ++i) {
        const std::string key = key_of(i);
        sqlite3_bind_blob(insert, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 2, w.values[i].data(), static_cast<int>(w.values[i].size()),
                          SQLITE_STATIC);
        check(sqlite3_step(insert) == SQLITE_DONE, "insert");
        sqlite3_reset(insert);
    }
    exec(db, "COMMIT");
    f.load = seconds_since(start);
    f.size = std::filesystem::file_size(path);

    std::vector<char> buffer(4096);
    start = Clock::now();
    for (int i : w.reads) {
        const std::string key = key_of(i);
        sqlite3_bind_blob(select, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        check(sqlite3_step(select) == SQLITE_ROW, "select");
        const int length = sqlite3_column_bytes(select, 0);
        std::memcpy(buffer.data(), sqlite3_column_blob(select, 0), static_cast<size_t>(length));
        check(length == static_cast<int>(w.values[i].size()), "select length");
        sqlite3_reset(select);
    }
    f.reads = seconds_since(start);

    start = Clock::now();
    exec(db, "BEGIN");
    for (const auto& [i, value] : w.replacements) {
        const std::string key = key_of(i);
        sqlite3_bind_blob(replace, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(replace, 2, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
        check(sqlite3_step(replace) == SQLITE_DONE, "replace");
        sqlite3_reset(replace);
    }
    exec(db, "COMMIT");
    f.replace = seconds_since(start);
    sqlite3_finalize(insert);
    sqlite3_finalize(select);
    sqlite3_finalize(replace);

    start = Clock::now();
    sqlite3_stmt* integrity = nullptr;
    check(sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &integrity, nullptr) == SQLITE_OK,
          "prepare");
    check(sqlite3_step(integrity) == SQLITE_ROW &&
              std::string(reinterpret_cast<const char*>(sqlite3_column_text(integrity, 0))) == "ok",
          "integrity_check");
    sqlite3_finalize(integrity);
    f.check = seconds_since(start);
    start = Clock::now();
    exec(db, "VACUUM");
    f.compact = f.repair = seconds_since(start);
    sqlite3_close(db);
    return f;
}

// One replacement per period, each durable before the next begins: every
// latency, for the median and the 99th percentile. The file holds
// kDurableRecords records first.
constexpr int kDurableRecords = 10000;
constexpr int kDurablePuts = 1000;

struct Latencies {
    double median_ms = 0, p99_ms = 0;
};

Latencies summarise(std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 99 / 100]};
}

Latencies durable_puts_ours(const std::string& path, const Workload& w) {
    DbHandle db = nullptr;
    check(DbCreate(&db, path, DB_PREFIX_KEYS | DB_COMPRESS, 4096, 8) == kDbOk, "create");
    check(DbLock(db) == kDbOk, "lock");
    for (int i = 0; i < kDurableRecords; ++i) {
        const std::string key = key_of(i);
        check(DbPut(db, key.data(), key.size(), w.values[i].data(), w.values[i].size()) == kDbOk,
              "put");
    }
    check(DbUnlock(db) == kDbOk, "unlock");
    std::vector<double> ms;
    for (int i = 0; i < kDurablePuts; ++i) {
        const auto& [record, value] = w.replacements[i];
        const std::string key = key_of(record % kDurableRecords);
        const auto start = Clock::now();
        check(DbPut(db, key.data(), key.size(), value.data(), value.size()) == kDbOk, "put");
        ms.push_back(seconds_since(start) * 1000);
    }
    check(DbClose(db) == kDbOk, "close");
    return summarise(ms);
}

Latencies durable_puts_sqlite(const std::string& path, const Workload& w) {
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db, "PRAGMA journal_mode=WAL");
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, "CREATE TABLE records (key BLOB PRIMARY KEY, value BLOB) WITHOUT ROWID");
    sqlite3_stmt* insert = nullptr;
    check(sqlite3_prepare_v2(db, "INSERT OR REPLACE INTO records VALUES (?, ?)", -1, &insert,
                             nullptr) == SQLITE_OK,
          "prepare");
    auto put = [&](int record, const std::string& value) {
        const std::string key = key_of(record);
        sqlite3_bind_blob(insert, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(insert, 2, value.data(), static_cast<int>(value.size()), SQLITE_STATIC);
        check(sqlite3_step(insert) == SQLITE_DONE, "insert");
        sqlite3_reset(insert);
    };
    exec(db, "BEGIN");
    for (int i = 0; i < kDurableRecords; ++i) put(i, w.values[i]);
    exec(db, "COMMIT");
    std::vector<double> ms;
    for (int i = 0; i < kDurablePuts; ++i) {
        const auto& [record, value] = w.replacements[i];
        const auto start = Clock::now();
        put(record % kDurableRecords, value);
        ms.push_back(seconds_since(start) * 1000);
    }
    sqlite3_finalize(insert);
    sqlite3_close(db);
    return summarise(ms);
}

void line(const char* what, double ours, double peer, const char* unit) {
    std::printf("%-58s ours %10.3f %-3s sqlite %10.3f %-3s ratio %.2f\n", what, ours, unit, peer,
                unit, peer > 0 ? ours / peer : 0.0);
}

}  // namespace

int main() {
    const std::string dir =
        std::filesystem::temp_directory_path() / ("orvane-bench-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir);
    const Workload w = make_workload();
    const Figures sqlite = run_sqlite(dir + "/peer.sqlite", w);
    const Figures ours = run_ours(dir + "/ours.db", w, DB_PREFIX_KEYS | DB_COMPRESS);
    const Figures plain = run_ours(dir + "/plain.db", w, DB_PREFIX_KEYS);
    const Latencies durable_peer = durable_puts_sqlite(dir + "/wal.sqlite", w);
    const Latencies durable = durable_puts_ours(dir + "/durable.db", w);
    std::filesystem::remove_all(dir);

    line("bulk load 100000 x 1000 bytes, one period (s)", ours.load, sqlite.load, "s");
    line("200000 random point reads (s)", ours.reads, sqlite.reads, "s");
    line("10000 random replacements with 1500 bytes, one period (s)", ours.replace, sqlite.replace,
         "s");
    line("file size after the load (MB)", ours.size / 1e6, sqlite.size / 1e6, "MB");
    line("DbCompact vs VACUUM (s)", ours.compact, sqlite.compact, "s");
    line("DbRepair vs VACUUM (s)", ours.repair, sqlite.repair, "s");
    line("DbCheck vs PRAGMA integrity_check (s)", ours.check, sqlite.check, "s");
    line("without compression: bulk load (s)", plain.load, sqlite.load, "s");
    line("without compression: point reads (s)", plain.reads, sqlite.reads, "s");
    line("without compression: replacements (s)", plain.replace, sqlite.replace, "s");
    line("without compression: file size after the load (MB)", plain.size / 1e6, sqlite.size / 1e6,
         "MB");
    std::printf("SQLite below: WAL mode, synchronous=FULL, one transaction per put\n");
    line("one durable put per period, median (ms)", durable.median_ms, durable_peer.median_ms,
         "ms");
    line("one durable put per period, 99th percentile (ms)", durable.p99_ms, durable_peer.p99_ms,
         "ms");
    return 0;
}

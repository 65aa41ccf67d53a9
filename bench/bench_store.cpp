// The database engine against SQLite 3 (and LMDB for reads) on the same
// workloads, in one run: 100,000 records of 1,000 bytes of English-like
// text under 5-byte keys, loaded in one period (one transaction), then
// random point reads of whole values (with each store's default cache, and
// warm: with a cache that holds the file), random replacements with longer
// values in one period, maintenance, and the cost of one durable put per
// period. SQLite runs at its best here: 8 KiB pages, a rowid table with a
// unique key, prepared statements, synchronous=FULL (WAL mode for the
// durable puts). Each line: what, our figure, the peer's figure, and
// ours / peer.
#include <lmdb.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "bench/bench_support.h"
#include "bench/english_text.h"
#include "bench/sqlite_support.h"
#include "store/db.h"

namespace {

using namespace orvane::store;
using namespace orvane::bench;

constexpr int kRecords = 100000;
constexpr int kReads = 200000;
constexpr int kReplacements = 10000;
constexpr int kDurableRecords = 10000;
constexpr int kDurablePuts = 1000;
// A cache that holds every block of the file: reads are warm.
constexpr size_t kWarmCache = 512u << 20;

// Thousands per second.
double rate(int count, double seconds) {
    return count / seconds / 1000;
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
    for (int i = 0; i < kRecords; ++i) w.values.push_back(english_like(rng, 1000));
    for (int i = 0; i < kReads; ++i) w.reads.push_back(static_cast<int>(rng() % kRecords));
    for (int i = 0; i < kReplacements; ++i)
        w.replacements.emplace_back(static_cast<int>(rng() % kRecords), english_like(rng, 1500));
    return w;
}

// Rates in thousands per second, sizes in MB, times in seconds.
struct Figures {
    double load = 0, reads = 0, warm_reads = 0, replace = 0;
    double size = 0;
    double compact = 0, repair = 0, check = 0;
};

// One put or one get of the whole value, as each store does it.
template <typename Read>
double read_rate(const Workload& w, Read read) {
    std::vector<char> buffer(4096);
    const auto start = Clock::now();
    for (int i : w.reads) check(read(key_of(i), buffer) == w.values[i].size(), "read");
    return rate(kReads, seconds_since(start));
}

Figures run_ours(const std::string& path, const Workload& w, uint32_t flags) {
    Figures f;
    DbHandle db = nullptr;
    check(DbCreate(&db, path, flags, 4096, 8) == kDbOk, "create");
    auto put = [&db](const std::string& key, const std::string& value) {
        check(DbPut(db, key.data(), key.size(), value.data(), value.size()) == kDbOk, "put");
    };
    auto start = Clock::now();
    check(DbLock(db) == kDbOk, "lock");
    for (int i = 0; i < kRecords; ++i) put(key_of(i), w.values[i]);
    check(DbUnlock(db) == kDbOk, "unlock");
    f.load = rate(kRecords, seconds_since(start));
    f.size = std::filesystem::file_size(path) / 1e6;

    auto read = [&db](const std::string& key, std::vector<char>& buffer) {
        size_t length = 0;
        check(DbGet(db, GET_EXACT, key.data(), key.size(), nullptr, nullptr, 0, buffer.data(),
                    &length, buffer.size()) == kDbOk,
              "get");
        return length;
    };
    check(DbClose(db) == kDbOk && DbOpen(&db, path, flags & DB_COMPRESS) == kDbOk, "reopen");
    f.reads = read_rate(w, read);
    check(DbSetCacheSize(db, kWarmCache) == kDbOk, "cache size");
    read_rate(w, read);  // fills the cache
    f.warm_reads = read_rate(w, read);

    start = Clock::now();
    check(DbLock(db) == kDbOk, "lock");
    for (const auto& [i, value] : w.replacements) put(key_of(i), value);
    check(DbUnlock(db) == kDbOk, "unlock");
    f.replace = rate(kReplacements, seconds_since(start));

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

sqlite3* open_sqlite(const std::string& path, const char* journal_mode) {
    sqlite3* db = nullptr;
    check(sqlite3_open(path.c_str(), &db) == SQLITE_OK, "sqlite open");
    exec(db, "PRAGMA page_size=8192");
    exec(db, journal_mode);
    exec(db, "PRAGMA synchronous=FULL");
    exec(db, "CREATE TABLE IF NOT EXISTS records (key BLOB UNIQUE NOT NULL, value BLOB)");
    return db;
}

// Puts with INSERT OR REPLACE through one prepared statement.
struct SqlitePut {
    explicit SqlitePut(sqlite3* db)
        : statement(prepare(db, "INSERT OR REPLACE INTO records (key, value) VALUES (?, ?)")) {}
    ~SqlitePut() { sqlite3_finalize(statement); }
    SqlitePut(const SqlitePut&) = delete;
    SqlitePut& operator=(const SqlitePut&) = delete;
    void operator()(const std::string& key, const std::string& value) {
        sqlite3_bind_blob(statement, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        sqlite3_bind_blob(statement, 2, value.data(), static_cast<int>(value.size()),
                          SQLITE_STATIC);
        check(sqlite3_step(statement) == SQLITE_DONE, "insert");
        sqlite3_reset(statement);
    }
    sqlite3_stmt* statement;
};

Figures run_sqlite(const std::string& path, const Workload& w) {
    Figures f;
    sqlite3* db = open_sqlite(path, "PRAGMA journal_mode=DELETE");
    {
        SqlitePut put(db);
        auto start = Clock::now();
        exec(db, "BEGIN");
        for (int i = 0; i < kRecords; ++i) put(key_of(i), w.values[i]);
        exec(db, "COMMIT");
        f.load = rate(kRecords, seconds_since(start));
    }
    f.size = std::filesystem::file_size(path) / 1e6;

    sqlite3_stmt* select = prepare(db, "SELECT value FROM records WHERE key = ?");
    auto read = [select](const std::string& key, std::vector<char>& buffer) {
        sqlite3_bind_blob(select, 1, key.data(), static_cast<int>(key.size()), SQLITE_TRANSIENT);
        check(sqlite3_step(select) == SQLITE_ROW, "select");
        const size_t length = static_cast<size_t>(sqlite3_column_bytes(select, 0));
        std::memcpy(buffer.data(), sqlite3_column_blob(select, 0), std::min(length, buffer.size()));
        sqlite3_reset(select);
        return length;
    };
    // Reads in one transaction, as LMDB's: SQLite otherwise takes and drops
    // its file locks and checks the file for changes at every statement.
    exec(db, "BEGIN");
    f.reads = read_rate(w, read);
    exec(db, "PRAGMA cache_size=-524288");  // 512 MiB
    read_rate(w, read);
    f.warm_reads = read_rate(w, read);
    exec(db, "COMMIT");
    sqlite3_finalize(select);

    {
        SqlitePut put(db);
        const auto start = Clock::now();
        exec(db, "BEGIN");
        for (const auto& [i, value] : w.replacements) put(key_of(i), value);
        exec(db, "COMMIT");
        f.replace = rate(kReplacements, seconds_since(start));
    }

    auto start = Clock::now();
    sqlite3_stmt* integrity = prepare(db, "PRAGMA integrity_check");
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

// LMDB as the bar for reads: loaded in one transaction, read warm inside
// one read transaction.
double lmdb_warm_reads(const std::string& dir, const Workload& w) {
    std::filesystem::create_directories(dir);
    MDB_env* env = nullptr;
    check(mdb_env_create(&env) == 0 && mdb_env_set_mapsize(env, size_t{1} << 30) == 0 &&
              mdb_env_open(env, dir.c_str(), MDB_NOSYNC, 0644) == 0,
          "lmdb open");
    MDB_txn* txn = nullptr;
    MDB_dbi dbi = 0;
    check(mdb_txn_begin(env, nullptr, 0, &txn) == 0 && mdb_dbi_open(txn, nullptr, 0, &dbi) == 0,
          "lmdb begin");
    for (int i = 0; i < kRecords; ++i) {
        std::string key = key_of(i);
        MDB_val k{key.size(), key.data()};
        MDB_val v{w.values[i].size(), const_cast<char*>(w.values[i].data())};
        check(mdb_put(txn, dbi, &k, &v, 0) == 0, "lmdb put");
    }
    check(mdb_txn_commit(txn) == 0, "lmdb commit");
    check(mdb_txn_begin(env, nullptr, MDB_RDONLY, &txn) == 0, "lmdb read");
    auto read = [txn, dbi](const std::string& key, std::vector<char>& buffer) {
        MDB_val k{key.size(), const_cast<char*>(key.data())}, v{};
        check(mdb_get(txn, dbi, &k, &v) == 0, "lmdb get");
        std::memcpy(buffer.data(), v.mv_data, std::min(v.mv_size, buffer.size()));
        return v.mv_size;
    };
    read_rate(w, read);
    const double reads = read_rate(w, read);
    mdb_txn_abort(txn);
    mdb_env_close(env);
    return reads;
}

// One replacement per period, each durable before the next: the median and
// the 99th percentile of their latencies, in milliseconds.
struct Latencies {
    double median = 0, p99 = 0;
};

template <typename Put>
Latencies durable_puts(const Workload& w, Put& put) {
    std::vector<double> ms;
    for (int i = 0; i < kDurablePuts; ++i) {
        const auto& [record, value] = w.replacements[i];
        const auto start = Clock::now();
        put(key_of(record % kDurableRecords), value);
        ms.push_back(seconds_since(start) * 1000);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms[ms.size() * 99 / 100]};
}

Latencies durable_puts_ours(const std::string& path, const Workload& w) {
    DbHandle db = nullptr;
    check(DbCreate(&db, path, DB_PREFIX_KEYS | DB_COMPRESS, 4096, 8) == kDbOk, "create");
    auto put = [db](const std::string& key, const std::string& value) {
        check(DbPut(db, key.data(), key.size(), value.data(), value.size()) == kDbOk, "put");
    };
    check(DbLock(db) == kDbOk, "lock");
    for (int i = 0; i < kDurableRecords; ++i) put(key_of(i), w.values[i]);
    check(DbUnlock(db) == kDbOk, "unlock");
    const Latencies latencies = durable_puts(w, put);
    check(DbClose(db) == kDbOk, "close");
    return latencies;
}

Latencies durable_puts_sqlite(const std::string& path, const Workload& w) {
    sqlite3* db = open_sqlite(path, "PRAGMA journal_mode=WAL");
    Latencies latencies;
    {
        SqlitePut put(db);
        exec(db, "BEGIN");
        for (int i = 0; i < kDurableRecords; ++i) put(key_of(i), w.values[i]);
        exec(db, "COMMIT");
        latencies = durable_puts(w, put);
    }
    sqlite3_close(db);
    return latencies;
}

}  // namespace

int main() {
    const ScratchFolder scratch("store");
    const Workload w = make_workload();
    const Figures sqlite = run_sqlite(scratch.file("peer.sqlite"), w);
    const double lmdb = lmdb_warm_reads(scratch.file("lmdb"), w);
    const Figures ours = run_ours(scratch.file("ours.db"), w, DB_PREFIX_KEYS | DB_COMPRESS);
    const Figures plain = run_ours(scratch.file("plain.db"), w, DB_PREFIX_KEYS);
    const Latencies durable_peer = durable_puts_sqlite(scratch.file("wal.sqlite"), w);
    const Latencies durable = durable_puts_ours(scratch.file("durable.db"), w);

    std::printf(
        "Rates in thousands per second (ratio above 1: we are faster); sizes in MB,\n"
        "times in seconds and milliseconds (ratio below 1: we are smaller or faster).\n");
    for (const auto& [name, f] : {std::pair{"compressed", ours}, std::pair{"plain", plain}}) {
        const std::string n = std::string(" (") + name + ")";
        ratio_line("bulk load, one period" + n, f.load, "sqlite", sqlite.load, "k/s");
        ratio_line("random reads, default caches" + n, f.reads, "sqlite", sqlite.reads, "k/s");
        ratio_line("random reads, warm" + n, f.warm_reads, "sqlite", sqlite.warm_reads, "k/s");
        ratio_line("random reads, warm" + n, f.warm_reads, "lmdb", lmdb, "k/s");
        ratio_line("replacements of 1500 bytes, one period" + n, f.replace, "sqlite",
                   sqlite.replace, "k/s");
        ratio_line("file size after the load" + n, f.size, "sqlite", sqlite.size, "MB");
    }
    ratio_line("DbCompact vs VACUUM", ours.compact, "sqlite", sqlite.compact, "s");
    ratio_line("DbRepair vs VACUUM", ours.repair, "sqlite", sqlite.repair, "s");
    ratio_line("DbCheck vs PRAGMA integrity_check", ours.check, "sqlite", sqlite.check, "s");
    std::printf("SQLite below in WAL mode; one put per period (transaction), each durable:\n");
    ratio_line("one durable put, median", durable.median, "sqlite", durable_peer.median, "ms");
    ratio_line("one durable put, 99th percentile", durable.p99, "sqlite", durable_peer.p99, "ms");
    return 0;
}

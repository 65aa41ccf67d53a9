// The two SQLite calls every benchmark against SQLite makes: running a
// statement and preparing one, each stopping the program with SQLite's own
// message when it fails.
#pragma once

#include <sqlite3.h>

#include <string>

#include "bench/bench_support.h"

namespace orvane::bench {

inline void exec(sqlite3* db, const std::string& sql) {
    char* error = nullptr;
    if (sqlite3_exec(db, sql.c_str(), nullptr, nullptr, &error) == SQLITE_OK) return;
    std::fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, sql.c_str(),
                 error ? error : "");
    sqlite3_free(error);
    std::exit(1);
}

inline sqlite3_stmt* prepare(sqlite3* db, const std::string& sql) {
    sqlite3_stmt* statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.c_str(), -1, &statement, nullptr) == SQLITE_OK) return statement;
    std::fprintf(stderr, "%s: %s: %s\n", program_invocation_short_name, sql.c_str(),
                 sqlite3_errmsg(db));
    std::exit(1);
}

}  // namespace orvane::bench

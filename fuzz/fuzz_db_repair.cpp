// Arbitrary bytes as a database file: whatever opens must repair into a file
// that the check accepts, and must then take writes.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/file.h"
#include "store/db.h"

using namespace orvane::store;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/orvane-fuzz-repair-" + std::to_string(getpid()) + ".db";
    if (orvane::platform::write_whole_file(path, data, size) != 0) return 0;
    DbHandle db = nullptr;
    if (DbOpen(&db, path, DB_HEADER_BACKUP) == kDbOk) {
        if (DbRepair(db) == kDbOk) {
            DbCheckReport report;
            if (DbCheck(db, &report) == kDbOk && !report.problems.empty()) {
                std::fprintf(stderr, "after repair: %s\n", report.problems.front().c_str());
                std::abort();
            }
            (void)DbPut(db, "key", 3, "data", 4);
            (void)DbCompact(db);
        }
        // Closing a fuzzed file may fail; only crashes matter here.
        (void)DbClose(db);
    }
    unlink(path.c_str());
    return 0;
}

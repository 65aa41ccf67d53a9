// Arbitrary bytes opened as a database file and walked from end to end must
// never crash, hang or change the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file.h"
#include "store/db.h"

using namespace orvane::store;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/orvane-fuzz-db-" + std::to_string(getpid()) + ".db";
    if (orvane::platform::write_whole_file(path, data, size) != 0) return 0;
    DbHandle db = nullptr;
    if (DbOpen(&db, path, DB_READ_ONLY | DB_NO_AUTO_REPAIR) == kDbOk) {
        char key[256];
        static char buffer[1 << 16];
        size_t key_length = 0, data_length = 0;
        int32_t result = DbGet(db, GET_FIRST, nullptr, 0, key, &key_length, sizeof key, buffer,
                               &data_length, sizeof buffer);
        for (int steps = 0; result == kDbOk && steps < 100000; ++steps) {
            result = DbGet(db, GET_NEXT, key, key_length, key, &key_length, sizeof key, buffer,
                           &data_length, sizeof buffer);
        }
        (void)DbGet(db, GET_LAST, nullptr, 0, key, &key_length, sizeof key, buffer, &data_length,
                    sizeof buffer);
        (void)DbGet(db, GET_EXACT, "k", 1, nullptr, nullptr, 0, buffer, &data_length,
                    sizeof buffer);
        DbStatistics statistics;
        (void)DbStat(db, &statistics);
        // Closing a fuzzed file may fail; only crashes matter here.
        (void)DbClose(db);
    }
    unlink(path.c_str());
    return 0;
}

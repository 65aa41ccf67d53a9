// Arbitrary bytes as a database file: the check reads everything and must
// never crash, hang or change the file.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/file.h"
#include "store/db.h"

using namespace orvane::store;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    static const std::string path = "/tmp/orvane-fuzz-check-" + std::to_string(getpid()) + ".db";
    if (orvane::platform::write_whole_file(path, data, size) != 0) return 0;
    DbHandle db = nullptr;
    if (DbOpen(&db, path, DB_READ_ONLY | DB_NO_AUTO_REPAIR) == kDbOk) {
        DbCheckReport report;
        (void)DbCheck(db, &report);
        // Closing a fuzzed file may fail; only crashes matter here.
        (void)DbClose(db);
    }
    unlink(path.c_str());
    return 0;
}

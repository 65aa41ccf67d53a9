// Feeds arbitrary bytes to the CSV reader, with the import's record limit
// and with a small one, and checks that every record it reads is written
// back in a form that reads the same.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/csv.h"

namespace {

void read_all(std::string_view text, size_t limit) {
    using orvane::addressbook::CsvReader;
    CsvReader reader(text, limit);
    std::vector<std::string> fields, again;
    size_t last = reader.position();
    for (;;) {
        const CsvReader::Next next = reader.next(&fields);
        if (next == CsvReader::Next::kEnd) break;
        if (reader.position() <= last || reader.position() > text.size()) __builtin_trap();
        last = reader.position();
        if (next != CsvReader::Next::kRecord) continue;
        size_t bytes = 0;
        for (const auto& field : fields) bytes += field.size();
        if (bytes > limit) __builtin_trap();
        // Written out and read again (after a first record, so that a
        // byte-order mark in the field stays a part of it).
        const std::string line = "x\n" + orvane::addressbook::csv_line(fields);
        CsvReader reread(line, line.size() + 1);
        if (reread.next(&again) != CsvReader::Next::kRecord) __builtin_trap();
        if (reread.next(&again) != CsvReader::Next::kRecord || again != fields) __builtin_trap();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    read_all(text, orvane::addressbook::kLongestCsvRecord);
    read_all(text, 40);
    return 0;
}

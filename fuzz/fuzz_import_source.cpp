// Arbitrary bytes read through the import's decoders: the first byte picks
// how the rest is taken (a ZIP file, the base64 body of a MIME part, a
// uuencoded block, plain lines that may open any of them). Reading must end,
// never crash, and never hand out a line longer than the line limit.
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "import/byte_source.h"
#include "import/line_reader.h"
#include "platform/file.h"

using namespace orvane::import;

namespace {

// Bytes read in all before giving up: far more than any input can decode
// to within the fuzzer's input size, unless a decoder loops.
constexpr uint64_t kReadLimit = uint64_t{1} << 30;

void read_all(ByteSource& source, LineReader& reader) {
    uint64_t total = 0;
    for (int ends = 0; ends < 10000;) {
        const std::optional<std::string_view> line = reader.next_line();
        if (!line) {
            ++ends;
            if (source.end_layer().next == AfterLayer::kEndOfFile) return;
            continue;
        }
        if (line->size() > kMaxLineLength) std::abort();
        total += line->size() + 1;
        if (total > kReadLimit) std::abort();
        // Plain lines may open encoded blocks, as the parser lets them.
        if (line->starts_with("begin ")) (void)source.start_uuencoded().ok();
        if (line->starts_with("base64")) (void)source.start_base64("--b").ok();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size == 0) return 0;
    static const std::string path = "/tmp/orvane-fuzz-source-" + std::to_string(getpid());
    if (orvane::platform::write_whole_file(path, data, size) != 0) return 0;
    ByteSource source;
    LineReader reader(source);
    if (source.open(path, 1, orvane::platform::system_env()) == 0) {
        bool readable = true;
        // A refused start leaves the layer below as it was: reading on is
        // what the parser does too, so the refusal itself needs no action.
        switch (data[0] % 4) {
            case 0:
                readable = source.start_zip_file().ok();
                break;
            case 1:
                (void)source.start_base64("--b").ok();
                break;
            case 2:
                (void)source.start_uuencoded().ok();
                break;
            default:
                break;
        }
        if (readable) read_all(source, reader);
    }
    unlink(path.c_str());
    return 0;
}

// Feeds arbitrary bytes to the stored-text check and reader, as a damaged
// cabinet would; whatever is accepted must encode and read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>

#include "cabinet/stored_text.h"
#include "platform/bytes.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvane::cabinet;
    const uint32_t key = size >= 4 ? orvane::platform::load_le32(data) : 0;
    const auto text = decode_stored_text(data, size, key);
    if (!text) return 0;
    const auto bytes = encode_stored_text(*text);
    if (!bytes) return 0;
    const auto again = decode_stored_text(bytes->data(), bytes->size(), key);
    if (!again || !(*again == *text)) std::abort();
    return 0;
}

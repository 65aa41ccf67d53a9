// Arbitrary LZ streams expanded to any expected size must stay in bounds.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "store/lz.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    if (size < 2) return 0;
    const size_t expected = (static_cast<size_t>(data[0]) << 8 | data[1]) % 20000;
    std::vector<uint8_t> out(expected);
    (void)orvane::store::LzExpand(data + 2, size - 2, out.data(), expected);
    return 0;
}

// Built-in file headers: any bytes must parse or be refused, never read past the end.
#include <cstddef>
#include <cstdint>

#include "platform/builtin_files.h"

// Keeps the sum from being optimised away.
volatile unsigned payload_sum;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    orvane::platform::BuiltinFile file;
    if (orvane::platform::parse_builtin_resource({data, size}, &file)) {
        // Touch every payload byte so a bad length shows up under the sanitizer.
        unsigned sum = 0;
        for (unsigned char c : file.payload) sum += c;
        payload_sum = sum;
    }
    return 0;
}

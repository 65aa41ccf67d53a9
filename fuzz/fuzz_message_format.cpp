// Message formats with mismatched arguments must never misbehave.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "platform/message_format.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view format(reinterpret_cast<const char*>(data), size);
    (void)orvane::platform::format_message(format, {42, "text", 'c'});
    (void)orvane::platform::format_message(format, {});
    return 0;
}

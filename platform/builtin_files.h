// Files built into the program (such as the node information). Each resource
// starts with a 26-byte header: the payload size (5 characters, padded with
// spaces), CR LF, the file date as "DD-Mon-YYYY HH:MM", CR LF.
#pragma once

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <span>
#include <string>

namespace orvane::platform {

struct BuiltinResource {
    const char* name;
    const unsigned char* bytes;  // header and payload
    size_t size;
};

// The raw resource (header included), or an empty span when there is none.
std::span<const unsigned char> builtin_resource(const std::string& name);

struct BuiltinFile {
    std::span<const unsigned char> payload;
    std::time_t date = 0;  // the header's date, as local time
};

// Splits a resource into its payload and date. Fails (false) on a header
// that does not match the layout or a size beyond the resource.
bool parse_builtin_resource(std::span<const unsigned char> resource, BuiltinFile* file);

// Writes the payload of resource `name` to `target` (truncating an old file)
// and sets the file's modification time to the header's date. With
// `overwrite` false an existing file is left alone. Returns 0 or an error
// code (ENOENT when the resource is missing, EINVAL when it is malformed).
[[nodiscard]] int write_builtin_file(const std::string& name, const std::string& target,
                                     bool overwrite);
[[nodiscard]] int write_builtin_bytes(std::span<const unsigned char> resource,
                                      const std::string& target, bool overwrite);

}  // namespace orvane::platform

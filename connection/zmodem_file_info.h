// The data subpacket of ZFILE: the name, a NUL, then the decimal length and
// the octal modification time (Unix seconds), separated by a blank. Senders
// may add more fields (mode, serial number, files and bytes left), which we
// read past.
#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace orvane::connection::zmodem {

struct AnnouncedFile {
    std::string name;  // as sent, path and all
    std::optional<uint64_t> size;
    std::time_t modified = 0;  // 0: not given
};

AnnouncedFile parse_file_info(std::span<const uint8_t> data);
// "name\0length mtime" as we send it ("%s%c%d %o").
std::vector<uint8_t> file_info(const std::string& name, uint64_t size, std::time_t modified);

}  // namespace orvane::connection::zmodem

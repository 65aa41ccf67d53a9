#include "connection/zmodem_file_info.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

namespace orvane::connection::zmodem {

namespace {

// Reads an unsigned number in `base` from the front of `text`, skipping
// leading blanks; nothing when there are no digits or it overflows.
std::optional<uint64_t> take_number(std::string_view* text, unsigned base) {
    size_t at = text->find_first_not_of(' ');
    if (at == std::string_view::npos) return std::nullopt;
    uint64_t value = 0;
    size_t digits = 0;
    for (; at < text->size(); ++at, ++digits) {
        const char c = (*text)[at];
        if (c < '0' || c >= static_cast<char>('0' + base)) break;
        if (value > (UINT64_MAX - static_cast<unsigned>(c - '0')) / base) return std::nullopt;
        value = value * base + static_cast<unsigned>(c - '0');
    }
    *text = text->substr(at);
    if (digits == 0) return std::nullopt;
    return value;
}

}  // namespace

AnnouncedFile parse_file_info(std::span<const uint8_t> data) {
    AnnouncedFile file;
    const auto nul = std::find(data.begin(), data.end(), 0);
    file.name.assign(data.begin(), nul);
    if (nul == data.end()) return file;
    const auto rest_begin = nul + 1;
    const auto rest_end = std::find(rest_begin, data.end(), 0);
    std::string_view rest(reinterpret_cast<const char*>(data.data()) + (rest_begin - data.begin()),
                          static_cast<size_t>(rest_end - rest_begin));
    file.size = take_number(&rest, 10);
    if (file.size) {
        if (auto modified = take_number(&rest, 8); modified && *modified <= INT32_MAX)
            file.modified = static_cast<std::time_t>(*modified);
    }
    return file;
}

std::vector<uint8_t> file_info(const std::string& name, uint64_t size, std::time_t modified) {
    char numbers[64];
    const int length =
        std::snprintf(numbers, sizeof numbers, "%llu %llo", static_cast<unsigned long long>(size),
                      static_cast<unsigned long long>(modified > 0 ? modified : 0));
    std::vector<uint8_t> data(name.begin(), name.end());
    data.push_back(0);
    data.insert(data.end(), numbers, numbers + length);
    return data;
}

}  // namespace orvane::connection::zmodem

#include "platform/builtin_files.h"

#include <cerrno>
#include <cstring>
#include <string_view>

#include "platform/file.h"

namespace orvane::platform {

extern const BuiltinResource kBuiltinResources[];
extern const size_t kBuiltinResourceCount;

namespace {

constexpr size_t kHeaderSize = 26;

int digit(unsigned char c) {
    return c >= '0' && c <= '9' ? c - '0' : -1;
}

bool two_digits(const unsigned char* p, int* value) {
    int high = digit(p[0]), low = digit(p[1]);
    if (high < 0 || low < 0) return false;
    *value = high * 10 + low;
    return true;
}

}  // namespace

std::span<const unsigned char> builtin_resource(const std::string& name) {
    for (size_t i = 0; i < kBuiltinResourceCount; ++i) {
        if (name == kBuiltinResources[i].name)
            return {kBuiltinResources[i].bytes, kBuiltinResources[i].size};
    }
    return {};
}

bool parse_builtin_resource(std::span<const unsigned char> resource, BuiltinFile* file) {
    if (resource.size() < kHeaderSize) return false;
    const unsigned char* h = resource.data();
    size_t size = 0;
    bool seen_digit = false;
    for (int i = 0; i < 5; ++i) {
        if (h[i] == ' ' && !seen_digit) continue;
        int d = digit(h[i]);
        if (d < 0) return false;
        size = size * 10 + static_cast<size_t>(d);
        seen_digit = true;
    }
    if (!seen_digit || h[5] != '\r' || h[6] != '\n' || h[24] != '\r' || h[25] != '\n') return false;
    if (size > resource.size() - kHeaderSize) return false;

    // "DD-Mon-YYYY HH:MM" at offset 7.
    static constexpr std::string_view kMonths = "JanFebMarAprMayJunJulAugSepOctNovDec";
    const unsigned char* d = h + 7;
    int day = 0, year_high = 0, year_low = 0, hour = 0, minute = 0;
    if (!two_digits(d, &day) || d[2] != '-' || d[6] != '-' || !two_digits(d + 7, &year_high) ||
        !two_digits(d + 9, &year_low) || d[11] != ' ' || !two_digits(d + 12, &hour) ||
        d[14] != ':' || !two_digits(d + 15, &minute)) {
        return false;
    }
    size_t month = kMonths.find(std::string_view(reinterpret_cast<const char*>(d + 3), 3));
    if (month == std::string_view::npos || month % 3 != 0) return false;
    std::tm tm{};
    tm.tm_mday = day;
    tm.tm_mon = static_cast<int>(month / 3);
    tm.tm_year = year_high * 100 + year_low - 1900;
    tm.tm_hour = hour;
    tm.tm_min = minute;
    tm.tm_isdst = -1;
    file->date = std::mktime(&tm);
    file->payload = resource.subspan(kHeaderSize, size);
    return true;
}

int write_builtin_bytes(std::span<const unsigned char> resource, const std::string& target,
                        bool overwrite) {
    BuiltinFile builtin;
    if (!parse_builtin_resource(resource, &builtin)) return EINVAL;
    if (!overwrite && file_exists(target)) return 0;
    File file;
    if (int error = file.open(target, Access::ReadWrite, Share::None, Disposition::CreateAlways))
        return error;
    int error = file.write_at(0, builtin.payload.data(), builtin.payload.size());
    file.close();
    if (error) return error;
    return set_modification_time(target, builtin.date);
}

int write_builtin_file(const std::string& name, const std::string& target, bool overwrite) {
    auto resource = builtin_resource(name);
    if (resource.empty()) return ENOENT;
    return write_builtin_bytes(resource, target, overwrite);
}

}  // namespace orvane::platform

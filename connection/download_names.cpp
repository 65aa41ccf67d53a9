#include "connection/download_names.h"

#include "packet/file_names.h"

namespace orvane::connection {

namespace {

bool is_letter(char c) {
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}
bool is_digit(char c) {
    return c >= '0' && c <= '9';
}

bool same_ignoring_case(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        const char x = a[i] >= 'A' && a[i] <= 'Z' ? static_cast<char>(a[i] + 32) : a[i];
        const char y = b[i] >= 'A' && b[i] <= 'Z' ? static_cast<char>(b[i] + 32) : b[i];
        if (x != y) return false;
    }
    return true;
}

// Whether `name` starts with characters of the classes in `pattern`: "L" a
// letter, "D" a digit, "A" a letter or digit, any other character itself.
bool starts_like(std::string_view name, std::string_view pattern) {
    if (name.size() < pattern.size()) return false;
    for (size_t i = 0; i < pattern.size(); ++i) {
        const char c = name[i];
        switch (pattern[i]) {
            case 'L':
                if (!is_letter(c)) return false;
                break;
            case 'D':
                if (!is_digit(c)) return false;
                break;
            case 'A':
                if (!is_letter(c) && !is_digit(c)) return false;
                break;
            default:
                if (c != pattern[i]) return false;
        }
    }
    return true;
}

}  // namespace

std::string clean_transfer_name(std::string_view path) {
    const size_t slash = path.find_last_of("/\\");
    std::string name(slash == std::string_view::npos ? path : path.substr(slash + 1));
    packet::clean_file_name(&name);
    return name;
}

DownloadKind download_kind(std::string_view name) {
    if (name.size() == 12 && starts_like(name, "LDDLDDLL") &&
        (same_ignoring_case(name.substr(8), ".dmp") || same_ignoring_case(name.substr(8), ".zip")))
        return DownloadKind::kDowndump;
    if (name.size() >= 8 && starts_like(name, "L") && (name[1] == 'O' || name[1] == 'o') &&
        starts_like(name.substr(2), "DDDDD") && (name[7] == '#' || name[7] == '$')) {
        const std::string_view rest = name.substr(8);
        if (rest.empty() || rest == "." || same_ignoring_case(rest, ".zip"))
            return DownloadKind::kAddressBook;
    }
    return DownloadKind::kOther;
}

bool is_unpack_name(std::string_view name) {
    return name.size() == 12 && starts_like(name, "L#AAAAAA") &&
           same_ignoring_case(name.substr(8), ".zip");
}

const std::string& folder_for(const DownloadFolders& folders, DownloadKind kind) {
    switch (kind) {
        case DownloadKind::kDowndump:
            return folders.downdump;
        case DownloadKind::kAddressBook:
            return folders.address_book;
        case DownloadKind::kOther:
            break;
    }
    return folders.download;
}

std::string numbered_name(std::string_view name, int number) {
    const size_t dot = name.find_last_of('.');
    const size_t split = dot == std::string_view::npos || dot == 0 ? name.size() : dot;
    return std::string(name.substr(0, split)) + "_" + std::to_string(number) +
           std::string(name.substr(split));
}

}  // namespace orvane::connection

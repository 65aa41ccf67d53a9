#include "packet/file_names.h"

#include <dirent.h>

#include <cstdio>
#include <cstring>

#include "platform/directories.h"
#include "platform/file.h"

namespace orvane::packet {

namespace {

constexpr size_t kSequenceAt = 7;  // letter and six date digits come first
constexpr size_t kMaxCleanName = 79;

bool same_day_name(const std::string& name, const std::string& stem, const std::string& extension) {
    // "<stem>?<extension>" with the "?" standing for any one character.
    return name.size() == stem.size() + 1 + extension.size() &&
           name.compare(0, stem.size(), stem) == 0 &&
           name.compare(stem.size() + 1, std::string::npos, extension) == 0;
}

// The next sequence character after `c` in the order A..Z, 0..9; 0 at the end.
char next_sequence(char c) {
    if (c >= 'A' && c < 'Z') return static_cast<char>(c + 1);
    if (c == 'Z') return '0';
    if (c >= '0' && c < '9') return static_cast<char>(c + 1);
    return 0;
}

}  // namespace

std::optional<std::string> make_dated_name(const std::string& folder, char node_letter,
                                           const std::string& extension,
                                           const std::optional<std::string>& last_name,
                                           std::time_t today) {
    std::tm local{};
    localtime_r(&today, &local);
    char stem[48];  // room for any year the clock may give
    std::snprintf(stem, sizeof stem, "%c%02d%02d%02d", node_letter, local.tm_year % 100,
                  local.tm_mon + 1, local.tm_mday);
    auto path_with = [&](char sequence) {
        std::string name = stem;
        if (sequence) name += sequence;
        return platform::join_path(folder, name + extension);
    };
    if (!last_name) return path_with(0);

    // The highest sequence character used so far today; the day's first file
    // (no sequence character) counts as "@", just below "A".
    char highest = 0;
    if (last_name->size() > kSequenceAt && last_name->compare(0, kSequenceAt, stem) == 0) {
        highest = (*last_name)[kSequenceAt];
        if (highest == '.') highest = '@';
    }
    if (DIR* dir = opendir(folder.empty() ? "." : folder.c_str())) {
        while (dirent* entry = readdir(dir)) {
            std::string name = entry->d_name;
            if (name == std::string(stem) + extension) {
                if (highest < '@') highest = '@';
            } else if (same_day_name(name, stem, extension) && name[kSequenceAt] > highest) {
                highest = name[kSequenceAt];
            }
        }
        closedir(dir);
    }

    if (highest == 0) return path_with(0);
    if (highest >= '@' && highest < 'Z') return path_with(static_cast<char>(highest + 1));
    // "Z" reached, or a digit: the letters went round once already, so take
    // the first free one from "A" on.
    for (char sequence = 'A'; sequence; sequence = next_sequence(sequence)) {
        std::string path = path_with(sequence);
        if (!platform::file_exists(path)) return path;
    }
    return std::nullopt;
}

void clean_file_name(std::string* path) {
    size_t slash = path->find_last_of('/');
    size_t start = slash == std::string::npos ? 0 : slash + 1;
    std::string name = path->substr(start);

    size_t first = name.find_first_not_of("-.");
    std::string clean;
    if (first != std::string::npos) {
        for (unsigned char c : name.substr(first)) {
            if (c < 32 || c > 126 || std::strchr("*[]?\"()+,/:;<=>\\|", c)) continue;
            clean += c == ' ' ? '_' : static_cast<char>(c);
        }
    }
    if (clean.size() > kMaxCleanName) {
        // Keep an extension: a "." among the last five characters, not first.
        size_t dot = clean.find_last_of('.');
        std::string extension;
        if (dot != std::string::npos && dot > 0 && dot >= clean.size() - 5)
            extension = clean.substr(dot);
        clean = clean.substr(0, kMaxCleanName - extension.size()) + extension;
    }
    path->replace(start, std::string::npos, clean);
}

std::string announced_file_name(const std::string& path) {
    size_t separator = path.find_last_of("/\\");
    std::string name = separator == std::string::npos ? path : path.substr(separator + 1);
    clean_file_name(&name);
    return name;
}

}  // namespace orvane::packet

#include "import/import_files.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

#include "import/text_body.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "texts/ascii.h"

namespace orvane::import {

using platform::MessageId;
using platform::Status;

namespace {

bool ends_with_ignoring_case(std::string_view text, std::string_view end) {
    return text.size() >= end.size() &&
           texts::equals_ignoring_case(text.substr(text.size() - end.size()), end);
}

constexpr std::string_view kImportableExtensions[] = {".dmp", ".exp", ".zip", ".log"};

}  // namespace

bool is_address_list_name(std::string_view name) {
    if (name.size() < 8) return false;
    if (!texts::is_alpha(name[0]) || texts::to_upper(name[1]) != 'O') return false;
    for (size_t i = 2; i < 7; ++i)
        if (!texts::is_digit(name[i])) return false;
    if (name[7] != '#' && name[7] != '$') return false;
    const std::string_view rest = name.substr(8);
    return rest.empty() || rest == "." || texts::equals_ignoring_case(rest, ".zip");
}

bool is_downdump_name(std::string_view name) {
    if (name.size() != 12) return false;
    static constexpr std::string_view kShape = "LDDLDDLL";
    for (size_t i = 0; i < kShape.size(); ++i) {
        const bool ok = kShape[i] == 'L' ? texts::is_alpha(name[i]) : texts::is_digit(name[i]);
        if (!ok) return false;
    }
    const std::string_view extension = name.substr(8);
    return texts::equals_ignoring_case(extension, ".dmp") ||
           texts::equals_ignoring_case(extension, ".zip");
}

bool is_log_name(std::string_view name) {
    return ends_with_ignoring_case(name, ".log");
}

bool is_importable_name(std::string_view name) {
    if (is_address_list_name(name)) return true;
    return std::any_of(
        std::begin(kImportableExtensions), std::end(kImportableExtensions),
        [&](std::string_view extension) { return ends_with_ignoring_case(name, extension); });
}

std::vector<std::string> importable_files(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error)) {
        if (!entry.is_regular_file(error)) continue;
        const std::string name = entry.path().filename().string();
        if (is_importable_name(name)) files.push_back(entry.path().string());
    }
    std::sort(files.begin(), files.end());
    return files;
}

std::vector<std::string> logs_first(const std::vector<std::string>& files) {
    std::vector<std::string> ordered;
    for (const std::string& file : files)
        if (is_log_name(file_name_of(file))) ordered.push_back(file);
    for (const std::string& file : files)
        if (!is_log_name(file_name_of(file))) ordered.push_back(file);
    return ordered;
}

Status delete_file(const std::string& path, platform::Env& env) {
    if (const int error = env.unlink(path); error && error != ENOENT)
        return Status::file(MessageId::kCannotWriteFile, path, error);
    return Status();
}

Status move_file_into(const std::string& path, const std::string& folder, platform::Env& env) {
    if (const int error = platform::make_directories(folder))
        return Status::file(MessageId::kCannotWriteFile, folder, error);
    const std::string name(file_name_of(path));
    std::string target = platform::join_path(folder, name);
    for (int n = 2; platform::file_exists(target); ++n)
        target = platform::join_path(folder, name + "." + std::to_string(n));
    int error = env.rename(path, target);
    if (error == EXDEV) {
        error = platform::copy_file(path, target, env);
        if (!error) error = env.unlink(path);
    }
    if (error) return Status::file(MessageId::kCannotWriteFile, target, error);
    return Status();
}

}  // namespace orvane::import

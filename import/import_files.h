// The files an import reads, told apart by their names: address lists of
// the nodes, downdumps as the server names them, session logs, and the
// extensions the import takes from a folder.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "platform/env.h"
#include "platform/status.h"

namespace orvane::import {

// "CO12345$", "co12345#.", "CO12345$.zip": an address list of node 'C'.
bool is_address_list_name(std::string_view file_name);
// "T25A07BC.dmp": letter, digit, digit, letter, digit, digit, letter,
// letter, then ".dmp" or ".zip" (without regard to case).
bool is_downdump_name(std::string_view file_name);
bool is_log_name(std::string_view file_name);
// A file the import takes when it reads a folder: downdumps, exports,
// archives, logs and address lists.
bool is_importable_name(std::string_view file_name);

// The files of `folder` that the import takes, by name.
std::vector<std::string> importable_files(const std::string& folder);

// `files` with the logs first, each group keeping its order.
std::vector<std::string> logs_first(const std::vector<std::string>& files);

// Deletes `path`, or moves it into `folder` under its own name (or a free
// variant of it when that is taken).
[[nodiscard]] platform::Status delete_file(const std::string& path, platform::Env& env);
[[nodiscard]] platform::Status move_file_into(const std::string& path, const std::string& folder,
                                              platform::Env& env);

}  // namespace orvane::import

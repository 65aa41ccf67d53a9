// Unpacking the first member of a zipped file into a file beside it, for
// the zipped downdumps and address lists that are kept unpacked. The name
// of the new file comes from the archive's own name; of the member only
// the extension is taken, and only when it is a plain one, so that names
// inside an archive never choose where anything is written.
#pragma once

#include <cstdint>
#include <string>

#include "platform/env.h"
#include "platform/status.h"

namespace orvane::import {

// Bytes free for a new file in `folder`; UINT64_MAX when that cannot be told.
uint64_t free_space(const std::string& folder);

// Unpacks the first member of the archive `zip_path` to `target`, or, when
// `target` is empty, to the archive's name with the member's extension
// (".dmp" when the member has none that will do). Refuses a target that
// exists, and a member that would not fit in the free space. The file
// appears whole or not at all. Gives the path written.
platform::Result<std::string> unpack_first_member(const std::string& zip_path,
                                                  const std::string& target,
                                                  platform::Env& env = platform::system_env());

}  // namespace orvane::import

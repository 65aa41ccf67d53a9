// Packs one file into a single-entry ZIP archive beside it.
#pragma once

#include <string>

#include "platform/env.h"

namespace orvane::packet {

// Results of zip_file besides 0 (success) and the compressor's own codes.
enum ZipError : int {
    kZipTargetNotClosed = 14,   // the archive could not be completed or dated
    kZipTargetNotCreated = 15,  // the archive could not be created or written
    kZipSourceNotOpened = 18,   // the source could not be opened or read
    kZipTargetExists = 20,
};

// The archive's path: the source's with its extension replaced by ".zip"
// (appended when it has none).
std::string zip_target_path(const std::string& source);

// Compresses `source` with raw Deflate at `level` (1 to 9, else 5) into
// zip_target_path(source); an empty file is stored. The archive gets the
// source's modification time. On any error the archive is deleted.
[[nodiscard]] int zip_file(const std::string& source, int level,
                           platform::Env& env = platform::system_env());

}  // namespace orvane::packet

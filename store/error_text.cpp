#include <array>

#include "store/db.h"

namespace orvane::store {

namespace {

constexpr std::array<const char*, 45> kMessages = {
    "No error",
    "Key not found",
    "No next or previous record",
    "Unknown error",
    "Unknown error",
    "The key is too long",
    "The data is too long",
    "File not found",
    "The database is not open",
    "Error opening the database",
    "Error reading the database",
    "Error writing the database",
    "Error creating the database",
    "Could not create the database because the file already exists",
    "Wrong version of the database",
    "Trying to write to a database opened for reading only",
    "Error in database structure (file is corrupt)",
    "The retrieved data was too short",
    "Opening the database for writing but the file is read-only",
    "The database is permanently locked by another application",
    "The database is in use by another application",
    "The file is too big",
    "Not enough memory",
    "Cannot set collating table because the database is not empty",
    "Invalid parameter (e.g. NULL pointer)",
    "The operation has been aborted",
    "The index is bad or not up-to-date",
    "Index: key length mismatch",
    "Index: key mismatch",
    "Index: extension key mismatch",
    "Index: duplicate key",
    "Index: duplicate extension key",
    "Repair failed",
    "Repair: empty block",
    "File too short",
    "Bad file header",
    "File header CRC error",
    "Bad index file header",
    "Index header CRC error",
    "Bad data block header",
    "Data block CRC error",
    "Bad extension block header",
    "Extension block CRC error",
    "Invalid LZ compress",
    "Decompressed length mismatch",
};

}  // namespace

const char* DbErrorText(int32_t code) {
    if (code < 0 || code >= static_cast<int32_t>(kMessages.size())) return "Unknown error";
    return kMessages[static_cast<size_t>(code)];
}

}  // namespace orvane::store

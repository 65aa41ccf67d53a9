// Importing Internet addresses from a CSV file into the personal address
// book. The first record names the columns: the name column is the first
// called "Name", the address column the first that begins with "E-mail" or
// "EMail" (both without regard to case). Addresses on the network's own
// nodes are left out, and so is an entry the book holds already.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "addressbook/book_file.h"
#include "settings/node_table.h"

namespace orvane::addressbook {

struct CsvImportOutcome {
    size_t added = 0;
    size_t already_kept = 0;
    size_t passed_over = 0;  // records too long, addresses too long
    bool aborted = false;
};

// `personal` may be missing: the import is then refused. A file in UTF-8
// (as spreadsheets write it, with or without a byte-order mark) is
// converted into the book's code page `charset`, a character the code page
// lacks replaced by its nearest form; a file that is no UTF-8 is taken to
// be in the code page already.
platform::Result<CsvImportOutcome> import_csv_addresses(BookFile* personal, const std::string& path,
                                                        const settings::NodeTable& nodes,
                                                        uint8_t charset, platform::Policy& policy,
                                                        platform::Env& env);

// The name made from an address that comes without one: the part before
// '@', at most 55 characters, with each '.' a blank ("ann.lee@x" gives
// "ann lee").
std::string name_from_address(std::string_view address);

}  // namespace orvane::addressbook

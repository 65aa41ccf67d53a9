// Exporting addresses to a CSV file: the objects of chosen nodes (persons,
// conferences or both per node, with an optional column that says what
// each is), or the entries of a group. The first line names the columns:
// "Name,E-mail Address" and ",Info" with the info column.
#pragma once

#include <span>
#include <string>
#include <vector>

#include "addressbook/book_file.h"
#include "settings/node_table.h"

namespace orvane::addressbook {

inline constexpr size_t kMaxExportNodes = 10;

struct NodeChoice {
    NodeKey node = 0;
    bool persons = true;
    bool conferences = true;
};

struct CsvRow {
    std::string name;
    std::string address;
    std::string info;
};

// "conference", or for a person "suspended", "absent" or "active" and " person".
std::string info_of(const AddressObject& object);

// The rows for the objects of the chosen nodes, in node and number order;
// aliases are left out, as they name a person already listed.
platform::Result<std::vector<CsvRow>> node_rows(BookFile& lists, const settings::NodeTable& nodes,
                                                std::span<const NodeChoice> choices);
// The rows for the persons, conferences and Internet addresses of a group
// of the personal book; other members, and members no longer stored, are
// passed over.
platform::Result<std::vector<CsvRow>> group_rows(BookFile& personal, BookFile* lists,
                                                 const settings::NodeTable& nodes, uint16_t group);

struct CsvTarget {
    std::string path;
    bool append = false;  // add to an existing file, without the first line
    bool info = false;
    uint8_t charset = 0;  // the code page of the book's names
};

// Writes the rows in UTF-8, as spreadsheets read it: a new (or empty) file
// starts with a byte-order mark and the first line, and replaces any file
// of that name whole; an appended row starts on a line of its own.
platform::Status write_csv(const CsvTarget& target, std::span<const CsvRow> rows,
                           platform::Env& env);

// `path` with ".csv" when it has no extension.
std::string with_csv_extension(std::string path);

}  // namespace orvane::addressbook

// One import: the files its mode names, logs first, each file parsed and
// filed in one commit of the cabinet, then disposed of by the options.
//
// A file is deleted or moved only after every text in it was stored and
// committed. An import stopped anywhere (an error, a cancel, a killed
// process) leaves its files where they were, and running it again gives the
// cabinet one clean run would have given: listed texts replace themselves
// by their ids, settled items are found settled, notices keep one text per
// author.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "cabinet/cabinet.h"
#include "import/address_book_port.h"
#include "import/dump_parser.h"
#include "import/import_options.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "settings/ini_file.h"
#include "texts/node_names.h"

namespace orvane::import {

enum class Disposal { kKept, kDeleted, kMoved };

struct FileReport {
    std::string path;
    bool address_list = false;
    FilingCounts counts;
    uint32_t updump_errors = 0;
    bool skipped = false;
    Disposal disposal = Disposal::kKept;
    platform::Status error;  // why the file was not (wholly) imported
    // Why an imported file could not be deleted or moved: it stays, and
    // importing it again changes nothing.
    platform::Status disposal_error;
};

struct ImportOutcome {
    std::vector<FileReport> files;
    bool aborted = false;  // the user stopped the import
    // A failure of the cabinet stopped the import; the files from the one
    // that failed on were not read.
    platform::Status error;
    std::optional<uint32_t> last_login;       // to store as the user's last login
    std::optional<std::string> new_password;  // the server asked for a change
    std::vector<std::string> files_to_show;   // the user asked to see these
};

struct ImportContext {
    ImportContext(cabinet::Cabinet& open_cabinet, const texts::NodeNames& node_names,
                  AddressBookPort& address_book, platform::Policy& questions,
                  platform::Env& environment = platform::system_env())
        : cabinet(open_cabinet),
          nodes(node_names),
          book(address_book),
          policy(questions),
          env(environment) {}

    cabinet::Cabinet& cabinet;
    const texts::NodeNames& nodes;
    AddressBookPort& book;
    platform::Policy& policy;
    platform::Env& env;
    // The user's settings file with the list of files waiting for import
    // (modes 1 and 2), and the user's folder; may be missing otherwise.
    settings::IniFile* user_file = nullptr;
    std::string user_folder;
};

// Runs one import. `files` are the files of modes 0 (a folder stands for
// the files in it that the import takes) and 2; mode 1 reads the waiting
// list and mode 3 the import folder (`import_dir`).
ImportOutcome run_import(ImportContext& context, const ImportOptions& options,
                         const std::vector<std::string>& files, const std::string& import_dir = {});

}  // namespace orvane::import

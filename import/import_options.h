// The settings an import runs with, taken from the user's settings once, so
// that the parser and the filing read plain values.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "cabinet/filing_rules.h"
#include "settings/user_settings.h"
#include "texts/dates.h"
#include "texts/node_names.h"

namespace orvane::import {

// Who started the import, which decides the files and what happens to them.
enum class ImportMode {
    kByHand = 0,        // files the user named
    kAtStart = 1,       // the files left in the pending list by an earlier session
    kAfterSession = 2,  // the files a batch session has just downloaded
    kImportDir = 3,     // every file of the import directory that the import takes
};

struct ImportOptions {
    ImportMode mode = ImportMode::kByHand;
    // The user's home node; the files of modes 1 and 2 come from it.
    texts::NodeKey home_node = 0;
    // The answer given beforehand to the question for the node of a file
    // that does not name it; 0 to ask.
    texts::NodeKey node_for_unnamed = 0;

    // What happens to an imported file.
    bool delete_imported = true;  // "Delete Imported"
    bool delete_log = true;       // "Delete Log"
    bool move_imported = false;   // "Move Imported", bit 0
    std::string move_imported_to;

    // How texts are built and filed.
    bool fixed_pitch = true;
    int right_margin = 76;
    int charset_variant = 1;  // the default variant of "Character Set"
    std::string attach_dir;   // where bodies too long for a text go
    cabinet::FilingOptions filing;
    std::vector<std::string> own_names;  // the user's name and aliases
    std::string secretary;               // the user's secretary, or empty
    std::array<std::string, 4> bosses;   // the user's bosses, when he has no secretary

    // Messages.
    int show_last_login = 3;  // bit 0: say the previous login; bit 1: the last session
    int list_mail_detailed = 0;
    uint32_t password_changed = 0;  // when the password on the node was last changed
    uint32_t last_login = 0;
    texts::TimeDisplay time_display = texts::TimeDisplay::utc;
    // The user's main cabinet; importing by hand into another one asks first.
    std::string main_cabinet;
};

ImportOptions import_options(const settings::UserValues& values, ImportMode mode);

}  // namespace orvane::import

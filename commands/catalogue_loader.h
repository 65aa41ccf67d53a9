// Loading the command catalogue from "Commands.dat" in the program
// directory, and the user's favourite commands from his settings.
#pragma once

#include <span>
#include <string>

#include "commands/catalogue.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "settings/ini_file.h"

namespace orvane::commands {

inline constexpr const char* kCatalogueFile = "Commands.dat";
inline constexpr const char* kCatalogueResource = "COMMANDS";
// Files of this version or older are replaced by the built-in copy.
inline constexpr int kOldestReplacedVersion = 10;
// A larger file is no catalogue; it is treated as unreadable.
inline constexpr size_t kMaxCatalogueSize = 1 << 20;
inline constexpr const char* kFavouritesSection = "Favorite Commands";

// Loads the catalogue at `path`:
//   1. the built-in copy is written there when no file exists; the file is
//      read;
//   2. when it cannot be read, is too large or its version is 10 or lower,
//      the built-in copy is written over it and read again.
// When the built-in copy cannot be written either, the catalogue is taken
// from the built-in copy itself and the failed write is told to `policy`
// as a notice. Fails only when the built-in copy is unusable.
platform::Result<Catalogue> load_catalogue_file(const std::string& path,
                                                std::span<const unsigned char> builtin,
                                                platform::Policy& policy,
                                                platform::Env& env = platform::system_env());

// The same for "Commands.dat" in the program directory with the program's
// own built-in copy.
platform::Result<Catalogue> load_catalogue(const std::string& program_directory,
                                           platform::Policy& policy,
                                           platform::Env& env = platform::system_env());

// Marks the favourites named in the user's "Favorite Commands"; a key that
// names no command is deleted from the file. The status is that of writing
// the file when a key was deleted.
[[nodiscard]] platform::Status apply_favourites(Catalogue& catalogue, settings::IniFile& user_file);

// Makes `line` a favourite or not, in the catalogue and the file. Refused
// for a topic, for "Manually", and for a menu text that cannot be a key of
// the settings file.
[[nodiscard]] platform::Status set_favourite(Catalogue& catalogue, const CatalogueLine& line,
                                             bool on, settings::IniFile& user_file);

}  // namespace orvane::commands

// The common "Orvane.ini" in the program directory: settings shared by all
// local users. Loaded at start-up, saved when a user is closed and at
// shutdown; only keys whose values changed since loading are written.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "platform/policy.h"
#include "platform/status.h"
#include "settings/ini_file.h"
#include "settings/node_table.h"
#include "settings/settings_version.h"
#include "settings/window_position.h"

namespace orvane::settings {

inline constexpr int kMaxZmodemWindow = 131072;
inline constexpr int kMinZmodemWindow = 1024;

struct CommonValues {
    int version = 0;  // as stored in the file
    int write_protect = 0;
    WindowPosition window_pos;  // of the user selection
    uint32_t last_batch = 0;
    int share_address_book = 0;
    int connection = 0;  // 1-based; 0: the default connection of the node information
    int zmodem_window_up = kMaxZmodemWindow;
    int zmodem_window_down = kMaxZmodemWindow;
    int fixed_costs = 0;
    int costs_per_hour = 0;
    int rounding_of_costs = 1;
    std::string spell_engine;
    int nodes_version = 0;
    // Last download of address changes, by node letter ('A' at index 0);
    // kept for active nodes only.
    std::array<uint32_t, 26> changes_downloaded{};

    bool operator==(const CommonValues&) const = default;
};

class CommonSettings {
  public:
    CommonValues values;

    // Reads the common file of `program_directory`. Returns false when the
    // file comes from a newer version and the user declines to go on. Keeps
    // the file held until close(); what the load changes in the file
    // (upgrades) waits for the next commit.
    bool load(IniCache& cache, const std::string& program_directory, const NodeTable& nodes,
              VersionGate& gate, platform::Policy& policy);
    // Puts the changed keys into the held file, always with this program's
    // version; commit() (or file().commit()) writes it.
    void save();
    // save(), then writes the file.
    [[nodiscard]] platform::Status commit();
    void close() { file_.close(); }

    // The endpoint number to connect to: the stored choice (the first
    // endpoint when it names none), or without a choice the default
    // connection, else the first.
    int chosen_connection(const NodeTable& nodes) const;

    // The common file itself, for the users list and for the sections that
    // their own parts keep in it.
    IniFile& file() { return file_; }
    const std::string& program_directory() const { return program_directory_; }

  private:
    IniFile file_;
    CommonValues loaded_;
    std::string program_directory_;
};

// "X Changes Downloaded" with X the node letter.
std::string changes_downloaded_key(char letter);

}  // namespace orvane::settings

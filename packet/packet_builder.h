// Builds the mail packet from the out-basket: checks the home node, makes the
// dated packet file, writes every item, zips it when asked, records it in the
// upload queue, and moves the written items to the pending boxes. Nothing is
// moved and no file is left behind unless the whole packet was written.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cabinet/cabinet.h"
#include "packet/item_writer.h"
#include "settings/ini_file.h"
#include "settings/node_table.h"

namespace orvane::packet {

enum class PacketMode { kPgp = 0, kZip = 1, kPlain = 2 };

struct PacketSettings {
    std::string folder;       // where packets are made ("Updump Dir")
    std::string user_folder;  // queue keys are relative to it
    PacketMode mode = PacketMode::kZip;
    int zip_level = 5;
    std::string last_updump;  // the last packet's name ("Last Updump")
    PacketPeople people;
};

enum class BuildMode { kInteractive, kAutomatic };

struct BuildOutcome {
    int result = 0;                   // 1 written, 0 nothing to do or busy, -1 failed
    std::string path;                 // the packet to upload
    std::string last_updump;          // the new "Last Updump" when written
    std::vector<texts::TextId> sent;  // the items moved to the pending boxes
    int left_on_other_nodes = 0;
};

// `nodes` may be empty (not loaded); `home_node` is the letter of the user's
// home node, 0 when none is chosen. `now` dates the packet name.
BuildOutcome build_packet(cabinet::Cabinet& cabinet, const settings::NodeTable& nodes,
                          char home_node, const PacketSettings& settings,
                          settings::IniFile& user_file, BuildMode mode, platform::Ui& ui,
                          std::time_t now, uint32_t system_version);

}  // namespace orvane::packet

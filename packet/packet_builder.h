// Builds the mail packet from the out-basket in three steps:
//  1. plan and write: the dated packet file with every item (zipped when
//     asked); a failure deletes the file and changes nothing else;
//  2. commit the cabinet: the written items move to the pending boxes and
//     the items with nothing to send leave the out-basket, in one commit;
//  3. record the packet in the upload queue, last.
// If step 3 fails, step 2 is undone. Afterwards every item is either in the
// queued packet and pending, or still in the out-basket and in no queued
// packet; never both, never neither.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "cabinet/cabinet.h"
#include "packet/item_writer.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "platform/status.h"
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

struct BuiltPacket {
    std::string path;                 // the packet to upload
    std::string last_updump;          // the new "Last Updump"
    std::vector<texts::TextId> sent;  // the items moved to the pending boxes
    int left_on_other_nodes = 0;      // items that stay (the policy was told)
};

// `nodes` may be empty (not loaded); `home_node` is the letter of the user's
// home node, 0 when none is chosen. `now` dates the packet name. With an
// empty out-basket, or nothing in it for the home node, the status is
// kNoMailToSend (an unattended caller passes over it). Files and time go
// through `env`; questions (an attached file that is missing) through the
// policy.
platform::Result<BuiltPacket> build_packet(cabinet::Cabinet& cabinet,
                                           const settings::NodeTable& nodes, char home_node,
                                           const PacketSettings& settings,
                                           settings::IniFile& user_file, platform::Policy& policy,
                                           std::time_t now, uint32_t system_version,
                                           platform::Env& env = platform::system_env());

}  // namespace orvane::packet

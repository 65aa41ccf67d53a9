// What the user sends, as every front end needs it: new out-basket items
// written with the user's details, and the mail packet built from the
// out-basket with the user's settings. The command line and the full-screen
// reader call these; they only gather input and show the outcome.
#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <string>

#include "cabinet/cabinet.h"
#include "packet/compose.h"
#include "packet/packet_builder.h"
#include "platform/env.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "settings/node_table.h"
#include "settings/user_settings.h"

namespace orvane::app {

// Who writes, taken from the user's settings.
packet::Writer writer_for(const settings::UserSettings& user);

// Makes a new item with a fresh local number (`make` may refuse with a
// status) and files it into the Out-Basket. Gives the item's identifier.
platform::Result<texts::TextId> store_new_item(
    cabinet::Cabinet& cabinet,
    const std::function<platform::Result<texts::TextRecord>(texts::TextId)>& make);

// Builds the mail packet of the user into his "Updump Dir" (made when
// missing), as plain or zipped as his settings say unless `mode` is given,
// and keeps the packet's name as the last one for the next dated name.
platform::Result<packet::BuiltPacket> build_user_packet(
    cabinet::Cabinet& cabinet, const settings::NodeTable& nodes, settings::UserSettings& user,
    const std::string& user_folder, std::optional<packet::PacketMode> mode,
    platform::Policy& policy, uint32_t system_version, platform::Env& env = platform::system_env());

}  // namespace orvane::app

// The packets that wait for upload: section "Updump" of the user's settings
// file, one key per packet (its file name, relative to the user's folder when
// it lies inside it) whose value lists the texts it carries.
#pragma once

#include <string>
#include <vector>

#include "settings/ini_file.h"
#include "texts/text_id.h"

namespace orvane::packet {

struct QueuedPacket {
    std::string path;   // absolute
    std::string texts;  // the identifiers, as recorded
};

// "T123 456": each identifier as its node letter (when it has one) and number.
std::string text_list(const std::vector<texts::TextId>& ids);

void record_packet(settings::IniFile& user_file, const std::string& packet_path,
                   const std::string& user_folder, const std::vector<texts::TextId>& ids);

// Takes a packet off the queue without touching its files.
void forget_packet(settings::IniFile& user_file, const std::string& packet_path,
                   const std::string& user_folder);

std::vector<QueuedPacket> queued_packets(settings::IniFile& user_file,
                                         const std::string& user_folder);

// After the server accepted `uploaded` (the ".upd" itself or its ".zip"):
// takes it off the queue, deletes the ".upd" when `delete_updumped` is on,
// and always deletes an uploaded file that was not the ".upd".
void dispose_packet(settings::IniFile& user_file, const std::string& uploaded,
                    const std::string& user_folder, bool delete_updumped);

}  // namespace orvane::packet

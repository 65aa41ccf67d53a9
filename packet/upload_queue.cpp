#include "packet/upload_queue.h"

#include <cstdio>

#include "platform/directories.h"

namespace orvane::packet {

namespace {

constexpr const char* kSection = "Updump";

std::string queue_key(const std::string& path, const std::string& user_folder) {
    std::string prefix = user_folder;
    if (!prefix.empty() && prefix.back() != '/') prefix += '/';
    if (!prefix.empty() && path.size() > prefix.size() &&
        path.compare(0, prefix.size(), prefix) == 0) {
        return path.substr(prefix.size());
    }
    return path;
}

std::string with_extension(const std::string& path, const char* extension) {
    size_t slash = path.find_last_of('/');
    size_t dot = path.find_last_of('.');
    std::string stem = dot != std::string::npos && (slash == std::string::npos || dot > slash)
                           ? path.substr(0, dot)
                           : path;
    return stem + extension;
}

}  // namespace

std::string text_list(const std::vector<texts::TextId>& ids) {
    std::string list;
    for (texts::TextId id : ids) {
        if (!list.empty()) list += ' ';
        if (texts::NodeKey key = texts::node_key_of(id)) list += static_cast<char>(key);
        list += std::to_string(texts::number_of(id));
    }
    return list;
}

void record_packet(settings::IniFile& user_file, const std::string& packet_path,
                   const std::string& user_folder, const std::vector<texts::TextId>& ids) {
    user_file.put_string(kSection, queue_key(packet_path, user_folder), text_list(ids));
}

void forget_packet(settings::IniFile& user_file, const std::string& packet_path,
                   const std::string& user_folder) {
    user_file.delete_key(kSection, queue_key(packet_path, user_folder));
}

std::vector<QueuedPacket> queued_packets(settings::IniFile& user_file,
                                         const std::string& user_folder) {
    std::vector<QueuedPacket> packets;
    for (const std::string& key : user_file.keys(kSection)) {
        std::string path = key.front() == '/' ? key : platform::join_path(user_folder, key);
        packets.push_back({path, user_file.get_string(kSection, key)});
    }
    return packets;
}

void dispose_packet(settings::IniFile& user_file, const std::string& uploaded,
                    const std::string& user_folder, bool delete_updumped) {
    forget_packet(user_file, uploaded, user_folder);
    std::string updump = with_extension(uploaded, ".upd");
    if (delete_updumped) std::remove(updump.c_str());
    if (uploaded != updump) std::remove(uploaded.c_str());
}

}  // namespace orvane::packet

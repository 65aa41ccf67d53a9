#include "app/outgoing.h"

#include "cabinet/fixed_boxes.h"
#include "platform/directories.h"
#include "platform/file.h"

namespace orvane::app {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

packet::PacketSettings packet_settings(const settings::UserSettings& user,
                                       const std::string& user_folder) {
    const settings::UserValues& values = user.values;
    packet::PacketSettings settings;
    settings.folder = values.orvane.updump_dir.empty() ? platform::join_path(user_folder, "UP")
                                                       : values.orvane.updump_dir;
    settings.user_folder = user_folder;
    settings.mode = static_cast<packet::PacketMode>(values.login.upload_how);
    settings.zip_level = values.options.zip_level;
    settings.last_updump = values.orvane.last_updump;
    settings.people.secretary = values.user.boss_count() > 0;
    settings.people.names = {values.user.name, values.user.boss, values.user.boss2,
                             values.user.boss3, values.user.boss4};
    return settings;
}

}  // namespace

packet::Writer writer_for(const settings::UserSettings& user) {
    packet::Writer writer;
    writer.author.text = user.values.user.name;
    writer.look.fixed_pitch = user.values.options.fixed_pitch != 0;
    writer.look.right_margin = user.values.options.right_margin;
    writer.charset_variant = user.values.options.character_set & 7;
    return writer;
}

Result<texts::TextId> store_new_item(
    cabinet::Cabinet& cabinet,
    const std::function<Result<texts::TextRecord>(texts::TextId)>& make) {
    if (Status status = cabinet.check_writable(); !status.ok()) return status;
    Result<texts::TextId> id = cabinet.next_local_id();
    if (!id.ok()) return id.take_status();
    Result<texts::TextRecord> text = make(*id);
    if (!text.ok()) return text.take_status();
    if (Status status = cabinet.file_text(*text, cabinet::box::kOutBasket); !status.ok())
        return status;
    return text->id;
}

Result<packet::BuiltPacket> build_user_packet(
    cabinet::Cabinet& cabinet, const settings::NodeTable& nodes, settings::UserSettings& user,
    const std::string& user_folder, std::optional<packet::PacketMode> mode,
    platform::Policy& policy, uint32_t system_version, platform::Env& env) {
    packet::PacketSettings settings = packet_settings(user, user_folder);
    if (mode) settings.mode = *mode;
    if (int error = platform::make_directories(settings.folder))
        return Status::file(MessageId::kCannotWriteFile, settings.folder, error);
    Result<packet::BuiltPacket> built =
        packet::build_packet(cabinet, nodes, static_cast<char>(user.values.user.node), settings,
                             user.file(), policy, env.now_utc(), system_version, env);
    if (!built.ok()) return built;
    user.values.orvane.last_updump = built->last_updump;
    user.save();
    // The packet is queued and its items are pending; a name that is not
    // remembered only means the next packet of the day looks further.
    if (Status saved = user.file().commit(); !saved.ok()) policy.notice(saved);
    return built;
}

}  // namespace orvane::app

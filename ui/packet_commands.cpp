// orvane packet: make the mail packet from the Out-Basket, and list the
// packets waiting for upload.
#include <cstdio>
#include <memory>

#include "app/outgoing.h"
#include "packet/packet_builder.h"
#include "packet/upload_queue.h"
#include "platform/directories.h"
#include "platform/file.h"
#include "platform/system.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

int build(CliContext& context, bool zip, bool plain) {
    CabinetAccess access(context);
    if (!access.open()) return 1;
    settings::UserSettings* user = access.user_settings();
    if (!user) {
        print_error("a mail packet is made for a user; give --user");
        return 1;
    }
    std::optional<packet::PacketMode> mode;
    if (zip) mode = packet::PacketMode::kZip;
    if (plain) mode = packet::PacketMode::kPlain;
    platform::Result<packet::BuiltPacket> built =
        app::build_user_packet(access.cabinet(), access.nodes(), *user, access.user_folder(), mode,
                               context.ui, platform::system_version_word());
    if (!built.ok() && built.status().id() == platform::MessageId::kNoMailToSend) {
        std::fprintf(stderr, "%s\n", built.status().text().c_str());
        return 0;
    }
    if (!succeeded(built.status())) return 1;
    std::printf("%s\n", built->path.c_str());
    return 0;
}

int list(CliContext& context) {
    CabinetAccess access(context);
    if (!access.path()) return 1;
    settings::UserSettings* user = access.user_settings();
    if (!user) {
        print_error("the upload queue belongs to a user; give --user");
        return 1;
    }
    auto packets = packet::queued_packets(user->file(), access.user_folder());
    if (context.json) {
        std::printf("[");
        for (size_t i = 0; i < packets.size(); ++i) {
            std::printf("%s{\"path\": %s, \"texts\": %s, \"present\": %s}", i ? ", " : "",
                        json_quote(packets[i].path).c_str(), json_quote(packets[i].texts).c_str(),
                        platform::file_exists(packets[i].path) ? "true" : "false");
        }
        std::printf("]\n");
        return 0;
    }
    if (packets.empty()) std::printf("No packet waits for upload.\n");
    for (const auto& p : packets) {
        std::printf("%s%s\n  texts: %s\n", p.path.c_str(),
                    platform::file_exists(p.path) ? "" : " (missing)", p.texts.c_str());
    }
    return 0;
}

}  // namespace

void add_packet_commands(CLI::App& app, CliContext& context) {
    auto* packet = app.add_subcommand(
        "packet", "Make the mail packet from the Out-Basket, or list the upload queue");
    packet->require_subcommand(1);
    auto flags = std::make_shared<std::pair<bool, bool>>();
    auto* build_command =
        packet->add_subcommand("build",
                               "Write the Out-Basket into a new mail packet and print its path; "
                               "the items move to the pending boxes");
    auto* zip = build_command->add_flag("--zip", flags->first, "Pack it into a ZIP archive");
    build_command->add_flag("--plain", flags->second, "Leave it as plain text")->excludes(zip);
    build_command->callback(
        [&context, flags] { context.exit_code = build(context, flags->first, flags->second); });
    auto* list_command =
        packet->add_subcommand("list", "The packets that wait for upload, with their texts");
    list_command->callback([&context] { context.exit_code = list(context); });
}

}  // namespace orvane::ui

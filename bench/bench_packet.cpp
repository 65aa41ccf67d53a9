// The mail packet: building a packet of 10,000 texts of about 2 KiB from the
// Out-Basket, and zipping it beside `zip -6` of the same file, in one run.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "cabinet/cabinet.h"
#include "cabinet/fixed_boxes.h"
#include "packet/packet_builder.h"
#include "packet/zip_writer.h"
#include "platform/scripted_ui.h"
#include "settings/ini_file.h"

namespace {

using namespace orvane;
using Clock = std::chrono::steady_clock;

constexpr int kTexts = 10000;

double seconds_since(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// About 2 KiB of English-like lines.
std::string body(std::mt19937& random) {
    static const char* const kWords[] = {
        "the",   "meeting", "garden", "letter", "conference", "tomorrow", "after", "with",
        "about", "summer",  "roses",  "and",    "we",         "will",     "see",   "you"};
    std::string text, line;
    while (text.size() < 2048) {
        line += kWords[random() % 16];
        line += ' ';
        if (line.size() > 60) {
            text += line + "\n";
            line.clear();
        }
    }
    return text;
}

}  // namespace

int main() {
    const std::string dir = std::filesystem::temp_directory_path() /
                            ("orvane-bench-packet-" + std::to_string(getpid()));
    std::filesystem::create_directories(dir + "/UP");
    platform::ScriptedUi ui;
    {
        auto created = cabinet::Cabinet::create(dir + "/fcabinet.cab", {}, ui);
        if (!created.ok()) return 1;
        std::unique_ptr<cabinet::Cabinet> cabinet = std::move(*created);
        std::mt19937 random(5);
        for (int i = 0; i < kTexts; ++i) {
            texts::TextRecord text;
            auto id = cabinet->next_local_id();
            if (!id.ok()) return 1;
            text.id = *id;
            text.subject = "Subject " + std::to_string(i);
            text.body = body(random);
            text.width = 76;
            texts::ReceiverEntry to;
            to.code = texts::HeaderCode::kTo;
            to.name.text = "Conference " + std::to_string(i % 50);
            text.receivers.push_back(to);
            if (!cabinet->file_text(text, cabinet::box::kOutBasket).ok()) return 1;
        }
        settings::NodeTable nodes;
        nodes.nodes = {{'T', "TELVA", "", true, "", {}}};
        settings::IniCache cache;
        settings::IniFile user_file = cache.open(dir, "Orvane.ini");
        packet::PacketSettings settings;
        settings.folder = dir + "/UP";
        settings.user_folder = dir;
        settings.mode = packet::PacketMode::kPlain;

        auto start = Clock::now();
        auto outcome = packet::build_packet(*cabinet, nodes, 'T', settings, user_file, ui,
                                            std::time(nullptr), 6);
        double build_seconds = seconds_since(start);
        if (!outcome.ok()) return 1;
        double megabytes = static_cast<double>(std::filesystem::file_size(outcome->path)) / 1e6;
        std::printf("%-58s %10.1f MB/s (%.1f MB in %.2f s)\n", "packet build, 10000 texts of 2 KiB",
                    megabytes / build_seconds, megabytes, build_seconds);

        start = Clock::now();
        if (packet::zip_file(outcome->path, 6) != 0) return 1;
        double ours = seconds_since(start);
        std::string peer_zip = dir + "/peer.zip";
        start = Clock::now();
        if (std::system(("zip -6 -q -j '" + peer_zip + "' '" + outcome->path + "'").c_str()) != 0)
            return 1;
        double peer = seconds_since(start);
        std::printf("%-58s ours %10.3f s   zip -6 %10.3f s   ratio %.2f\n",
                    "zip the plain packet (level 6)", ours, peer, ours / peer);
        std::printf(
            "%-58s ours %10.0f B   zip -6 %10.0f B   ratio %.2f\n", "zipped size",
            static_cast<double>(std::filesystem::file_size(packet::zip_target_path(outcome->path))),
            static_cast<double>(std::filesystem::file_size(peer_zip)),
            static_cast<double>(
                std::filesystem::file_size(packet::zip_target_path(outcome->path))) /
                static_cast<double>(std::filesystem::file_size(peer_zip)));
    }
    std::filesystem::remove_all(dir);
    return 0;
}

// The mail packet: building a packet of 10,000 texts of about 2 KiB from the
// Out-Basket, and zipping it beside `zip -6` of the same file, in one run.
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "bench/bench_support.h"
#include "cabinet/cabinet.h"
#include "cabinet/fixed_boxes.h"
#include "packet/packet_builder.h"
#include "packet/zip_writer.h"
#include "platform/scripted_ui.h"
#include "settings/ini_file.h"

namespace {

using namespace orvane;
using namespace orvane::bench;

constexpr int kTexts = 10000;

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
    const ScratchFolder scratch("packet");
    std::filesystem::create_directories(scratch.file("UP"));
    platform::ScriptedUi ui;
    auto created = cabinet::Cabinet::create(scratch.file("fcabinet.cab"), {}, ui);
    check(created.status(), "create");
    std::unique_ptr<cabinet::Cabinet> cabinet = std::move(*created);
    std::mt19937 random(5);
    for (int i = 0; i < kTexts; ++i) {
        texts::TextRecord text;
        auto id = cabinet->next_local_id();
        check(id.status(), "next local id");
        text.id = *id;
        text.subject = "Subject " + std::to_string(i);
        text.body = body(random);
        text.width = 76;
        texts::ReceiverEntry to;
        to.code = texts::HeaderCode::kTo;
        to.name.text = "Conference " + std::to_string(i % 50);
        text.receivers.push_back(to);
        check(cabinet->file_text(text, cabinet::box::kOutBasket), "file");
    }
    settings::NodeTable nodes;
    nodes.nodes = {{'T', "TELVA", "", true, "", {}}};
    settings::IniCache cache;
    settings::IniFile user_file = cache.open(scratch.path(), "Orvane.ini");
    packet::PacketSettings settings;
    settings.folder = scratch.file("UP");
    settings.user_folder = scratch.path();
    settings.mode = packet::PacketMode::kPlain;

    auto start = Clock::now();
    auto outcome =
        packet::build_packet(*cabinet, nodes, 'T', settings, user_file, ui, std::time(nullptr), 6);
    double build_seconds = seconds_since(start);
    check(outcome.status(), "packet build");
    double megabytes = static_cast<double>(std::filesystem::file_size(outcome->path)) / 1e6;
    std::printf("%-*s ours %10.1f MB/s (%.1f MB in %.2f s)\n", kWhatColumn,
                "packet build, 10000 texts of 2 KiB", megabytes / build_seconds, megabytes,
                build_seconds);

    start = Clock::now();
    check(packet::zip_file(outcome->path, 6) == 0, "zip");
    double ours = seconds_since(start);
    std::string peer_zip = scratch.file("peer.zip");
    start = Clock::now();
    check(std::system(("zip -6 -q -j '" + peer_zip + "' '" + outcome->path + "'").c_str()) == 0,
          "zip -6");
    double peer = seconds_since(start);
    ratio_line("zip the plain packet (level 6)", ours, "zip -6", peer, "s");
    ratio_line(
        "zipped size",
        static_cast<double>(std::filesystem::file_size(packet::zip_target_path(outcome->path))),
        "zip -6", static_cast<double>(std::filesystem::file_size(peer_zip)), "B");
    return 0;
}

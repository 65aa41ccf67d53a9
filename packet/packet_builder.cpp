#include "packet/packet_builder.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>
#include <unordered_set>

#include "cabinet/db_lock.h"
#include "cabinet/fixed_boxes.h"
#include "packet/file_names.h"
#include "packet/packet_header.h"
#include "packet/upload_queue.h"
#include "packet/zip_writer.h"
#include "platform/file.h"

namespace orvane::packet {

namespace {

bool g_building = false;  // the builder is not re-entrant

class BuildingMark {
  public:
    BuildingMark() { g_building = true; }
    ~BuildingMark() { g_building = false; }
};

const char* extension_of(PacketMode mode) {
    switch (mode) {
        case PacketMode::kPgp:
            return ".pgp";
        case PacketMode::kZip:
            return ".zip";
        case PacketMode::kPlain:
            return ".upd";
    }
    return ".upd";
}

std::string base_name(const std::string& path) {
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string replace_extension(const std::string& path, const char* extension) {
    size_t dot = path.find_last_of('.');
    return path.substr(0, dot) + extension;
}

bool check_home_node(const settings::NodeTable& nodes, char home_node, platform::Ui& ui) {
    if (nodes.nodes.empty()) {
        ui.message(101, {"NodeInfo.ini"});
        return false;
    }
    const settings::NodeEntry* home = home_node ? nodes.by_letter(home_node) : nullptr;
    if (!home) {
        ui.message(102);
        return false;
    }
    if (!home->active) {
        ui.message(103, {home->name});
        return false;
    }
    return true;
}

// Takes an item that carries nothing to send out of the out-basket. One that
// lives nowhere else goes to the Waste-Basket rather than being lost.
void take_out_of_out_basket(cabinet::Cabinet& cabinet, const texts::TextRecord& item) {
    if (item.boxes.size() > 1) {
        cabinet.remove_from_box(item.id, cabinet::box::kOutBasket);
    } else {
        cabinet.move_text(item.id, cabinet::box::kOutBasket, cabinet::box::kWasteBasket);
    }
}

// Moves the written items to 'Pending Sent Mail' or 'Pending Sent Commands'
// in one writing period, rewriting each box list once rather than once per
// text. A text names its boxes, so a repair after an interruption rebuilds
// lists that did not get written.
void move_to_pending_boxes(cabinet::Cabinet& cabinet, std::vector<texts::TextRecord>& items) {
    namespace box = cabinet::box;
    cabinet::DbLockGuard lock(cabinet.db());
    std::optional<cabinet::BoxList> out = cabinet.read_box_list(box::kOutBasket);
    std::optional<cabinet::BoxList> mail = cabinet.read_box_list(box::kPendingSentMail);
    std::optional<cabinet::BoxList> commands = cabinet.read_box_list(box::kPendingSentCommands);
    if (!out || !mail || !commands) return;  // the error was shown; the items stay

    std::unordered_map<texts::TextId, uint32_t> stamps;
    for (size_t i = 0; i < out->ids.size(); ++i) stamps[out->ids[i]] = out->stamps[i];
    std::unordered_set<texts::TextId> moved;
    for (texts::TextRecord& item : items) {
        bool command = is_command(item);
        uint16_t target = command ? box::kPendingSentCommands : box::kPendingSentMail;
        cabinet::BoxList& list = command ? *commands : *mail;
        if (list.ids.size() >= cabinet::kMaxBoxTexts) {
            cabinet.move_text(item.id, box::kOutBasket,
                              target);  // refuses, and says the box is full
            continue;
        }
        std::erase(item.boxes, box::kOutBasket);
        if (std::find(item.boxes.begin(), item.boxes.end(), target) == item.boxes.end())
            item.boxes.push_back(target);
        if (!cabinet.write_text(item)) continue;
        moved.insert(item.id);
        list.ids.push_back(item.id);
        list.stamps.push_back(stamps[item.id]);
    }
    cabinet::BoxList remaining;
    for (size_t i = 0; i < out->ids.size(); ++i) {
        if (moved.count(out->ids[i])) continue;
        remaining.ids.push_back(out->ids[i]);
        remaining.stamps.push_back(out->stamps[i]);
    }
    cabinet.write_box_list(box::kOutBasket, remaining);
    cabinet.write_box_list(box::kPendingSentMail, *mail);
    cabinet.write_box_list(box::kPendingSentCommands, *commands);
}

struct WrittenPacket {
    std::vector<texts::TextRecord> written;
    std::vector<texts::TextRecord> empty;
    int other_nodes = 0;
};

// Writes the packet file; on failure deletes it and returns false.
bool write_packet_file(cabinet::Cabinet& cabinet, const std::vector<texts::TextId>& items,
                       const std::string& path, char home_node, const PacketSettings& settings,
                       platform::Ui& ui, std::time_t now, uint32_t system_version,
                       WrittenPacket* out) {
    PacketFile file;
    if (file.create(path)) {
        ui.message(132, {path});
        return false;
    }
    auto fail = [&](bool report) {
        (void)file.close();
        std::remove(path.c_str());
        if (report) ui.message(132, {path});
        return false;
    };
    file.line(version_line(system_version));
    file.line(time_zone_line(now));
    // One lock period for all the reads, instead of one per text.
    cabinet::DbLockGuard lock(cabinet.db());
    ItemWriter writer(file, settings.people, static_cast<texts::NodeKey>(home_node), ui);
    for (texts::TextId id : items) {
        std::optional<texts::TextRecord> item = cabinet.read_text(id);
        if (!item) continue;  // damaged or gone: the cabinet said so
        switch (writer.write(*item)) {
            case ItemResult::kWritten:
                out->written.push_back(std::move(*item));
                break;
            case ItemResult::kNothingToSend:
                out->empty.push_back(std::move(*item));
                break;
            case ItemResult::kOtherNode:
                ++out->other_nodes;
                break;
            case ItemResult::kAborted:
                return fail(false);
        }
        if (file.flush()) return fail(true);
    }
    if (file.close()) {
        std::remove(path.c_str());
        ui.message(132, {path});
        return false;
    }
    return true;
}

}  // namespace

BuildOutcome build_packet(cabinet::Cabinet& cabinet, const settings::NodeTable& nodes,
                          char home_node, const PacketSettings& settings,
                          settings::IniFile& user_file, BuildMode mode, platform::Ui& ui,
                          std::time_t now, uint32_t system_version) {
    BuildOutcome outcome;
    if (g_building) return outcome;
    BuildingMark building;

    std::optional<cabinet::BoxList> out_basket = cabinet.read_box_list(cabinet::box::kOutBasket);
    if (!out_basket) {
        outcome.result = -1;
        return outcome;
    }
    if (out_basket->ids.empty()) {
        if (mode == BuildMode::kInteractive) ui.message(41);
        return outcome;
    }
    if (!check_home_node(nodes, home_node, ui)) {
        outcome.result = -1;
        return outcome;
    }
    if (cabinet.refuse_if_read_only()) {
        outcome.result = -1;
        return outcome;
    }

    std::optional<std::string> updump =
        make_dated_name(settings.folder, home_node, ".upd", settings.last_updump, now);
    if (!updump) {
        char pattern[48];
        std::tm local{};
        localtime_r(&now, &local);
        std::snprintf(pattern, sizeof pattern, "%c%02d%02d%02d?.upd", home_node,
                      local.tm_year % 100, local.tm_mon + 1, local.tm_mday);
        ui.message(104, {pattern});
        outcome.result = -1;
        return outcome;
    }
    PacketMode packet_mode = settings.mode == PacketMode::kPgp ? PacketMode::kZip : settings.mode;
    std::string final_path = replace_extension(*updump, extension_of(packet_mode));

    WrittenPacket packet;
    if (!write_packet_file(cabinet, out_basket->ids, *updump, home_node, settings, ui, now,
                           system_version, &packet)) {
        outcome.result = -1;
        return outcome;
    }
    for (const auto& item : packet.empty) take_out_of_out_basket(cabinet, item);
    if (packet_mode == PacketMode::kZip) {
        std::remove(final_path.c_str());
        if (zip_file(*updump, settings.zip_level) != 0) {
            std::remove(updump->c_str());
            ui.message(105, {*updump});
            outcome.result = -1;
            return outcome;
        }
    }

    for (const auto& item : packet.written) outcome.sent.push_back(item.id);
    record_packet(user_file, final_path, settings.user_folder, outcome.sent);
    outcome.last_updump = base_name(*updump);

    move_to_pending_boxes(cabinet, packet.written);
    if (packet.other_nodes) {
        const settings::NodeEntry* home = nodes.by_letter(home_node);
        ui.message(42, {home ? home->name : std::string(1, home_node)});
    }
    outcome.left_on_other_nodes = packet.other_nodes;
    outcome.path = final_path;
    outcome.result = 1;
    return outcome;
}

}  // namespace orvane::packet

#include "packet/packet_builder.h"

#include <algorithm>
#include <cstdio>
#include <unordered_map>

#include "cabinet/db_lock.h"
#include "cabinet/fixed_boxes.h"
#include "packet/file_names.h"
#include "packet/packet_header.h"
#include "packet/upload_queue.h"
#include "packet/zip_writer.h"
#include "platform/file.h"

namespace orvane::packet {

namespace {

using platform::MessageId;
using platform::Result;
using platform::Status;
namespace box = cabinet::box;

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

Status check_home_node(const settings::NodeTable& nodes, char home_node) {
    if (nodes.nodes.empty()) return Status::message(MessageId::kNodeFileBad, {"NodeInfo.ini"});
    const settings::NodeEntry* home = home_node ? nodes.by_letter(home_node) : nullptr;
    if (!home) return Status::message(MessageId::kNoNodeSelected);
    if (!home->active) return Status::message(MessageId::kNodeInactive, {home->name});
    return Status();
}

// One item changing boxes: it leaves `from` and, when `to` is set, joins it.
struct Move {
    texts::TextRecord item;
    uint16_t from = 0;
    std::optional<uint16_t> to;
};

// The moves of the items: written ones go to the pending boxes; those with
// nothing to send leave the out-basket, for the Waste-Basket when the
// out-basket was their only box, so that nothing is lost.
std::vector<Move> plan_moves(std::vector<texts::TextRecord> written,
                             std::vector<texts::TextRecord> empty) {
    std::vector<Move> moves;
    for (auto& item : written) {
        const uint16_t target =
            is_command(item) ? box::kPendingSentCommands : box::kPendingSentMail;
        moves.push_back({std::move(item), box::kOutBasket, target});
    }
    for (auto& item : empty) {
        std::optional<uint16_t> target;
        if (item.boxes.size() <= 1) target = box::kWasteBasket;
        moves.push_back({std::move(item), box::kOutBasket, target});
    }
    return moves;
}

// The same moves the other way round.
std::vector<Move> reversed(const std::vector<Move>& moves) {
    std::vector<Move> back;
    for (const Move& move : moves) {
        if (move.to) back.push_back({move.item, *move.to, move.from});
    }
    return back;
}

// Carries out every move in one commit: each text is rewritten once with
// its new boxes, each box list once. Leaves the cabinet as it was when any
// step fails.
Status carry_out(cabinet::Cabinet& cabinet, std::vector<Move>& moves) {
    cabinet::FilingBatch batch(cabinet);
    if (!batch.status().ok()) return batch.status();
    std::unordered_map<uint16_t, cabinet::BoxList> lists;
    auto list_of = [&](uint16_t number) -> Result<cabinet::BoxList*> {
        auto found = lists.find(number);
        if (found != lists.end()) return &found->second;
        Result<cabinet::BoxList> read = cabinet.read_box_list(number);
        if (!read.ok()) return read.take_status();
        return &(lists[number] = std::move(*read));
    };
    for (Move& move : moves) {
        Result<cabinet::BoxList*> from = list_of(move.from);
        if (!from.ok()) return from.take_status();
        uint32_t stamp = 0;
        cabinet::BoxList& source = **from;
        if (auto at = std::find(source.ids.begin(), source.ids.end(), move.item.id);
            at != source.ids.end()) {
            const auto index = at - source.ids.begin();
            stamp = source.stamps[index];
            source.ids.erase(at);
            source.stamps.erase(source.stamps.begin() + index);
        }
        std::erase(move.item.boxes, move.from);
        if (move.to) {
            Result<cabinet::BoxList*> to = list_of(*move.to);
            if (!to.ok()) return to.take_status();
            cabinet::BoxList& target = **to;
            if (target.ids.size() >= cabinet::kMaxBoxTexts)
                return Status::message(
                    MessageId::kBoxFull,
                    {cabinet.boxes().find(*move.to) ? cabinet.boxes().find(*move.to)->name
                                                    : std::to_string(*move.to)});
            if (std::find(target.ids.begin(), target.ids.end(), move.item.id) == target.ids.end()) {
                target.ids.push_back(move.item.id);
                target.stamps.push_back(stamp);
            }
            if (std::find(move.item.boxes.begin(), move.item.boxes.end(), *move.to) ==
                move.item.boxes.end())
                move.item.boxes.push_back(*move.to);
        }
        if (Status status = cabinet.write_text(move.item); !status.ok()) return status;
    }
    for (const auto& [number, list] : lists)
        if (Status status = cabinet.write_box_list(number, list); !status.ok()) return status;
    return batch.commit();
}

struct WrittenPacket {
    std::vector<texts::TextRecord> written;
    std::vector<texts::TextRecord> empty;
    int other_nodes = 0;
};

// Writes the packet file; on failure deletes it.
Result<WrittenPacket> write_packet_file(cabinet::Cabinet& cabinet,
                                        const std::vector<texts::TextId>& items,
                                        const std::string& path, char home_node,
                                        const PacketSettings& settings, platform::Policy& policy,
                                        std::time_t now, uint32_t system_version,
                                        platform::Env& env) {
    PacketFile file(env);
    if (int error = file.create(path))
        return Status::file(MessageId::kCannotWriteFile, path, error);
    auto fail = [&](Status status) {
        (void)file.close();      // the first error is the one to report
        (void)env.unlink(path);  // a half packet must not stay behind
        return status;
    };
    file.line(version_line(system_version));
    file.line(time_zone_line(now));
    // One lock period for all the reads, instead of one per text.
    cabinet::DbLockGuard lock(cabinet.db());
    ItemWriter writer(file, settings.people, static_cast<texts::NodeKey>(home_node), policy, env);
    WrittenPacket packet;
    for (texts::TextId id : items) {
        Result<std::optional<texts::TextRecord>> item = cabinet.read_text(id);
        if (!item.ok() && item.status().id() == MessageId::kTextDamaged) {
            policy.notice(item.status());  // lost already; the rest still goes
            continue;
        }
        if (!item.ok()) return fail(item.take_status());
        if (!*item) continue;  // gone since the list was read
        switch (writer.write(**item)) {
            case ItemResult::kWritten:
                packet.written.push_back(std::move(**item));
                break;
            case ItemResult::kNothingToSend:
                packet.empty.push_back(std::move(**item));
                break;
            case ItemResult::kOtherNode:
                ++packet.other_nodes;
                break;
            case ItemResult::kAborted:
                return fail(Status::cancelled());
        }
        if (int error = file.flush())
            return fail(Status::file(MessageId::kCannotWriteFile, path, error));
    }
    if (int error = file.close()) {
        (void)env.unlink(path);  // the close's error is the one to report
        return Status::file(MessageId::kCannotWriteFile, path, error);
    }
    return packet;
}

std::string used_up_pattern(char home_node, std::time_t now) {
    char pattern[48];
    std::tm local{};
    localtime_r(&now, &local);
    std::snprintf(pattern, sizeof pattern, "%c%02d%02d%02d?.upd", home_node, local.tm_year % 100,
                  local.tm_mon + 1, local.tm_mday);
    return pattern;
}

}  // namespace

Result<BuiltPacket> build_packet(cabinet::Cabinet& cabinet, const settings::NodeTable& nodes,
                                 char home_node, const PacketSettings& settings,
                                 settings::IniFile& user_file, platform::Policy& policy,
                                 std::time_t now, uint32_t system_version, platform::Env& env) {
    if (g_building) return Status::message(MessageId::kPacketBeingBuilt);
    BuildingMark building;

    Result<cabinet::BoxList> out_basket = cabinet.read_box_list(box::kOutBasket);
    if (!out_basket.ok()) return out_basket.take_status();
    if (out_basket->ids.empty()) return Status::message(MessageId::kNoMailToSend);
    if (Status status = check_home_node(nodes, home_node); !status.ok()) return status;
    if (Status status = cabinet.check_writable(); !status.ok()) return status;

    std::optional<std::string> updump =
        make_dated_name(settings.folder, home_node, ".upd", settings.last_updump, now);
    if (!updump)
        return Status::message(MessageId::kPacketNamesUsedUp, {used_up_pattern(home_node, now)});
    const PacketMode mode = settings.mode == PacketMode::kPgp ? PacketMode::kZip : settings.mode;
    const std::string final_path = replace_extension(*updump, extension_of(mode));

    // 1. Plan and write the file.
    Result<WrittenPacket> packet = write_packet_file(cabinet, out_basket->ids, *updump, home_node,
                                                     settings, policy, now, system_version, env);
    if (!packet.ok()) return packet.take_status();
    const settings::NodeEntry* home = nodes.by_letter(home_node);
    if (packet->other_nodes)
        policy.notice(Status::message(MessageId::kLeftOnOtherNode,
                                      {home ? home->name : std::string(1, home_node)}));
    auto remove_files = [&] {
        (void)env.unlink(*updump);  // each caller reports its own error
        if (final_path != *updump) (void)env.unlink(final_path);
    };
    std::vector<Move> moves = plan_moves(std::move(packet->written), std::move(packet->empty));
    const bool anything_to_send = std::any_of(moves.begin(), moves.end(), [](const Move& m) {
        return m.to && m.to != box::kWasteBasket;
    });
    if (!anything_to_send) {
        // Only items for other nodes, or with nothing in them: no packet.
        remove_files();
        if (Status status = carry_out(cabinet, moves); !status.ok()) return status;
        return Status::message(MessageId::kNoMailToSend);
    }
    if (mode == PacketMode::kZip) {
        (void)env.unlink(final_path);  // an old archive of that name is replaced
        if (zip_file(*updump, settings.zip_level, env) != 0) {
            remove_files();
            return Status::message(MessageId::kCannotZip, {*updump});
        }
    }

    // 2. Commit the cabinet.
    if (Status status = carry_out(cabinet, moves); !status.ok()) {
        remove_files();
        return status;
    }
    BuiltPacket built;
    for (const Move& move : moves)
        if (move.to && move.to != box::kWasteBasket) built.sent.push_back(move.item.id);

    // 3. Record the packet, last; undo step 2 when that fails.
    record_packet(user_file, final_path, settings.user_folder, built.sent);
    if (Status recorded = user_file.commit(); !recorded.ok()) {
        forget_packet(user_file, final_path, settings.user_folder);
        std::vector<Move> back = reversed(moves);
        if (Status undone = carry_out(cabinet, back); !undone.ok()) policy.notice(undone);
        remove_files();
        return recorded;
    }
    built.path = final_path;
    built.last_updump = base_name(*updump);
    built.left_on_other_nodes = packet->other_nodes;
    return built;
}

}  // namespace orvane::packet

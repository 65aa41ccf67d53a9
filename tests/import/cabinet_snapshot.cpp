#include "tests/import/cabinet_snapshot.h"

#include <sstream>

#include "platform/scripted_ui.h"

namespace orvane::import::testing {

namespace {

constexpr texts::TextId kNoticeIds = 0xFF0000;

bool same_list(const cabinet::BoxList& a, const cabinet::BoxList& b) {
    return a.ids == b.ids && a.stamps == b.stamps;
}

}  // namespace

bool CabinetSnapshot::operator==(const CabinetSnapshot& other) const {
    if (boxes != other.boxes || texts != other.texts || lists.size() != other.lists.size())
        return false;
    for (const auto& [number, list] : lists) {
        const auto found = other.lists.find(number);
        if (found == other.lists.end() || !same_list(list, found->second)) return false;
    }
    return true;
}

std::string CabinetSnapshot::difference(const CabinetSnapshot& other) const {
    std::ostringstream out;
    for (const auto& [number, entry] : boxes)
        if (!other.boxes.count(number) || other.boxes.at(number) != entry)
            out << "box " << number << " " << entry << "\n";
    for (const auto& [number, entry] : other.boxes)
        if (!boxes.count(number)) out << "other box " << number << " " << entry << "\n";
    for (const auto& [number, list] : lists) {
        const auto found = other.lists.find(number);
        if (found == other.lists.end() || !same_list(list, found->second)) {
            out << "list " << number << ":";
            for (auto id : list.ids) out << " " << id;
            out << " / other:";
            if (found != other.lists.end())
                for (auto id : found->second.ids) out << " " << id;
            out << "\n";
        }
    }
    for (const auto& [id, text] : texts) {
        const auto found = other.texts.find(id);
        if (found == other.texts.end())
            out << "text " << id << " missing in the other\n";
        else if (!(found->second == text))
            out << "text " << id << " differs\n";
    }
    for (const auto& [id, text] : other.texts)
        if (!texts.count(id)) out << "text " << id << " only in the other\n";
    return out.str();
}

CabinetSnapshot snapshot_of(cabinet::Cabinet& cabinet) {
    CabinetSnapshot snapshot;
    for (const cabinet::BoxEntry& entry : cabinet.boxes().entries()) {
        snapshot.boxes[entry.number] =
            std::to_string(entry.parent) + "/" + entry.name + "/" + std::to_string(entry.flags);
        platform::Result<cabinet::BoxList> list = cabinet.read_box_list(entry.number);
        if (!list.ok()) continue;
        for (texts::TextId id : list->ids) {
            platform::Result<std::optional<texts::TextRecord>> text = cabinet.read_text(id);
            if (!text.ok() || !*text) continue;
            texts::TextRecord record = std::move(**text);
            if (id >= kNoticeIds) record.date = 0;
            snapshot.texts[id] = std::move(record);
        }
        if (!list->ids.empty()) {
            // Stamps of notices carry their date.
            for (size_t i = 0; i < list->ids.size(); ++i)
                if (list->ids[i] >= kNoticeIds) list->stamps[i] &= 1;
            snapshot.lists[entry.number] = std::move(*list);
        }
    }
    return snapshot;
}

CabinetSnapshot snapshot_of_file(const std::string& path) {
    platform::ScriptedUi ui;
    auto opened = cabinet::Cabinet::open(path, {}, ui);
    if (!opened.ok()) return {};
    CabinetSnapshot snapshot = snapshot_of(**opened);
    (void)(*opened)->close();  // read only; nothing to write back
    return snapshot;
}

}  // namespace orvane::import::testing

#include "cabinet/box_table.h"

#include <algorithm>
#include <cstring>
#include <unordered_map>

#include "platform/bytes.h"
#include "texts/ascii.h"

namespace orvane::cabinet {

namespace {

constexpr size_t kEntryHead = 8;

void encode_head(const BoxEntry& entry, uint8_t* out) {
    platform::store_le16(out, entry.number);
    platform::store_le16(out + 2, entry.parent);
    platform::store_le16(out + 4, entry.extra);
    out[6] = entry.settings;
    out[7] = entry.flags;
}

void decode_head(const uint8_t* in, BoxEntry* entry) {
    entry->number = platform::load_le16(in);
    entry->parent = platform::load_le16(in + 2);
    entry->extra = platform::load_le16(in + 4);
    entry->settings = in[6];
    entry->flags = in[7];
}

// A NUL-terminated name within `limit` bytes; cut at the limit otherwise.
std::string bounded_name(const uint8_t* in, size_t limit) {
    const auto* end = static_cast<const uint8_t*>(std::memchr(in, 0, limit));
    return fit_box_name(std::string(reinterpret_cast<const char*>(in), end ? end - in : limit));
}

}  // namespace

std::string fit_box_name(std::string_view name) {
    size_t length = std::min(name.find('\0'), name.size());
    if (length > kMaxBoxNameLength) {
        length = kMaxBoxNameLength;
        // Never in the middle of a character typed in UTF-8.
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80) --length;
    }
    return std::string(name.substr(0, length));
}

size_t control_character_at(std::string_view name) {
    for (size_t i = 0; i < name.size(); ++i) {
        const auto c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F) return i + 1;
    }
    return 0;
}

void encode_box_entry(const BoxEntry& entry, uint8_t* out) {
    std::memset(out, 0, kBoxEntrySize);
    encode_head(entry, out);
    const std::string name = fit_box_name(entry.name);
    std::memcpy(out + kEntryHead, name.data(), name.size());
}

BoxEntry decode_box_entry(const uint8_t* in) {
    BoxEntry entry;
    decode_head(in, &entry);
    entry.name = bounded_name(in + kEntryHead, kBoxEntrySize - kEntryHead);
    return entry;
}

std::vector<uint8_t> encode_box_record(const BoxEntry& entry) {
    const std::string name = fit_box_name(entry.name);
    std::vector<uint8_t> record(kEntryHead + name.size() + 1, 0);
    encode_head(entry, record.data());
    std::memcpy(record.data() + kEntryHead, name.data(), name.size());
    return record;
}

bool decode_box_record(const uint8_t* data, size_t length, BoxEntry* entry) {
    if (length <= kEntryHead) return false;
    decode_head(data, entry);
    entry->name = bounded_name(data + kEntryHead, length - kEntryHead);
    return true;
}

const BoxEntry* BoxTable::find(uint16_t number) const {
    const uint16_t index = index_[number];
    return index == kNoIndex ? nullptr : &entries_[index];
}

const BoxEntry* BoxTable::find_by_name(std::string_view name, int parent) const {
    for (const BoxEntry& entry : entries_)
        if ((parent < 0 || entry.parent == parent) && entry.number != 0 &&
            texts::equals_ignoring_case(entry.name, name))
            return &entry;
    return nullptr;
}

void BoxTable::append(BoxEntry entry) {
    entry.changed = entry.record_changed = true;
    if (index_[entry.number] == kNoIndex)
        index_[entry.number] = static_cast<uint16_t>(entries_.size());
    entries_.push_back(std::move(entry));
}

void BoxTable::remove(uint16_t number) {
    const uint16_t index = index_[number];
    if (index == kNoIndex) return;
    entries_.erase(entries_.begin() + index);
    mark_from(index);
    rebuild_index();
}

void BoxTable::rename(uint16_t number, std::string_view name) {
    const uint16_t index = index_[number];
    if (index == kNoIndex) return;
    entries_[index].name = fit_box_name(name);
    entries_[index].changed = entries_[index].record_changed = true;
}

void BoxTable::set_parent(uint16_t number, uint16_t parent) {
    const uint16_t index = index_[number];
    if (index == kNoIndex) return;
    entries_[index].parent = parent;
    entries_[index].changed = entries_[index].record_changed = true;
}

void BoxTable::assign(std::vector<BoxEntry> entries) {
    entries_ = std::move(entries);
    rebuild_index();
}

void BoxTable::order_for_display() {
    // The entries each entry holds, in table order.
    std::unordered_map<uint16_t, std::vector<size_t>> held;
    for (size_t i = 0; i < entries_.size(); ++i)
        if (entries_[i].number != 0) held[entries_[i].parent].push_back(i);

    std::vector<BoxEntry> ordered;
    ordered.reserve(entries_.size());
    std::vector<bool> placed(entries_.size(), false);
    // Depth first with an explicit stack, so that a deep tree cannot
    // exhaust the call stack; each entry comes before what it holds.
    std::vector<std::pair<size_t, int>> stack;
    auto push_held = [&](uint16_t number, int depth) {
        const auto found = held.find(number);
        if (found == held.end()) return;
        for (auto it = found->second.rbegin(); it != found->second.rend(); ++it)
            if (!placed[*it]) {
                placed[*it] = true;
                stack.emplace_back(*it, depth + 1);
            }
    };
    const uint16_t main_index = index_[0];
    if (main_index != kNoIndex) {
        placed[main_index] = true;
        stack.emplace_back(main_index, 0);
    } else {
        push_held(0, 0);
    }
    for (;;) {
        while (!stack.empty()) {
            const auto [index, depth] = stack.back();
            stack.pop_back();
            ordered.push_back(entries_[index]);
            ordered.back().depth = depth;
            push_held(entries_[index].number, depth);
        }
        // What is left hangs from a missing entry or lies on a loop: it
        // moves to the top level.
        const auto stray = std::find(placed.begin(), placed.end(), false);
        if (stray == placed.end()) break;
        const auto index = static_cast<size_t>(stray - placed.begin());
        placed[index] = true;
        entries_[index].parent = 0;
        entries_[index].record_changed = true;
        stack.emplace_back(index, 1);
    }

    for (size_t i = 0; i < ordered.size(); ++i)
        if (ordered[i].number != entries_[i].number || ordered[i].parent != entries_[i].parent ||
            ordered[i].record_changed)
            ordered[i].changed = true;
    entries_ = std::move(ordered);
    rebuild_index();
}

uint8_t BoxTable::inherited_flags(uint16_t parent, uint8_t cabinet_default) const {
    uint16_t number = parent;
    for (size_t steps = 0; steps <= entries_.size(); ++steps) {
        const BoxEntry* entry = find(number);
        if (!entry) break;
        if (entry->is_directory() && (entry->flags & kInheritFlag))
            return entry->flags & kSettingFlags;
        if (number == 0) break;
        number = entry->parent;
    }
    return cabinet_default & kSettingFlags;
}

bool BoxTable::is_within(uint16_t inner, uint16_t outer) const {
    uint16_t number = inner;
    for (size_t steps = 0; steps <= entries_.size(); ++steps) {
        if (number == outer) return true;
        const BoxEntry* entry = find(number);
        if (!entry || number == 0) return false;
        number = entry->parent;
    }
    return false;
}

uint16_t BoxTable::free_number(uint16_t first) const {
    for (uint32_t number = first; number < kNoIndex; ++number)
        if (index_[number] == kNoIndex) return static_cast<uint16_t>(number);
    return kNoIndex;
}

std::vector<uint16_t> BoxTable::children(uint16_t number) const {
    std::vector<uint16_t> result;
    for (const BoxEntry& entry : entries_)
        if (entry.parent == number && entry.number != number) result.push_back(entry.number);
    return result;
}

bool BoxTable::chunk_changed(size_t chunk) const {
    const size_t end = std::min(entries_.size(), (chunk + 1) * kChunkEntries);
    for (size_t i = chunk * kChunkEntries; i < end; ++i)
        if (entries_[i].changed) return true;
    return false;
}

void BoxTable::mark_all_changed() {
    for (BoxEntry& entry : entries_) entry.changed = entry.record_changed = true;
}

void BoxTable::clear_marks() {
    for (BoxEntry& entry : entries_) entry.changed = entry.record_changed = false;
}

void BoxTable::mark_from(size_t index) {
    for (size_t i = index; i < entries_.size(); ++i) entries_[i].changed = true;
}

void BoxTable::rebuild_index() {
    std::fill(index_.begin(), index_.end(), kNoIndex);
    for (size_t i = 0; i < entries_.size(); ++i)
        if (index_[entries_[i].number] == kNoIndex)
            index_[entries_[i].number] = static_cast<uint16_t>(i);
}

}  // namespace orvane::cabinet

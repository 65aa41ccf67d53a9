// The box table: every directory and box of the cabinet in display order,
// 64 bytes an entry, stored in chunks of 50 entries. Beside the entries the
// table keeps each entry's depth in the tree, its change marks and a map from
// box number to table index.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace orvane::cabinet {

inline constexpr size_t kBoxEntrySize = 64;
inline constexpr size_t kMaxBoxNameLength = 55;
inline constexpr size_t kChunkEntries = 50;
inline constexpr size_t kMaxBoxEntries = 10000;
inline constexpr uint16_t kNoIndex = 0xFFFF;

// Box flags (entry byte 7).
inline constexpr uint8_t kDirectoryFlag = 0x80;  // holds directories and boxes, never texts
inline constexpr uint8_t kInheritFlag = 0x40;    // bits 0-6 pass on to new boxes inside
inline constexpr uint8_t kSettingFlags = 0x7F;
inline constexpr uint8_t kSettingsNotSet = 0xFF;

struct BoxEntry {
    uint16_t number = 0;
    uint16_t parent = 0;  // the directory or box that holds this one; 0 for the top level
    uint16_t extra = 0;   // bytes 4-5, kept as found
    uint8_t settings = kSettingsNotSet;
    uint8_t flags = 0;
    std::string name;

    // Kept in memory only.
    int depth = 0;                // 0 for the main directory, 1 for the top level
    bool changed = false;         // the chunk holding this entry must be written
    bool record_changed = false;  // the box record (key 03) must be written

    bool is_directory() const { return (flags & kDirectoryFlag) != 0; }
};

void encode_box_entry(const BoxEntry& entry, uint8_t* out);
BoxEntry decode_box_entry(const uint8_t* in);
// The box record: the first 8 bytes of the entry, the name and a NUL.
std::vector<uint8_t> encode_box_record(const BoxEntry& entry);
// Nothing usable when the record is shorter than 9 bytes.
bool decode_box_record(const uint8_t* data, size_t length, BoxEntry* entry);

class BoxTable {
  public:
    size_t size() const { return entries_.size(); }
    bool empty() const { return entries_.empty(); }
    const BoxEntry& operator[](size_t index) const { return entries_[index]; }
    const std::vector<BoxEntry>& entries() const { return entries_; }

    // Table index of box `number`, or kNoIndex.
    uint16_t index_of(uint16_t number) const { return index_[number]; }
    bool contains(uint16_t number) const { return index_[number] != kNoIndex; }
    const BoxEntry* find(uint16_t number) const;
    // The first box or directory called `name`, compared without regard to
    // ASCII case; with `parent` set, only among the entries it holds.
    const BoxEntry* find_by_name(std::string_view name, int parent = -1) const;

    // Adds an entry at the end, marked changed; order_for_display puts it
    // in its place.
    void append(BoxEntry entry);
    void remove(uint16_t number);
    void rename(uint16_t number, std::string_view name);
    void set_parent(uint16_t number, uint16_t parent);
    // Replaces the whole table, as read from the file.
    void assign(std::vector<BoxEntry> entries);

    // Puts every entry after the one that holds it, siblings keeping their
    // order, and sets the depths. An entry whose parent is missing, or that
    // lies on a loop, moves to the top level.
    void order_for_display();

    // The flags a new box inside `parent` starts with: bits 0-6 of the
    // nearest enclosing directory that passes its settings on, else
    // `cabinet_default`.
    uint8_t inherited_flags(uint16_t parent, uint8_t cabinet_default) const;
    // True when `inner` lies inside `outer` (or is it).
    bool is_within(uint16_t inner, uint16_t outer) const;
    // The lowest number from `first` on that no entry uses, or kNoIndex.
    uint16_t free_number(uint16_t first) const;
    std::vector<uint16_t> children(uint16_t number) const;

    bool chunk_changed(size_t chunk) const;
    void mark_all_changed();
    void clear_marks();

  private:
    void mark_from(size_t index);
    void rebuild_index();

    std::vector<BoxEntry> entries_;
    std::vector<uint16_t> index_ = std::vector<uint16_t>(65536, kNoIndex);
};

// Truncates a box name to what an entry holds.
std::string fit_box_name(std::string_view name);
// The position (from 1) of the first control character in `name`, 0 when
// there is none: such a name would break every listing.
size_t control_character_at(std::string_view name);

}  // namespace orvane::cabinet

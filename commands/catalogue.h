// The command catalogue in memory, in the order of the command list:
//   1. "Manually": the user types the command himself;
//   2. every command of the file sorted by menu text, of which only the
//      favourites are listed;
//   3. the lines of the file in file order, topics and commands;
//   4. the topic "ALPHABETICALLY:" (collapsed), then the sorted commands
//      again.
// The sorted entries refer to the same lines as the file-order ones, so a
// favourite mark or a topic's state shows in every place.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "commands/catalogue_file.h"

namespace orvane::commands {

// Who looks at the list: "User"/"Privilege" (1 no privilege .. 5
// administrator) and "Options"/"Expert".
struct Viewer {
    int privilege = 2;
    bool expert = false;
};

// Whether an entry of `level` is shown to `viewer`: level 0 to everybody,
// 1 to experts, 2 to 5 to that privilege and above.
bool level_allows(int level, const Viewer& viewer);

enum class Block { kManually, kFavourites, kFile, kAlphabetical };

struct ListEntry {
    size_t line;  // index into Catalogue::lines()
    Block block;
};

// What a name given by the user finds.
struct FoundEntry {
    const CatalogueLine* line = nullptr;           // the one entry, if exactly one
    std::vector<const CatalogueLine*> candidates;  // when the name is ambiguous
};

class Catalogue {
  public:
    Catalogue() = default;
    explicit Catalogue(CatalogueFile file);

    int version() const { return version_; }
    size_t skipped_lines() const { return skipped_; }
    const std::vector<CatalogueLine>& lines() const { return lines_; }
    const std::vector<ListEntry>& entries() const { return entries_; }
    const CatalogueLine& line_of(const ListEntry& entry) const { return lines_[entry.line]; }
    const CatalogueLine& manually() const { return lines_.front(); }

    // The command of the file with this menu text (ASCII case ignored),
    // found by bisection in the sorted commands; nullptr when none.
    const CatalogueLine* find_command(std::string_view text) const;
    // A command or topic by its menu text, or else by the beginning of it
    // when only one entry begins so.
    FoundEntry find(std::string_view name) const;

    bool is_favourite(const CatalogueLine& line) const { return favourite_[index_of(line)]; }
    void set_favourite(const CatalogueLine& line, bool on) { favourite_[index_of(line)] = on; }

    // Turns a topic between expanded and collapsed (in memory only).
    void toggle_topic(const CatalogueLine& topic);
    bool is_collapsed(const CatalogueLine& line) const {
        return line.is_topic() && line.flag == kCollapsed;
    }

    // The entries listed for `viewer`: allowed by level, not inside a
    // collapsed topic (one hides the entries after it up to the next
    // topic), and in the sorted block at the top only the favourites.
    std::vector<ListEntry> visible(const Viewer& viewer) const;

  private:
    size_t index_of(const CatalogueLine& line) const {
        return static_cast<size_t>(&line - lines_.data());
    }

    int version_ = 0;
    size_t skipped_ = 0;
    std::vector<CatalogueLine> lines_;  // Manually, the file's lines, ALPHABETICALLY
    std::vector<bool> favourite_;
    std::vector<size_t> sorted_;  // the file's commands by menu text
    std::vector<ListEntry> entries_;
};

}  // namespace orvane::commands

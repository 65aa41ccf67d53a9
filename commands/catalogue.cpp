#include "commands/catalogue.h"

#include <algorithm>

#include "platform/resource_strings.h"
#include "texts/ascii.h"

namespace orvane::commands {

namespace {

// The template of "Manually": a field that yields nothing, so that the
// command is what the user types.
constexpr std::string_view kManuallyTemplate = "%h";

bool less_ignoring_case(std::string_view a, std::string_view b) {
    return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
        return static_cast<unsigned char>(texts::to_lower(x)) <
               static_cast<unsigned char>(texts::to_lower(y));
    });
}

CatalogueLine builtin_line(platform::MessageId id, std::string_view template_text) {
    std::optional<CatalogueLine> line =
        parse_catalogue_line(platform::resource_string(id) + "\t" + std::string(template_text));
    return line ? *line : CatalogueLine{};
}

}  // namespace

bool level_allows(int level, const Viewer& viewer) {
    if (level == 0) return true;
    if (level == 1) return viewer.expert;
    return viewer.privilege >= level;
}

Catalogue::Catalogue(CatalogueFile file) : version_(file.version), skipped_(file.skipped) {
    lines_.push_back(builtin_line(platform::MessageId::kManuallyEntry, kManuallyTemplate));
    for (CatalogueLine& line : file.lines) lines_.push_back(std::move(line));
    lines_.push_back(builtin_line(platform::MessageId::kAlphabeticallyTopic, {}));
    favourite_.assign(lines_.size(), false);

    const size_t alphabetical = lines_.size() - 1;
    for (size_t i = 1; i < alphabetical; ++i)
        if (!lines_[i].is_topic()) sorted_.push_back(i);
    std::stable_sort(sorted_.begin(), sorted_.end(), [this](size_t a, size_t b) {
        return less_ignoring_case(lines_[a].text, lines_[b].text);
    });

    entries_.push_back({0, Block::kManually});
    for (size_t i : sorted_) entries_.push_back({i, Block::kFavourites});
    for (size_t i = 1; i < alphabetical; ++i) entries_.push_back({i, Block::kFile});
    entries_.push_back({alphabetical, Block::kAlphabetical});
    for (size_t i : sorted_) entries_.push_back({i, Block::kAlphabetical});
}

const CatalogueLine* Catalogue::find_command(std::string_view text) const {
    auto it = std::lower_bound(sorted_.begin(), sorted_.end(), text, [this](size_t i, auto wanted) {
        return less_ignoring_case(lines_[i].text, wanted);
    });
    if (it == sorted_.end() || !texts::equals_ignoring_case(lines_[*it].text, text)) return nullptr;
    return &lines_[*it];
}

FoundEntry Catalogue::find(std::string_view name) const {
    FoundEntry found;
    for (const CatalogueLine& line : lines_) {
        if (texts::equals_ignoring_case(line.text, name)) {
            found.line = &line;
            return found;
        }
    }
    for (const CatalogueLine& line : lines_)
        if (texts::starts_with_ignoring_case(line.text, name)) found.candidates.push_back(&line);
    if (found.candidates.size() == 1) {
        found.line = found.candidates.front();
        found.candidates.clear();
    }
    return found;
}

void Catalogue::toggle_topic(const CatalogueLine& topic) {
    CatalogueLine& line = lines_[index_of(topic)];
    if (line.is_topic()) line.flag = line.flag == kCollapsed ? kExpanded : kCollapsed;
}

std::vector<ListEntry> Catalogue::visible(const Viewer& viewer) const {
    std::vector<ListEntry> shown;
    bool hiding = false;
    for (const ListEntry& entry : entries_) {
        const CatalogueLine& line = lines_[entry.line];
        // A collapsed topic hides its entries even where the topic itself
        // is above the viewer's level.
        if (line.is_topic()) {
            hiding = is_collapsed(line);
        } else if (hiding) {
            continue;
        }
        if (entry.block == Block::kFavourites && !favourite_[entry.line]) continue;
        if (level_allows(line.level, viewer)) shown.push_back(entry);
    }
    return shown;
}

}  // namespace orvane::commands

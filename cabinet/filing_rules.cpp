#include "cabinet/filing_rules.h"

#include <algorithm>

#include "cabinet/fixed_boxes.h"
#include "texts/ascii.h"

namespace orvane::cabinet {

namespace {

using texts::HeaderCode;
using texts::TextRecord;

bool is_own_name(const std::string& name, const FilingContext& context) {
    return std::any_of(context.own_names.begin(), context.own_names.end(),
                       [&](const std::string& own) {
                           return !own.empty() && texts::equals_ignoring_case(own, name);
                       });
}

// The other parties of a text: for a letter its author when someone else
// wrote it, then its receivers; for a conference text the conferences it
// went to. In order, without repeats and without the user himself.
std::vector<std::string> parties(const TextRecord& text, const FilingContext& context,
                                 bool letter) {
    std::vector<std::string> names;
    auto add = [&](const std::string& name) {
        const std::string fitted = fit_box_name(name);
        if (fitted.empty() || is_own_name(fitted, context)) return;
        if (std::none_of(names.begin(), names.end(), [&](const std::string& n) {
                return texts::equals_ignoring_case(n, fitted);
            }))
            names.push_back(fitted);
    };
    if (letter) add(text.author.text);
    for (const texts::ReceiverEntry& receiver : text.receivers)
        if (texts::is_receiver_code(receiver.code)) add(receiver.name.text);
    return names;
}

// A box that could not be made sends the text elsewhere; the user hears why.
bool made(Cabinet& cabinet, platform::Status status) {
    if (!status.ok()) cabinet.policy().notice(status);
    return status.ok();
}

// Where a new box for a correspondent or conference goes.
uint16_t new_box_parent(Cabinet& cabinet, uint16_t separate_parent, const FilingOptions& options) {
    if (options.separate_dir && made(cabinet, cabinet.ensure_fixed_box(separate_parent)))
        return separate_parent;
    if (options.boxes_in_in_basket && made(cabinet, cabinet.ensure_fixed_box(box::kInBasket)))
        return box::kInBasket;
    return box::kMainDirectory;
}

}  // namespace

std::optional<uint16_t> box_for(Cabinet& cabinet, const std::string& name, uint16_t separate_parent,
                                const FilingOptions& options) {
    for (const BoxEntry& entry : cabinet.boxes().entries())
        if (!entry.is_directory() && entry.number != box::kMainDirectory &&
            texts::equals_ignoring_case(entry.name, name))
            return entry.number;
    if (!options.create_boxes) return std::nullopt;
    platform::Result<uint16_t> created =
        cabinet.create_box(name, new_box_parent(cabinet, separate_parent, options), false);
    if (!made(cabinet, created.status())) return std::nullopt;
    return *created;
}

FilingOptions filing_options(const settings::OptionKeys& options) {
    return FilingOptions{
        .auto_file = options.auto_file != 0,
        .file_letters = options.file_letters != 0,
        .file_to_all = options.file_to_all != 0,
        .create_boxes = options.create_boxes != 0,
        .separate_dir = options.separate_dir != 0,
        .boxes_in_in_basket = options.boxes_in_in_basket != 0,
    };
}

std::vector<uint16_t> choose_boxes(Cabinet& cabinet, const TextRecord& text,
                                   const FilingOptions& options, const FilingContext& context) {
    const std::vector<uint16_t> in_basket{box::kInBasket};
    if (!options.auto_file) return in_basket;
    const bool letter = (text.kind_flags & texts::kind_flags::kLetter) != 0;
    if (!letter && context.conference_box >= 0 &&
        cabinet.boxes().contains(static_cast<uint16_t>(context.conference_box)))
        return {static_cast<uint16_t>(context.conference_box)};
    if (letter && !options.file_letters) return in_basket;

    std::vector<std::string> names = parties(text, context, letter);
    if (!options.file_to_all && names.size() > 1) names.resize(1);
    const uint16_t separate_parent = letter ? box::kLetters : box::kConferences;
    std::vector<uint16_t> boxes;
    for (const std::string& name : names) {
        const std::optional<uint16_t> number = box_for(cabinet, name, separate_parent, options);
        if (number && std::find(boxes.begin(), boxes.end(), *number) == boxes.end())
            boxes.push_back(*number);
    }
    if (!boxes.empty()) return boxes;
    // Letters that have no box of their own still leave the In-Basket.
    if (letter && made(cabinet, cabinet.ensure_fixed_box(box::kLetters))) return {box::kLetters};
    return in_basket;
}

}  // namespace orvane::cabinet

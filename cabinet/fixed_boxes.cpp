#include "cabinet/fixed_boxes.h"

#include <array>

namespace orvane::cabinet {

namespace {

struct FixedName {
    uint16_t number;
    const char* name;
};

constexpr FixedName kNames[] = {
    {0, "Main Directory"},
    {1, "Out-Basket"},
    {2, "Pending Sent Mail"},
    {3, "Pending Sent Commands"},
    {4, "Waste-Basket"},
    {5, "In-Basket"},
    {6, "Letters"},
    {7, "Read Mail"},
    {10, "Marked Texts"},
    {11, "Conferences"},
    {13, "Unfinished Texts"},
    {14, "Unanswered Mail"},
    {18, "For or from Boss"},
    {19, "From Secretary"},
    {20, "0"},
    {21, "For Info"},
    {22, "2"},
    {23, "Later"},
    {24, "Normal"},
    {25, "5"},
    {26, "Urgent"},
    {27, "Send Immediately"},
    {39, "Results of Commands"},
    {42, "Sent Mail"},
};

// The boxes a user meets from the first day; the others appear when a
// feature first files a text in them.
constexpr std::array<uint16_t, 13> kInitial = {
    box::kMainDirectory,       box::kInBasket, box::kOutBasket,         box::kPendingSentMail,
    box::kPendingSentCommands, box::kSentMail, box::kResultsOfCommands, box::kLetters,
    box::kConferences,         box::kReadMail, box::kUnansweredMail,    box::kMarkedTexts,
    box::kWasteBasket,
};

}  // namespace

std::string default_box_name(uint16_t number) {
    for (const FixedName& fixed : kNames)
        if (fixed.number == number) return fixed.name;
    return {};
}

std::string recovered_box_name(uint16_t number) {
    std::string name = number < kNamedFixedBoxLimit ? default_box_name(number) : std::string();
    return name.empty() ? "Box " + std::to_string(number) + " ???" : name;
}

std::span<const uint16_t> initial_boxes() {
    return kInitial;
}

}  // namespace orvane::cabinet

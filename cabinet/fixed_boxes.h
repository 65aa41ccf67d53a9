// The boxes every cabinet has, their numbers and default names. Numbers
// below 64 are kept for such boxes; boxes the user makes start at 64.
#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace orvane::cabinet {

namespace box {
inline constexpr uint16_t kMainDirectory = 0;
inline constexpr uint16_t kOutBasket = 1;
inline constexpr uint16_t kPendingSentMail = 2;
inline constexpr uint16_t kPendingSentCommands = 3;
inline constexpr uint16_t kWasteBasket = 4;
inline constexpr uint16_t kInBasket = 5;
inline constexpr uint16_t kLetters = 6;
inline constexpr uint16_t kReadMail = 7;
inline constexpr uint16_t kFromDirectory = 9;  // texts found filed in a directory
inline constexpr uint16_t kMarkedTexts = 10;
inline constexpr uint16_t kConferences = 11;
inline constexpr uint16_t kUnfinishedTexts = 13;
inline constexpr uint16_t kUnansweredMail = 14;
inline constexpr uint16_t kFirstImportance = 20;  // 20..27, one per importance 0..7
inline constexpr uint16_t kResultsOfCommands = 39;
inline constexpr uint16_t kSentMail = 42;
inline constexpr uint16_t kFirstUserBox = 64;
}  // namespace box

// Box numbers below this one that a repair names from the table below.
inline constexpr uint16_t kNamedFixedBoxLimit = 43;

// The default name of a fixed box, or an empty string when it has none.
std::string default_box_name(uint16_t number);
// The name a repair gives a box it finds texts for but no entry: the
// default name, or "Box %d ???".
std::string recovered_box_name(uint16_t number);

// The fixed boxes of a new cabinet, in display order under the main directory.
std::span<const uint16_t> initial_boxes();

}  // namespace orvane::cabinet

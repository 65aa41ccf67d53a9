// Numbers of the cabinet's messages in the program's message table.
#pragma once

namespace orvane::cabinet::message {

inline constexpr int kCreateMissingCabinet = 34;  // "The file '%s' does not exist. ..." (Yes/No)
inline constexpr int kRepairQuestion = 35;
inline constexpr int kCompactQuestion = 36;
inline constexpr int kLinkCommentsQuestion = 37;
inline constexpr int kTextsMissing = 38;  // "%d texts are missing. ..." (Yes/No)
inline constexpr int kTextMissing = 39;   // "%d text is missing. ..." (Yes/No)
inline constexpr int kNameExists = 67;
inline constexpr int kNewerVersion = 72;
inline constexpr int kWrongPassword = 73;
inline constexpr int kBoxNotEmpty = 74;            // "The box '%s' still holds texts or boxes"
inline constexpr int kBoxIsFixed = 75;             // "The box '%s' belongs to the program ..."
inline constexpr int kBadBoxPlace = 76;            // "A box cannot be moved into itself ..."
inline constexpr int kDirectoryHoldsNoTexts = 77;  // "'%s' is a directory ..."
inline constexpr int kReadOnly = 133;
inline constexpr int kCabinetFull = 134;
inline constexpr int kBoxFull = 135;
inline constexpr int kRepairFailed = 136;

}  // namespace orvane::cabinet::message

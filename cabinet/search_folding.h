// Folding of the bytes 0x80-0xFF for the search index: one table for each
// code page a text may be written in (DOS, Windows and Macintosh pages for
// west, east and cyrillic). Each table maps a byte to the lower-case letter
// of the same page, to '_' (a word character without case) or to a space.
#pragma once

#include <cstddef>
#include <cstdint>

namespace orvane::cabinet {

struct FoldingTable {
    char class_letter;      // 'D', 'W' or 'M' of the charset byte's class
    uint8_t variant;        // 1 west, 2 east, 5 cyrillic
    const char* code_page;  // the page's name for iconv
    uint8_t fold[128];      // for the bytes 0x80-0xFF
};

inline constexpr size_t kFoldingTableCount = 9;
extern const FoldingTable kFoldingTables[kFoldingTableCount];

// A folded byte above this value is a word character; at or below it the
// byte separates words.
inline constexpr uint8_t kLastSeparator = 0x2D;

// The table of a text's charset byte, or nullptr for a character set without
// one (every byte above 0x7F then separates words).
const FoldingTable* folding_table(uint8_t charset);

}  // namespace orvane::cabinet

#include "cabinet/search_folding.h"

#include "texts/text_record.h"

namespace orvane::cabinet {

const FoldingTable* folding_table(uint8_t charset) {
    const int char_class = texts::charset_class(charset);
    const int variant = texts::charset_variant(charset);
    const char letter = texts::charsets::kClassLetters[static_cast<size_t>(char_class)];
    for (const FoldingTable& table : kFoldingTables)
        if (table.class_letter == letter && table.variant == variant) return &table;
    return nullptr;
}

}  // namespace orvane::cabinet

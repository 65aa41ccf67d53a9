// Pairs of links between texts.
#pragma once

#include "texts/text_record.h"

namespace orvane::cabinet {

bool has_link(const texts::TextRecord& text, texts::TextId id, texts::HeaderCode code);

}  // namespace orvane::cabinet

// A whole text as one JSON object, for `orvane --json text show`.
#pragma once

#include <string>

#include "texts/text_record.h"
#include "ui/cabinet_access.h"

namespace orvane::ui {

// Every field of `text`: ids in their written form, dates as the stored
// value and as shown, header codes by their written names, subject, names
// and body converted to UTF-8, and the boxes by name.
std::string text_json(const texts::TextRecord& text, CabinetAccess& access);

}  // namespace orvane::ui

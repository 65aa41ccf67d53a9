// Judging the file header as it lies on disk: which of its copies are sound,
// and what is wrong, in the words of DbCheck.
#pragma once

#include "store/header.h"

namespace orvane::store {

void examine_header(const HeaderBytes& header, DbHeaderReport* report);

}  // namespace orvane::store

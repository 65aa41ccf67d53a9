// The keys of the common settings file, each bound to its loaded value.
#pragma once

#include <span>

#include "settings/common_settings.h"
#include "settings/key_binding.h"

namespace orvane::settings {

std::span<const BoundKey<CommonValues>> common_keys();

}  // namespace orvane::settings

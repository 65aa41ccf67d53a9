// The keys of a user's settings file, each bound to its loaded value.
#pragma once

#include <span>

#include "settings/key_binding.h"
#include "settings/user_settings.h"

namespace orvane::settings {

std::span<const BoundKey<UserValues>> user_keys();

}  // namespace orvane::settings

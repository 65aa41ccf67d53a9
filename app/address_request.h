// Asking the home node's server for its whole address book: a command text
// in the Out-Basket that goes with the next mail packet.
#pragma once

#include "cabinet/cabinet.h"
#include "platform/env.h"
#include "platform/status.h"
#include "settings/user_settings.h"
#include "texts/text_id.h"

namespace orvane::app {

inline constexpr const char* kAddressRequestSubject = "Download address book";
inline constexpr const char* kAddressRequestCommand = "@Orvane download all objects";

// Files the command text into the Out-Basket; gives its identifier.
platform::Result<texts::TextId> request_address_book(cabinet::Cabinet& cabinet,
                                                     const settings::UserSettings& user,
                                                     platform::Env& env = platform::system_env());

}  // namespace orvane::app

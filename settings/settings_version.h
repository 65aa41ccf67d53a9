// The settings version written by this program, and the question asked when
// a file comes from a newer one.
#pragma once

#include "platform/policy.h"

namespace orvane::settings {

// The name of the common and of every user's settings file.
inline constexpr const char* kSettingsFile = "Orvane.ini";

class VersionGate {
  public:
    // True when a file of `file_version` may be loaded. A file newer than
    // this program's settings version needs the user's consent (message
    // 174); once given, it holds for the rest of the run.
    bool accept(int file_version, platform::Policy& policy);

  private:
    bool consented_ = false;
};

}  // namespace orvane::settings

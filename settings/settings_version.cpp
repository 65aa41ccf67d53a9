#include "settings/settings_version.h"

#include "platform/resource_strings.h"

namespace orvane::settings {

bool VersionGate::accept(int file_version, platform::Policy& policy) {
    if (file_version <= platform::kSettingsVersion || consented_) return true;
    auto answer = policy.decide({platform::MessageId::kSettingsVersion,
                                 {file_version, platform::kSettingsVersion},
                                 platform::Buttons::YesNo,
                                 platform::Answer::No});
    consented_ = answer == platform::Answer::Yes;
    return consented_;
}

}  // namespace orvane::settings

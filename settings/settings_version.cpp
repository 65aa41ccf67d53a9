#include "settings/settings_version.h"

#include "platform/resource_strings.h"

namespace orvane::settings {

namespace {
constexpr int kNewerSettingsQuestion = 174;
}

bool VersionGate::accept(int file_version, platform::Ui& ui) {
    if (file_version <= platform::kSettingsVersion || consented_) return true;
    auto answer = ui.ask(kNewerSettingsQuestion, platform::Buttons::YesNo, platform::Answer::No,
                         {file_version, platform::kSettingsVersion});
    consented_ = answer == platform::Answer::Yes;
    return consented_;
}

}  // namespace orvane::settings

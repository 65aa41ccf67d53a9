// What becomes of a download whose name already exists in its folder: by a
// fixed rule (the command line), or by the Download question put to the
// user, which counts down 60 seconds and then takes "Resume" when the file
// there is shorter than the one announced, else "Skip".
#pragma once

#include <cstdint>

#include "connection/download_target.h"
#include "connection/zmodem_file_info.h"
#include "platform/policy.h"

namespace orvane::connection {

enum class ExistingAction { kResume, kOverwrite, kRename, kSkip };

enum class ExistingFileRule {
    kAsk,                  // the Download question
    kResumeElseSkip,       // resume a shorter file, skip the rest
    kResumeElseOverwrite,  // resume a shorter file, overwrite the rest
};

inline constexpr uint32_t kDownloadCountdownMs = 60000;

using zmodem::AnnouncedFile;

// Whether the file there can be continued: it is shorter than announced.
bool can_resume(const ExistingFile& existing, const AnnouncedFile& announced);

ExistingAction decide_existing(ExistingFileRule rule, platform::Policy& policy,
                               const ExistingFile& existing, const AnnouncedFile& announced);

// The Download question with its options and countdown.
platform::Choice download_question(const ExistingFile& existing, const AnnouncedFile& announced);
// What the option `index` of download_question(existing, announced) means.
ExistingAction question_answer(const ExistingFile& existing, const AnnouncedFile& announced,
                               size_t index);

}  // namespace orvane::connection

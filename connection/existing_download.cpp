#include "connection/existing_download.h"

#include <vector>

#include "platform/message_format.h"
#include "platform/resource_strings.h"

namespace orvane::connection {

namespace {

using platform::MessageId;

std::string text(MessageId id, std::initializer_list<platform::FormatArg> args = {}) {
    return platform::format_message(platform::resource_string(id), args);
}

// "07-Sep-25 14:03:00" in local time.
std::string short_date(std::time_t when) {
    static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
    std::tm local{};
    if (!localtime_r(&when, &local)) return "?";
    return platform::format_message("%02u-%s-%02u %02u:%02u:%02u",
                                    {local.tm_mday, kMonths[local.tm_mon % 12], local.tm_year % 100,
                                     local.tm_hour, local.tm_min, local.tm_sec});
}

std::vector<ExistingAction> offered(const ExistingFile& existing, const AnnouncedFile& announced) {
    std::vector<ExistingAction> actions;
    if (can_resume(existing, announced)) actions.push_back(ExistingAction::kResume);
    actions.insert(actions.end(),
                   {ExistingAction::kOverwrite, ExistingAction::kRename, ExistingAction::kSkip});
    return actions;
}

MessageId option_text(ExistingAction action) {
    switch (action) {
        case ExistingAction::kResume:
            return MessageId::kZmodemResume;
        case ExistingAction::kOverwrite:
            return MessageId::kZmodemOverwrite;
        case ExistingAction::kRename:
            return MessageId::kZmodemRename;
        case ExistingAction::kSkip:
            break;
    }
    return MessageId::kZmodemSkip;
}

}  // namespace

bool can_resume(const ExistingFile& existing, const AnnouncedFile& announced) {
    return announced.size && existing.size < *announced.size;
}

ExistingAction decide_existing(ExistingFileRule rule, platform::Policy& policy,
                               const ExistingFile& existing, const AnnouncedFile& announced) {
    const bool resume = can_resume(existing, announced);
    switch (rule) {
        case ExistingFileRule::kAsk:
            break;
        case ExistingFileRule::kResumeElseSkip:
            return resume ? ExistingAction::kResume : ExistingAction::kSkip;
        case ExistingFileRule::kResumeElseOverwrite:
            return resume ? ExistingAction::kResume : ExistingAction::kOverwrite;
    }
    const size_t index = policy.choose(download_question(existing, announced));
    return question_answer(existing, announced, index);
}

platform::Choice download_question(const ExistingFile& existing, const AnnouncedFile& announced) {
    const bool resume = can_resume(existing, announced);
    platform::Choice choice;
    choice.title = text(MessageId::kZmodemDownloadTitle);
    const std::string countdown =
        text(MessageId::kZmodemCountdown,
             {text(resume ? MessageId::kZmodemResuming : MessageId::kZmodemSkipping),
              static_cast<int>(kDownloadCountdownMs / 1000)});
    const std::string new_size =
        announced.size ? text(MessageId::kZmodemFileSize, {static_cast<long long>(*announced.size),
                                                           short_date(announced.modified)})
                       : "?";
    choice.text = text(MessageId::kZmodemFileExists,
                       {announced.name,
                        text(MessageId::kZmodemFileSize, {static_cast<long long>(existing.size),
                                                          short_date(existing.modified)}),
                        new_size, countdown});
    const std::vector<ExistingAction> actions = offered(existing, announced);
    for (ExistingAction action : actions) choice.options.push_back(text(option_text(action)));
    choice.safe = resume ? 0 : actions.size() - 1;  // Resume first, Skip last
    choice.countdown_ms = kDownloadCountdownMs;
    return choice;
}

ExistingAction question_answer(const ExistingFile& existing, const AnnouncedFile& announced,
                               size_t index) {
    const std::vector<ExistingAction> actions = offered(existing, announced);
    return index < actions.size() ? actions[index] : ExistingAction::kSkip;
}

}  // namespace orvane::connection

#include "commands/schedule.h"

#include "commands/command_dates.h"
#include "commands/command_words.h"
#include "platform/resource_strings.h"
#include "texts/ascii.h"
#include "texts/calendar.h"

namespace orvane::commands {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

constexpr size_t kMaxCountDigits = 5;

// The date as typed, read; or the message that names the field.
Result<texts::CivilDate> schedule_date(const std::string& typed, MessageId field) {
    const std::string label = platform::resource_string(field);
    if (typed.find_first_not_of(' ') == std::string::npos)
        return Status::message(MessageId::kIsMissing, {label});
    std::optional<texts::CivilDate> date = parse_command_date(typed);
    if (!date) return Status::message(MessageId::kIsInvalid, {label});
    return *date;
}

int64_t day_number(const texts::CivilDate& date) {
    return texts::days_from_civil(date.year, date.month, date.day);
}

// A repetition every zero days would never move on.
bool is_count(const std::string& count) {
    if (count.empty() || count.size() > kMaxCountDigits) return false;
    for (char c : count)
        if (!texts::is_digit(c)) return false;
    return count.find_first_not_of('0') != std::string::npos;
}

}  // namespace

std::string unit_word(RepeatUnit unit) {
    return std::string(words_of(WordGroup::kUnit).at(static_cast<size_t>(unit)));
}

std::optional<RepeatUnit> unit_of_word(std::string_view word) {
    if (word.size() > 1 && texts::to_lower(word.back()) == 's') word.remove_suffix(1);
    std::vector<std::string_view> units = words_of(WordGroup::kUnit);
    for (size_t i = 0; i < units.size(); ++i)
        if (texts::equals_ignoring_case(units[i], word)) return static_cast<RepeatUnit>(i);
    return std::nullopt;
}

Result<std::string> schedule_prefix(const ScheduleRequest& request) {
    if (request.remove) return std::string("@sub sched ");
    Result<texts::CivilDate> first = schedule_date(request.first_date, MessageId::kFirstDate);
    if (!first.ok()) return first.take_status();
    std::string prefix = "@sched " + server_date(*first) + " ";
    if (!request.repetition) return prefix;

    const Repetition& repetition = *request.repetition;
    prefix += "every";
    if (!repetition.count.empty()) {
        if (!is_count(repetition.count))
            return Status::message(MessageId::kIsInvalid,
                                   {platform::resource_string(MessageId::kRepeatCount)});
        prefix += " " + repetition.count;
    }
    prefix += " " + unit_word(repetition.unit) + " ";
    if (!repetition.last_date) return prefix;
    Result<texts::CivilDate> last = schedule_date(*repetition.last_date, MessageId::kLastDate);
    if (!last.ok()) return last.take_status();
    // A repetition that ends before it begins would never run.
    if (day_number(*last) < day_number(*first))
        return Status::message(MessageId::kIsInvalid,
                               {platform::resource_string(MessageId::kLastDate)});
    return prefix + "until " + server_date(*last) + " ";
}

}  // namespace orvane::commands

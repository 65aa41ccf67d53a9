// Scheduled commands: the server keeps them and runs them on their dates.
// A command that may be scheduled is committed with a schedule prefix in
// front of every one of its lines instead of the plain "@":
//   remove:          "@sub sched "
//   once:            "@sched DATE "
//   repeated:        "@sched DATE every[ N] UNIT "
//   repeated until:  "@sched DATE every[ N] UNIT until DATE "
#pragma once

#include <optional>
#include <string>

#include "platform/status.h"

namespace orvane::commands {

enum class RepeatUnit { kDay, kWeek, kMonth, kYear };

struct Repetition {
    std::string count;  // as typed (at most 5 digits); empty: every single unit
    RepeatUnit unit = RepeatUnit::kDay;
    std::optional<std::string> last_date;  // as typed; nothing: forever
};

struct ScheduleRequest {
    bool remove = false;  // take the command out of the schedule instead
    std::string first_date;
    std::optional<Repetition> repetition;  // nothing: only once
};

// The word of a unit ("day", "week", "month", "year").
std::string unit_word(RepeatUnit unit);
// The unit of a word, also in the plural ("weeks"); nothing for others.
std::optional<RepeatUnit> unit_of_word(std::string_view word);

// The prefix, or why there is none: "The first date is missing" or "...
// is invalid" (and the same for the last date, also when it comes before
// the first), or a count that is not a number of 1 to five digits.
platform::Result<std::string> schedule_prefix(const ScheduleRequest& request);

}  // namespace orvane::commands

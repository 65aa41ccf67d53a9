// `orvane date parse|format`: check by hand how a date from server output is
// stored and how a stored date is shown.
#include <cstdio>
#include <string>

#include "platform/clock.h"
#include "platform/env.h"
#include "texts/calendar.h"
#include "texts/dates.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

struct DateOptions {
    std::string text;
    std::string ref_date;
    uint32_t seconds = 0;
    int type = 0;
    int time_display = 0;
    bool plain = false;
};

bool read_iso_date(const std::string& text, texts::CivilDate* date) {
    int consumed = 0;
    texts::CivilDate parsed;
    if (std::sscanf(text.c_str(), "%4d-%2d-%2d%n", &parsed.year, &parsed.month, &parsed.day,
                    &consumed) != 3 ||
        consumed != static_cast<int>(text.size()) || !texts::is_valid_civil_date(parsed)) {
        return false;
    }
    *date = parsed;
    return true;
}

// Today in this computer's local time: the reference day when none is given.
texts::CivilDate local_today() {
    const std::time_t now = platform::system_env().now_utc();
    const int64_t local =
        static_cast<int64_t>(now) + platform::local_zone_at(now).utc_offset_seconds;
    return texts::civil_from_days(local / 86400 - (local % 86400 < 0));
}

std::string utc_text(uint32_t stored) {
    const texts::CivilDate date = texts::civil_from_days(stored / 86400);
    const uint32_t second_of_day = stored % 86400;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02u:%02u:%02u UTC", date.year, date.month,
                  date.day, second_of_day / 3600, second_of_day / 60 % 60, second_of_day % 60);
    return text;
}

// The zone recorded in the seconds, as an offset east of UTC ("+0100").
std::string recorded_zone(uint32_t stored) {
    const int east_minutes = -(static_cast<int>(stored % 60) - 30) * 30;
    const int magnitude = east_minutes < 0 ? -east_minutes : east_minutes;
    char text[16];
    std::snprintf(text, sizeof text, "%c%02d%02d", east_minutes < 0 ? '-' : '+', magnitude / 60,
                  magnitude % 60);
    return text;
}

int run_parse(const CliContext& context, const DateOptions& options) {
    texts::CivilDate reference = local_today();
    if (!options.ref_date.empty() && !read_iso_date(options.ref_date, &reference)) {
        print_error("--ref-date takes a date as YYYY-MM-DD, not '" + options.ref_date + "'");
        return 2;
    }
    texts::DateReading reading;
    const uint32_t stored = texts::parse_date(options.text, reference, &reading);
    if (stored == 0 || !reading.date_found) {
        print_error("'" + options.text + "' holds no date that can be stored" +
                    (stored ? " (the import would read it as today)" : ""));
        return 1;
    }
    if (!reading.zone_known) {
        print_error("'" + options.text +
                    "' names a zone that is not known (the import would read it as UTC)");
        return 1;
    }
    if (context.json) {
        std::printf("{\"stored\": %u, \"utc\": %s, \"zone\": %s}\n", stored,
                    json_quote(utc_text(stored)).c_str(),
                    json_quote(recorded_zone(stored)).c_str());
        return 0;
    }
    std::printf("Stored value:  %u\n", stored);
    std::printf("UTC:           %s\n", utc_text(stored).c_str());
    std::printf("Recorded zone: %s\n", recorded_zone(stored).c_str());
    return 0;
}

int run_format(const DateOptions& options) {
    const texts::DateFormatOptions format{static_cast<texts::TimeDisplay>(options.time_display),
                                          options.plain};
    std::printf("%s\n", texts::format_date(options.seconds,
                                           static_cast<texts::DateRequest>(options.type), format)
                            .c_str());
    return 0;
}

}  // namespace

void add_date_commands(CLI::App& app, CliContext& context) {
    auto options = std::make_shared<DateOptions>();
    auto* date = app.add_subcommand("date", "Read and show dates the way texts store them");
    date->require_subcommand(1);

    auto* parse = date->add_subcommand("parse", "Show how a date from server output is stored");
    parse
        ->add_option("TEXT", options->text,
                     "The date as the server writes it, such as \"15-Jan-99 10:20 EST\"")
        ->required();
    parse
        ->add_option("--ref-date", options->ref_date,
                     "The day the input was written (YYYY-MM-DD), for weekday words; default today")
        ->check([](const std::string& text) {
            texts::CivilDate unused;
            return read_iso_date(text, &unused) ? std::string()
                                                : "not a date of the form YYYY-MM-DD: " + text;
        });
    parse->callback([&context, options] { context.exit_code = run_parse(context, *options); });

    auto* format = date->add_subcommand("format", "Show a stored date the way texts show it");
    format->add_option("SECONDS", options->seconds, "Stored date: seconds since 1970-01-01 UTC")
        ->required();
    format
        ->add_option("--type", options->type,
                     "0: as --time-display says, 2: in the date's own zone, 3: local time")
        ->check(CLI::IsMember({0, 2, 3}));
    format
        ->add_option("--time-display", options->time_display,
                     "For type 0: 0 UTC, 1 local time, 2 own zone")
        ->check(CLI::IsMember({0, 1, 2}));
    format->add_flag("--plain", options->plain,
                     "Plain text, as for saving and printing: name the zone");
    format->callback([&context, options] { context.exit_code = run_format(*options); });
}

}  // namespace orvane::ui

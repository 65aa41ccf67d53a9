// `orvane search QUERY...` and `orvane search rebuild|delete|status|on|off`:
// finding texts through the search index of a cabinet, and keeping it.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cabinet/search_index.h"
#include "platform/resource_strings.h"
#include "texts/code_pages.h"
#include "texts/dates.h"
#include "texts/text_display.h"
#include "ui/cabinet_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

using platform::Answer;
using platform::Buttons;
using platform::MessageId;

struct SearchRequest {
    std::vector<std::string> arguments;
    std::string box;
    size_t limit = 50;
    bool json = false;
};

// The index must be on to search; when it is not up to date, the user may
// rebuild it first or search it as it is, with a warning.
bool ready_to_search(CliContext& context, cabinet::Cabinet& cabinet) {
    cabinet::SearchIndex& index = cabinet.search_index();
    if (!index.kept()) {
        if (cabinet.read_only() || context.ui.ask(MessageId::kSearchIndexOffQuestion,
                                                  Buttons::YesNo, Answer::No) != Answer::Yes) {
            print_error(platform::resource_string(MessageId::kSearchIndexOff));
            return false;
        }
        return succeeded(index.rebuild(false));
    }
    if (!index.up_to_date() && !cabinet.read_only() &&
        context.ui.ask(MessageId::kSearchNotUpToDateQuestion, Buttons::YesNo, Answer::No) ==
            Answer::Yes)
        return succeeded(index.rebuild(false));
    return true;
}

void print_hits(CabinetAccess& access, const cabinet::SearchResult& result, bool json) {
    const texts::DateFormatOptions date_options{access.time_display(), false};
    const cabinet::BoxTable& boxes = access.cabinet().boxes();
    if (json) std::printf("[");
    bool first = true;
    for (const cabinet::SearchHit& hit : result.hits) {
        const std::string id = access.text_id(hit.id);
        const std::string date =
            texts::format_date(hit.date, texts::DateRequest::as_chosen, date_options);
        const cabinet::BoxEntry* entry = boxes.find(hit.box);
        const std::string box = entry ? entry->name : std::to_string(hit.box);
        const std::string author = texts::to_utf8(hit.author, hit.charset);
        const std::string subject =
            texts::to_utf8(texts::shown_subject(hit.subject, access.remove_re()), hit.charset);
        if (json) {
            std::printf(
                "%s{\"id\": %s, \"value\": %u, \"box\": %s, \"box_number\": %u, "
                "\"date\": %s, \"stored_date\": %u, \"author\": %s, \"subject\": %s}",
                first ? "" : ", ", json_quote(id).c_str(), hit.id, json_quote(box).c_str(), hit.box,
                json_quote(date).c_str(), hit.date, json_quote(author).c_str(),
                json_quote(subject).c_str());
        } else {
            std::printf("%-14s %-20.20s %-15s %-24.24s %s\n", id.c_str(), box.c_str(), date.c_str(),
                        author.c_str(), subject.c_str());
        }
        first = false;
    }
    if (json) {
        std::printf("]\n");
    } else if (result.matches > result.hits.size()) {
        std::printf("%zu of %zu texts shown (--limit)\n", result.hits.size(), result.matches);
    } else {
        std::printf("%zu text%s found\n", result.matches, result.matches == 1 ? "" : "s");
    }
}

int run_query(CliContext& context, const SearchRequest& request) {
    platform::Result<cabinet::Query> query =
        cabinet::parse_query(cabinet::query_of_arguments(request.arguments));
    if (!succeeded(query.status())) return 2;
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    cabinet::SearchOptions options;
    options.limit = request.limit;
    if (!request.box.empty()) {
        options.box = access.box(request.box);
        if (!options.box) return 1;
    }
    if (!ready_to_search(context, access.cabinet())) return 1;
    platform::Result<cabinet::SearchResult> result =
        access.cabinet().search_index().search(*query, options);
    if (!succeeded(result.status())) return 1;
    if (!result->index_up_to_date)
        print_error(platform::resource_string(MessageId::kSearchResultsIncomplete));
    print_hits(access, *result, request.json || context.json);
    return 0;
}

int run_rebuild(CliContext& context) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    cabinet::Cabinet& cabinet = access.cabinet();
    if (!succeeded(cabinet.check_writable())) return 1;
    const char* note =
        cabinet.search_index().up_to_date() ? "\n\n(Note: The search index is up-to-date.)" : "";
    if (context.ui.ask(MessageId::kSearchRebuildQuestion, Buttons::YesNo, Answer::No, {note}) !=
        Answer::Yes)
        return 0;
    const platform::Status status = cabinet.search_index().rebuild(false);
    if (status.is_cancelled()) {
        print_error("the rebuild was cancelled; the search index is not up to date");
        return 1;
    }
    if (!succeeded(status)) return 1;
    platform::Result<cabinet::IndexStatus> after = cabinet.search_index().status();
    if (after.ok())
        std::printf("Rebuilt the search index: %llu words\n",
                    static_cast<unsigned long long>(after->words));
    return 0;
}

int run_delete(CliContext& context) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    const platform::Status status = access.cabinet().search_index().remove();
    if (!succeeded(status)) return 1;
    std::printf("Deleted the search index; it is switched off\n");
    return 0;
}

int run_status(CliContext& context, bool json) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    platform::Result<cabinet::IndexStatus> status = access.cabinet().search_index().status();
    if (!succeeded(status.status())) return 1;
    if (json) {
        std::printf("{\"on\": %s, \"up_to_date\": %s, \"words\": %llu, \"bytes\": %llu}\n",
                    status->kept ? "true" : "false", status->up_to_date ? "true" : "false",
                    static_cast<unsigned long long>(status->words),
                    static_cast<unsigned long long>(status->bytes));
        return 0;
    }
    std::printf("Search index: %s\n", status->kept ? "on" : "off");
    std::printf("Up to date:   %s\n",
                status->up_to_date ? "yes" : "no, it needs a rebuild (orvane search rebuild)");
    std::printf("Words:        %llu\n", static_cast<unsigned long long>(status->words));
    std::printf("Index bytes:  %llu\n", static_cast<unsigned long long>(status->bytes));
    return 0;
}

int run_switch(CliContext& context, bool on) {
    CabinetAccess access(context);
    if (!access.open(false)) return 1;
    cabinet::SearchIndex& index = access.cabinet().search_index();
    if (!succeeded(on ? index.switch_on() : index.switch_off())) return 1;
    std::printf("The search index is %s%s\n", on ? "on" : "off",
                on && !index.up_to_date() ? ", but not up to date" : "");
    return 0;
}

int run_search(CliContext& context, const SearchRequest& request) {
    if (request.arguments.size() == 1) {
        const std::string& word = request.arguments[0];
        if (word == "rebuild") return run_rebuild(context);
        if (word == "delete") return run_delete(context);
        if (word == "status") return run_status(context, request.json || context.json);
        if (word == "on") return run_switch(context, true);
        if (word == "off") return run_switch(context, false);
    }
    return run_query(context, request);
}

}  // namespace

void add_search_commands(CLI::App& app, CliContext& context) {
    auto request = std::make_shared<SearchRequest>();
    auto* search = app.add_subcommand(
        "search",
        "Find texts through the search index, newest first, or keep the index:\n"
        "  orvane search QUERY...    words that must all occur; word* for every word that "
        "begins so;\n"
        "                            from:NAME, to:NAME, subject:WORD, file:NAME; \"a phrase\"\n"
        "  orvane search rebuild     index every text again (switches the index on)\n"
        "  orvane search delete      delete the index and switch it off\n"
        "  orvane search status      on or off, up to date, words and bytes\n"
        "  orvane search on|off      switch the index on or off\n"
        "To search for one of these command words alone, quote it: '\"status\"'.");
    search->add_option("QUERY", request->arguments, "The query, or one command word")->required();
    search->add_option("--box", request->box, "Only texts filed in this box (number or name)");
    search->add_option("--limit", request->limit, "Show at most N texts; 0 shows all")
        ->check(CLI::NonNegativeNumber);
    search->add_flag("--json", request->json, "Machine-readable output");
    search->callback([&context, request] { context.exit_code = run_search(context, *request); });
}

}  // namespace orvane::ui

// `orvane address lookup|show|import-list|request|export|import|add|delete`:
// the address book of the network's nodes and the user's personal one.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "addressbook/change_report.h"
#include "addressbook/csv_export.h"
#include "addressbook/csv_import.h"
#include "addressbook/internet_address.h"
#include "addressbook/list_import.h"
#include "addressbook/name_resolution.h"
#include "addressbook/personal_book.h"
#include "app/address_books.h"
#include "app/address_request.h"
#include "platform/file.h"
#include "texts/ascii.h"
#include "ui/address_access.h"
#include "ui/cli.h"

namespace orvane::ui {

namespace {

using namespace addressbook;

const char* type_word(uint8_t type) {
    switch (type) {
        case kPerson:
            return "person";
        case kConference:
            return "conference";
        case kPersonalEntry:
            return "address";
        case kGroup:
            return "group";
        default:
            return "other";
    }
}

// The Internet address of an object: its own for a personal entry, the
// one made from its name on its node otherwise (nothing for a group).
std::string address_of(const AddressObject& object, const settings::NodeTable& nodes) {
    if (object.type == kPersonalEntry) return object.address;
    if (object.type == kGroup) return {};
    return internet_address(object.name, nodes.by_letter(static_cast<char>(object.node)),
                            domain_index_of(object.type));
}

void print_objects(const CliContext& context, AddressAccess& access,
                   const std::vector<AddressObject>& objects) {
    if (context.json) std::printf("[");
    for (size_t i = 0; i < objects.size(); ++i) {
        const AddressObject& object = objects[i];
        const std::string name = access.shown(object.name);
        const std::string address = access.shown(address_of(object, access.nodes()));
        if (context.json) {
            std::printf(
                "%s{\"node\": %s, \"number\": %u, \"type\": \"%s\", \"name\": %s, "
                "\"address\": %s}",
                i ? ", " : "", json_quote(std::string(1, static_cast<char>(object.node))).c_str(),
                object.number, type_word(object.type), json_quote(name).c_str(),
                json_quote(address).c_str());
        } else {
            std::printf("%-8s %-10s %s%s%s\n", object_reference(object.node, object.number).c_str(),
                        type_word(object.type), name.c_str(), address.empty() ? "" : "  <",
                        address.empty() ? "" : (address + ">").c_str());
        }
    }
    if (context.json) std::printf("]\n");
}

// Puts the command that downloads the home node's address book into the
// Out-Basket and says so.
int run_request(CliContext& context, const std::string& node_given) {
    CabinetAccess cabinet(context);
    if (!cabinet.open()) return 1;
    AddressAccess access(cabinet);
    if (!access.open()) return 1;
    settings::UserSettings* user = access.user();
    if (!user || !access.home_node()) {
        print_error("the address book is asked of the user's home node; give --user");
        return 1;
    }
    if (!node_given.empty()) {
        const std::optional<texts::NodeKey> node = access.node(node_given);
        if (!node) return 1;
        if (*node != access.home_node()) {
            print_error("an address book can only be asked of your home node, " +
                        cabinet.home_node_name());
            return 1;
        }
    }
    if (!succeeded(app::request_address_book(cabinet.cabinet(), *user).status())) return 1;
    std::printf("%s\n", platform::Status::message(platform::MessageId::kAddressRequestQueued,
                                                  {cabinet.home_node_name()})
                            .text()
                            .c_str());
    return 0;
}

struct LookupArgs {
    std::string text, node;
    bool persons = false, conferences = false, personal = false, anywhere = false;
};

int run_lookup(CliContext& context, const LookupArgs& args) {
    CabinetAccess cabinet(context);
    AddressAccess access(cabinet);
    if (!access.open()) return 1;
    const std::optional<std::string> text = access.typed(args.text);
    if (!text) return 1;
    LookupRequest request;
    request.text = *text;
    if (!args.node.empty()) {
        const std::optional<texts::NodeKey> node = access.node(args.node);
        if (!node) return 1;
        request.node = *node;
    } else if (settings::UserSettings* user = access.user()) {
        request.search_nodes = search_nodes_of(user->values.address_book.search_addresses);
        if (request.search_nodes.empty() && access.home_node())
            request.search_nodes = {static_cast<char>(access.home_node()),
                                    static_cast<char>(kPersonalNode)};
    }
    request.mask = 0;
    if (args.persons) request.mask |= type_mask::kPersons;
    if (args.conferences) request.mask |= type_mask::kConferences;
    if (args.personal) request.mask |= type_mask::kPersonal | type_mask::kGroups;
    if (request.mask == 0)
        request.mask = type_mask::kPersons | type_mask::kConferences | type_mask::kPersonal |
                       type_mask::kGroups;
    if (args.anywhere) request.rule = PositionRule::kAnywhere;

    // An empty book of the home node is offered for download first.
    const texts::NodeKey home = access.home_node();
    if (home && (request.node == home ||
                 (request.node == 0 &&
                  request.search_nodes.find(static_cast<char>(home)) != std::string::npos))) {
        platform::Result<bool> known =
            access.lists() ? access.lists()->has_objects(home) : platform::Result<bool>(false);
        if (!succeeded(known.status())) return 1;
        const std::string name = cabinet.home_node_name();
        if (!*known && context.ui.decide({platform::MessageId::kAddressBookEmpty,
                                          {name, name},
                                          platform::Buttons::YesNo,
                                          platform::Answer::No}) == platform::Answer::Yes)
            return run_request(context, {});
    }

    platform::Result<LookupResult> found = look_up(access.books(), request);
    if (!succeeded(found.status())) return 1;
    std::vector<AddressObject> objects;
    for (const Found& f : found->found) {
        BookFile* book = f.node == kPersonalNode ? access.personal() : access.lists();
        platform::Result<std::optional<AddressObject>> object = book->read_object(f.node, f.number);
        if (!succeeded(object.status())) return 1;
        if (*object && access.viewer().may_see(**object)) objects.push_back(std::move(**object));
    }
    if (objects.empty() && !context.json) {
        print_error(
            platform::Status::message(platform::MessageId::kNoAddressFound, {args.text}).text());
        return 1;
    }
    print_objects(context, access, objects);
    return 0;
}

// "C:12", "CORVID:12" or "@:3".
std::optional<std::pair<texts::NodeKey, uint16_t>> object_named(AddressAccess& access,
                                                                const std::string& given) {
    const size_t colon = given.rfind(':');
    const std::string digits = colon == std::string::npos ? "" : given.substr(colon + 1);
    if (digits.empty() || digits.size() > 5 ||
        digits.find_first_not_of("0123456789") != std::string::npos ||
        std::stoul(digits) > 0xFFFF) {
        print_error("'" + given + "' is no object; write it as NODE:NUMBER, such as C:12");
        return std::nullopt;
    }
    const std::optional<texts::NodeKey> node = access.node(given.substr(0, colon));
    if (!node) return std::nullopt;
    return std::pair(*node, static_cast<uint16_t>(std::stoul(digits)));
}

std::string flag_words(const AddressObject& object) {
    static const char* const kPrivileges[] = {"",         "None",          "User", "Organizer",
                                              "Operator", "Administrator", "6",    "7"};
    std::string words;
    auto add = [&](const std::string& word) {
        if (!word.empty()) words += (words.empty() ? "" : ", ") + word;
    };
    if (object.type == kPerson) {
        add(kPrivileges[object.flags & object_flags::kPrivilegeMask]);
        if (object.flags & object_flags::kEconomy) add("Economy");
        if (object.flags & object_flags::kSuspended) add("suspended");
        if (object.flags & object_flags::kAbsent) add("absent");
    }
    if (object.flags & object_flags::kOwnOnly) add("shown to its own person only");
    if (object.flags & object_flags::kMembersOnly) add("shown to members only");
    return words;
}

int run_show(CliContext& context, const std::string& given) {
    CabinetAccess cabinet(context);
    AddressAccess access(cabinet);
    if (!access.open()) return 1;
    const auto named = object_named(access, given);
    if (!named) return 1;
    const auto [node, number] = *named;
    BookFile* book = node == kPersonalNode ? access.personal() : access.required_lists();
    if (!book) {
        if (node == kPersonalNode)
            print_error(
                platform::Status::message(platform::MessageId::kPersonalBookNotOpen).text());
        return 1;
    }
    platform::Result<std::optional<AddressObject>> read = book->read_object(node, number);
    if (!succeeded(read.status())) return 1;
    if (!*read || !access.viewer().may_see(**read)) {
        print_error("there is no object " + object_reference(node, number));
        return 1;
    }
    const AddressObject& object = **read;
    std::string members;
    for (const Member& member : object.members)
        members += (members.empty() ? "" : " ") + object_reference(member.node, member.number);
    const std::string address = access.shown(address_of(object, access.nodes()));
    if (context.json) {
        std::printf(
            "{\"node\": %s, \"number\": %u, \"type\": \"%s\", \"name\": %s, \"flags\": "
            "%u, \"status\": %s, \"address\": %s, \"first_number\": %u, \"members\": %s}\n",
            json_quote(std::string(1, static_cast<char>(node))).c_str(), number,
            type_word(object.type), json_quote(access.shown(object.name)).c_str(), object.flags,
            json_quote(flag_words(object)).c_str(), json_quote(address).c_str(),
            object.first_number, json_quote(members).c_str());
        return 0;
    }
    const settings::NodeEntry* entry = access.nodes().by_letter(static_cast<char>(node));
    std::printf("Object:   %s%s%s%s\n", object_reference(node, number).c_str(), entry ? " (" : "",
                entry ? entry->name.c_str() : "", entry ? ")" : "");
    std::printf("Type:     %s%s\n", type_word(object.type), object.is_alias() ? " (an alias)" : "");
    std::printf("Name:     %s\n", access.shown(object.name).c_str());
    if (!address.empty()) std::printf("Address:  %s\n", address.c_str());
    if (object.type != kPersonalEntry && object.type != kGroup)
        std::printf("Flags:    %08X%s%s\n", object.flags, flag_words(object).empty() ? "" : " ",
                    flag_words(object).c_str());
    if (object.first_number) std::printf("Number:   %u\n", object.first_number);
    if (!members.empty()) std::printf("Members:  %s\n", members.c_str());
    return 0;
}

int run_import_list(CliContext& context, const std::string& file, bool keep) {
    CabinetAccess cabinet(context);
    AddressAccess access(cabinet);
    if (!access.open() || !access.required_lists()) return 1;
    platform::Result<ListImportOutcome> outcome = app::import_address_list_file(
        cabinet.application(), access.user(), cabinet.user_folder(), file, keep);
    if (!succeeded(outcome.status())) return 1;
    const settings::NodeEntry* node =
        access.nodes().by_letter(static_cast<char>(outcome->list.node));
    std::printf("%s the %s of %s: %zu objects stored, %zu removed.\n",
                outcome->aborted ? "Stopped importing" : "Imported",
                outcome->list.complete ? "complete address list" : "list of changes",
                node ? node->name.c_str() : "?", outcome->stored, outcome->removed);
    if (!outcome->report_to_show.empty()) {
        std::string report;
        if (platform::read_whole_file(outcome->report_to_show, &report) == 0)
            std::printf("%s", access.shown(report).c_str());
        const bool keep_changes = access.user()->values.address_book.keep_changes != 0;
        if (!succeeded(
                settle_read_report(cabinet.user_folder(), keep_changes, platform::system_env())))
            return 1;
    }
    return outcome->aborted ? 1 : 0;
}

struct ExportArgs {
    std::string file;
    std::vector<std::string> nodes;
    bool persons = false, conferences = false, info = false, append = false;
};

int run_export(CliContext& context, const ExportArgs& args) {
    CabinetAccess cabinet(context);
    AddressAccess access(cabinet);
    if (!access.open()) return 1;
    std::vector<NodeChoice> choices;
    const bool both = args.persons == args.conferences;
    for (const std::string& given : args.nodes) {
        const std::optional<texts::NodeKey> node = access.node(given);
        if (!node) return 1;
        choices.push_back({*node, both || args.persons, both || args.conferences});
    }
    if (choices.empty() && access.home_node())
        choices.push_back({access.home_node(), both || args.persons, both || args.conferences});
    if (choices.empty()) {
        print_error("no node to export; give --node");
        return 1;
    }
    if (!access.required_lists()) return 1;
    platform::Result<std::vector<CsvRow>> rows =
        node_rows(*access.lists(), access.nodes(), choices);
    if (!succeeded(rows.status())) return 1;
    const std::string path = with_csv_extension(args.file);
    if (!succeeded(write_csv({path, args.append, args.info, access.charset()}, *rows,
                             platform::system_env())))
        return 1;
    std::printf("Exported %zu addresses to %s.\n", rows->size(), path.c_str());
    return 0;
}

int run_import(CliContext& context, const std::string& file) {
    CabinetAccess cabinet(context);
    AddressAccess access(cabinet);
    if (!access.open()) return 1;
    platform::Result<CsvImportOutcome> outcome =
        import_csv_addresses(access.personal(), file, access.nodes(), access.charset(), context.ui,
                             platform::system_env());
    if (!succeeded(outcome.status())) return 1;
    std::printf("Added %zu addresses to the personal address book; %zu were there already.\n",
                outcome->added, outcome->already_kept);
    return outcome->aborted ? 1 : 0;
}

int run_add(CliContext& context, const std::string& name_given, const std::string& address_given) {
    CabinetAccess cabinet(context);
    AddressAccess access(cabinet);
    if (!access.open()) return 1;
    const std::optional<std::string> name = access.typed(name_given);
    const std::optional<std::string> address = access.typed(address_given);
    if (!name || !address) return 1;
    if (!access.personal()) {
        print_error(platform::Status::message(platform::MessageId::kPersonalBookNotOpen).text());
        return 1;
    }
    platform::Result<uint16_t> number = add_personal_entry(*access.personal(), *name, *address);
    if (!succeeded(number.status())) return 1;
    std::printf("Added %s <%s> as %s.\n", name_given.c_str(), address_given.c_str(),
                object_reference(kPersonalNode, *number).c_str());
    return 0;
}

int run_delete(CliContext& context, const std::string& given) {
    CabinetAccess cabinet(context);
    AddressAccess access(cabinet);
    if (!access.open()) return 1;
    if (!access.personal()) {
        print_error(platform::Status::message(platform::MessageId::kPersonalBookNotOpen).text());
        return 1;
    }
    uint16_t number = 0;
    if (given.starts_with("@:")) {
        const auto named = object_named(access, given);
        if (!named) return 1;
        number = named->second;
    } else {
        const std::optional<std::string> text = access.typed(given);
        if (!text) return 1;
        LookupRequest request;
        request.text = *text;
        request.node = kPersonalNode;
        request.mask = type_mask::kPersonal | type_mask::kGroups;
        platform::Result<ResolvedName> found =
            resolve_name({nullptr, access.personal()}, request, access.viewer());
        if (!succeeded(found.status())) return 1;
        number = found->object.number;
    }
    platform::Result<std::optional<AddressObject>> stored =
        access.personal()->read_object(kPersonalNode, number);
    if (!succeeded(stored.status())) return 1;
    if (!*stored) {
        print_error("there is no object " + object_reference(kPersonalNode, number));
        return 1;
    }
    if (!succeeded(delete_personal_object(*access.personal(), number))) return 1;
    std::printf("Deleted %s (%s).\n", access.shown((*stored)->name).c_str(),
                object_reference(kPersonalNode, number).c_str());
    return 0;
}

}  // namespace

void add_address_commands(CLI::App& app, CliContext& context) {
    auto* address = app.add_subcommand(
        "address", "The address book: look names up, import address lists and CSV files");
    address->require_subcommand(1);

    auto lookup_args = std::make_shared<LookupArgs>();
    auto* lookup = address->add_subcommand(
        "lookup", "Find the persons, conferences and addresses a typed name may mean");
    lookup->add_option("TEXT", lookup_args->text, "Beginnings of the words of a name, or #NUMBER")
        ->required();
    lookup->add_option("--node", lookup_args->node,
                       "Only this node (letter, name or alias; @ for the personal book)");
    lookup->add_flag("--persons", lookup_args->persons, "Persons only");
    lookup->add_flag("--conferences", lookup_args->conferences, "Conferences only");
    lookup->add_flag("--personal", lookup_args->personal, "Personal addresses and groups only");
    lookup->add_flag("--anywhere", lookup_args->anywhere,
                     "A typed word may match a word of the name in any place");
    lookup->callback(
        [&context, lookup_args] { context.exit_code = run_lookup(context, *lookup_args); });

    auto object = std::make_shared<std::string>();
    auto* show = address->add_subcommand("show", "Show one object of the address book");
    show->add_option("OBJECT", *object, "NODE:NUMBER, such as C:12 or @:3")->required();
    show->callback([&context, object] { context.exit_code = run_show(context, *object); });

    auto file = std::make_shared<std::string>();
    auto keep = std::make_shared<bool>(false);
    auto* import_list =
        address->add_subcommand("import-list", "Import an address list file of a node");
    import_list->add_option("FILE", *file, "The list, named like CO00123$ or CO00123#")->required();
    import_list->add_flag("--keep", *keep, "Keep the file after the import");
    import_list->callback(
        [&context, file, keep] { context.exit_code = run_import_list(context, *file, *keep); });

    auto node = std::make_shared<std::string>();
    auto* request = address->add_subcommand(
        "request", "Put the command that downloads the home node's address book in the Out-Basket");
    request->add_option("--node", *node, "The home node (the only one that can be asked)");
    request->callback([&context, node] { context.exit_code = run_request(context, *node); });

    auto export_args = std::make_shared<ExportArgs>();
    auto* exporting =
        address->add_subcommand("export", "Export the objects of nodes to a CSV file");
    exporting->add_option("FILE", export_args->file, "The CSV file (.csv is added when missing)")
        ->required();
    exporting->add_option("--node", export_args->nodes,
                          "A node to export (repeatable, at most 10)");
    exporting->add_flag("--persons", export_args->persons, "Persons only");
    exporting->add_flag("--conferences", export_args->conferences, "Conferences only");
    exporting->add_flag("--info", export_args->info, "Add a column that says what each object is");
    exporting->add_flag("--append", export_args->append, "Add to the end of an existing file");
    exporting->callback(
        [&context, export_args] { context.exit_code = run_export(context, *export_args); });

    auto csv = std::make_shared<std::string>();
    auto* importing = address->add_subcommand(
        "import", "Import Internet addresses from a CSV file into the personal address book");
    importing->add_option("FILE", *csv, "A CSV file with the columns Name and E-mail")->required();
    importing->callback([&context, csv] { context.exit_code = run_import(context, *csv); });

    auto name = std::make_shared<std::string>();
    auto mail = std::make_shared<std::string>();
    auto* add = address->add_subcommand("add", "Add an Internet address to the personal book");
    add->add_option("NAME", *name, "The name (at most 55 characters)")->required();
    add->add_option("ADDRESS", *mail, "The Internet address")->required();
    add->callback([&context, name, mail] { context.exit_code = run_add(context, *name, *mail); });

    auto target = std::make_shared<std::string>();
    auto* remove =
        address->add_subcommand("delete", "Delete an address or group from the personal book");
    remove->add_option("NAME", *target, "Its name, or @:NUMBER")->required();
    remove->callback([&context, target] { context.exit_code = run_delete(context, *target); });
}

}  // namespace orvane::ui

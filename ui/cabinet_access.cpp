#include "ui/cabinet_access.h"

#include "platform/directories.h"
#include "texts/ascii.h"

namespace orvane::ui {

namespace {

std::string absolute(const std::string& path) {
    return !path.empty() && path[0] == '/'
               ? path
               : platform::join_path(platform::current_directory(), path);
}

bool all_digits(const std::string& text) {
    if (text.empty()) return false;
    for (char c : text)
        if (!texts::is_digit(c)) return false;
    return true;
}

}  // namespace

CabinetAccess::CabinetAccess(CliContext& context)
    : context_(context),
      application_(context.ui, [](const settings::UsersList&) { return std::nullopt; }) {}

CabinetAccess::~CabinetAccess() {
    if (cabinet_) succeeded(cabinet_->close());
    if (settings_loaded_) settings_.close();
}

// The user named with --user (by name or folder), else the default user,
// else the only one; his settings give the cabinet and the options.
bool CabinetAccess::load_user() {
    const auto& users = application_.users();
    int index = -1;
    if (!context_.user.empty()) {
        index = users.find_folder(absolute(context_.user));
        for (size_t i = 0; index < 0 && i < users.users.size(); ++i)
            if (texts::equals_ignoring_case(users.users[i].name, context_.user))
                index = static_cast<int>(i);
    } else if (users.default_index >= 0) {
        index = users.default_index;
    } else if (users.users.size() == 1) {
        index = 0;
    }
    if (index < 0) {
        print_error(context_.user.empty() ? "no user to work as; give --user or --cabinet"
                                          : "no local user '" + context_.user + "'");
        return false;
    }
    const std::string folder = users.users[static_cast<size_t>(index)].folder;
    if (!settings_.load(application_.ini_cache(), folder, application_.program_directory(),
                        application_.version_gate(), context_.ui)) {
        print_error("the settings of the user were not loaded");
        return false;
    }
    settings_loaded_ = true;
    user_folder_ = folder;
    const settings::UserValues& values = settings_.values;
    std::string cabinet =
        values.orvane.cabinet.empty() ? settings::kDefaultCabinet : values.orvane.cabinet;
    path_ = cabinet[0] == '/' ? cabinet : platform::join_path(folder, cabinet);
    compression_ = values.options.compression != 0;
    index_options_.max_memory_kib = values.options.max_memory_for_index;
    index_options_.index_waste_basket = values.options.search_in_waste_basket != 0;
    index_options_.remove_re = values.options.remove_re != 0;
    home_node_ = static_cast<texts::NodeKey>(values.user.node);
    remove_re_ = values.options.remove_re != 0;
    time_display_ = static_cast<texts::TimeDisplay>(values.options.time_display);
    return true;
}

std::optional<std::string> CabinetAccess::path() {
    if (!started_) {
        std::string home;
        if (!context_.program_directory(&home)) return std::nullopt;
        if (application_.start({home, {}}) != app::RunResult::Ok) {
            print_error("the program could not start with the program directory '" + home + "'");
            return std::nullopt;
        }
        started_ = true;
        if (!context_.cabinet.empty()) {
            // --user beside --cabinet still names the writer of new texts.
            if (!context_.user.empty() && !load_user()) return std::nullopt;
            path_ = absolute(context_.cabinet);
        } else if (!load_user()) {
            return std::nullopt;
        }
    }
    return path_;
}

bool CabinetAccess::open(bool may_create) {
    if (!path()) return false;
    cabinet::OpenOptions options;
    options.compression = compression_;
    options.index = index_options_;
    options.recent_password = &recent_password_;
    options.offer_create = may_create;
    if (!context_.cabinet.empty()) options.create_unattended = platform::Answer::No;
    platform::Result<std::unique_ptr<cabinet::Cabinet>> opened =
        cabinet::Cabinet::open(path_, options, context_.ui);
    if (!opened.ok()) {
        succeeded(opened.status());  // says why, unless the user declined
        print_error("the filing cabinet '" + path_ + "' was not opened");
        return false;
    }
    cabinet_ = std::move(*opened);
    return true;
}

std::string CabinetAccess::home_node_name() const {
    const settings::NodeEntry* node =
        home_node_ ? nodes().by_letter(static_cast<char>(home_node_)) : nullptr;
    return node ? node->name : std::string();
}

std::optional<uint16_t> CabinetAccess::box(const std::string& given) {
    const cabinet::BoxTable& boxes = cabinet_->boxes();
    if (all_digits(given) && given.size() <= 5) {
        const unsigned long number = std::stoul(given);
        if (number <= 0xFFFF && boxes.contains(static_cast<uint16_t>(number)))
            return static_cast<uint16_t>(number);
    }
    if (const cabinet::BoxEntry* entry = boxes.find_by_name(given)) return entry->number;
    print_error("no box '" + given + "' in the filing cabinet");
    return std::nullopt;
}

std::optional<texts::TextRecord> CabinetAccess::text(const std::string& given) {
    const std::optional<texts::ParsedTextId> parsed = texts::parse_text_id(given, nodes());
    if (!parsed || parsed->length != given.size()) {
        print_error("'" + given + "' is not a text number");
        return std::nullopt;
    }
    // A bare number is a text of the home node, or else a local one.
    std::vector<texts::TextId> candidates;
    if (parsed->key != 0) {
        if (texts::text_id_fits(parsed->key, parsed->number))
            candidates.push_back(texts::make_text_id(parsed->key, parsed->number));
    } else {
        if (home_node_ && texts::text_id_fits(home_node_, parsed->number))
            candidates.push_back(texts::make_text_id(home_node_, parsed->number));
        candidates.push_back(parsed->number);
    }
    for (texts::TextId id : candidates) {
        platform::Result<std::optional<texts::TextRecord>> found = cabinet_->read_text(id);
        if (!succeeded(found.status())) return std::nullopt;
        if (*found) return std::move(*found);
    }
    print_error("no text " + given + " in the filing cabinet");
    return std::nullopt;
}

std::string CabinetAccess::text_id(texts::TextId id) const {
    return texts::format_text_id(id, home_node_, nodes());
}

}  // namespace orvane::ui

#include "addressbook/list_import.h"

#include <cerrno>
#include <filesystem>

#include "addressbook/db_access.h"
#include "addressbook/lookup.h"
#include "addressbook/write_batch.h"
#include "platform/file.h"
#include "platform/message_format.h"
#include "texts/ascii.h"
#include "texts/dates.h"

namespace orvane::addressbook {

namespace {

// What the open user's own lines say about him, applied to his settings
// once the import is durable.
struct OwnEntry {
    std::optional<std::string> name;
    std::optional<std::string> alias;
    std::optional<std::string> secretary;
    std::optional<int> privilege;
};

// The secretary's object number: the one person on `node` whose name is
// the secretary's name.
std::optional<uint16_t> secretary_number(BookFile& lists, NodeKey node, const std::string& name) {
    if (name.empty()) return std::nullopt;
    LookupRequest request;
    request.text = name;
    request.node = node;
    request.mask = type_mask::kPersons;
    auto found = look_up(Books{&lists, nullptr}, request);
    if (!found.ok()) return std::nullopt;
    std::optional<uint16_t> number;
    for (const Found& candidate : found->found) {
        if (candidate.number & kAliasBit) continue;
        auto object = lists.read_object(node, candidate.number);
        if (!object.ok() || !*object || !texts::equals_ignoring_case((*object)->name, name))
            continue;
        if (number) return std::nullopt;  // two of that name: neither is known to be him
        number = candidate.number;
    }
    return number;
}

class ListImporter {
  public:
    ListImporter(ListImportContext& context, const ListFileName& list,
                 const settings::NodeEntry& node)
        : context_(context), lists_(context.lists), list_(list), node_(node) {
        outcome_.list = list;
        if (list.complete) listed_.assign(0x10000, false);
        if (settings::UserSettings* user = context.user;
            user && static_cast<NodeKey>(user->values.user.node) == list.node) {
            own_object_ = static_cast<uint16_t>(user->values.user.object & kObjectNumberMask);
            secretary_ = secretary_number(lists_, list.node, user->values.user.secretary);
        }
    }

    platform::Result<ListImportOutcome> run(std::string_view text) {
        auto batch = WriteBatch::begin(lists_);
        if (!batch.ok()) return batch.take_status();
        batch_ = &*batch;

        auto progress = context_.policy.progress(
            platform::format_message("Importing addresses in %s", {node_.name}));
        size_t lines = 0;
        for (size_t at = 0; at < text.size();) {
            size_t end = text.find('\n', at);
            if (end == std::string_view::npos) end = text.size();
            std::string_view line = text.substr(at, end - at);
            at = end + 1;
            if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
            if (++lines % 8 == 0 && !progress->update(std::min(at, text.size()), text.size())) {
                outcome_.aborted = true;
                break;
            }
            if (platform::Status status = take_line(line); !status.ok()) return status;
        }
        if (list_.complete && !outcome_.aborted)
            if (platform::Status status = remove_unlisted(); !status.ok()) return status;
        // An aborted complete list may have stopped before objects it holds.
        if (outcome_.highest_serial && !(outcome_.aborted && list_.complete))
            batch_->raise_serial(list_.node, *outcome_.highest_serial);
        if (platform::Status status = batch_->commit(); !status.ok()) return status;
        batch_ = nullptr;
        return std::move(outcome_);
    }

    // Settings and notices that follow from the user's own entry.
    void apply_own_entry() {
        settings::UserSettings* user = context_.user;
        if (!user) return;
        settings::UserKeys& keys = user->values.user;
        bool changed = false;
        if (own_.name && *own_.name != keys.name) {
            keys.name = *own_.name;
            context_.policy.notice(
                platform::Status::message(platform::MessageId::kYourNameChanged, {keys.name}));
            changed = true;
        }
        if (own_.alias && *own_.alias != keys.alias1) {
            keys.alias1 = *own_.alias;
            context_.policy.notice(
                platform::Status::message(platform::MessageId::kYourAliasChanged, {keys.alias1}));
            changed = true;
        }
        if (own_.privilege && *own_.privilege != keys.privilege) {
            keys.privilege = *own_.privilege;
            changed = true;
        }
        if (own_.secretary && *own_.secretary != keys.secretary) {
            keys.secretary = *own_.secretary;
            changed = true;
        }
        if (!changed) return;
        // The book is committed already; a settings file that cannot be
        // written is told, and the next list brings the entry again.
        if (platform::Status saved = user->commit(); !saved.ok()) context_.policy.notice(saved);
    }

  private:
    platform::Status take_line(std::string_view text) {
        ListLine line;
        switch (parse_list_line(text, &line)) {
            case LineVerdict::kShort:
                return {};
            case LineVerdict::kBad:
                ++outcome_.passed_over;
                if (list_.complete && line.number_known) listed_[line.number] = true;
                return {};
            case LineVerdict::kRead:
                break;
        }
        if (!outcome_.highest_serial || *outcome_.highest_serial < line.serial)
            outcome_.highest_serial = line.serial;
        note_own_entry(line);
        if (list_.complete) listed_[line.number] = true;
        if (line.type != kPerson && line.type != kConference) return {};
        return (line.flags & object_flags::kRemoved) ? remove_line(line) : store_line(line);
    }

    void note_own_entry(const ListLine& line) {
        if (line.type != kPerson || line.name.empty() || (line.flags & object_flags::kRemoved))
            return;
        const uint16_t number = line.number & kObjectNumberMask;
        if (own_object_ != 0 && number == own_object_) {
            if (line.number & kAliasBit) {
                own_.alias = line.name;
            } else {
                own_.name = line.name;
            }
            own_.privilege = static_cast<int>(line.flags & object_flags::kPrivilegeMask);
        }
        if (secretary_ && line.number == *secretary_) own_.secretary = line.name;
    }

    // The stored bytes of the object, or nothing.
    platform::Result<std::optional<std::string>> stored_bytes(uint16_t number) {
        std::string data;
        const int32_t result = get_exact(lists_.db(), object_key(list_.node, number), &data);
        if (result == store::kDbNotFound) return std::optional<std::string>();
        if (result != store::kDbOk) return lists_.access_error(result);
        return std::optional<std::string>(std::move(data));
    }

    platform::Status store_line(const ListLine& line) {
        AddressObject object;
        object.node = list_.node;
        object.number = line.number;
        object.type = static_cast<uint8_t>(line.type);
        object.name = line.name;
        object.flags = line.flags;
        object.first_number = line.first_number;
        for (uint16_t member : line.more_numbers) object.members.push_back({list_.node, member});

        auto stored = stored_bytes(line.number);
        if (!stored.ok()) return stored.take_status();
        // Compared as stored, so that the flags an old server marks hidden
        // do not count as a change every time.
        if (*stored && **stored == encode_object(object)) return {};
        std::optional<AddressObject> old;
        if (*stored) old = decode_object(list_.node, line.number, **stored);
        if (platform::Status status = batch_->store(object, old); !status.ok()) return status;
        ++outcome_.stored;
        note_change(line.number, object.type, old, flags_as_read(object.flags), object.name);
        return {};
    }

    platform::Status remove_line(const ListLine& line) {
        auto stored = stored_bytes(line.number);
        if (!stored.ok()) return stored.take_status();
        if (!*stored) return {};
        std::optional<AddressObject> old = decode_object(list_.node, line.number, **stored);
        // A record that cannot be read has no words in the index to remove.
        AddressObject gone;
        gone.node = list_.node;
        gone.number = line.number;
        if (platform::Status status = batch_->remove(old.value_or(gone)); !status.ok())
            return status;
        ++outcome_.removed;
        note_change(line.number, static_cast<uint8_t>(line.type), old, flags_as_read(line.flags),
                    {});
        return {};
    }

    platform::Status remove_unlisted() {
        auto objects = lists_.objects_of(list_.node);
        if (!objects.ok()) return objects.take_status();
        for (const AddressObject& object : *objects) {
            if (listed_[object.number]) continue;
            if (platform::Status status = batch_->remove(object); !status.ok()) return status;
            ++outcome_.removed;
        }
        return {};
    }

    // Only a list of changes reports what changed.
    void note_change(uint16_t number, uint8_t type, const std::optional<AddressObject>& old,
                     uint32_t new_flags, const std::string& new_name) {
        if (list_.complete) return;
        ChangeRecord change;
        change.number = number;
        change.type = type;
        change.new_flags = new_flags;
        change.new_name = new_name;
        if (old) {
            change.old_flags = old->flags;
            change.old_name = old->name;
        }
        outcome_.changes.push_back(std::move(change));
    }

    ListImportContext& context_;
    BookFile& lists_;
    ListFileName list_;
    const settings::NodeEntry& node_;
    WriteBatch* batch_ = nullptr;
    ListImportOutcome outcome_;
    std::vector<bool> listed_;
    uint16_t own_object_ = 0;
    std::optional<uint16_t> secretary_;
    OwnEntry own_;
};

void write_reports(ListImportContext& context, ListImportOutcome& outcome,
                   const settings::NodeEntry& node) {
    const std::string date = texts::format_date(static_cast<uint32_t>(context.env.now_utc()),
                                                texts::DateRequest::local_time);
    for (const ReportWatcher& watcher : context.watchers) {
        if (!watcher.watches(outcome.list.node)) continue;
        const std::string lines = report_lines(outcome.changes, outcome.list.node, watcher);
        // A user whose report cannot be written gets none; the others still do.
        (void)append_report(watcher.directory, node.name, date, lines, context.env);
    }
}

// The open user sees his report when he watches any node; a report nobody
// will look at is not kept.
void settle_own_report(ListImportContext& context, ListImportOutcome& outcome) {
    if (context.user_directory.empty()) return;
    const std::string report = context.user_directory + "/" + kReportFile;
    if (!platform::file_exists(report)) return;
    const bool watches_any =
        context.user && !search_nodes_of(context.user->values.address_book.report_changes).empty();
    if (watches_any) {
        outcome.report_to_show = report;
    } else {
        // Nobody will read it. Should it stay, the next import tries again.
        (void)context.env.unlink(report);
    }
}

}  // namespace

platform::Result<ListImportOutcome> import_address_list(const std::string& path,
                                                        ListImportContext& context) {
    const std::string name = std::filesystem::path(path).filename().string();
    const std::optional<ListFileName> list = parse_list_file_name(name);
    if (!list) return platform::Status::message(platform::MessageId::kNotAnAddressList, {name});
    if (list->zipped)
        return platform::Status::message(platform::MessageId::kAddressListZipped, {name});
    const settings::NodeEntry* node = context.nodes.by_letter(static_cast<char>(list->node));
    if (!node)
        return platform::Status::message(platform::MessageId::kAddressListUnknownNode,
                                         {name, static_cast<char>(list->node)});
    std::string text;
    if (int error = platform::read_whole_file(path, &text, context.env))
        return platform::Status::file(platform::MessageId::kCannotOpenFile, path, error);

    ListImporter importer(context, *list, *node);
    auto outcome = importer.run(text);
    if (!outcome.ok()) return outcome;
    importer.apply_own_entry();
    if (!outcome->aborted && !context.keep_file) {
        // A list left behind is imported again next time, which changes nothing.
        if (int error = context.env.unlink(path); error != 0 && error != ENOENT)
            context.policy.notice(
                platform::Status::file(platform::MessageId::kCannotWriteFile, path, error));
    }
    if (!list->complete && !outcome->changes.empty()) write_reports(context, *outcome, *node);
    if (!list->complete) settle_own_report(context, *outcome);
    if (outcome->passed_over > 0)
        context.policy.notice(
            platform::Status::message(platform::MessageId::kAddressLinesPassedOver,
                                      {static_cast<int>(outcome->passed_over), name}));
    return outcome;
}

}  // namespace orvane::addressbook

#include "addressbook/csv_import.h"

#include <algorithm>
#include <optional>
#include <set>

#include "addressbook/csv.h"
#include "addressbook/internet_address.h"
#include "addressbook/personal_book.h"
#include "addressbook/write_batch.h"
#include "platform/file.h"
#include "texts/ascii.h"
#include "texts/code_pages.h"

namespace orvane::addressbook {

namespace {

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && texts::is_blank(text.front())) text.remove_prefix(1);
    while (!text.empty() && texts::is_blank(text.back())) text.remove_suffix(1);
    return text;
}

struct Columns {
    size_t name = 0;
    size_t address = 0;
};

std::optional<Columns> find_columns(const std::vector<std::string>& header) {
    std::optional<size_t> name, address;
    for (size_t i = 0; i < header.size(); ++i) {
        const std::string_view field = trimmed(header[i]);
        if (!name && texts::equals_ignoring_case(field, "name")) name = i;
        if (!address && (texts::starts_with_ignoring_case(field, "e-mail") ||
                         texts::starts_with_ignoring_case(field, "email")))
            address = i;
    }
    if (!name || !address) return std::nullopt;
    return Columns{*name, *address};
}

std::string in_code_page(std::string_view field, uint8_t charset) {
    std::vector<texts::Replacement> replaced;
    texts::ConversionProblem problem;
    std::optional<std::string> converted =
        texts::from_utf8(field, charset, true, &replaced, &problem);
    return converted ? *converted : std::string(field);
}

std::string lowered(std::string_view text) {
    std::string lower(text);
    for (char& c : lower) c = texts::to_lower(c);
    return lower;
}

}  // namespace

std::string name_from_address(std::string_view address) {
    std::string name(address.substr(0, std::min(address.find('@'), kMaxNameLength)));
    std::replace(name.begin(), name.end(), '.', ' ');
    return name;
}

platform::Result<CsvImportOutcome> import_csv_addresses(BookFile* personal, const std::string& path,
                                                        const settings::NodeTable& nodes,
                                                        uint8_t charset, platform::Policy& policy,
                                                        platform::Env& env) {
    using platform::MessageId;
    using platform::Status;
    if (!personal) return Status::message(MessageId::kPersonalBookNotOpen);
    std::string text;
    if (int error = platform::read_whole_file(path, &text, env))
        return Status::file(MessageId::kCannotOpenFile, path, error);

    CsvReader reader(text);
    std::vector<std::string> fields;
    std::optional<Columns> columns;
    if (reader.next(&fields) == CsvReader::Next::kRecord) columns = find_columns(fields);
    if (!columns) return Status::message(MessageId::kCsvUnknownFormat, {path});

    auto objects = personal->objects_of(kPersonalNode);
    if (!objects.ok()) return objects.take_status();
    std::set<std::pair<std::string, std::string>> kept;
    for (const AddressObject& object : *objects)
        if (object.type == kPersonalEntry) kept.emplace(object.name, lowered(object.address));
    auto numbers = PersonalNumbers::of(*personal);
    if (!numbers.ok()) return numbers.take_status();

    auto batch = WriteBatch::begin(*personal);
    if (!batch.ok()) return batch.take_status();
    auto progress = policy.progress("Importing addresses");
    CsvImportOutcome outcome;
    std::set<const settings::NodeEntry*> refused_nodes;
    for (size_t row = 1;; ++row) {
        if (row % 8 == 0 && !progress->update(reader.position(), text.size())) {
            outcome.aborted = true;
            break;
        }
        const CsvReader::Next next = reader.next(&fields);
        if (next == CsvReader::Next::kEnd) break;
        if (next == CsvReader::Next::kTooLong) {
            ++outcome.passed_over;
            continue;
        }
        auto field = [&](size_t column) {
            return in_code_page(column < fields.size() ? trimmed(fields[column]) : "", charset);
        };
        const std::string address = field(columns->address);
        if (address.find('@') == std::string::npos) continue;
        std::string name = field(columns->name).substr(0, kMaxNameLength);
        if (name.empty()) name = name_from_address(address);

        if (const settings::NodeEntry* node = node_of_address(nodes, address)) {
            if (refused_nodes.insert(node).second)
                policy.notice(Status::message(MessageId::kNodeAddressesNotImported, {node->name}));
            continue;
        }
        if (address.size() > kMaxAddressLength || name.empty()) {
            ++outcome.passed_over;
            continue;
        }
        if (!kept.emplace(name, lowered(address)).second) {
            ++outcome.already_kept;
            continue;
        }
        const std::optional<uint16_t> number = numbers->take();
        if (!number) {
            ++outcome.passed_over;
            continue;
        }
        AddressObject entry;
        entry.node = kPersonalNode;
        entry.number = *number;
        entry.type = kPersonalEntry;
        entry.name = std::move(name);
        entry.address = address;
        if (Status status = batch->store(entry, std::nullopt); !status.ok()) return status;
        ++outcome.added;
    }
    if (Status status = batch->commit(); !status.ok()) return status;
    if (outcome.passed_over > 0)
        policy.notice(Status::message(MessageId::kCsvRowsPassedOver,
                                      {static_cast<int>(outcome.passed_over), path}));
    return outcome;
}

}  // namespace orvane::addressbook

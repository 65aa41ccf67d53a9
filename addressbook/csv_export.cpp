#include "addressbook/csv_export.h"

#include <filesystem>

#include "addressbook/csv.h"
#include "addressbook/internet_address.h"
#include "addressbook/text_files.h"
#include "platform/file.h"
#include "texts/code_pages.h"

namespace orvane::addressbook {

std::string info_of(const AddressObject& object) {
    if (object.type == kConference) return "conference";
    const char* status = (object.flags & object_flags::kSuspended) ? "suspended"
                         : (object.flags & object_flags::kAbsent)  ? "absent"
                                                                   : "active";
    return std::string(status) + " person";
}

platform::Result<std::vector<CsvRow>> node_rows(BookFile& lists, const settings::NodeTable& nodes,
                                                std::span<const NodeChoice> choices) {
    if (choices.size() > kMaxExportNodes)
        return platform::Status::message(platform::MessageId::kTooManyExportNodes);
    std::vector<CsvRow> rows;
    for (const NodeChoice& choice : choices) {
        const settings::NodeEntry* node = nodes.by_letter(static_cast<char>(choice.node));
        auto objects = lists.objects_of(choice.node);
        if (!objects.ok()) return objects.take_status();
        for (const AddressObject& object : *objects) {
            if (object.is_alias()) continue;
            if (!(object.type == kPerson && choice.persons) &&
                !(object.type == kConference && choice.conferences))
                continue;
            rows.push_back({object.name,
                            internet_address(object.name, node, domain_index_of(object.type)),
                            info_of(object)});
        }
    }
    return rows;
}

platform::Result<std::vector<CsvRow>> group_rows(BookFile& personal, BookFile* lists,
                                                 const settings::NodeTable& nodes, uint16_t group) {
    auto stored = personal.read_object(kPersonalNode, group);
    if (!stored.ok()) return stored.take_status();
    if (!*stored || (*stored)->type != kGroup)
        return platform::Status::message(platform::MessageId::kIsMissing, {"The group"});
    std::vector<CsvRow> rows;
    for (const Member& member : (*stored)->members) {
        BookFile* book = member.node == kPersonalNode ? &personal : lists;
        if (!book) continue;
        auto object = book->read_object(member.node, member.number);
        if (!object.ok()) return object.take_status();
        if (!*object) continue;
        const AddressObject& found = **object;
        if (found.type == kPersonalEntry) {
            rows.push_back({found.name, found.address, {}});
        } else if (found.type == kPerson || found.type == kConference) {
            rows.push_back(
                {found.name,
                 internet_address(found.name, nodes.by_letter(static_cast<char>(member.node)),
                                  domain_index_of(found.type)),
                 {}});
        }
    }
    return rows;
}

platform::Status write_csv(const CsvTarget& target, std::span<const CsvRow> rows,
                           platform::Env& env) {
    std::string text;
    for (const CsvRow& row : rows) {
        std::vector<std::string> fields{texts::to_utf8(row.name, target.charset),
                                        texts::to_utf8(row.address, target.charset)};
        if (target.info) fields.push_back(row.info);
        text += csv_line(fields);
    }
    const std::string first =
        std::string("\xEF\xBB\xBF") +
        (target.info ? "Name,E-mail Address,Info\n" : "Name,E-mail Address\n");
    if (!target.append) {
        text.insert(0, first);
        if (int error = platform::write_whole_file(target.path, text.data(), text.size(), env))
            return platform::Status::file(platform::MessageId::kCannotWriteFile, target.path,
                                          error);
        return {};
    }
    return append_text(target.path, text, env, {.new_line_first = true, .first_line = first});
}

std::string with_csv_extension(std::string path) {
    if (!std::filesystem::path(path).has_extension()) path += ".csv";
    return path;
}

}  // namespace orvane::addressbook

#include "app/command_commit.h"

#include <algorithm>

#include "app/new_items.h"
#include "app/outgoing.h"
#include "cabinet/db_lock.h"
#include "cabinet/fixed_boxes.h"
#include "packet/item_writer.h"
#include "platform/resource_strings.h"

namespace orvane::app {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

void add_uploads(texts::TextRecord& text, const commands::CommandBody& body) {
    for (const commands::UploadFile& upload : body.uploads) {
        std::string value = packet::attach_value(upload.path);
        if (!upload.remainder.empty()) value += " " + upload.remainder;
        text.add_field(texts::HeaderCode::kAttach, value);
    }
}

bool in_out_basket(const texts::TextRecord& text) {
    return std::find(text.boxes.begin(), text.boxes.end(), cabinet::box::kOutBasket) !=
           text.boxes.end();
}

Status engine_error(texts::TextId id, int32_t code) {
    return Status::engine(cabinet::writing_text_phrase(id), code, store::DbErrorText(code));
}

}  // namespace

Result<commands::CommandBody> CommandCollector::in_code_page(const commands::CommandBody& body) {
    const uint8_t charset = texts::make_charset(writer_.charset_class, writer_.charset_variant);
    commands::CommandBody converted;
    auto convert = [&](std::string_view text) {
        return typed_in_code_page("A command", text, charset, false, cabinet_.policy());
    };
    for (const std::string& line : body.lines) {
        Result<std::string> line_in_code_page = convert(line);
        if (!line_in_code_page.ok()) return line_in_code_page.take_status();
        converted.lines.push_back(std::move(*line_in_code_page));
    }
    // The path stays as the file system names it.
    for (const commands::UploadFile& upload : body.uploads) {
        Result<std::string> remainder = convert(upload.remainder);
        if (!remainder.ok()) return remainder.take_status();
        converted.uploads.push_back({upload.path, std::move(*remainder)});
    }
    return converted;
}

Result<bool> CommandCollector::in_out_basket_already(const commands::CommandBody& body) {
    Result<cabinet::BoxList> list = cabinet_.read_box_list(cabinet::box::kOutBasket);
    if (!list.ok()) return list.take_status();
    for (texts::TextId id : list->ids) {
        Result<std::optional<texts::TextRecord>> text = cabinet_.read_text(id);
        if (!text.ok()) return text.take_status();
        if (*text && packet::is_command(**text) && commands::body_contains((*text)->body, body))
            return true;
    }
    return false;
}

Result<texts::TextId> CommandCollector::commit(const commands::CommandBody& typed,
                                               const std::string& typed_subject) {
    Result<commands::CommandBody> body = in_code_page(typed);
    if (!body.ok()) return body.take_status();
    const uint8_t charset = texts::make_charset(writer_.charset_class, writer_.charset_variant);
    Result<std::string> subject =
        typed_in_code_page("The subject", typed_subject, charset, false, cabinet_.policy());
    if (!subject.ok()) return subject.take_status();
    if (scope_ == DuplicateScope::kOutBasket) {
        Result<bool> already = in_out_basket_already(*body);
        if (!already.ok()) return already.take_status();
        if (*already) return Status::message(MessageId::kCommandAlreadyQueued);
    }
    if (text_) {
        Result<bool> appended = append(*body);
        if (!appended.ok()) return appended.take_status();
        if (*appended) return *text_;
    }
    return start_text(*body, *subject);
}

Result<texts::TextId> CommandCollector::start_text(const commands::CommandBody& body,
                                                   const std::string& subject) {
    const auto now = static_cast<uint32_t>(cabinet_.env().now_utc());
    Result<texts::TextId> stored = store_new_item(cabinet_, [&](texts::TextId id) {
        texts::TextRecord text = packet::compose_command(id, now, writer_, body.lines);
        text.subject = subject;
        add_uploads(text, body);
        text.update_charset(writer_.charset_class, writer_.charset_variant);
        return Result<texts::TextRecord>(std::move(text));
    });
    if (stored.ok()) text_ = *stored;
    return stored;
}

Result<bool> CommandCollector::append(const commands::CommandBody& body) {
    if (Status status = cabinet_.check_writable(); !status.ok()) return status;
    // The text is read and written back in one period, so that a packet
    // built meanwhile by another copy of the program cannot slip between.
    cabinet::DbLockGuard lock(cabinet_.db());
    if (lock.code() != store::kDbOk) return engine_error(*text_, lock.code());
    Result<std::optional<texts::TextRecord>> read = cabinet_.read_text(*text_, true);
    if (!read.ok()) return read.take_status();
    // Sent or deleted meanwhile: the session goes on in a new text.
    if (!*read || !packet::is_command(**read) || !in_out_basket(**read)) return false;
    texts::TextRecord& text = **read;
    if (commands::body_contains(text.body, body))
        return Status::message(MessageId::kCommandAlreadyQueued);
    if (text.body.size() + body.text().size() > commands::kMaxCommandBody) return false;
    text.body += body.text();
    add_uploads(text, body);
    text.width = texts::text_width(text.body, writer_.look.right_margin);
    text.update_charset(writer_.charset_class, writer_.charset_variant);
    if (Status status = cabinet_.write_text(text); !status.ok()) return status;
    if (int32_t code = lock.commit()) return engine_error(text.id, code);
    return true;
}

Result<texts::TextId> post_name_change(cabinet::Cabinet& cabinet,
                                       const settings::UserSettings& user,
                                       const commands::NameChange& change,
                                       platform::Policy& policy) {
    NewItem item;
    item.kind = ItemKind::kConferenceText;
    item.to = {kNamesConference};
    item.subject = change.old_name;
    item.body = platform::format_message(platform::resource_string(MessageId::kNowNamed),
                                         {change.new_name}) +
                "\n";
    return write_new_item(cabinet, user, item, {}, policy, cabinet.env());
}

Status set_own_secretary(settings::UserSettings& user, const std::string& secretary) {
    user.values.user.secretary = secretary;
    user.save();
    return user.file().commit();
}

}  // namespace orvane::app

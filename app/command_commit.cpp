#include "app/command_commit.h"

#include <algorithm>

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

uint32_t now_of(cabinet::Cabinet& cabinet) {
    return static_cast<uint32_t>(cabinet.env().now_utc());
}

}  // namespace

Result<texts::TextId> CommandCollector::start_text(const commands::CommandBody& body,
                                                   const std::string& subject) {
    Result<texts::TextId> stored = store_new_item(cabinet_, [&](texts::TextId id) {
        texts::TextRecord text = packet::compose_command(id, now_of(cabinet_), writer_, body.lines);
        text.subject = subject;
        add_uploads(text, body);
        text.update_charset(texts::charsets::kWindowsClass, writer_.charset_variant);
        return Result<texts::TextRecord>(std::move(text));
    });
    if (stored.ok()) text_ = *stored;
    return stored;
}

Result<texts::TextId> CommandCollector::commit(const commands::CommandBody& body,
                                               const std::string& subject) {
    if (!text_) return start_text(body, subject);
    Result<bool> appended = append(body);
    if (!appended.ok()) return appended.take_status();
    if (*appended) return *text_;
    return start_text(body, subject);
}

Result<bool> CommandCollector::append(const commands::CommandBody& body) {
    if (Status status = cabinet_.check_writable(); !status.ok()) return status;
    // The text is read and written back in one period, so that a packet
    // built meanwhile by another copy of the program cannot slip between.
    cabinet::DbLockGuard lock(cabinet_.db());
    if (lock.code() != store::kDbOk)
        return Status::engine(cabinet::writing_text_phrase(*text_), lock.code(),
                              store::DbErrorText(lock.code()));
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
    text.update_charset(texts::charsets::kWindowsClass, writer_.charset_variant);
    if (Status status = cabinet_.write_text(text); !status.ok()) return status;
    if (int32_t code = lock.commit())
        return Status::engine(cabinet::writing_text_phrase(text.id), code,
                              store::DbErrorText(code));
    return true;
}

Result<bool> queued_in_out_basket(cabinet::Cabinet& cabinet, const commands::CommandBody& body) {
    Result<cabinet::BoxList> list = cabinet.read_box_list(cabinet::box::kOutBasket);
    if (!list.ok()) return list.take_status();
    for (texts::TextId id : list->ids) {
        Result<std::optional<texts::TextRecord>> text = cabinet.read_text(id);
        if (!text.ok()) return text.take_status();
        if (*text && packet::is_command(**text) && commands::body_contains((*text)->body, body))
            return true;
    }
    return false;
}

Result<texts::TextId> post_name_change(cabinet::Cabinet& cabinet, const packet::Writer& writer,
                                       const commands::NameChange& change) {
    return store_new_item(cabinet, [&](texts::TextId id) {
        packet::Draft draft;
        draft.to = {kNamesConference};
        draft.subject = change.old_name;
        draft.body = platform::format_message(platform::resource_string(MessageId::kNowNamed),
                                              {change.new_name}) +
                     "\n";
        return Result<texts::TextRecord>(
            packet::compose_text(id, now_of(cabinet), writer, draft, false));
    });
}

Status set_own_secretary(settings::UserSettings& user, const std::string& secretary) {
    user.values.user.secretary = secretary;
    user.save();
    return user.file().commit();
}

}  // namespace orvane::app

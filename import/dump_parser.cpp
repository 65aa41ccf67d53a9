#include "import/dump_parser.h"

#include <ctime>

#include "cabinet/stored_text.h"
#include "platform/directories.h"
#include "platform/message_format.h"
#include "platform/resource_strings.h"
#include "settings/user_settings.h"
#include "texts/ascii.h"
#include "texts/dates.h"
#include "texts/text_id.h"

namespace orvane::import {

using platform::MessageId;
using platform::Status;
using texts::HeaderCode;
using texts::TextRecord;

namespace {

// Server messages are cut at about this length.
constexpr size_t kMaxMessageLength = 850;
// The server asks for a new password only this long after the last change.
constexpr uint32_t kPasswordAge = 1296000;  // 15 days
constexpr size_t kProgressEvery = 512;      // lines between progress reports
constexpr std::string_view kConferenceLine = "The name of the conference is: ";
constexpr std::string_view kLastLoginLine = "Last login was on ";

texts::CivilDate day_of(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return {local.tm_year + 1900, local.tm_mon + 1, local.tm_mday};
}

std::string_view skip_blanks(std::string_view text) {
    while (!text.empty() && texts::is_blank(text.front())) text.remove_prefix(1);
    return text;
}

}  // namespace

DumpParser::DumpParser(TextFiler& filer, const ImportOptions& options,
                       const texts::NodeNames& nodes, AddressBookPort& book,
                       platform::Policy& policy, platform::Env& env, ImportShared& shared)
    : filer_(filer),
      options_(options),
      nodes_(nodes),
      book_(book),
      policy_(policy),
      env_(env),
      shared_(shared) {}

void DumpParser::reset_file() {
    result_ = FileResult{};
    state_ = ParseState::kBetween;
    home_node_ = options_.mode == ImportMode::kAtStart || options_.mode == ImportMode::kAfterSession
                     ? options_.home_node
                     : 0;
    echo_kind_ = 0;
    echo_number_ = 0;
    server_number_ = 0;
    base_flags_ = 1;
    conference_box_ = -1;
    current_ = TextInProgress{};
    interrupted_.reset();
    boundary_.clear();
    part_ = PartHeaders{};
    filer_.reset_counts();
}

bool DumpParser::stopped() const {
    return state_ == ParseState::kSkipRest || !result_.error.ok() || shared_.aborted;
}

void DumpParser::fail(Status status) {
    if (result_.error.ok()) result_.error = std::move(status);
}

FileResult DumpParser::parse(const std::string& path, uint64_t offset,
                             platform::Progress* progress) {
    reset_file();
    path_ = path;
    if (const int error = source_.open(path, offset, env_)) {
        result_.error = Status::file(MessageId::kCannotOpenFile, path, error);
        result_.unreadable = true;
        return result_;
    }
    std::time_t written = 0;
    reference_day_ = platform::file_modification_time(path, &written) == 0 ? day_of(written)
                                                                           : day_of(env_.now_utc());
    if (Status zip = source_.start_zip_file(); !zip.ok()) {
        result_.error = Status::message(MessageId::kErrorUnzipping, {path, zip.text()});
        result_.unreadable = true;
        return result_;
    }
    uint64_t lines = 0;
    while (!stopped()) {
        const std::optional<std::string_view> line = reader_.next_line();
        if (!line) {
            if (!end_layer()) break;
            continue;
        }
        handle(*line);
        if (progress && ++lines % kProgressEvery == 0 &&
            !progress->update(source_.file_position(), source_.file_size()))
            shared_.aborted = true;
    }
    if (!result_.error.ok() || shared_.aborted) {
        result_.aborted = shared_.aborted;
    } else if (state_ != ParseState::kSkipRest) {
        finish_pending();
    }
    result_.counts = filer_.counts();
    result_.skipped = state_ == ParseState::kSkipRest;
    result_.lines_cut = reader_.cut_lines();
    return result_;
}

bool DumpParser::end_layer() {
    finish_pending();
    const ByteSource::LayerEnd end = source_.end_layer();
    if (!end.error.ok()) {
        if (end.in_zip_file) {
            // The file is a damaged archive: nothing of it is imported.
            fail(Status::message(MessageId::kErrorUnzipping, {path_, end.error.text()}));
            result_.unreadable = true;
            return false;
        }
        unzip_error(end.error, part_.name);
    }
    switch (end.next) {
        case AfterLayer::kEndOfFile:
            return false;
        case AfterLayer::kStateBetween:
            state_ = ParseState::kBetween;
            break;
        case AfterLayer::kStatePartHeads:
            state_ = ParseState::kMimePartHeads;
            part_ = PartHeaders{};
            break;
        case AfterLayer::kReadOn:
            break;
    }
    return true;
}

void DumpParser::unzip_error(const Status& reason, const std::string& name) {
    policy_.notice(
        Status::message(MessageId::kErrorUnzipping, {name.empty() ? path_ : name, reason.text()}));
}

void DumpParser::handle(std::string_view line) {
    if (state_ == ParseState::kBetween || echo_kind_ == 'T' || echo_kind_ == 'M') {
        if (const std::optional<EchoMarker> marker = parse_echo_marker(line)) {
            echo_marker(*marker);
            return;
        }
    }
    // The summary of errors appears between items; inside a mail's other
    // parts it is only quoted.
    const bool between_or_text = state_ == ParseState::kBetween || state_ == ParseState::kHeader ||
                                 state_ == ParseState::kTrailer;
    if (between_or_text && !line.empty() && texts::is_digit(line.front())) {
        if (const std::optional<uint32_t> errors = parse_error_count(line)) {
            finish_pending();
            result_.updump_errors += *errors;
            state_ = ParseState::kBetween;
        }
        return;
    }
    switch (state_) {
        case ParseState::kBetween:
            between(line);
            break;
        case ParseState::kHeader:
        case ParseState::kTrailer:
            header_block(line);
            break;
        case ParseState::kBody:
            body(line);
            break;
        case ParseState::kNotice:
            notice_body(line);
            break;
        case ParseState::kMimeSeek:
            mime_seek(line);
            break;
        case ParseState::kMimePartHeads:
            mime_part_heads(line);
            break;
        case ParseState::kSkipRest:
            break;
    }
}

// --- Between items ---

void DumpParser::between(std::string_view line) {
    if (line.size() < 6) return;
    if (const std::optional<ContentType> type = parse_content_type(line)) {
        if (type->multipart) multipart(*type);
        return;
    }
    if (is_uuencode_begin(line)) {
        if (Status status = source_.start_uuencoded(); !status.ok())
            unzip_error(status, std::string(skip_blanks(line.substr(6))));
        return;
    }
    if (section_line(line)) return;
    if (options_.mode == ImportMode::kAfterSession) {
        if (const auto date = after_prefix(line, kLastLoginLine)) {
            last_login(*date);
            result_.recognised = true;
            return;
        }
    }
    if (const auto name = after_prefix(line, kConferenceLine)) {
        conference(*name);
        result_.recognised = true;
        return;
    }
    if (line.starts_with("Give your password -") || line.starts_with("Logged off on ")) {
        result_.recognised = true;
        return;
    }
    Heading heading;
    switch (parse_heading(line, echo_kind_ == 0, nodes_, reference_day_, &heading)) {
        case HeadingMatch::kHeading:
            start_heading(heading);
            return;
        case HeadingMatch::kIgnored:
            return;
        case HeadingMatch::kNone:
            server_message(line);
            return;
    }
}

bool DumpParser::section_line(std::string_view line) {
    std::string_view rest = line;
    if (texts::starts_with_ignoring_case(rest, "Subject:")) rest = skip_blanks(rest.substr(8));
    const std::optional<SectionLine> section = parse_section_line(rest);
    if (!section) return false;
    home_node_ = node_key_for_name(section->node, nodes_);
    if (section->sets_base_flags) base_flags_ = 1;
    result_.recognised = true;
    return true;
}

void DumpParser::multipart(const ContentType& type) {
    std::optional<std::string> boundary = type.boundary;
    // A folded header gives its boundary on a line of its own.
    while (!boundary) {
        const std::optional<std::string_view> more = reader_.peek_line();
        if (!more || more->empty() || !texts::is_blank(more->front())) break;
        boundary = find_boundary(*more);
        reader_.take_line();
    }
    if (!boundary) return;
    boundary_ = *boundary;
    state_ = ParseState::kMimeSeek;
}

void DumpParser::conference(std::string_view rest) {
    texts::HeaderValueReader value(rest, &reader_, texts::kWholeValueDepth);
    const std::string name = value.next_item().value_or(std::string());
    if (name.empty()) return;
    platform::Result<uint16_t> box = filer_.conference_box(name);
    if (!box.ok()) return fail(box.take_status());
    conference_box_ = *box;
    // The section line before made the base flags those of letters; the
    // texts of a conference listing are conference texts.
    base_flags_ = 0;
}

void DumpParser::last_login(std::string_view text) {
    if (shared_.last_login) return;
    const uint32_t date = texts::parse_date(text, reference_day_);
    if (date == 0) return;
    shared_.last_login = date;
    if (options_.show_last_login & 1)
        policy_.notice(Status::message(
            MessageId::kPreviousLogin,
            {texts::format_date(date, texts::DateRequest::as_chosen, {options_.time_display})}));
}

bool DumpParser::ensure_home_node() {
    if (home_node_ != 0) return true;
    if (options_.node_for_unnamed != 0) {
        home_node_ = options_.node_for_unnamed;
        return true;
    }
    // Nodes by name, then the two ways out.
    platform::Choice choice;
    choice.title = platform::resource_string(MessageId::kImportTitle);
    choice.text = platform::resource_string(MessageId::kEnterNodeName);
    std::vector<texts::NodeKey> keys;
    for (int letter = 'A'; letter <= 'Z'; ++letter) {
        const std::string_view name = nodes_.node_name(static_cast<texts::NodeKey>(letter));
        if (name.empty()) continue;
        choice.options.emplace_back(name);
        keys.push_back(static_cast<texts::NodeKey>(letter));
    }
    const size_t skip = choice.options.size();
    choice.options.push_back("Skip File");
    choice.options.push_back("Abort");
    choice.safe = skip;
    const size_t answer = policy_.choose(choice);
    if (answer < keys.size()) {
        home_node_ = keys[answer];
        return true;
    }
    if (answer == skip) {
        policy_.notice(Status::message(MessageId::kFileSkippedNoNode, {path_}));
    } else {
        shared_.aborted = true;
    }
    state_ = ParseState::kSkipRest;
    return false;
}

void DumpParser::echo_marker(const EchoMarker& marker) {
    if (!ensure_home_node()) return;
    if (echo_kind_ == 'T') {
        // The echo of a posted text that never completed.
        ++result_.updump_errors;
        current_ = TextInProgress{};
    }
    switch (marker.kind) {
        case 'C':
            if (!marker.number) break;
            echo_kind_ = 'C';
            echo_number_ = *marker.number;
            start_text(*marker.number);
            current_.end_marker =
                std::string(marker.prefix) + "E#" + std::to_string(*marker.number);
            body_.reset(spill_path(*marker.number));
            body_saw_empty_ = false;
            dropping_intro_ = false;
            base_flags_ = 0;
            state_ = ParseState::kBody;
            return;
        case 'T':
            if (!marker.number) break;
            echo_kind_ = 'T';
            echo_number_ = *marker.number;
            server_number_ = 0;
            start_text(*marker.number);
            state_ = ParseState::kHeader;
            return;
        case 'M':
            echo_kind_ = 'M';
            current_ = TextInProgress{};
            return;
        case 'R':
            echo_kind_ = 0;
            state_ = ParseState::kBetween;
            return;
        default:
            break;
    }
    // An end marker without its start, or a kind this program never
    // writes: nothing follows that belongs to an item.
    echo_kind_ = 0;
    state_ = ParseState::kBetween;
}

void DumpParser::start_text(texts::TextId id) {
    current_ = TextInProgress{};
    current_.text.id = id;
    current_.text.width = static_cast<uint8_t>(options_.right_margin);
    current_.variant = options_.charset_variant;
}

void DumpParser::start_heading(const Heading& heading) {
    texts::NodeKey key = heading.key;
    const bool on_node = heading.kind == HeadingKind::kText || heading.kind == HeadingKind::kLetter;
    if (key == 0 && on_node) {
        if (!ensure_home_node()) return;
        key = home_node_;
    }
    if (heading.colon_form) key = key_of_dated_text(key, heading.number, heading.date);
    if (!texts::text_id_fits(key, heading.number)) return;
    start_text(texts::make_text_id(key, heading.number));
    TextRecord& text = current_.text;
    current_.end_marker = "(Text " + heading.written_number + ") ---------";
    current_.from_heading = true;
    current_.colon_form = heading.colon_form;
    base_flags_ &= 1;
    if (heading.colon_form) {
        text.date = heading.date;
        if (!heading.author.empty()) text.author = book_.look_up(heading.author).name;
    } else if (heading.char_class >= 0) {
        current_.char_class = heading.char_class;
        current_.variant = heading.variant;
    }
    uint8_t flags = 0;
    switch (heading.kind) {
        case HeadingKind::kText:
            flags = base_flags_;
            if (heading.kind_index > 0)
                flags =
                    texts::with_text_kind(flags, static_cast<texts::TextKind>(heading.kind_index));
            if (heading.unsent) flags |= texts::kind_flags::kUnsent;
            break;
        case HeadingKind::kLetter:
            flags = texts::kind_flags::kLetter;
            break;
        case HeadingKind::kAnswer:
            flags = texts::with_text_kind(0, texts::TextKind::kAnswer);
            break;
        case HeadingKind::kComment:
            flags = texts::with_text_kind(0, texts::TextKind::kComment);
            break;
        case HeadingKind::kNewText:
        case HeadingKind::kCommands:
            flags = texts::with_text_kind(0, texts::TextKind::kNewText);
            break;
    }
    if (options_.fixed_pitch) flags |= texts::kind_flags::kFixedPitch;
    text.kind_flags = flags;
    if (heading.importance) text.importance = *heading.importance;
    if (heading.priority) text.priority = *heading.priority;
    state_ = ParseState::kHeader;
}

// --- Header block ---

texts::HeaderContext DumpParser::header_context() const {
    return texts::HeaderContext{nodes_,          book_,
                                home_node_,      current_.colon_form,
                                reference_day_,  current_.char_class,
                                current_.variant};
}

void DumpParser::header_block(std::string_view line) {
    if (line.empty()) {
        if (echo_kind_ == 'T' && server_number_ == 0) return;
        finish_at_empty_line();
        return;
    }
    if (server_message(line)) return;
    TextRecord& text = current_.text;
    if (echo_kind_ != 0) {
        if (const std::optional<uint32_t> number = parse_posted_number(line)) {
            if (server_number_ == 0) server_number_ = *number;
            return;
        }
        if (const std::optional<std::string_view> file = parse_attached_file_line(line)) {
            text.add_field(HeaderCode::kAttached, *file);
            return;
        }
    }
    if (echo_kind_ == 0 && state_ == ParseState::kHeader && line.starts_with("--------")) {
        body_.reset(spill_path(text.id));
        body_saw_empty_ = false;
        dropping_intro_ = false;
        state_ = ParseState::kBody;
        return;
    }
    const texts::HeaderContext context = header_context();
    if (const auto rest = after_prefix(line, "(Comment in ")) {
        texts::read_header_value(text, HeaderCode::kComment, *rest, &reader_, context,
                                 current_.reverse_links);
        return;
    }
    if (const auto rest = after_prefix(line, "(Attached file: ")) {
        texts::read_header_value(text, HeaderCode::kAttached, *rest, &reader_, context,
                                 current_.reverse_links);
        return;
    }
    texts::read_header_line(text, line, &reader_, context, current_.reverse_links);
}

// --- Bodies ---

std::string DumpParser::spill_path(texts::TextId id) const {
    if (options_.attach_dir.empty()) return {};
    return platform::join_path(
        options_.attach_dir,
        TextBody::spill_file_name(texts::node_key_of(id), texts::number_of(id)));
}

void DumpParser::body(std::string_view line) {
    if (!current_.end_marker.empty() && line.starts_with(current_.end_marker)) {
        finish_body();
        return;
    }
    // The server's own line before a listed text's body.
    if (body_.empty() && !body_saw_empty_ && line.starts_with("[Text ") &&
        line.find(" from ") != std::string_view::npos) {
        dropping_intro_ = true;
        return;
    }
    if (dropping_intro_) {
        if (line.empty()) return;
        dropping_intro_ = false;
    }
    if (line.empty()) body_saw_empty_ = true;
    if (Status status = body_.add_line(line); !status.ok()) fail(std::move(status));
}

void DumpParser::complete(TextRecord& text, int char_class, int variant) {
    text.update_charset(char_class, variant);
    text.width = texts::text_width(text.body, options_.right_margin);
    if (cabinet::stored_text_size(text) <= cabinet::kMaxStoredText || text.body.empty()) return;
    // The cabinet would cut the body: it goes to a spill file whole.
    const std::string path = spill_path(text.id);
    if (path.empty()) return;
    if (Status status = TextBody::write_spill_file(env_, path, text.body); !status.ok())
        return fail(std::move(status));
    const std::string name(file_name_of(path));
    text.body = platform::format_message(
        platform::resource_string(MessageId::kContentsInAttachedFile), {name});
    text.add_field(HeaderCode::kAttached, name);
    text.update_charset(char_class, variant);
    text.width = texts::text_width(text.body, options_.right_margin);
}

void DumpParser::finish_body() {
    platform::Result<TextBody::Finished> finished = body_.finish();
    if (!finished.ok()) return fail(finished.take_status());
    if (echo_kind_ == 'C') {
        if (Status status = filer_.settle_command(echo_number_, *finished); !status.ok())
            return fail(std::move(status));
        echo_kind_ = 0;
        current_ = TextInProgress{};
        state_ = ParseState::kBetween;
        return;
    }
    current_.text.body = std::move(finished->body);
    if (!finished->spill_name.empty())
        current_.text.add_field(HeaderCode::kAttached, finished->spill_name);
    state_ = ParseState::kTrailer;
}

void DumpParser::finish_at_empty_line() {
    TextRecord& text = current_.text;
    if (state_ == ParseState::kTrailer) {
        complete(text, current_.char_class, current_.variant);
        if (result_.error.ok()) {
            if (Status status = filer_.file_listed(std::move(text), conference_box_); !status.ok())
                fail(std::move(status));
        }
    } else if (echo_kind_ == 'T') {
        const bool fits = home_node_ != 0 && texts::text_id_fits(home_node_, server_number_);
        if (fits) {
            if (Status status = filer_.settle_posted(
                    echo_number_, texts::make_text_id(home_node_, server_number_), text);
                !status.ok())
                fail(std::move(status));
        } else {
            ++result_.updump_errors;
        }
    } else if (echo_kind_ == 'M' || (echo_kind_ == 'C' && current_.from_heading)) {
        if (Status status = filer_.update_listed(text); !status.ok()) fail(std::move(status));
    }
    current_ = TextInProgress{};
    if (echo_kind_ != 'M') echo_kind_ = 0;
    state_ = ParseState::kBetween;
}

void DumpParser::finish_pending() {
    if (state_ == ParseState::kNotice) finish_notice();
    if (state_ == ParseState::kBody) finish_body();
    if (!result_.error.ok()) return;
    if (state_ == ParseState::kTrailer) {
        finish_at_empty_line();
    } else if (state_ == ParseState::kHeader) {
        if (echo_kind_ == 'T' && server_number_ == 0) {
            ++result_.updump_errors;
            current_ = TextInProgress{};
            echo_kind_ = 0;
            state_ = ParseState::kBetween;
        } else {
            finish_at_empty_line();
        }
    }
}

// --- Messages and notices ---

bool DumpParser::server_message(std::string_view line) {
    if (const auto rest = after_prefix(line, "WARNING: ")) {
        show_message(MessageId::kWarningFromNode, *rest);
        return true;
    }
    if (const auto rest = after_prefix(line, "ERROR: ")) {
        show_message(MessageId::kErrorMessageFromNode, *rest);
        return true;
    }
    if (line.starts_with("Notice from ")) {
        start_notice(line);
        return true;
    }
    return false;
}

void DumpParser::show_message(MessageId id, std::string_view first_line) {
    const std::string_view node = nodes_.node_name(home_node_);
    std::string message = std::string(node.empty() ? "?" : node) + ":\n";
    message.append(first_line.substr(0, kMaxMessageLength));
    // The lines after it belong to the message, up to an empty line, which
    // is left for the state to see.
    while (const std::optional<std::string_view> more = reader_.peek_line()) {
        // The server's count of errors and our markers are never part of a
        // message: taken in, the count would be lost and the file deleted.
        if (more->empty() || parse_error_count(*more) || parse_echo_marker(*more)) break;
        if (message.size() < kMaxMessageLength)
            message.append("\n").append(more->substr(0, kMaxMessageLength));
        reader_.take_line();
    }
    if (message.size() > kMaxMessageLength) message.resize(kMaxMessageLength);
    if (message.find(" change ") != std::string::npos &&
        message.find(" password") != std::string::npos) {
        const uint32_t now = static_cast<uint32_t>(env_.now_utc());
        if (now - options_.password_changed <= kPasswordAge) return;
        if (std::optional<std::string> password =
                policy_.secret(message, settings::kPasswordLength))
            shared_.new_password = std::move(*password);
        return;
    }
    policy_.notice(Status::message(id, {message}));
}

void DumpParser::start_notice(std::string_view line) {
    interrupted_ = Interrupted{std::move(current_), state_, echo_number_};
    std::string subject(line);
    subject.erase(3, 2);  // "Notice from" reads "Note from"
    const std::string_view author =
        skip_blanks(line.substr(std::string_view("Notice from ").size()));
    start_text(0);
    TextRecord& text = current_.text;
    text.author = book_.look_up(author).name;
    text.subject = std::move(subject);
    text.date = static_cast<uint32_t>(env_.now_utc());
    if (options_.fixed_pitch) text.kind_flags |= texts::kind_flags::kFixedPitch;
    platform::Result<texts::TextId> id = filer_.notice_id(home_node_, text.author);
    if (!id.ok()) return fail(id.take_status());
    text.id = *id;
    // The line after the notice's own line is the server's, not the notice's.
    if (reader_.peek_line()) reader_.take_line();
    body_.reset(spill_path(text.id));
    state_ = ParseState::kNotice;
}

void DumpParser::notice_body(std::string_view line) {
    if (!line.empty() && !texts::is_blank(line.front())) {
        finish_notice();
        // The line that ended the notice begins whatever comes next.
        if (!stopped()) handle(line);
        return;
    }
    if (!line.empty()) line.remove_prefix(1);
    if (Status status = body_.add_line(line); !status.ok()) fail(std::move(status));
}

void DumpParser::finish_notice() {
    platform::Result<TextBody::Finished> finished = body_.finish();
    if (!finished.ok()) return fail(finished.take_status());
    TextRecord& text = current_.text;
    text.body = std::move(finished->body);
    if (!finished->spill_name.empty()) text.add_field(HeaderCode::kAttached, finished->spill_name);
    complete(text, current_.char_class, current_.variant);
    if (result_.error.ok()) {
        if (Status status = filer_.file_listed(std::move(text), conference_box_); !status.ok())
            fail(std::move(status));
    }
    current_ = std::move(interrupted_->text);
    state_ = interrupted_->state;
    echo_number_ = interrupted_->echo_number;
    interrupted_.reset();
}

// --- MIME ---

void DumpParser::mime_seek(std::string_view line) {
    if (!line.starts_with(boundary_)) {
        // The mail's subject may follow its Content-Type and name the node.
        if (texts::starts_with_ignoring_case(line, "Subject:")) section_line(line);
        return;
    }
    if (line.substr(boundary_.size()).starts_with("--")) {
        state_ = ParseState::kBetween;
        return;
    }
    part_ = PartHeaders{};
    state_ = ParseState::kMimePartHeads;
}

void DumpParser::mime_part_heads(std::string_view line) {
    if (!line.empty()) {
        read_part_header(line, part_);
        return;
    }
    if (!part_.base64) {
        state_ = ParseState::kMimeSeek;
        return;
    }
    // The decoded part is read as server output (or as the archive it is).
    state_ = ParseState::kBetween;
    if (Status status = source_.start_base64(boundary_); !status.ok())
        unzip_error(status, part_.name);
}

}  // namespace orvane::import

#include "app/user_cabinet.h"

#include "app/news_files.h"
#include "cabinet/fixed_boxes.h"
#include "platform/file.h"
#include "platform/message_format.h"
#include "platform/resource_strings.h"

namespace orvane::app {

namespace {

// The file's text with LF line ends, closed by a line end.
std::string news_body(const std::string& contents) {
    std::string body;
    body.reserve(contents.size() + 1);
    for (size_t i = 0; i < contents.size(); ++i) {
        if (contents[i] == '\r' && i + 1 < contents.size() && contents[i + 1] == '\n') continue;
        body.push_back(contents[i] == '\0' ? ' ' : contents[i]);
    }
    if (!body.empty() && body.back() != '\n') body.push_back('\n');
    return body;
}

}  // namespace

platform::Status open_user_cabinet(UserSession& session, platform::Policy& policy,
                                   platform::Env& env) {
    cabinet::OpenOptions options;
    options.compression = session.settings.values.options.compression != 0;
    options.recent_password = &session.recent_password;
    platform::Result<std::unique_ptr<cabinet::Cabinet>> opened =
        cabinet::Cabinet::open(session.cabinet, options, policy, env);
    if (!opened.ok()) return opened.take_status();
    session.filing_cabinet = std::move(*opened);
    return platform::Status();
}

platform::Status deliver_news_files(UserSession& session, const std::string& program_directory,
                                    platform::Env& env) {
    cabinet::Cabinet* cabinet = session.filing_cabinet.get();
    if (!cabinet || cabinet->read_only()) return platform::Status();
    const settings::OptionKeys& options = session.settings.values.options;
    for (const NewsFile& news :
         pending_news_files(program_directory, session.settings.stored_version())) {
        std::string contents;
        if (int error = platform::read_whole_file(news.path, &contents, env))
            return platform::Status::file(platform::MessageId::kCannotReadFile, news.path, error);
        platform::Result<texts::TextId> id = cabinet->next_local_id();
        if (!id.ok()) return id.take_status();
        texts::TextRecord text = texts::new_local_text(
            *id, static_cast<uint32_t>(env.now_utc()), {0, platform::kProgramName},
            {options.fixed_pitch != 0, options.right_margin});
        text.kind_flags = texts::with_text_kind(text.kind_flags, texts::TextKind::kNewText);
        text.subject = platform::format_message(
            platform::resource_string(platform::MessageId::kWhatsNew), {news.version});
        text.body = news_body(contents);
        text.width = texts::text_width(text.body, options.right_margin);
        if (platform::Status filed = cabinet->file_text(text, cabinet::box::kInBasket); !filed.ok())
            return filed;
    }
    return cabinet->write_back();
}

platform::Status close_user_cabinet(UserSession& session) {
    if (!session.filing_cabinet) return platform::Status();
    platform::Status closed = session.filing_cabinet->close();
    session.filing_cabinet.reset();
    return closed;
}

}  // namespace orvane::app

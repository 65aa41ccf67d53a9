#include "app/user_cabinet.h"

#include "app/news_files.h"
#include "cabinet/fixed_boxes.h"
#include "platform/clock.h"
#include "platform/file.h"
#include "platform/message_format.h"
#include "platform/resource_strings.h"

namespace orvane::app {

namespace {

constexpr int kNewsTitle = 907;  // "What's new in XxxQOR/Lumeth %d"

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

bool open_user_cabinet(UserSession& session, platform::Ui& ui) {
    cabinet::OpenOptions options;
    options.compression = session.settings.values.options.compression != 0;
    options.recent_password = &session.recent_password;
    session.filing_cabinet = cabinet::Cabinet::open(session.cabinet, options, ui);
    return session.filing_cabinet != nullptr;
}

void deliver_news_files(UserSession& session, const std::string& program_directory,
                        platform::Ui& ui) {
    cabinet::Cabinet* cabinet = session.filing_cabinet.get();
    if (!cabinet || cabinet->read_only()) return;
    const settings::OptionKeys& options = session.settings.values.options;
    for (const NewsFile& news :
         pending_news_files(program_directory, session.settings.stored_version())) {
        std::string contents;
        if (platform::read_whole_file(news.path, &contents) != 0) {
            ui.message(131, {news.path.c_str()});
            continue;
        }
        texts::TextRecord text = texts::new_local_text(
            cabinet->next_local_id(), static_cast<uint32_t>(platform::now_utc()),
            {0, platform::kProgramName}, {options.fixed_pitch != 0, options.right_margin});
        text.kind_flags = texts::with_text_kind(text.kind_flags, texts::TextKind::kNewText);
        text.subject =
            platform::format_message(platform::resource_string(kNewsTitle), {news.version});
        text.body = news_body(contents);
        text.width = texts::text_width(text.body, options.right_margin);
        if (!cabinet->file_text(text, cabinet::box::kInBasket)) break;
    }
    cabinet->write_back();
}

void close_user_cabinet(UserSession& session) {
    session.filing_cabinet.reset();
}

}  // namespace orvane::app

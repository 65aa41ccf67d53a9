// Server commands from the catalogue into the out-basket. The commits of
// one session (one opening of the command window, one run of the command
// line) collect in one command text: the first makes it, later ones append
// their lines. After a commit come its follow-ups: the notice of a name
// change to the conference "Names", and the user's own secretary setting.
#pragma once

#include <optional>
#include <string>

#include "cabinet/cabinet.h"
#include "commands/command_body.h"
#include "commands/command_request.h"
#include "packet/compose.h"
#include "platform/policy.h"
#include "platform/status.h"
#include "settings/user_settings.h"

namespace orvane::app {

// The conference that hears of name changes.
inline constexpr const char* kNamesConference = "Names";

// Where a command counts as given already.
enum class DuplicateScope {
    kSession,    // in the session's command text
    kOutBasket,  // in any command text of the out-basket (a session of one command)
};

class CommandCollector {
  public:
    CommandCollector(cabinet::Cabinet& cabinet, packet::Writer writer,
                     DuplicateScope scope = DuplicateScope::kSession)
        : cabinet_(cabinet), writer_(std::move(writer)), scope_(scope) {}

    // Adds the command (typed in UTF-8, kept in the writer's code page) to
    // the session's command text, its uploads as files to attach. Refused
    // with "This command is already in the out-basket" when its lines are
    // there already (see DuplicateScope). A text that left the out-basket
    // meanwhile, or would grow past the largest command body, is not
    // appended to: a new one is started. Gives the command text.
    platform::Result<texts::TextId> commit(const commands::CommandBody& body,
                                           const std::string& subject);

    // The session's command text, once there is one.
    std::optional<texts::TextId> text() const { return text_; }

  private:
    platform::Result<commands::CommandBody> in_code_page(const commands::CommandBody& body);
    platform::Result<bool> in_out_basket_already(const commands::CommandBody& body);
    platform::Result<texts::TextId> start_text(const commands::CommandBody& body,
                                               const std::string& subject);
    // Appends to the session's text; false when that text can take no more.
    platform::Result<bool> append(const commands::CommandBody& body);

    cabinet::Cabinet& cabinet_;
    packet::Writer writer_;
    DuplicateScope scope_;
    std::optional<texts::TextId> text_;
};

// The text to the conference "Names" that tells of a name change: subject
// the old name, body "is now NEW.".
platform::Result<texts::TextId> post_name_change(cabinet::Cabinet& cabinet,
                                                 const settings::UserSettings& user,
                                                 const commands::NameChange& change,
                                                 platform::Policy& policy);

// Sets the user's own secretary and writes the settings file.
[[nodiscard]] platform::Status set_own_secretary(settings::UserSettings& user,
                                                 const std::string& secretary);

}  // namespace orvane::app

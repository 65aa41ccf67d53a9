// Server commands from the catalogue into the out-basket. The commits of
// one session (one opening of the command window, one run of the command
// line) collect in one command text: the first makes it, later ones append
// their lines. After a commit come its follow-ups: the notice of a name
// change to the conference "Names", and the user's own secretary setting.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "cabinet/cabinet.h"
#include "commands/command_body.h"
#include "commands/command_request.h"
#include "packet/compose.h"
#include "platform/status.h"
#include "settings/user_settings.h"

namespace orvane::app {

// The conference that hears of name changes.
inline constexpr const char* kNamesConference = "Names";

class CommandCollector {
  public:
    CommandCollector(cabinet::Cabinet& cabinet, packet::Writer writer)
        : cabinet_(cabinet), writer_(std::move(writer)) {}

    // Adds the command's lines to the session's command text, and its
    // uploads as files to attach. Refused with "This command is already in
    // the out-basket" when that text holds the same lines. When the text
    // would grow past the largest command body, a new one is started.
    // Gives the command text's identifier.
    platform::Result<texts::TextId> commit(const commands::CommandBody& body,
                                           const std::string& subject);

    // The session's command text, once there is one.
    std::optional<texts::TextId> text() const { return text_; }

  private:
    platform::Result<texts::TextId> start_text(const commands::CommandBody& body,
                                               const std::string& subject);
    // Appends to the session's text; false when that text can take no more
    // (sent or deleted meanwhile, or full).
    platform::Result<bool> append(const commands::CommandBody& body);

    cabinet::Cabinet& cabinet_;
    packet::Writer writer_;
    std::optional<texts::TextId> text_;
};

// Whether a command text of the out-basket holds the lines of `body`
// already (for front ends whose sessions are one command long).
platform::Result<bool> queued_in_out_basket(cabinet::Cabinet& cabinet,
                                            const commands::CommandBody& body);

// The text to the conference "Names" that tells of a name change: subject
// the old name, body "is now NEW.".
platform::Result<texts::TextId> post_name_change(cabinet::Cabinet& cabinet,
                                                 const packet::Writer& writer,
                                                 const commands::NameChange& change);

// Sets the user's own secretary and writes the settings file.
[[nodiscard]] platform::Status set_own_secretary(settings::UserSettings& user,
                                                 const std::string& secretary);

}  // namespace orvane::app

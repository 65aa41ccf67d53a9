// One command of the catalogue from the fields to what goes into the
// out-basket: the expansion (or the command as the user typed it), the
// prefix, the body, the subject, and what has to happen after the commit.
#pragma once

#include <optional>
#include <string>

#include "commands/catalogue_file.h"
#include "commands/command_body.h"
#include "commands/command_fields.h"
#include "commands/schedule.h"
#include "platform/status.h"

namespace orvane::commands {

struct CommandRequest {
    const CatalogueLine* line = nullptr;
    CommandInput input;
    // The "Command" field as the user changed it; nothing: the expansion.
    std::optional<std::string> typed_command;
    std::optional<ScheduleRequest> schedule;
};

struct NameChange {
    std::string old_name;
    std::string new_name;
};

struct PreparedCommand {
    std::string command_text;  // the lines of the "Command" field
    std::string prefix;        // "@" or a schedule prefix
    CommandBody body;
    std::string subject;
    std::string generated_password;  // made with "another", for the user to note
    // A user who may act for others, on a command that can, without saying
    // for whom: he is about to change his own settings.
    bool changes_own_settings = false;
    // "Inform users of name change" was ticked.
    std::optional<NameChange> name_change;
    // The user's own secretary changes to this ("" for none).
    std::optional<std::string> new_secretary;
};

// Expands and checks a command. Fails for a topic, for a schedule on a
// command that may not be scheduled, for bad fields, for a command that
// lacks a required field ("Conference Name is missing"), and for a private
// conference joined by oneself.
platform::Result<PreparedCommand> prepare_command(const CommandRequest& request,
                                                  const FieldContext& context,
                                                  const std::string& own_name,
                                                  const ServerFileName& server_file_name);

}  // namespace orvane::commands

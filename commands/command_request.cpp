#include "commands/command_request.h"

#include "commands/codes.h"

namespace orvane::commands {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

// The status for an expansion that came out empty.
Status incomplete(const Expansion& expansion) {
    if (expansion.veto == 'j') return Status::message(MessageId::kPrivateConference);
    std::string labels;
    for (const CodeUse& use : expansion.missing) {
        std::string label = field_label(use.code, use.prompt);
        if (labels.find(label) != std::string::npos) continue;
        labels += (labels.empty() ? "" : " or ") + label;
    }
    if (labels.empty()) return Status::message(MessageId::kCommandIncomplete);
    return Status::message(MessageId::kIsMissing, {labels});
}

// Whether the command names a person to act for, at a privilege that
// allows it.
bool acts_for_another(std::string_view template_text, const CommandFields& fields, int privilege) {
    if (!fields.text_of('P')) return false;
    for (const CodeUse& use : scan_codes(template_text))
        if (use.code == 'P' && use.privilege <= privilege) return true;
    return false;
}

void add_follow_ups(const CommandRequest& request, const CommandFields& fields,
                    const FieldContext& context, const std::string& own_name,
                    PreparedCommand* prepared) {
    const std::string& template_text = request.line->template_text;
    const bool for_another = acts_for_another(template_text, fields, context.privilege);
    prepared->changes_own_settings = context.privilege >= 4 && fields.uses('P') && !for_another;
    if (fields.uses('i') && fields.ticked('i')) {
        std::optional<std::string> new_name = fields.text_of('L');
        if (!new_name) new_name = fields.text_of('1');
        std::optional<std::string> old_name = for_another ? fields.text_of('P') : std::nullopt;
        if (!old_name) old_name = fields.text_of('C');
        if (!old_name) old_name = fields.text_of('U');
        if (new_name) prepared->name_change = NameChange{old_name.value_or(own_name), *new_name};
    }
    if (fields.uses('S') && !for_another) {
        if (std::optional<std::string> secretary = fields.text_of('S'))
            prepared->new_secretary = *secretary == "none" ? "" : *secretary;
    }
}

}  // namespace

Result<PreparedCommand> prepare_command(const CommandRequest& request, const FieldContext& context,
                                        const std::string& own_name,
                                        const ServerFileName& server_file_name) {
    const CatalogueLine& line = *request.line;
    if (line.is_topic()) return Status::message(MessageId::kTopicNotCommand, {line.text});
    if (request.schedule && line.flag != kSchedulable)
        return Status::message(MessageId::kNotSchedulable, {line.text});

    Result<CommandFields> fields =
        CommandFields::prepare(line.template_text, request.input, context);
    if (!fields.ok()) return fields.take_status();

    PreparedCommand prepared;
    if (request.typed_command) {
        prepared.command_text = *request.typed_command;
    } else {
        Expansion expansion = expand_template(line.template_text, *fields, context.privilege);
        if (!expansion.complete()) return incomplete(expansion);
        prepared.command_text = std::move(expansion.text);
        prepared.generated_password = fields->generated_password();
        add_follow_ups(request, *fields, context, own_name, &prepared);
    }

    if (request.schedule) {
        Result<std::string> prefix = schedule_prefix(*request.schedule);
        if (!prefix.ok()) return prefix.take_status();
        prepared.prefix = std::move(*prefix);
    } else {
        prepared.prefix = std::string(kPlainPrefix);
    }
    Result<CommandBody> body = build_command_body(prepared.command_text, fields->following_text(),
                                                  prepared.prefix, server_file_name);
    if (!body.ok()) return body.take_status();
    prepared.body = std::move(*body);
    prepared.subject = command_subject(prepared.command_text, request.schedule.has_value());
    return prepared;
}

}  // namespace orvane::commands

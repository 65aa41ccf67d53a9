// Expanding a template with typed fields, as the command window does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "commands/command_fields.h"
#include "commands/template_language.h"
#include "tests/support/status_matchers.h"

namespace orvane::commands::testing {

struct Expanded {
    bool prepared = false;  // the fields were accepted
    std::string status;     // why not
    std::string text;
    std::string missing;  // the codes that emptied the command
    char veto = 0;
};

inline Expanded expand(std::string_view template_text, const CommandInput& input = {},
                       const FieldContext& context = {}) {
    Expanded expanded;
    platform::Result<CommandFields> fields = CommandFields::prepare(template_text, input, context);
    if (!fields.ok()) {
        expanded.status = fields.status().text();
        return expanded;
    }
    expanded.prepared = true;
    Expansion expansion = expand_template(template_text, *fields, context.privilege);
    expanded.text = expansion.text;
    for (const CodeUse& use : expansion.missing) expanded.missing += use.code;
    expanded.veto = expansion.veto;
    return expanded;
}

inline CommandInput values(std::initializer_list<std::pair<const std::string, std::string>> list,
                           std::initializer_list<char> ticked = {}) {
    CommandInput input;
    input.values = list;
    input.ticked = ticked;
    return input;
}

}  // namespace orvane::commands::testing

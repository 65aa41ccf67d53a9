#include "commands/command_fields.h"

#include <algorithm>

#include "commands/codes.h"
#include "commands/command_dates.h"
#include "commands/command_words.h"
#include "commands/field_values.h"
#include "commands/passwords.h"
#include "settings/password_encoding.h"
#include "texts/ascii.h"

namespace orvane::commands {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

constexpr size_t kMaxDomainLength = 256;
constexpr size_t kAliasCount = 3;
// The boxes of %x among the conference-type boxes.
constexpr size_t kFirstWriteBox = 11;

bool is_check_box(char code) {
    const CodeInfo* info = code_info(code);
    return (info && info->kind == FieldKind::kCheckBox) || code == 'i' || code == 'k';
}

bool is_blank_text(std::string_view text) {
    return text.find_first_not_of(" \t") == std::string_view::npos;
}

}  // namespace

// Fills the fields of one command, code by code.
class CommandFields::Builder {
  public:
    Builder(const CommandInput& input, const FieldContext& context, CommandFields& fields)
        : input_(input), context_(context), fields_(fields) {}

    Status build(std::string_view template_text) {
        for (const CodeUse& use : scan_codes(template_text)) {
            fields_.used_.insert(use.code);
            if (!use.prompt.empty()) prompts_.emplace(use.code, use.prompt);
        }
        if (Status status = check_input(); !status.ok()) return status;
        fields_.ticked_ = input_.ticked;
        fields_.typed_ = input_.values;
        // Names first, the conference before the others: the codes of a
        // conference's type need it.
        std::vector<char> names;
        for (char code : fields_.used_) {
            const CodeInfo* info = code_info(code);
            if (info && info->kind == FieldKind::kName) names.push_back(code);
        }
        std::stable_partition(names.begin(), names.end(), [](char code) { return code == 'C'; });
        for (char code : names) {
            if (Status status = name_field(*code_info(code)); !status.ok()) return status;
        }
        for (char code : fields_.used_) {
            const CodeInfo* info = code_info(code);
            if (!info || info->kind == FieldKind::kName) continue;
            if (Status status = other_field(*info); !status.ok()) return status;
        }
        return Status();
    }

  private:
    std::string label(char code) const {
        auto prompt = prompts_.find(code);
        return field_label(code, prompt == prompts_.end() ? std::string_view() : prompt->second);
    }
    Status invalid(char code) const {
        return Status::message(MessageId::kIsInvalid, {label(code)});
    }
    std::optional<std::string> given(const std::string& key) const {
        auto it = input_.values.find(key);
        if (it == input_.values.end()) return std::nullopt;
        return it->second;
    }
    std::optional<std::string> given(char code) const { return given(std::string(1, code)); }
    // Ticked, or given as "on".
    bool ticked(char code) const {
        std::optional<std::string> value = given(code);
        if (input_.ticked.count(code)) return true;
        // A value of %k is a password, never a tick.
        return code != 'k' && value && switch_state(*value) == true;
    }
    // %1 repeats the new name, which may be given under either code.
    bool field_known(char code) const {
        return fields_.used_.count(code) != 0 || (code == 'L' && fields_.used_.count('1') != 0);
    }

    void set_text(char code, std::string text) {
        fields_.fields_[code] = Field{YieldKind::kText, {std::move(text)}};
    }
    void set_kind(char code, YieldKind kind) { fields_.fields_[code] = Field{kind, {}}; }
    void set_values(char code, std::vector<std::string> values) {
        YieldKind kind = values.empty() ? YieldKind::kAbsent : YieldKind::kText;
        fields_.fields_[code] = Field{kind, std::move(values)};
    }

    // Every field named must be one of the command's, every part one its
    // field has, every tick a check box of the command.
    Status check_input() const {
        for (const auto& [key, value] : input_.values) {
            char code = key.empty() ? 0 : key[0];
            bool known = !key.empty() && field_known(code) &&
                         (key.size() == 1 ? !only_parts(code)
                                          : key[1] == '.' && part_known(code, key.substr(2)));
            if (!known) return Status::message(MessageId::kNoSuchField, {key});
            if (key.size() == 1 && is_check_box(code) && code != 'k' && !switch_state(value))
                return invalid(code);
        }
        for (char code : input_.ticked) {
            if (!fields_.used_.count(code) || !is_check_box(code))
                return Status::message(MessageId::kNotACheckBox, {std::string(1, code)});
        }
        return Status();
    }

    // Fields that are given only by their parts.
    static bool only_parts(char code) {
        return code == 'H' || code == 's' || code == 'q' || code == 'x';
    }

    static bool part_known(char code, std::string_view part) {
        switch (code) {
            case 'H':
                return phrase_index(WordGroup::kAddressLine, part).has_value();
            case 'K':
                return part.size() == 1 && part[0] >= '1' &&
                       static_cast<size_t>(part[0] - '0') <= kAliasCount;
            case 's':
                return phrase_index(WordGroup::kSetting, part).has_value();
            case 'q':
                return phrase_index(WordGroup::kConferenceType, part) ||
                       phrase_index(WordGroup::kConferenceUntick, part);
            case 'x':
                return phrase_index(WordGroup::kConferenceType, part).value_or(0) >= kFirstWriteBox;
            case 'u':
                return part == "description";
            case 'w':
                return part == "what" || part == "how" || part == "sharing" || part == "copy";
            default:
                return false;
        }
    }

    Status name_field(const CodeInfo& info) {
        const char code = info.code;
        std::optional<std::string> typed = given(code);
        if (code == 'M' && conference_type() && !conference_type()->moderated) {
            set_text(code, "none");
            return Status();
        }
        if (!typed) return Status();  // absent
        if (is_blank_text(*typed)) {
            if (code == 'O') set_text(code, "none");
            if (code == 'S' && !context_.current.secretary.empty()) set_text(code, "none");
            return Status();
        }
        Result<ResolvedName> resolved =
            resolve_name(context_.directory, *typed, info.names, label(code));
        if (!resolved.ok()) return resolved.take_status();
        if (code == 'C') conference_ = resolved->object;
        if (code == 'A') address_in_a_ = resolved->address;
        const std::string& name = resolved->text;
        if (code == 'O' && context_.current.organizer &&
            texts::equals_ignoring_case(name, *context_.current.organizer))
            return Status();
        if (code == 'S' && texts::equals_ignoring_case(name, context_.current.secretary))
            return Status();
        set_text(code, name);
        return Status();
    }

    const ConferenceType* conference_type() const {
        return conference_ && conference_->type ? &*conference_->type : nullptr;
    }

    Status other_field(const CodeInfo& info) {
        const char code = info.code;
        std::optional<std::string> typed = given(code);
        const bool empty = !typed || is_blank_text(*typed);
        switch (info.kind) {
            case FieldKind::kName:
                return Status();
            case FieldKind::kNewNameCopy: {
                std::optional<std::string> name = typed ? typed : given('L');
                if (name && !is_blank_text(*name)) set_text(code, *name);
                return Status();
            }
            case FieldKind::kText:
                if (code == '@' && typed && typed->size() > kMaxDomainLength) return invalid(code);
                if (!empty) set_text(code, *typed);
                return Status();
            case FieldKind::kFileName:
                if (!empty) set_text(code, file_name_of(*typed));
                return Status();
            case FieldKind::kUpload:
                if (!empty)
                    set_text(code, upload_line(*typed, given("u.description").value_or("")));
                return Status();
            case FieldKind::kMultiLineText:
                if (!empty) {
                    fields_.following_text_ = *typed;
                    set_text(code, "...");
                }
                return Status();
            case FieldKind::kCheckBox:
                return check_box(code);
            case FieldKind::kRealName:
                if (address_in_a_ && !empty) set_text(code, *typed);
                return Status();
            case FieldKind::kDate:
                return converted(code, typed, [](std::string_view text) {
                    std::optional<texts::CivilDate> date = parse_command_date(text);
                    return date ? std::optional<std::string>(server_date(*date)) : std::nullopt;
                });
            case FieldKind::kPrivilege:
                if (!empty && context_.current.privilege &&
                    privilege_number(*typed) == context_.current.privilege)
                    return Status();
                return converted(code, typed, privilege_word);
            case FieldKind::kCharset:
                return converted(code, typed, charset_word);
            case FieldKind::kLineLimit:
                return converted(code, typed, line_limit);
            case FieldKind::kExpiration:
                return converted(code, typed, expiration);
            case FieldKind::kNumber:
                return converted(code, typed, plain_number);
            case FieldKind::kYear:
                return converted(code, typed, two_digit_year);
            case FieldKind::kJoin:
                set_kind(code, conference_type() && !conference_type()->is_public()
                                   ? YieldKind::kVeto
                                   : YieldKind::kEmpty);
                return Status();
            case FieldKind::kPassword:
                return password(code, typed);
            case FieldKind::kConferenceType:
                return conference_boxes(code, 0);
            case FieldKind::kWriteAccess:
                return conference_boxes(code, kFirstWriteBox);
            case FieldKind::kSettings:
                return settings_field();
            case FieldKind::kAddress:
                return address_field();
            case FieldKind::kAliases:
                return aliases_field();
            case FieldKind::kAttachmentLimit:
                return attachment_field(code, typed);
            case FieldKind::kForwarding:
                return forwarding_field(typed);
            case FieldKind::kNote:
                set_kind(code, YieldKind::kEmpty);
                return Status();
        }
        return Status();
    }

    template <typename Convert>
    Status converted(char code, const std::optional<std::string>& typed, Convert convert) {
        if (!typed || is_blank_text(*typed)) return Status();
        std::optional<std::string> value = convert(*typed);
        if (!value) return invalid(code);
        set_text(code, *value);
        return Status();
    }

    Status check_box(char code) {
        if (!ticked(code)) return Status();
        switch (code) {
            case 'a':
                set_text(code, "all");
                break;
            case 'D':
                set_text(code, "default");
                break;
            case 'n':
            case 'p':
                set_text(code, "none");
                break;
            default:  // %b: the group stays, with the words that follow the box
                set_kind(code, YieldKind::kEmpty);
                break;
        }
        return Status();
    }

    Status password(char code, const std::optional<std::string>& typed) {
        std::string plain;
        if (ticked(code)) {
            std::optional<std::string> made =
                context_.new_password ? context_.new_password() : generate_password();
            if (!made) return invalid(code);
            plain = *made;
            fields_.generated_password_ = plain;
        } else if (typed && !typed->empty()) {
            plain = *typed;
        } else {
            return Status();
        }
        if (Status status = check_password_rules(plain); !status.ok()) return status;
        set_text(code, settings::encode_password(plain));
        return Status();
    }

    // The boxes from `first` on that were given, each written when it
    // differs from the conference's reported type (all given ones when no
    // type was reported).
    Status conference_boxes(char code, size_t first) {
        std::vector<std::string_view> ticked_words = words_of(WordGroup::kConferenceType);
        std::vector<std::string_view> unticked_words = words_of(WordGroup::kConferenceUntick);
        std::vector<std::optional<bool>> boxes(ticked_words.size());
        const std::string prefix = std::string(1, code) + ".";
        for (const auto& [key, value] : input_.values) {
            if (key.compare(0, prefix.size(), prefix) != 0) continue;
            std::string_view part = std::string_view(key).substr(prefix.size());
            std::optional<bool> state = switch_state(value);
            if (!state) return Status::message(MessageId::kIsInvalid, {key});
            if (std::optional<size_t> box = phrase_index(WordGroup::kConferenceType, part)) {
                boxes[*box] = *state;
            } else if (std::optional<size_t> inverse =
                           phrase_index(WordGroup::kConferenceUntick, part)) {
                boxes[*inverse] = !*state;
            }
        }
        std::string words;
        for (size_t box = first; box < boxes.size(); ++box) {
            if (!boxes[box]) continue;
            if (conference_type() && conference_type()->ticked(box) == *boxes[box]) continue;
            words += " ";
            if (*boxes[box]) {
                words += ticked_words[box];
            } else if (box < unticked_words.size()) {
                words += unticked_words[box];
            } else {
                words += "no " + std::string(ticked_words[box]);
            }
        }
        if (!words.empty()) set_text(code, words);
        return Status();
    }

    Status settings_field() {
        std::vector<std::string_view> settings = words_of(WordGroup::kSetting);
        std::vector<std::string_view> states = words_of(WordGroup::kSettingState);
        std::vector<std::optional<bool>> chosen(settings.size());
        for (const auto& [key, value] : input_.values) {
            if (key.compare(0, 2, "s.") != 0) continue;
            std::optional<bool> state = switch_state(value);
            if (!state) return Status::message(MessageId::kIsInvalid, {key});
            chosen[*phrase_index(WordGroup::kSetting, std::string_view(key).substr(2))] = *state;
        }
        std::vector<std::string> values;
        for (size_t i = 0; i < settings.size(); ++i) {
            if (chosen[i])
                values.push_back(std::string(states[*chosen[i] ? 1 : 0]) + " " +
                                 std::string(settings[i]));
        }
        set_values('s', std::move(values));
        return Status();
    }

    Status address_field() {
        std::vector<std::string> values;
        for (std::string_view line : words_of(WordGroup::kAddressLine)) {
            for (const auto& [key, value] : input_.values) {
                if (key.compare(0, 2, "H.") == 0 && !is_blank_text(value) &&
                    phrase_index(WordGroup::kAddressLine, std::string_view(key).substr(2)) ==
                        phrase_index(WordGroup::kAddressLine, line))
                    values.push_back(std::string(line) + " " + value);
            }
        }
        set_values('H', std::move(values));
        return Status();
    }

    Status aliases_field() {
        std::vector<std::string> values;
        for (size_t i = 0; i < kAliasCount; ++i) {
            std::optional<std::string> alias = given("K." + std::to_string(i + 1));
            if (i == 0 && !alias) alias = given('K');
            if (alias && !is_blank_text(*alias)) values.push_back(*alias);
        }
        set_values('K', std::move(values));
        return Status();
    }

    // %v only while mail is forwarded to an address, and only when it
    // changes; %V whenever it is given.
    Status attachment_field(char code, const std::optional<std::string>& typed) {
        if (!typed || is_blank_text(*typed)) return Status();
        std::optional<std::string> limit = attachment_limit(*typed);
        if (!limit) return invalid(code);
        if (code == 'v') {
            std::optional<std::string> where = given('w');
            std::string address = where ? *where : context_.current.forwarding.address;
            if (is_blank_text(address) || forwards_nowhere(address)) return Status();
            if (*limit == context_.current.forwarding.attachments) return Status();
        }
        set_text(code, *limit);
        return Status();
    }

    static bool forwards_nowhere(std::string_view where) {
        return texts::equals_ignoring_case(where, "none") ||
               texts::equals_ignoring_case(where, "nowhere");
    }

    // The address (or "none"), then each choice that differs from the
    // current forwarding.
    Status forwarding_field(const std::optional<std::string>& typed) {
        const Forwarding& current = context_.current.forwarding;
        std::string where = typed ? *typed : current.address;
        if (is_blank_text(where)) return Status();
        if (forwards_nowhere(where)) {
            set_text('w', "none");
            return Status();
        }
        std::string text = where;
        const struct {
            const char* part;
            WordGroup group;
            const std::string& current;
        } choices[] = {{"what", WordGroup::kForwardWhat, current.what},
                       {"how", WordGroup::kForwardHow, current.how},
                       {"sharing", WordGroup::kForwardSharing, current.sharing},
                       {"copy", WordGroup::kForwardCopy, current.copy}};
        for (const auto& choice : choices) {
            std::optional<std::string> chosen = given(std::string("w.") + choice.part);
            if (!chosen) continue;
            std::optional<size_t> index = phrase_index(choice.group, *chosen);
            if (!index)
                return Status::message(MessageId::kIsInvalid, {std::string("w.") + choice.part});
            std::string word(words_of(choice.group)[*index]);
            if (word != choice.current) text += " " + word;
        }
        set_text('w', text);
        return Status();
    }

    const CommandInput& input_;
    const FieldContext& context_;
    CommandFields& fields_;
    std::map<char, std::string_view> prompts_;
    std::optional<NamedObject> conference_;
    bool address_in_a_ = false;
};

Result<CommandFields> CommandFields::prepare(std::string_view template_text,
                                             const CommandInput& input,
                                             const FieldContext& context) {
    CommandFields fields;
    Builder builder(input, context, fields);
    if (Status status = builder.build(template_text); !status.ok()) return status;
    return fields;
}

CodeYield CommandFields::yield(const CodeUse& use, size_t round) {
    auto it = fields_.find(use.code);
    if (it == fields_.end()) return {};
    const Field& field = it->second;
    if (field.kind != YieldKind::kText) return {field.kind, {}};
    if (round >= field.values.size()) return {};
    return {YieldKind::kText, field.values[round]};
}

size_t CommandFields::value_count(char code) {
    auto it = fields_.find(code);
    return it == fields_.end() ? 0 : it->second.values.size();
}

std::optional<std::string> CommandFields::text_of(char code) const {
    auto it = fields_.find(code);
    if (it == fields_.end() || it->second.kind != YieldKind::kText || it->second.values.empty())
        return std::nullopt;
    return it->second.values.front();
}

std::optional<std::string> CommandFields::typed(const std::string& key) const {
    auto it = typed_.find(key);
    if (it == typed_.end()) return std::nullopt;
    return it->second;
}

}  // namespace orvane::commands

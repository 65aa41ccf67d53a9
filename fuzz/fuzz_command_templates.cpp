// Reads arbitrary bytes as "Commands.dat" and expands every command of it
// with fields filled from the same bytes: the catalogue, the fields, the
// template language, the body and the subject must cope with anything and
// always end.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "commands/catalogue.h"
#include "commands/command_request.h"

namespace {

using namespace orvane::commands;

constexpr size_t kMaxCommands = 64;

// A field value cut from the input, different for each code.
std::string value_for(std::string_view bytes, char code) {
    if (bytes.empty()) return {};
    size_t start = static_cast<unsigned char>(code) % bytes.size();
    return std::string(bytes.substr(start, 12));
}

// Codes that yield whatever the input says: text, nothing, a removal or a
// veto, and any number of values.
class ByteSource : public CodeSource {
  public:
    explicit ByteSource(std::string_view bytes) : bytes_(bytes) {}
    CodeYield yield(const CodeUse& use, size_t round) override {
        unsigned char pick = byte_at(static_cast<size_t>(use.code) + round);
        if (pick % 7 == 0) return {YieldKind::kVeto, {}};
        if (pick % 5 == 0) return {YieldKind::kAbsent, {}};
        if (pick % 3 == 0) return {YieldKind::kEmpty, {}};
        return {YieldKind::kText, value_for(bytes_, static_cast<char>(pick))};
    }
    size_t value_count(char code) override { return byte_at(static_cast<size_t>(code) * 3); }

  private:
    unsigned char byte_at(size_t at) const {
        return bytes_.empty() ? 0 : static_cast<unsigned char>(bytes_[at % bytes_.size()]);
    }
    std::string_view bytes_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const int privilege = size ? data[0] % 6 : 2;
    Catalogue catalogue(parse_catalogue(bytes));
    // Only that each step returns, without fault, matters here: the results
    // (and the statuses of bad input) are dropped on purpose.
    (void)catalogue.visible({privilege, (privilege & 1) != 0});
    size_t commands = 0;
    for (const CatalogueLine& line : catalogue.lines()) {
        if (line.is_topic() || ++commands > kMaxCommands) continue;
        (void)catalogue.find_command(line.text);
        CommandRequest request;
        request.line = &line;
        for (const CodeUse& use : scan_codes(line.template_text)) {
            if (use.code % 3 == 0) request.input.ticked.insert(use.code);
            request.input.values[std::string(1, use.code)] = value_for(bytes, use.code);
        }
        if (line.flag == kSchedulable && privilege > 3)
            request.schedule = ScheduleRequest{false, value_for(bytes, 'd'), std::nullopt};
        FieldContext context;
        context.privilege = privilege;
        context.new_password = [] { return std::optional<std::string>("kolabetiru"); };
        (void)prepare_command(request, context, "Fuzz", {});
        // The language alone, with every code given whatever the bytes say.
        orvane::platform::Result<CommandFields> fields =
            CommandFields::prepare(line.template_text, {}, context);
        if (fields.ok()) (void)expand_template(line.template_text, *fields, privilege);
        ByteSource source(bytes);
        Expansion expansion = expand_template(line.template_text, source, privilege);
        (void)command_subject(expansion.text, false);
        (void)build_command_body(expansion.text, line.text, "@", {});
    }
    return 0;
}

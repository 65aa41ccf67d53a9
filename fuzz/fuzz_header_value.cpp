// Header lines from server output: the first line of the input is a header
// line, the others the lines that may continue it. Reading must not fault,
// and the text read must display without fault.
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "texts/ascii.h"
#include "texts/header_values.h"
#include "texts/receiver_item.h"
#include "texts/text_display.h"

namespace {

using namespace orvane::texts;

class OneNode : public NodeNames {
  public:
    std::string_view node_name(NodeKey key) const override { return key == 'T' ? "TELVA" : ""; }
    NodeKey node_key_by_name(std::string_view name) const override {
        return equals_ignoring_case(name, "TELVA") ? 'T' : 0;
    }
};

class NamesAsWritten : public NameLookup {
  public:
    Result look_up(std::string_view written) const override {
        return {{0, std::string(written)}, 0};
    }
};

class Lines : public LineSource {
  public:
    explicit Lines(std::vector<std::string_view> lines) : lines_(std::move(lines)) {}
    std::optional<std::string_view> peek_line() override {
        return next_ < lines_.size() ? std::optional(lines_[next_]) : std::nullopt;
    }
    void take_line() override { ++next_; }

  private:
    std::vector<std::string_view> lines_;
    size_t next_ = 0;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    const std::string_view input(reinterpret_cast<const char*>(data), size);
    std::vector<std::string_view> lines;
    for (size_t start = 0; start <= input.size();) {
        size_t end = input.find('\n', start);
        if (end == std::string_view::npos) end = input.size();
        lines.push_back(input.substr(start, end - start));
        start = end + 1;
    }
    const bool colon_form = !input.empty() && (input[0] & 1);

    const OneNode nodes;
    const NamesAsWritten names;
    Lines more({lines.begin() + 1, lines.end()});
    HeaderContext context{nodes, names, 'T', colon_form, CivilDate{2024, 1, 1}};
    TextRecord text;
    std::vector<ReverseLink> reverse_links;
    read_header_line(text, lines[0], &more, context, reverse_links);
    parse_receiver_item(lines[0], colon_form, context.reference_day);

    for (bool plain : {false, true}) {
        const DisplayContext display{nodes, 'T', plain, TimeDisplay::own_zone};
        heading_line(text, display);
        header_lines(text, display);
    }
    shown_subject(text.subject, true);
    return 0;
}

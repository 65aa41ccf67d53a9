// The downdump parser: reads one file of server output line by line (plain,
// zipped, uuencoded or inside a MIME mail) and hands each finished text to
// the filer. It keeps one parser state, the echo kind that ties output to
// out-basket items, and the text being built.
//
// States:
//   between items   section lines, headings, echo markers, messages
//   header block    the header lines of a text
//   body            a text's body or a command's output, up to its end marker
//   notice          the indented lines of a notice from the server
//   trailer         after a text's end marker, up to an empty line
//   MIME seek       in a multipart mail, looking for the next boundary
//   MIME part heads the headers of a part
//   skip rest       the user chose to skip the file
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import/byte_source.h"
#include "import/heading_line.h"
#include "import/line_reader.h"
#include "import/mime_headers.h"
#include "import/server_lines.h"
#include "import/text_body.h"
#include "import/text_filer.h"
#include "platform/policy.h"
#include "texts/header_values.h"

namespace orvane::import {

enum class ParseState : uint8_t {
    kBetween = 0,
    kHeader = 1,
    kBody = 2,
    kNotice = 3,
    kTrailer = 4,
    kMimeSeek = 5,
    kMimePartHeads = 6,
    kSkipRest = 7,
};

// What lasts from one file of an import to the next.
struct ImportShared {
    std::optional<uint32_t> last_login;       // the first "Last login was on" of the import
    std::optional<std::string> new_password;  // given when the server asked for a change
    bool aborted = false;                     // the user stopped the whole import
};

struct FileResult {
    FilingCounts counts;
    uint32_t updump_errors = 0;
    bool recognised = false;  // the file is server output
    bool skipped = false;     // the user skipped the rest of it
    bool aborted = false;
    bool lines_cut = false;
    // Why the file could not be imported: it could not be read or the
    // archive it is was damaged (`unreadable`), or storing failed, which
    // stops the import.
    platform::Status error;
    bool unreadable = false;
};

class DumpParser {
  public:
    DumpParser(TextFiler& filer, const ImportOptions& options, const texts::NodeNames& nodes,
               AddressBookPort& book, platform::Policy& policy, platform::Env& env,
               ImportShared& shared);

    // Parses the file at `path` from `offset` on. `progress` (may be null)
    // hears how far it got and may cancel.
    FileResult parse(const std::string& path, uint64_t offset, platform::Progress* progress);

  private:
    // The text being built, with what its heading said.
    struct TextInProgress {
        texts::TextRecord text;
        std::vector<texts::ReverseLink> reverse_links;
        std::string end_marker;
        bool from_heading = false;
        bool colon_form = false;
        int char_class = texts::charsets::kWindowsClass;
        int variant = 1;
    };
    // What a notice interrupted.
    struct Interrupted {
        TextInProgress text;
        ParseState state = ParseState::kBetween;
        uint32_t echo_number = 0;
    };

    void reset_file();
    void handle(std::string_view line);
    void between(std::string_view line);
    void header_block(std::string_view line);
    void body(std::string_view line);
    void notice_body(std::string_view line);
    void mime_seek(std::string_view line);
    void mime_part_heads(std::string_view line);
    bool server_message(std::string_view line);
    void show_message(platform::MessageId id, std::string_view first_line);
    void start_notice(std::string_view line);
    void finish_notice();
    void echo_marker(const EchoMarker& marker);
    void start_heading(const Heading& heading);
    // A section line (after "Subject:" in a mail) names the file's node.
    bool section_line(std::string_view line);
    void multipart(const ContentType& type);
    void conference(std::string_view name);
    void last_login(std::string_view date);
    void finish_body();
    void finish_at_empty_line();
    // The end of the file or of decoded content: what is pending is
    // finished as far as it can be.
    void finish_pending();
    // The layer the lines came from ended.
    bool end_layer();
    void unzip_error(const platform::Status& reason, const std::string& name);
    // Completes a text before it is stored: character set, width, and a
    // body too large for the cabinet moved to a spill file.
    void complete(texts::TextRecord& text, int char_class, int variant);
    bool ensure_home_node();
    void start_text(texts::TextId id);
    texts::HeaderContext header_context() const;
    std::string spill_path(texts::TextId id) const;
    // A failure to store: the import stops.
    void fail(platform::Status status);
    bool stopped() const;

    TextFiler& filer_;
    const ImportOptions& options_;
    const texts::NodeNames& nodes_;
    AddressBookPort& book_;
    platform::Policy& policy_;
    platform::Env& env_;
    ImportShared& shared_;

    ByteSource source_;
    LineReader reader_{source_};
    TextBody body_{env_};
    std::string path_;
    texts::CivilDate reference_day_;
    FileResult result_;

    // Per file.
    ParseState state_ = ParseState::kBetween;
    texts::NodeKey home_node_ = 0;
    char echo_kind_ = 0;
    uint32_t echo_number_ = 0;
    uint32_t server_number_ = 0;
    uint8_t base_flags_ = 1;
    int conference_box_ = -1;
    TextInProgress current_;
    std::optional<Interrupted> interrupted_;
    bool body_saw_empty_ = false;
    bool dropping_intro_ = false;
    std::string boundary_;
    PartHeaders part_;
};

}  // namespace orvane::import

// New out-basket items as the user writes them: letters, conference texts,
// answers and comments to stored texts, and server commands.
#pragma once

#include <string>
#include <vector>

#include "texts/text_record.h"

namespace orvane::packet {

// What every new item takes from the user and his settings.
struct Writer {
    texts::KindedName author;
    texts::NewTextOptions look;
    // The code page of a text with characters beyond ASCII: its class and
    // variant ("Character Set" gives the variant; Windows by default).
    int charset_class = texts::charsets::kWindowsClass;
    int charset_variant = 1;
};

struct Draft {
    std::vector<std::string> to, cc;
    std::string subject;
    std::string body;                      // lines end with LF
    std::vector<std::string> attachments;  // local files to send with it
};

// A letter to persons, or a text to a conference (its name as the receiver).
texts::TextRecord compose_text(texts::TextId local_id, uint32_t now, const Writer& writer,
                               const Draft& draft, bool letter);

// An answer (to the author, by letter) or a comment (to the same receivers)
// on `original`: the reference and the receivers are taken over and marked
// so, and the subject is the original's unless the draft gives one. Extra
// receivers of the draft are added as new ones.
texts::TextRecord compose_reply(texts::TextId local_id, uint32_t now, const Writer& writer,
                                const texts::TextRecord& original, const Draft& draft,
                                bool comment);

// A new text to be linked on the server as a comment to `stored`, a text
// of the home node: it names the stored text as its reference, and the
// mail packet asks for the link ("@add comm").
texts::TextRecord compose_linked_text(texts::TextId local_id, uint32_t now, const Writer& writer,
                                      const Draft& draft, const texts::TextRecord& stored,
                                      bool letter);

// A command text: the lines go to the server as they are.
texts::TextRecord compose_command(texts::TextId local_id, uint32_t now, const Writer& writer,
                                  const std::vector<std::string>& lines);

// An Attach field value: the path, quoted when it holds blanks.
std::string attach_value(const std::string& path);

}  // namespace orvane::packet

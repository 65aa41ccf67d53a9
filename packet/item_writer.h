// Writes the out-basket items into the mail packet, one block of lines per
// item: commands between their C# and E# echoes, new texts after their T#
// echo, and changes to texts already on the server between M# and R#.
// Attached local files are embedded before the item that names them.
#pragma once

#include <array>
#include <set>
#include <string>

#include "packet/packet_file.h"
#include "platform/policy.h"
#include "texts/text_record.h"

namespace orvane::packet {

// Who the user writes as: himself (0) or, as a secretary, one of his bosses.
struct PacketPeople {
    bool secretary = false;            // at least one boss is set
    std::array<std::string, 5> names;  // 0 the user, 1 to 4 the bosses
};

enum class ItemResult {
    kWritten,
    kNothingToSend,  // empty new text, or a change with nothing new: leaves the out-basket
    kOtherNode,      // a text on another node: stays in the out-basket
    kAborted,        // the user chose to stop (an attached file is missing or unreadable)
};

// A command: kind 12 without receivers.
bool is_command(const texts::TextRecord& item);

// The identifier as the server reads it: the number, after the node letter
// when the text is not on the home node.
std::string server_text_id(texts::TextId id, texts::NodeKey home_node);

// A file named by an Attach field: the path (quoted when it holds blanks)
// and what follows it after one blank.
struct AttachValue {
    std::string path;
    std::string rest;
};
AttachValue split_attach_value(const std::string& value);

class ItemWriter {
  public:
    ItemWriter(PacketFile& file, const PacketPeople& people, texts::NodeKey home_node,
               platform::Policy& policy, platform::Env& env = platform::system_env())
        : file_(file), people_(people), home_node_(home_node), policy_(policy), env_(env) {}

    ItemResult write(const texts::TextRecord& item);

  private:
    bool embed_attachments(const texts::TextRecord& item);
    void write_command(const texts::TextRecord& item);
    void write_new_text(const texts::TextRecord& item, const std::string& person_digit);
    bool write_changes(const texts::TextRecord& item, const std::string& person_digit);
    void write_charset(uint8_t charset);
    void write_sender(const texts::TextRecord& item);
    void write_attachment_lines(const texts::TextRecord& item, const std::string& number_prefix);

    PacketFile& file_;
    const PacketPeople& people_;
    texts::NodeKey home_node_;
    platform::Policy& policy_;
    platform::Env& env_;
    int last_charset_ = -1;  // none written yet in this packet
    // The attached files of the item being written that went into the
    // packet: only these get an "@atta" line.
    std::set<std::string> embedded_;
};

}  // namespace orvane::packet

// Stores what the parser built in the filing cabinet: listed texts (new
// ones through the filing rules, known ones replacing the stored copy),
// the output of commands, the server's echo of posted texts and changes,
// notices. Every text goes through the cabinet's own writes, so that the
// search index follows; the caller holds a FilingBatch around a whole file.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "cabinet/cabinet.h"
#include "import/address_book_port.h"
#include "import/import_options.h"
#include "import/letter_routing.h"
#include "import/text_body.h"
#include "texts/text_record.h"

namespace orvane::import {

struct FilingCounts {
    size_t stored = 0;           // new texts
    size_t replaced = 0;         // texts that replaced a stored copy
    size_t command_results = 0;  // outputs of commands
    size_t settled = 0;          // posted texts and changes the server confirmed
};

class TextFiler {
  public:
    TextFiler(cabinet::Cabinet& cabinet, const ImportOptions& options, AddressBookPort& book,
              platform::Env& env);

    // A text listed by the server. `conference_box` is the box of the
    // conference being listed, or -1.
    platform::Status file_listed(texts::TextRecord text, int conference_box);

    // The output of the out-basket command `item`: it becomes the command's
    // text in "Results of Commands", or a text of its own when the command
    // is not in the cabinet.
    platform::Status settle_command(texts::TextId item, const TextBody::Finished& output);

    // The server's echo of the posted text `item`: the local text takes the
    // server's listing and number `server_id`.
    platform::Status settle_posted(texts::TextId item, texts::TextId server_id,
                                   const texts::TextRecord& listing);

    // The server's listing of a text whose receivers or files were changed.
    platform::Status update_listed(const texts::TextRecord& listing);

    // The box of the conference `name`, found or made.
    platform::Result<uint16_t> conference_box(const std::string& name);

    // The id of the notice text of `author` on `node`: one per author, so
    // that the next notice replaces it.
    platform::Result<texts::TextId> notice_id(texts::NodeKey node, const texts::KindedName& author);

    const FilingCounts& counts() const { return counts_; }
    void reset_counts() { counts_ = {}; }

  private:
    // The stored text `id`; a damaged one counts as missing (and is said).
    platform::Result<std::optional<texts::TextRecord>> read(texts::TextId id);
    platform::Result<std::vector<uint16_t>> boxes_for_new(const texts::TextRecord& text,
                                                          int conference_box);
    // Makes sure the routing box `number` exists, inside its parent (which
    // is made first when missing).
    platform::Status ensure_routing_box(uint16_t number);
    // Files a text that is in no box yet into `boxes`.
    platform::Status file_into(texts::TextRecord& text, const std::vector<uint16_t>& boxes);
    // Takes a settled text out of the out-going boxes: into `settled_box`
    // when it would be left in none.
    platform::Status leave_outgoing(texts::TextRecord& text, std::initializer_list<uint16_t> from,
                                    uint16_t settled_box);
    // Gives the linked texts their opposite link back to `text`.
    platform::Status link_back(const texts::TextRecord& text);
    // The stamps kept in the box lists follow a replaced text's date.
    platform::Status refresh_stamps(const texts::TextRecord& text, uint32_t old_stamp);

    cabinet::Cabinet& cabinet_;
    const ImportOptions& options_;
    AddressBookPort& book_;
    platform::Env& env_;
    Partners partners_;
    FilingCounts counts_;
};

}  // namespace orvane::import

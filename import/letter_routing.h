// Where a letter goes before the general filing rules see it: letters that
// concern the user's secretary or bosses, and letters of mailing lists.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "import/address_book_port.h"
#include "texts/text_record.h"

namespace orvane::import {

// The user's partners: his secretary, or the bosses he is secretary of.
struct Partners {
    std::vector<std::string> names;  // comparable names; the first is the first partner
    bool are_bosses = false;         // the user is their secretary
};
Partners partners_of(const std::string& secretary, const std::vector<std::string>& bosses,
                     const AddressBookPort& book);

// How a letter concerns the partners: 4 when a partner wrote it or (as By
// or Via) the first partner sent it; otherwise the sum of 1 for a partner
// among the For receivers (For, Bcc-For, Scc-For, Cc-For), 2 for a partner
// among the other receivers (Bcc, Scc, Cc, To), and 8 for such a receiver
// that names the user and was sent on to him by a partner.
int involvement(const texts::TextRecord& letter, const Partners& partners,
                const std::vector<std::string>& own_names, const AddressBookPort& book);

// The box a letter concerning the partners goes to: with a secretary, the
// box for its importance inside "From Secretary" when he wrote or sent it
// on; as a secretary, "For or from Boss" whenever a boss is concerned.
std::optional<uint16_t> partner_box(const texts::TextRecord& letter, const Partners& partners,
                                    int involvement);

// The box that holds a routing box: "From Secretary" for the importance
// boxes, the In-Basket for "From Secretary" and "For or from Boss".
uint16_t routing_parent(uint16_t box);

// The list address of a mailing-list letter: one from an Internet address
// that names the user as a Bcc receiver and has a To or Cc receiver with
// an '@' that the address book does not keep. Nothing for other letters.
std::optional<std::string> mailing_list_of(const texts::TextRecord& letter,
                                           const std::vector<std::string>& own_names,
                                           const AddressBookPort& book);

}  // namespace orvane::import

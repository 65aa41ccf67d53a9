#include "import/letter_routing.h"

#include <algorithm>

#include "cabinet/fixed_boxes.h"

namespace orvane::import {

using texts::HeaderCode;

namespace {

constexpr int kWroteOrSent = 4;
constexpr int kForReceiver = 1;
constexpr int kOtherReceiver = 2;
constexpr int kSentOnToUser = 8;
constexpr uint16_t kForOrFromBoss = 18;
constexpr uint16_t kFromSecretary = 19;

bool is_for_code(HeaderCode code) {
    return code == HeaderCode::kFor || code == HeaderCode::kBccFor || code == HeaderCode::kSccFor ||
           code == HeaderCode::kCcFor;
}

bool is_copy_code(HeaderCode code) {
    return code == HeaderCode::kBcc || code == HeaderCode::kScc || code == HeaderCode::kCc ||
           code == HeaderCode::kTo;
}

bool is_one_of(const std::string& name, const std::vector<std::string>& names,
               const AddressBookPort& book) {
    if (name.empty()) return false;
    const std::string comparable = book.comparable_name(name);
    return std::find(names.begin(), names.end(), comparable) != names.end();
}

std::vector<std::string> comparable(const std::vector<std::string>& names,
                                    const AddressBookPort& book) {
    std::vector<std::string> result;
    for (const std::string& name : names)
        if (!name.empty()) result.push_back(book.comparable_name(name));
    return result;
}

// "name@domain": something on either side of one '@'.
bool is_internet_address(const std::string& name) {
    const size_t at = name.find('@');
    return at != std::string::npos && at > 0 && at + 1 < name.size() &&
           name.find('@', at + 1) == std::string::npos && name.find(' ') == std::string::npos;
}

}  // namespace

Partners partners_of(const std::string& secretary, const std::vector<std::string>& bosses,
                     const AddressBookPort& book) {
    Partners partners;
    if (!secretary.empty()) {
        partners.names = comparable({secretary}, book);
        return partners;
    }
    partners.names = comparable(bosses, book);
    partners.are_bosses = !partners.names.empty();
    return partners;
}

int involvement(const texts::TextRecord& letter, const Partners& partners,
                const std::vector<std::string>& own_names, const AddressBookPort& book) {
    if (partners.names.empty()) return 0;
    if (is_one_of(letter.author.text, partners.names, book)) return kWroteOrSent;
    if (!letter.by.empty() && book.comparable_name(letter.by.text) == partners.names.front())
        return kWroteOrSent;
    const std::vector<std::string> own = comparable(own_names, book);
    int value = 0;
    for (const texts::ReceiverEntry& receiver : letter.receivers) {
        const bool partner = is_one_of(receiver.name.text, partners.names, book);
        if (partner && is_for_code(receiver.code)) value |= kForReceiver;
        if (!is_copy_code(receiver.code)) continue;
        if (partner) value |= kOtherReceiver;
        if (is_one_of(receiver.name.text, own, book) &&
            is_one_of(receiver.sender, partners.names, book))
            value |= kSentOnToUser;
    }
    return value;
}

std::optional<uint16_t> partner_box(const texts::TextRecord& letter, const Partners& partners,
                                    int involvement) {
    if (partners.names.empty()) return std::nullopt;
    if (partners.are_bosses) {
        if (involvement != 0) return kForOrFromBoss;
        return std::nullopt;
    }
    if (involvement & (kWroteOrSent | kSentOnToUser))
        return static_cast<uint16_t>(cabinet::box::kFirstImportance +
                                     std::min<uint8_t>(letter.importance, 7));
    return std::nullopt;
}

std::optional<std::string> mailing_list_of(const texts::TextRecord& letter,
                                           const std::vector<std::string>& own_names,
                                           const AddressBookPort& book) {
    if (!is_internet_address(letter.author.text)) return std::nullopt;
    const std::vector<std::string> own = comparable(own_names, book);
    const bool user_in_bcc =
        std::any_of(letter.receivers.begin(), letter.receivers.end(), [&](const auto& receiver) {
            return receiver.code == HeaderCode::kBcc && is_one_of(receiver.name.text, own, book);
        });
    if (!user_in_bcc) return std::nullopt;
    for (const texts::ReceiverEntry& receiver : letter.receivers) {
        if (receiver.code != HeaderCode::kTo && receiver.code != HeaderCode::kCc) continue;
        if (receiver.name.text.find('@') == std::string::npos) continue;
        if (book.knows_address(receiver.name.text)) return std::nullopt;
        return receiver.name.text;
    }
    return std::nullopt;
}

// The parent of a routing box: the importance boxes live inside "From
// Secretary", which like "For or from Boss" lives in the In-Basket.
uint16_t routing_parent(uint16_t box) {
    return box == kForOrFromBoss || box == kFromSecretary ? cabinet::box::kInBasket
                                                          : kFromSecretary;
}

}  // namespace orvane::import

// The personal address book: Internet addresses under names of the user's
// choosing, and groups of addresses. Its objects are on the node "@"; a new
// one takes the number after the highest in use.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "addressbook/book_file.h"

namespace orvane::addressbook {

// The numbers in use on the personal node, and the next one to give out.
class PersonalNumbers {
  public:
    static platform::Result<PersonalNumbers> of(BookFile& personal);
    // Nothing when all 65535 numbers are taken.
    std::optional<uint16_t> take();

  private:
    std::vector<bool> used_ = std::vector<bool>(0x10000, false);
    uint32_t next_ = 1;
};

// Refuses a name or address the book cannot keep: an empty or too long
// name, an address without '@', with blanks, or too long.
platform::Status check_personal_entry(std::string_view name, std::string_view address);

// True when `object` is a personal entry with this name and address (the
// address compared without regard to ASCII case).
bool is_same_entry(const AddressObject& object, std::string_view name, std::string_view address);

// Adds an entry; an entry with the same name and address is refused.
platform::Result<uint16_t> add_personal_entry(BookFile& personal, std::string_view name,
                                              std::string_view address);
platform::Result<uint16_t> add_group(BookFile& personal, std::string_view name);
// Puts a member into a group unless it is there already.
platform::Status add_group_member(BookFile& personal, uint16_t group, Member member);
// Removes an entry or group of the personal book.
platform::Status delete_personal_object(BookFile& personal, uint16_t number);

}  // namespace orvane::addressbook

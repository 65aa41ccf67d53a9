#include "addressbook/personal_book.h"

#include <algorithm>

#include "addressbook/write_batch.h"
#include "texts/ascii.h"

namespace orvane::addressbook {

namespace {

platform::Result<uint16_t> store_new(BookFile& personal, AddressObject object) {
    auto numbers = PersonalNumbers::of(personal);
    if (!numbers.ok()) return numbers.take_status();
    const std::optional<uint16_t> number = numbers->take();
    if (!number) return personal.access_error(store::kDbTooBig);
    object.node = kPersonalNode;
    object.number = *number;
    auto batch = WriteBatch::begin(personal);
    if (!batch.ok()) return batch.take_status();
    if (platform::Status status = batch->store(object, std::nullopt); !status.ok()) return status;
    if (platform::Status status = batch->commit(); !status.ok()) return status;
    return *number;
}

}  // namespace

platform::Result<PersonalNumbers> PersonalNumbers::of(BookFile& personal) {
    auto objects = personal.objects_of(kPersonalNode);
    if (!objects.ok()) return objects.take_status();
    PersonalNumbers numbers;
    for (const AddressObject& object : *objects) {
        numbers.used_[object.number] = true;
        numbers.next_ = std::max<uint32_t>(numbers.next_, uint32_t{object.number} + 1);
    }
    return numbers;
}

std::optional<uint16_t> PersonalNumbers::take() {
    // After the highest number, the gaps below it.
    if (next_ > 0xFFFF) next_ = 1;
    for (uint32_t tried = 0; tried < 0xFFFF; ++tried) {
        const uint32_t number = next_;
        next_ = next_ >= 0xFFFF ? 1 : next_ + 1;
        if (!used_[number]) {
            used_[number] = true;
            return static_cast<uint16_t>(number);
        }
    }
    return std::nullopt;
}

platform::Status check_personal_entry(std::string_view name, std::string_view address) {
    using platform::MessageId;
    if (name.size() > kMaxNameLength)
        return platform::Status::message(MessageId::kAddressNameTooLong, {name});
    if (name.empty()) return platform::Status::message(MessageId::kIsMissing, {"The name"});
    const size_t at = address.find('@');
    if (at == std::string_view::npos || at == 0 || at + 1 == address.size() ||
        address.find_first_of(" \t\r\n,") != std::string_view::npos)
        return platform::Status::message(MessageId::kNotAnInternetAddress, {address});
    if (address.size() > kMaxAddressLength)
        return platform::Status::message(MessageId::kAddressTooLong, {address});
    return {};
}

bool is_same_entry(const AddressObject& object, std::string_view name, std::string_view address) {
    return object.type == kPersonalEntry && object.name == name &&
           texts::equals_ignoring_case(object.address, address);
}

platform::Result<uint16_t> add_personal_entry(BookFile& personal, std::string_view name,
                                              std::string_view address) {
    if (platform::Status status = check_personal_entry(name, address); !status.ok()) return status;
    auto objects = personal.objects_of(kPersonalNode);
    if (!objects.ok()) return objects.take_status();
    for (const AddressObject& object : *objects)
        if (is_same_entry(object, name, address))
            return platform::Status::message(platform::MessageId::kAddressAlreadyKept,
                                             {name, address});
    AddressObject entry;
    entry.type = kPersonalEntry;
    entry.name = std::string(name);
    entry.address = std::string(address);
    return store_new(personal, std::move(entry));
}

platform::Result<uint16_t> add_group(BookFile& personal, std::string_view name) {
    if (name.size() > kMaxNameLength)
        return platform::Status::message(platform::MessageId::kAddressNameTooLong, {name});
    if (name.empty())
        return platform::Status::message(platform::MessageId::kIsMissing, {"The name"});
    AddressObject group;
    group.type = kGroup;
    group.name = std::string(name);
    return store_new(personal, std::move(group));
}

platform::Status add_group_member(BookFile& personal, uint16_t group, Member member) {
    auto stored = personal.read_object(kPersonalNode, group);
    if (!stored.ok()) return stored.take_status();
    if (!*stored || (*stored)->type != kGroup)
        return platform::Status::message(platform::MessageId::kIsMissing, {"The group"});
    AddressObject updated = **stored;
    if (std::find(updated.members.begin(), updated.members.end(), member) != updated.members.end())
        return {};
    updated.members.push_back(member);
    auto batch = WriteBatch::begin(personal);
    if (!batch.ok()) return batch.take_status();
    if (platform::Status status = batch->store(updated, *stored); !status.ok()) return status;
    return batch->commit();
}

platform::Status delete_personal_object(BookFile& personal, uint16_t number) {
    auto stored = personal.read_object(kPersonalNode, number);
    if (!stored.ok()) return stored.take_status();
    if (!*stored) return {};
    auto batch = WriteBatch::begin(personal);
    if (!batch.ok()) return batch.take_status();
    if (platform::Status status = batch->remove(**stored); !status.ok()) return status;
    return batch->commit();
}

}  // namespace orvane::addressbook

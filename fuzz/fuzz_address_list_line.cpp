// Feeds arbitrary bytes to the reader of address list lines (and of list
// file names), then stores what it read as an object record and reads it
// back, as the import does.
#include <cstddef>
#include <cstdint>
#include <string_view>

#include "addressbook/list_line.h"
#include "addressbook/name_words.h"
#include "addressbook/records.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvane::addressbook;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    (void)parse_list_file_name(text.substr(0, 16));

    ListLine line;
    if (parse_list_line(text, &line) != LineVerdict::kRead) return 0;
    if (line.name.size() > kMaxNameLength || line.number > 0x7FFF) __builtin_trap();
    AddressObject object;
    object.node = 'C';
    object.number = line.number;
    object.type = static_cast<uint8_t>(line.type);
    object.name = line.name;
    object.flags = line.flags;
    object.first_number = line.first_number;
    for (uint16_t number : line.more_numbers) object.members.push_back({'C', number});
    auto read = decode_object('C', line.number, encode_object(object));
    if (!read) __builtin_trap();
    object.flags = flags_as_read(object.flags);
    if (object.type != kPersonalEntry && !(*read == object)) __builtin_trap();
    for (const NameWord& word : name_words(read->name))
        if (word.text.empty() || word.text.size() > kIndexedWordLength) __builtin_trap();
    return 0;
}

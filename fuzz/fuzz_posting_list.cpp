// Feeds arbitrary bytes to the posting-list reader, as a damaged word record
// would. The reader must stop at the end or at a fault, giving strictly
// ascending ids; a list it accepts must encode to an equal list, and a merge
// over any bytes must give a list that reads back.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "cabinet/posting_list.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    using namespace orvane::cabinet;
    PostingReader reader(data, size);
    std::vector<orvane::texts::TextId> ids;
    for (orvane::texts::TextId id; reader.next(&id);) {
        if (!ids.empty() && id <= ids.back()) std::abort();
        ids.push_back(id);
        if (ids.size() > size) std::abort();  // every id takes at least one byte
    }
    const auto decoded = decode_posting_list({data, size});
    if (decoded.has_value() == reader.damaged()) std::abort();
    if (decoded) {
        const std::vector<uint8_t> encoded = encode_posting_list(*decoded);
        if (decode_posting_list(encoded) != decoded) std::abort();
    }
    // Changes taken from the first ids: every other one removed, one added.
    std::vector<PostingChange> changes;
    for (size_t i = 0; i < ids.size() && i < 16; i += 2) changes.push_back({ids[i], false});
    PostingWriter merged;
    merge_postings({data, size}, changes, &merged);
    if (!decode_posting_list(merged.bytes())) std::abort();
    return 0;
}

#include "cabinet/keys.h"

#include "platform/bytes.h"

namespace orvane::cabinet {

Key header_key() {
    return Key{{kHeaderPrefix}, 1};
}

Key chunk_key(uint16_t first_index) {
    Key key{{kHeaderPrefix}, 3};
    platform::store_be16(key.bytes + 1, first_index);
    return key;
}

Key list_key(uint8_t list, uint16_t box) {
    Key key{{kListPrefix, list}, 4};
    platform::store_be16(key.bytes + 2, box);
    return key;
}

Key text_key(texts::TextId id) {
    Key key{{kTextPrefix}, 5};
    platform::store_be32(key.bytes + 1, id);
    return key;
}

Key box_record_key(uint16_t box) {
    Key key{{kBoxRecordPrefix}, 3};
    platform::store_be16(key.bytes + 1, box);
    return key;
}

}  // namespace orvane::cabinet

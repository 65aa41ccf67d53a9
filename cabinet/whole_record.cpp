#include "cabinet/whole_record.h"

namespace orvane::cabinet {

using namespace store;

namespace {
// Most records fit the first read; longer ones take a second.
constexpr size_t kFirstRead = 4096;
}  // namespace

int32_t read_rest_of_record(DbHandle db, size_t first_read, std::vector<uint8_t>* data) {
    if (first_read < data->size()) {
        data->resize(first_read);
        return kDbOk;
    }
    size_t length = 0;
    int32_t code = DbGet(db, GET_CURRENT, nullptr, 0, nullptr, nullptr, 0, nullptr, &length, 0);
    if (code != kDbOk) return code;
    data->resize(length);
    if (length <= first_read) return kDbOk;
    code = DbGet(db, GET_CURRENT, nullptr, 0, nullptr, nullptr, 0, data->data(), &length,
                 data->size());
    data->resize(length);
    return code;
}

int32_t read_whole_record(DbHandle db, int mode, const void* key, size_t key_length,
                          std::vector<uint8_t>* data) {
    data->resize(kFirstRead);
    size_t length = 0;
    const int32_t code =
        DbGet(db, mode, key, key_length, nullptr, nullptr, 0, data->data(), &length, data->size());
    if (code != kDbOk) {
        data->clear();
        return code;
    }
    return read_rest_of_record(db, length, data);
}

}  // namespace orvane::cabinet

#include "addressbook/db_access.h"

namespace orvane::addressbook {

namespace {

// Most records fit; a longer one is read again at its full length.
constexpr size_t kFirstRead = 2048;

int32_t get(store::DbHandle db, int mode, std::string_view key, std::string* found_key,
            std::string* data) {
    char key_buffer[store::kDbMaxKey + 1];
    size_t key_length = 0;
    size_t data_length = 0;
    data->resize(kFirstRead);
    const int32_t result =
        store::DbGet(db, mode, key.data(), key.size(), key_buffer, &key_length, sizeof key_buffer,
                     data->data(), &data_length, data->size());
    if (result != store::kDbOk && !(result == store::kDbNotFound && mode != store::GET_EXACT)) {
        data->clear();
        return result;
    }
    if (found_key) found_key->assign(key_buffer, key_length);
    if (data_length == kFirstRead) {
        size_t full = 0;
        if (int32_t again = store::DbGet(db, store::GET_CURRENT, nullptr, 0, key_buffer,
                                         &key_length, sizeof key_buffer, nullptr, &full, 0);
            again != result)
            return again == store::kDbOk || again == store::kDbNotFound ? store::kDbCorrupt : again;
        data->resize(full);
        if (int32_t again =
                store::DbGet(db, store::GET_CURRENT, nullptr, 0, key_buffer, &key_length,
                             sizeof key_buffer, data->data(), &data_length, data->size());
            again != result)
            return again == store::kDbOk || again == store::kDbNotFound ? store::kDbCorrupt : again;
    }
    data->resize(data_length);
    return result;
}

}  // namespace

int32_t get_exact(store::DbHandle db, std::string_view key, std::string* data) {
    return get(db, store::GET_EXACT, key, nullptr, data);
}

int32_t get_at_or_after(store::DbHandle db, std::string_view key, std::string* found_key,
                        std::string* data) {
    return get(db, store::GET_AT_OR_AFTER, key, found_key, data);
}

int32_t get_next(store::DbHandle db, std::string_view key, std::string* found_key,
                 std::string* data) {
    return get(db, store::GET_NEXT, key, found_key, data);
}

int32_t put_record(store::DbHandle db, std::string_view key, std::string_view data) {
    return store::DbPut(db, key.data(), key.size(), data.data(), data.size());
}

int32_t remove_record(store::DbHandle db, std::string_view key) {
    const int32_t result = store::DbDelete(db, key.data(), key.size());
    return result == store::kDbNotFound || result == store::kDbNoNext ? store::kDbOk : result;
}

}  // namespace orvane::addressbook

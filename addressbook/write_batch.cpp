#include "addressbook/write_batch.h"

#include "addressbook/db_access.h"

namespace orvane::addressbook {

platform::Result<WriteBatch> WriteBatch::begin(BookFile& book) {
    if (!book.writable()) return book.access_error(store::kDbReadOnly);
    WriteBatch batch(book);
    if (int32_t error = store::DbLock(book.db())) return book.access_error(error);
    batch.open_ = true;
    return batch;
}

WriteBatch::WriteBatch(WriteBatch&& other) noexcept
    : book_(other.book_),
      open_(std::exchange(other.open_, false)),
      words_(std::move(other.words_)),
      serial_(other.serial_) {}

WriteBatch::~WriteBatch() {
    if (open_) store::DbAbandon(book_->db());
}

platform::Status WriteBatch::fail(int32_t code) {
    if (open_) store::DbAbandon(book_->db());
    open_ = false;
    return book_->access_error(code);
}

platform::Status WriteBatch::store(const AddressObject& object,
                                   const std::optional<AddressObject>& stored) {
    if (int32_t error =
            put_record(book_->db(), object_key(object.node, object.number), encode_object(object)))
        return fail(error);
    if (stored) words_.remove(*stored);
    words_.add(object);
    return {};
}

platform::Status WriteBatch::remove(const AddressObject& stored) {
    if (int32_t error = remove_record(book_->db(), object_key(stored.node, stored.number)))
        return fail(error);
    words_.remove(stored);
    return {};
}

platform::Status WriteBatch::commit() {
    store::DbHandle db = book_->db();
    if (int32_t error = words_.apply(db)) return fail(error);
    if (serial_) {
        const auto [node, serial] = *serial_;
        std::string data;
        const int32_t found = get_exact(db, node_state_key(node), &data);
        if (found != store::kDbOk && found != store::kDbNotFound) return fail(found);
        const std::optional<int32_t> stored =
            found == store::kDbOk ? decode_node_serial(data) : std::nullopt;
        if (!stored || *stored < serial)
            if (int32_t error = put_record(db, node_state_key(node), encode_node_serial(serial)))
                return fail(error);
    }
    open_ = false;
    if (int32_t error = store::DbUnlock(db)) return book_->access_error(error);
    return {};
}

}  // namespace orvane::addressbook

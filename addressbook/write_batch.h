// A group of changes to one address book file that the book survives being
// cut off in: an import of an address list or of a CSV file, or one added
// or deleted entry.
//
// The group holds the file's lock from begin to commit, so other processes
// never see it half done. Before it changes anything it makes a mark
// durable in the file; the objects and the word index follow, and are made
// durable together; only then is the node's serial raised and the mark
// removed, again durably. Each object is one record, so a crash leaves
// every object whole; a crash before the end leaves the mark, and whoever
// opens or reads the file next rebuilds the word index from the objects
// (BookFile::settle). A serial is never raised over objects that are not
// durable.
#pragma once

#include <optional>

#include "addressbook/book_file.h"
#include "addressbook/word_index.h"

namespace orvane::addressbook {

class WriteBatch {
  public:
    // Starts a group that changes objects of `node` in `book`.
    static platform::Result<WriteBatch> begin(BookFile& book, NodeKey node);

    WriteBatch(WriteBatch&& other) noexcept;
    WriteBatch& operator=(WriteBatch&&) = delete;
    // A group that was not committed is abandoned: what it wrote is left to
    // the next user of the file to settle.
    ~WriteBatch();

    // Stores `object` in place of `stored` (nothing: a new object).
    platform::Status store(const AddressObject& object, const std::optional<AddressObject>& stored);
    // Removes a stored object.
    platform::Status remove(const AddressObject& stored);
    // At the commit, after the objects are durable, `node`'s serial becomes
    // `serial` unless a higher one is stored already.
    void raise_serial(NodeKey node, int32_t serial) { serial_ = {node, serial}; }

    platform::Status commit();

  private:
    explicit WriteBatch(BookFile& book) : book_(&book) {}
    platform::Status fail(int32_t code);

    BookFile* book_;
    bool open_ = false;
    WordIndexChanges words_;
    std::optional<std::pair<NodeKey, int32_t>> serial_;
};

}  // namespace orvane::addressbook

// Reads ZIP archives as a stream, member after member, from their local
// headers alone: the central directory at the end is never needed, so an
// archive can be read while it is being decoded from a mail or a text.
// Stored and deflated members are read; a deflated member may carry its
// sizes in a data descriptor after its data (flag bit 3, as streaming
// zippers write it), in the classic or the 64-bit form. Everything else is
// refused with a reason rather than guessed at. Every member is checked
// against its sizes and checksum when it ends.
#pragma once

#include <zlib.h>

#include <cstdint>
#include <memory>
#include <string>

#include "import/buffered_input.h"
#include "platform/status.h"

namespace orvane::import {

struct ZipMember {
    std::string name;  // as the archive gives it; for messages, never for paths
    uint16_t flags = 0;
    uint16_t method = 0;
    uint32_t crc = 0;
    uint64_t compressed_size = 0;
    uint64_t uncompressed_size = 0;
    bool sizes_follow = false;  // flag bit 3: the sizes come after the data
    bool zip64 = false;         // the sizes are kept in 64 bits
};

enum class ZipNext {
    kMember,        // a member begins; its header has been read
    kEndOfArchive,  // the central directory begins: no more members
    kNotZip,        // anything else; nothing was taken from the input
};

// Looks at what comes next in `input`. On kMember the local header has been
// read and `member` describes it. A header that cannot be read, or a member
// that cannot be unpacked, is an error.
platform::Result<ZipNext> open_next_member(BufferedInput& input, ZipMember* member);

// The unpacked bytes of the member whose header open_next_member read. The
// archive input is left right after the member (and its data descriptor),
// so that the next member can be opened from it. A member that does not
// match its sizes or checksum fails when its end is reached.
class ZipMemberLayer : public ByteLayer {
  public:
    ZipMemberLayer(BufferedInput& archive, ZipMember member);
    ~ZipMemberLayer() override;
    ZipMemberLayer(const ZipMemberLayer&) = delete;
    ZipMemberLayer& operator=(const ZipMemberLayer&) = delete;

    size_t read(uint8_t* out, size_t capacity, platform::Status* status) override;

    const ZipMember& member() const { return member_; }
    // Bytes handed on so far.
    uint64_t unpacked() const { return unpacked_; }

  private:
    size_t read_stored(uint8_t* out, size_t capacity, platform::Status* status);
    size_t read_deflated(uint8_t* out, size_t capacity, platform::Status* status);
    // At the end of the data: reads the descriptor and checks sizes and
    // checksum.
    platform::Status finish();
    platform::Status read_descriptor();
    platform::Status fail(platform::MessageId id);

    BufferedInput& archive_;
    ZipMember member_;
    z_stream inflater_{};
    bool inflater_ready_ = false;
    uint64_t consumed_ = 0;  // packed bytes taken from the archive
    uint64_t unpacked_ = 0;
    uint32_t crc_ = 0;
    bool stream_ended_ = false;  // the deflate stream reached its end
    bool ended_ = false;
};

}  // namespace orvane::import

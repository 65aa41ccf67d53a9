// The byte source under the line reader: the file, and whatever the parser
// found encoded inside it. It is a stack of layers: the file at the bottom;
// above it at most a few of these, each decoding the one below:
//  - a uuencoded block (from a "begin" line to "end");
//  - the base64 body of a MIME part (up to the next boundary);
//  - one member of a ZIP archive read from the layer below, then the next.
// The line reader always reads from the top. When the top's content ends,
// end_layer() takes it off and says how the parser goes on: a member is
// followed by the archive's next member, an archive's end by the rest of the
// layer that held it, a MIME part by the headers of the next part or the end
// of the message.
//
// Memory stays bounded whatever the input: each layer keeps one window of
// bytes, and the stack has a fixed greatest depth, beyond which encoded
// blocks are read as plain lines.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "import/buffered_input.h"
#include "import/file_layer.h"
#include "import/zip_stream.h"
#include "platform/status.h"

namespace orvane::import {

// What the parser does after a layer ended.
enum class AfterLayer {
    kReadOn,          // the parser state is left as it is
    kStateBetween,    // the parser goes back to looking for items (state 0)
    kStatePartHeads,  // the next MIME part's headers follow (state 6)
    kEndOfFile,       // nothing more: the file is over
};

class ByteSource {
  public:
    // Decoding stops nesting at this depth (the file counts as one).
    static constexpr size_t kMaxDepth = 6;

    // Opens the file from `offset` on. `name` names it in messages.
    [[nodiscard]] int open(const std::string& path, uint64_t offset, platform::Env& env);

    BufferedInput& top() { return *layers_.back().input; }
    size_t depth() const { return layers_.size(); }
    // Bytes of the file read so far, and its size (for progress).
    uint64_t file_position() const { return file_->position(); }
    uint64_t file_size() const { return file_->size(); }

    // Offers the file to the ZIP reader: when it is an archive, reading goes
    // on in its first member. An error leaves nothing worth reading.
    platform::Status start_zip_file();
    // The body of a base64 MIME part begins; `boundary` ends it. When the
    // decoded bytes are a ZIP archive, its members are read instead.
    platform::Status start_base64(const std::string& boundary);
    // A uuencoded block begins; likewise for an archive inside.
    platform::Status start_uuencoded();

    struct LayerEnd {
        AfterLayer next = AfterLayer::kReadOn;
        // What went wrong inside an archive; the rest of the layer that held
        // it is then passed over.
        platform::Status error;
        // The archive that failed is the file itself.
        bool in_zip_file = false;
    };
    // Called when top() has no more bytes: takes the ended layer off and
    // says how to go on.
    LayerEnd end_layer();

    // An archive member is being read, directly from the file: the file
    // is an archive.
    bool reading_zip_file() const;

  private:
    enum class Kind { kFile, kBase64, kUuencoded, kZipMember };
    struct Layer {
        Kind kind;
        std::unique_ptr<ByteLayer> layer;
        std::unique_ptr<BufferedInput> input;
    };

    void push(Kind kind, std::unique_ptr<ByteLayer> layer, size_t window);
    // Opens the archive member that follows in the top layer, if any.
    platform::Result<bool> open_member();
    // Reads the top layer to its end without using it.
    void drain_top();

    FileLayer* file_ = nullptr;
    std::vector<Layer> layers_;
};

}  // namespace orvane::import

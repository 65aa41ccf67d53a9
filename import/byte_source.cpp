#include "import/byte_source.h"

#include "import/encoded_lines.h"

namespace orvane::import {

using platform::Result;
using platform::Status;

namespace {

// Windows of the layers: large for the file and for unpacked data, which
// the line reader scans; small for the encoded lines in between.
constexpr size_t kWideWindow = 64 * 1024;
constexpr size_t kEncodedWindow = 4 * 1024;

}  // namespace

int ByteSource::open(const std::string& path, uint64_t offset, platform::Env& env) {
    layers_.clear();
    auto file = std::make_unique<FileLayer>();
    if (const int error = file->open(path, offset, env)) return error;
    file_ = file.get();
    push(Kind::kFile, std::move(file), kWideWindow);
    return 0;
}

void ByteSource::push(Kind kind, std::unique_ptr<ByteLayer> layer, size_t window) {
    auto input = std::make_unique<BufferedInput>(*layer, window);
    layers_.push_back({kind, std::move(layer), std::move(input)});
}

bool ByteSource::reading_zip_file() const {
    return layers_.size() >= 2 && layers_[1].kind == Kind::kZipMember;
}

Result<bool> ByteSource::open_member() {
    ZipMember member;
    Result<ZipNext> next = open_next_member(top(), &member);
    if (!next.ok()) {
        drain_top();
        return next.take_status();
    }
    if (*next == ZipNext::kEndOfArchive) {
        // What follows the members (the central directory) is no text.
        drain_top();
        return false;
    }
    if (*next == ZipNext::kNotZip || layers_.size() >= kMaxDepth) return false;
    BufferedInput& archive = top();
    push(Kind::kZipMember, std::make_unique<ZipMemberLayer>(archive, std::move(member)),
         kWideWindow);
    return true;
}

void ByteSource::drain_top() {
    BufferedInput& input = top();
    while (input.fill()) input.consume(input.size());
}

Status ByteSource::start_zip_file() {
    Result<bool> opened = open_member();
    return opened.ok() ? Status() : opened.take_status();
}

Status ByteSource::start_base64(const std::string& boundary) {
    if (layers_.size() >= kMaxDepth) return Status();
    BufferedInput& below = top();
    push(Kind::kBase64, std::make_unique<Base64Layer>(below, boundary), kEncodedWindow);
    Result<bool> opened = open_member();
    return opened.ok() ? Status() : opened.take_status();
}

Status ByteSource::start_uuencoded() {
    if (layers_.size() >= kMaxDepth) return Status();
    BufferedInput& below = top();
    push(Kind::kUuencoded, std::make_unique<UuLayer>(below), kEncodedWindow);
    Result<bool> opened = open_member();
    return opened.ok() ? Status() : opened.take_status();
}

ByteSource::LayerEnd ByteSource::end_layer() {
    LayerEnd end;
    Layer& ended = layers_.back();
    switch (ended.kind) {
        case Kind::kFile:
            end.next = AfterLayer::kEndOfFile;
            return end;
        case Kind::kBase64: {
            const bool closing = static_cast<Base64Layer&>(*ended.layer).closing_boundary();
            layers_.pop_back();
            end.next = closing ? AfterLayer::kStateBetween : AfterLayer::kStatePartHeads;
            return end;
        }
        case Kind::kUuencoded:
            layers_.pop_back();
            end.next = AfterLayer::kStateBetween;
            return end;
        case Kind::kZipMember:
            break;
    }
    end.in_zip_file = layers_.size() == 2;
    end.error = ended.input->status();
    layers_.pop_back();
    end.next = AfterLayer::kStateBetween;
    if (!end.error.ok()) {
        // A damaged member leaves no sure way to the next one.
        drain_top();
        return end;
    }
    Result<bool> next = open_member();
    if (!next.ok()) end.error = next.take_status();
    return end;
}

}  // namespace orvane::import

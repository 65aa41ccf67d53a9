#include "connection/zmodem_link.h"

#include <coroutine>

namespace orvane::connection::zmodem {

namespace {

using platform::Task;

// Output gathers to this size before it goes to the channel while streaming.
constexpr size_t kPushSize = 16 * 1024;
// More than this waiting in the channel holds the sender back.
constexpr size_t kUnsentLimit = 256 * 1024;
// After a hex header, its CR and LF are awaited this long.
constexpr uint32_t kLineEndWaitMs = 200;
constexpr int kCancelBytes = 10;
constexpr uint32_t kCancelEchoWaitMs = 2000;
// A peer that keeps talking while we wait for its cancel is not followed
// further than this.
constexpr size_t kCancelEchoLimit = 64 * 1024;

// Lets every callback that is due run before the awaiting coroutine goes on.
class YieldToLoop {
  public:
    explicit YieldToLoop(platform::EventLoop& loop) : loop_(loop) {}
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> waiting) {
        timer_ = loop_.add_timer(0, 0, [waiting] { waiting.resume(); });
    }
    void await_resume() noexcept {}

  private:
    platform::EventLoop& loop_;
    platform::EventLoop::Registration timer_;
};

bool is_line_end(uint8_t byte) {
    return (byte & 0x7F) == '\r' || (byte & 0x7F) == '\n';
}

}  // namespace

platform::Status file_status(platform::MessageId id, const std::string& name) {
    return platform::Status::message(id, {name});
}

// --- Sending ---

void Link::send_hex_header(const Header& header) {
    push();
    encoder_.hex_header(header, &output_);
    if (header.type != FrameType::kZdata) push();
}

void Link::send_binary_header(const Header& header, bool crc32) {
    encoder_.binary_header(header, crc32, &output_);
}

void Link::send_subpacket(std::span<const uint8_t> data, FrameEnd end, bool crc32) {
    encoder_.subpacket(data, end, crc32, &output_);
}

void Link::send_raw(std::span<const uint8_t> bytes) {
    output_.insert(output_.end(), bytes.begin(), bytes.end());
}

void Link::push() {
    if (output_.empty()) return;
    platform::Status status = channel_.write(output_);
    if (!status.ok() && write_status_.ok()) write_status_ = std::move(status);
    output_.clear();
}

Task<bool> Link::pace() {
    if (output_.size() < kPushSize) co_return !channel_.ended();
    push();
    co_await YieldToLoop(loop());
    co_return co_await wait_output(kUnsentLimit);
}

Task<bool> Link::drain() {
    push();
    co_return co_await wait_output(0);
}

Task<bool> Link::wait_output(size_t limit) {
    while (channel_.unsent() > limit) {
        const size_t before = channel_.unsent();
        const bool drained = co_await channel_.drained(deadline(byte_timeout_ms_), limit);
        if (drained) break;
        if (channel_.ended() || channel_.unsent() >= before) co_return false;
    }
    co_return write_status_.ok();
}

// --- Receiving ---

Task<Incoming> Link::read_header() {
    push();
    header_decoder_.reset();
    Incoming in;
    for (;;) {
        const bool arrived = co_await input(byte_timeout_ms_);
        if (!arrived) {
            in.kind = channel_.ended() ? Incoming::Kind::kEnded : Incoming::Kind::kTimeout;
            co_return in;
        }
        std::span<const uint8_t> bytes = channel_.buffered();
        size_t used = 0;
        HeaderDecoder::Event event = HeaderDecoder::Event::kMore;
        while (used < bytes.size() && event == HeaderDecoder::Event::kMore)
            event = header_decoder_.feed(bytes[used++]);
        channel_.consume(used);
        switch (event) {
            case HeaderDecoder::Event::kMore:
                continue;
            case HeaderDecoder::Event::kHeader:
                in.kind = Incoming::Kind::kHeader;
                in.header = header_decoder_.header();
                in.format = header_decoder_.format();
                if (in.format == HeaderFormat::kHex) co_await skip_line_end();
                co_return in;
            case HeaderDecoder::Event::kBad:
                in.kind = Incoming::Kind::kBad;
                co_return in;
            case HeaderDecoder::Event::kGarbage:
                in.kind = Incoming::Kind::kGarbage;
                co_return in;
            case HeaderDecoder::Event::kCancel:
                in.kind = Incoming::Kind::kCancelled;
                co_return in;
        }
    }
}

Task<void> Link::skip_line_end() {
    for (int i = 0; i < 2; ++i) {
        const bool arrived = co_await input(kLineEndWaitMs);
        if (!arrived) co_return;
        if (!is_line_end(channel_.buffered()[0])) co_return;
        channel_.consume(1);
    }
    // Some senders add an XON; take it when it is already there.
    if (channel_.available() > 0 && (channel_.buffered()[0] & 0x7F) == kXon) channel_.consume(1);
}

Task<SubpacketIn> Link::read_subpacket(bool crc32) {
    push();
    subpacket_decoder_.start(crc32);
    SubpacketIn in;
    for (;;) {
        const bool arrived = co_await input(byte_timeout_ms_);
        if (!arrived) {
            in.kind = channel_.ended() ? SubpacketIn::Kind::kEnded : SubpacketIn::Kind::kTimeout;
            co_return in;
        }
        SubpacketDecoder::Event event;
        channel_.consume(subpacket_decoder_.feed(channel_.buffered(), &event));
        switch (event) {
            case SubpacketDecoder::Event::kMore:
                continue;
            case SubpacketDecoder::Event::kDone:
                in.kind = SubpacketIn::Kind::kData;
                in.end = subpacket_decoder_.end();
                in.data = subpacket_decoder_.data();
                co_return in;
            case SubpacketDecoder::Event::kBadCrc:
            case SubpacketDecoder::Event::kBadEscape:
            case SubpacketDecoder::Event::kTooLong:
                in.kind = SubpacketIn::Kind::kBad;
                co_return in;
            case SubpacketDecoder::Event::kCancel:
                in.kind = SubpacketIn::Kind::kCancelled;
                co_return in;
        }
    }
}

platform::ByteChannel::ReadableAwaiter Link::input(uint32_t wait_ms) {
    // Ready at once when bytes are there.
    return channel_.readable(deadline(wait_ms));
}

Task<int> Link::read_byte(uint32_t wait_ms) {
    push();
    const bool arrived = co_await input(wait_ms);
    if (!arrived) co_return -1;
    co_return channel_.take();
}

void Link::discard_input() {
    channel_.consume(channel_.available());
}

platform::Status Link::end_status() const {
    return channel_.end_status().ok()
               ? platform::Status::message(platform::MessageId::kConnectionClosed)
               : channel_.end_status();
}

Task<void> Link::cancel() {
    output_.assign(kCancelBytes, kCan);
    discard_input();
    co_await drain();  // a line that takes nothing more has nothing more to cancel
    int cans = 0;
    for (size_t seen = 0; cans < kCancelBytes && seen < kCancelEchoLimit; ++seen) {
        const int byte = co_await read_byte(kCancelEchoWaitMs);
        if (byte < 0) break;
        if (byte == kCan) ++cans;
    }
}

}  // namespace orvane::connection::zmodem

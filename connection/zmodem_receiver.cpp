#include "connection/zmodem_receiver.h"

#include <algorithm>

#include "connection/download_target.h"
#include "connection/transfer_progress.h"
#include "connection/zmodem_file_info.h"
#include "platform/clock.h"
#include "platform/directories.h"
#include "platform/file.h"

namespace orvane::connection {

namespace {

using platform::MessageId;
using platform::Status;
using platform::Task;
using namespace zmodem;

// Headers awaited for the next file before the transfer is given up.
constexpr int kInitTries = 15;
// Failures in a row within one file before it fails.
constexpr int kFileErrors = 10;
// The closing ZFIN is sent this often, each time awaiting the sender's "O".
constexpr int kFinTries = 4;
constexpr uint32_t kFinWaitMs = 10000;
constexpr uint32_t kLastByteWaitMs = 200;
// While the Download question is open, "*" goes out this often so that the
// sender does not give up.
constexpr uint32_t kKeepAliveMs = 2000;
// Names tried with "_1", "_2", ... when the user wants a new name.
constexpr int kRenameTries = 99;
constexpr uint32_t kZackPosition = 1;  // the answer to ZSINIT

bool is_end_of_frame(FrameEnd end) {
    return end == FrameEnd::kZcrce || end == FrameEnd::kZcrcw;
}
bool wants_ack(FrameEnd end) {
    return end == FrameEnd::kZcrcq || end == FrameEnd::kZcrcw;
}

class Receiver {
  public:
    Receiver(platform::ByteChannel& channel, platform::Policy& policy, ReceiveOptions options)
        : link_(channel, options.byte_timeout_ms),
          policy_(policy),
          options_(std::move(options)),
          progress_(policy, kDownloadTitle, channel.loop()) {}

    Task<ReceiveOutcome> run();

  private:
    // How one file ended, for the batch.
    enum class Next {
        kNextFile,     // done, failed alone or skipped: ZRINIT for the next one
        kAfterSkip,    // skipped: the sender's next header comes unasked
        kEndTransfer,  // outcome_.status says why
    };

    Task<Next> receive_file(const AnnouncedFile& announced);
    Task<Next> receive_data(DownloadTarget& target, const std::string& name,
                            const AnnouncedFile& announced, DownloadKind kind);
    Task<Next> complete_file(DownloadTarget& target, uint64_t position,
                             const AnnouncedFile& announced, DownloadKind kind);
    ExistingAction decide(const ExistingFile& existing, const AnnouncedFile& announced);
    std::string free_name(const std::string& folder, const std::string& name) const;
    Next skip(Status problem);
    Task<Next> end_transfer(Status why);
    Task<void> finish_session();

    void send(FrameType type, uint32_t position = 0) {
        link_.send_hex_header(Header::at(type, position));
    }
    void send_zrinit() {
        link_.send_hex_header({FrameType::kZrinit, zrinit_bytes(options_.window)});
    }

    Link link_;
    platform::Policy& policy_;
    ReceiveOptions options_;
    TransferProgress progress_;
    ReceiveOutcome outcome_;
};

Task<ReceiveOutcome> Receiver::run() {
    // Every header we send is a hex header, so the escaping mode that the
    // sender may ask for with ZSINIT changes nothing on our side.
    int tries = 0;
    bool send_init = true;
    for (;;) {
        if (progress_.cancel_requested()) {
            co_await end_transfer(Status::cancelled());
            break;
        }
        if (send_init) send_zrinit();
        send_init = true;
        const Incoming in = co_await link_.read_header();
        if (in.kind == Incoming::Kind::kCancelled) {
            outcome_.status = Status::message(MessageId::kZmodemPeerCancelled);
            break;
        }
        if (in.kind == Incoming::Kind::kEnded) {
            outcome_.status = link_.end_status();
            break;
        }
        if (in.is(FrameType::kZfin)) {
            co_await finish_session();
            break;
        }
        if (in.is(FrameType::kZsinit) || in.is(FrameType::kZfile)) {
            const SubpacketIn data = co_await link_.read_subpacket(in.crc32());
            if (data.kind == SubpacketIn::Kind::kCancelled) {
                outcome_.status = Status::message(MessageId::kZmodemPeerCancelled);
                break;
            }
            send_init = false;
            if (data.kind != SubpacketIn::Kind::kData || data.end != FrameEnd::kZcrcw) {
                send(FrameType::kZnak);
            } else if (in.is(FrameType::kZsinit)) {
                send(FrameType::kZack, kZackPosition);
            } else {
                const Next next = co_await receive_file(parse_file_info(data.data));
                if (next == Next::kEndTransfer) break;
                send_init = next == Next::kNextFile;
                tries = 0;
                continue;
            }
        }
        // ZRQINIT, a damaged header, silence or anything out of place:
        // ZRINIT again, a limited number of times.
        if (++tries >= kInitTries) {
            outcome_.status = Status::message(MessageId::kZmodemNoHeader);
            break;
        }
    }
    co_return std::move(outcome_);
}

Task<Receiver::Next> Receiver::receive_file(const AnnouncedFile& sent) {
    AnnouncedFile announced = sent;
    announced.name = clean_transfer_name(sent.name);
    if (announced.name.empty())
        co_return skip(file_status(MessageId::kZmodemUnusableName, sent.name));
    const DownloadKind kind = download_kind(announced.name);
    const std::string& folder = folder_for(options_.folders, kind);
    std::string path = platform::join_path(folder, announced.name);

    bool truncate = false;
    const ExistingFile existing = inspect_existing(path);
    if (existing.exists) {
        if (!existing.regular) co_return skip(file_status(MessageId::kZmodemNotRegularFile, path));
        switch (decide(existing, announced)) {
            case ExistingAction::kResume:
                break;
            case ExistingAction::kOverwrite:
                truncate = true;
                break;
            case ExistingAction::kRename:
                path = free_name(folder, announced.name);
                if (path.empty()) {
                    outcome_.skipped.push_back(platform::join_path(folder, announced.name));
                    co_return skip(Status());
                }
                break;
            case ExistingAction::kSkip:
                outcome_.skipped.push_back(path);
                co_return skip(Status());
        }
    }

    DownloadTarget target(link_.loop().env());
    if (int error = target.open(path, truncate))
        co_return skip(Status::file(MessageId::kCannotOpenFile, path, error));
    if (target.initial_size() > UINT32_MAX)
        co_return skip(file_status(MessageId::kZmodemFileTooLarge, path));
    progress_.begin_file(announced.name, announced.size.value_or(0));
    co_return co_await receive_data(target, announced.name, announced, kind);
}

ExistingAction Receiver::decide(const ExistingFile& existing, const AnnouncedFile& announced) {
    if (options_.existing != ExistingFileRule::kAsk)
        return decide_existing(options_.existing, policy_, existing, announced);
    // A front end that keeps the loop running while it asks lets this
    // keep the line open; one that blocks simply holds it.
    platform::EventLoop::Registration keep_alive =
        link_.loop().add_timer(kKeepAliveMs, kKeepAliveMs, [this] {
            const uint8_t star = kZpad;
            link_.send_raw({&star, 1});
            link_.push();
        });
    return decide_existing(options_.existing, policy_, existing, announced);
}

std::string Receiver::free_name(const std::string& folder, const std::string& name) const {
    for (int number = 1; number <= kRenameTries; ++number) {
        std::string path = platform::join_path(folder, numbered_name(name, number));
        if (!inspect_existing(path).exists) return path;
    }
    return {};
}

Receiver::Next Receiver::skip(Status problem) {
    if (!problem.ok()) outcome_.file_problems.push_back(std::move(problem));
    send(FrameType::kZskip);
    return Next::kAfterSkip;
}

Task<Receiver::Next> Receiver::receive_data(DownloadTarget& target, const std::string& name,
                                            const AnnouncedFile& announced, DownloadKind kind) {
    platform::EventLoop& loop = link_.loop();
    uint64_t position = target.initial_size();
    int errors = 0;
    uint32_t asked_at = loop.now();
    auto ask_position = [&] {
        send(FrameType::kZrpos, static_cast<uint32_t>(position));
        asked_at = loop.now();
    };
    auto recently_asked = [&] {
        return !platform::tick_reached(loop.now(), asked_at + link_.byte_timeout_ms());
    };
    ask_position();
    for (;;) {
        const Incoming in = co_await link_.read_header();
        bool ask_again = true;
        switch (in.kind) {
            case Incoming::Kind::kCancelled:
                co_return co_await end_transfer(Status::message(MessageId::kZmodemPeerCancelled));
            case Incoming::Kind::kEnded:
                co_return co_await end_transfer(link_.end_status());
            case Incoming::Kind::kGarbage:
            case Incoming::Kind::kBad:
                // Right after a ZRPOS, what still comes is the data the
                // sender sent before it heard us; ask again only when that
                // has gone on for a while (our ZRPOS may have been lost).
                ask_again = !recently_asked();
                break;
            case Incoming::Kind::kTimeout:
                break;
            case Incoming::Kind::kHeader:
                switch (in.header.type) {
                    case FrameType::kZdata:
                        if (in.header.position() != position) break;
                        for (;;) {
                            const SubpacketIn data = co_await link_.read_subpacket(in.crc32());
                            if (data.kind == SubpacketIn::Kind::kCancelled)
                                co_return co_await end_transfer(
                                    Status::message(MessageId::kZmodemPeerCancelled));
                            if (data.kind == SubpacketIn::Kind::kEnded)
                                co_return co_await end_transfer(link_.end_status());
                            if (data.kind != SubpacketIn::Kind::kData) break;
                            if (int error = target.write_at(position, data.data))
                                co_return co_await end_transfer(Status::file(
                                    MessageId::kCannotWriteFile, target.path(), error));
                            position += data.data.size();
                            errors = 0;
                            if (!progress_.update(position, data.data.size()))
                                co_return co_await end_transfer(Status::cancelled());
                            if (wants_ack(data.end))
                                send(FrameType::kZack, static_cast<uint32_t>(position));
                            if (is_end_of_frame(data.end)) {
                                ask_again = false;
                                break;
                            }
                        }
                        break;
                    case FrameType::kZeof:
                        if (in.header.position() == position)
                            co_return co_await complete_file(target, position, announced, kind);
                        // An end of file sent before our ZRPOS reached the
                        // sender is followed by the data we asked for; a
                        // later one means the sender did not hear us.
                        ask_again = !recently_asked();
                        break;
                    case FrameType::kZfile:
                    case FrameType::kZsinit: {
                        // The sender missed our answer; take its subpacket
                        // and tell it our position again.
                        const SubpacketIn again = co_await link_.read_subpacket(in.crc32());
                        if (again.kind == SubpacketIn::Kind::kCancelled)
                            co_return co_await end_transfer(
                                Status::message(MessageId::kZmodemPeerCancelled));
                        break;
                    }
                    case FrameType::kZfin:
                        co_await finish_session();
                        outcome_.status = file_status(MessageId::kZmodemPeerEnded, name);
                        co_return Next::kEndTransfer;
                    default:
                        break;
                }
                break;
        }
        if (!ask_again) continue;
        if (++errors >= kFileErrors)
            co_return co_await end_transfer(file_status(MessageId::kZmodemTooManyErrors, name));
        ask_position();
    }
}

Task<Receiver::Next> Receiver::complete_file(DownloadTarget& target, uint64_t position,
                                             const AnnouncedFile& announced, DownloadKind kind) {
    const std::string path = target.path();
    if (int error = target.finish(options_.sync_files))
        co_return co_await end_transfer(Status::file(MessageId::kCannotWriteFile, path, error));
    if (announced.modified > 0) {
        // The date is a courtesy; the file itself is complete without it.
        (void)platform::set_modification_time(path, announced.modified);
    }
    // A stop asked for now applies before the next file.
    (void)progress_.show_file_done(position);
    if (announced.size && position != *announced.size) {
        outcome_.file_problems.push_back(Status::message(
            MessageId::kZmodemLengthMismatch, {path, static_cast<unsigned long long>(position),
                                               static_cast<unsigned long long>(*announced.size)}));
        co_return Next::kNextFile;
    }
    outcome_.received.push_back(path);
    if ((kind == DownloadKind::kDowndump && options_.import_downdumps) ||
        kind == DownloadKind::kAddressBook)
        outcome_.to_import.push_back(path);
    if (options_.unzip_files && is_unpack_name(announced.name)) outcome_.to_unpack.push_back(path);
    co_return Next::kNextFile;
}

Task<Receiver::Next> Receiver::end_transfer(Status why) {
    // The sender cancelled already; otherwise tell it that we stop.
    if (why.id() != MessageId::kZmodemPeerCancelled) co_await link_.cancel();
    outcome_.status = std::move(why);
    co_return Next::kEndTransfer;
}

Task<void> Receiver::finish_session() {
    platform::EventLoop& loop = link_.loop();
    for (int attempt = 0; attempt < kFinTries; ++attempt) {
        send(FrameType::kZfin);
        const uint32_t deadline = loop.now() + kFinWaitMs;
        for (;;) {
            const uint32_t left = platform::ticks_until(loop.now(), deadline);
            if (left == 0) break;
            const int byte = co_await link_.read_byte(left);
            if (byte == 'O') {
                co_await link_.read_byte(kLastByteWaitMs);  // the second "O"
                co_return;
            }
            if (byte < 0) break;
        }
        if (link_.channel().ended()) co_return;
    }
}

}  // namespace

std::array<uint8_t, 4> zrinit_bytes(uint32_t window) {
    const uint32_t kib = std::min<uint32_t>((window + 512) / 1024, 255);
    const uint8_t capabilities = kCanFullDuplex | kCanOverlapIo | kCanCrc32 | kEscapeControl;
    return {0x20, static_cast<uint8_t>(kib), kBlockLengthInKiB, capabilities};
}

Task<ReceiveOutcome> receive_files(platform::ByteChannel& channel, platform::Policy& policy,
                                   ReceiveOptions options) {
    Receiver receiver(channel, policy, std::move(options));
    co_return co_await receiver.run();
}

}  // namespace orvane::connection

#include "connection/telnet_connection.h"

#include <cerrno>
#include <cstring>

#include "connection/telnet_options.h"
#include "connection/telnet_protocol.h"
#include "platform/clock.h"
#include "platform/resource_strings.h"

namespace orvane::connection {

using platform::EventLoop;
using platform::MessageId;
using platform::Status;

namespace {

constexpr size_t kReadPiece = 65536;

Status socket_failure(int error) {
    return Status::message(MessageId::kConnectionFailed, {std::strerror(error)});
}

// The reason that a failure of the TLS layer (kConnectionFailed) carries.
std::string reason_of(const Status& failure) {
    return failure.args().empty() ? failure.text() : failure.args()[0].as_text();
}

}  // namespace

TelnetConnection::TelnetConnection(EventLoop& loop, int fd, std::string endpoint,
                                   std::string address, TelnetSettings settings)
    : ByteChannel(loop),
      fd_(fd),
      endpoint_(std::move(endpoint)),
      address_(std::move(address)),
      settings_(std::move(settings)),
      local_echo_(settings_.local_echo) {
    reading_ = loop.watch(fd_, platform::kFdRead | platform::kFdClose,
                          [this](uint32_t, int) { on_socket_event(); });
}

TelnetConnection::~TelnetConnection() {
    if (open()) loop().env().close(fd_);
}

void TelnetConnection::resume_input() {
    if (open()) loop().set_watch_events(reading_, platform::kFdRead | platform::kFdClose);
}

// --- Receiving ---

void TelnetConnection::on_socket_event() {
    if (available() + data_.size() >= kReceiveLimit) {
        // The reader is behind: the rest waits in the socket until the
        // pending delivery (or the reader taking bytes) reads on.
        loop().set_watch_events(reading_, 0);
        return;
    }
    uint8_t piece[kReadPiece];
    size_t got = 0;
    const int error = loop().env().read(fd_, piece, sizeof piece, &got);
    if (error == EAGAIN || error == EWOULDBLOCK || error == EINTR) return;
    if (error || got == 0) {
        socket_ended(error);
        return;
    }
    process_received({piece, got});
}

void TelnetConnection::socket_ended(int error) {
    switch (security_) {
        case Security::kPlain:
            shut(error ? socket_failure(error) : Status());
            break;
        case Security::kHandshake:
            if (error) {
                handshake_failed(std::strerror(error));
            } else {
                tls_->input_ended();
                handshake_step();
            }
            break;
        case Security::kEncrypted:
            if (error) {
                shut(socket_failure(error));
            } else {
                tls_->input_ended();
                read_encrypted();
            }
            break;
    }
}

void TelnetConnection::process_received(std::span<const uint8_t> bytes) {
    switch (security_) {
        case Security::kPlain:
            process_telnet(bytes);
            break;
        case Security::kHandshake:
            tls_->received(bytes);
            handshake_step();
            break;
        case Security::kEncrypted:
            tls_->received(bytes);
            read_encrypted();
            break;
    }
}

void TelnetConnection::process_telnet(std::span<const uint8_t> bytes) {
    size_t at = 0;
    while (at < bytes.size() && open()) {
        std::optional<OptionRequest> request;
        at += parser_.feed(bytes.subspan(at), &data_, &request);
        if (!request) continue;
        answer(*request);
        if (security_ == Security::kHandshake) {
            // What follows the request is the server's side of the handshake.
            tls_->received(bytes.subspan(at));
            break;
        }
    }
    if (!data_.empty()) notify_later();
    if (open() && security_ == Security::kHandshake) handshake_step();
}

void TelnetConnection::answer(const OptionRequest& request) {
    if (request.verb == telnet::kDo && request.option == telnet::kStartTls) tls_offered_ = true;
    const bool tls_possible = settings_.tls && security_ == Security::kPlain;
    const OptionAnswer reaction = answer_option(request, tls_possible);
    if (reaction.echo == EchoChange::kLocalEchoOff) local_echo_ = false;
    if (reaction.echo == EchoChange::kLocalEchoOn) local_echo_ = true;
    if (reaction.reply) {
        std::vector<uint8_t> reply;
        append_telnet_command(&reply, reaction.reply->verb, reaction.reply->option);
        send_telnet(reply);
    }
    if (reaction.start_tls && open()) start_handshake();
}

// --- TLS ---

void TelnetConnection::start_handshake() {
    auto session = TlsSession::create();
    if (!session.ok()) {
        handshake_failed(reason_of(session.status()));
        return;
    }
    tls_ = std::move(*session);
    security_ = Security::kHandshake;
    handshake_deadline_ = loop().now() + settings_.handshake_limit_ms;
    slice_timer_ = loop().add_timer(settings_.handshake_slice_ms, settings_.handshake_slice_ms,
                                    [this] { handshake_step(); });
    limit_timer_ = loop().add_timer(settings_.handshake_limit_ms, 0, [this] { handshake_step(); });
}

void TelnetConnection::handshake_step() {
    if (!open() || security_ != Security::kHandshake) return;
    auto step = tls_->handshake();
    tls_->take_output(&wire_);
    flush_wire();
    if (!open()) return;
    if (!step.ok()) {
        handshake_failed(reason_of(step.status()));
        return;
    }
    if (!*step) {
        if (platform::tick_reached(loop().now(), handshake_deadline_)) {
            const int seconds = static_cast<int>((settings_.handshake_limit_ms + 999) / 1000);
            handshake_failed(platform::format_message(
                platform::resource_string(MessageId::kNoAnswerWithin), {seconds}));
        }
        return;
    }

    slice_timer_.cancel();
    limit_timer_.cancel();
    security_ = Security::kEncrypted;
    tls_version_ = tls_->version();
    peer_certificate_ = tls_->peer_fingerprint();
    if (Status trust = check_certificate(); !trust.ok()) {
        shut(std::move(trust));
        return;
    }
    if (settings_.secured) settings_.secured(*this);
    if (!open()) return;
    if (!held_.empty()) {
        std::vector<uint8_t> held;
        held.swap(held_);
        send_telnet(held);
    }
    // The server's first data may have come with its last handshake message.
    if (open()) read_encrypted();
}

void TelnetConnection::handshake_failed(const std::string& reason) {
    shut(Status::message(MessageId::kSecureConnectionFailed, {endpoint_, reason}));
}

Status TelnetConnection::check_certificate() const {
    if (settings_.inspect_only || !settings_.pinned_certificate) return Status();
    if (*settings_.pinned_certificate == peer_certificate_) return Status();
    return Status::message(
        MessageId::kCertificateChanged,
        {endpoint_, *settings_.pinned_certificate,
         peer_certificate_.empty() ? std::string("none") : peer_certificate_, endpoint_});
}

void TelnetConnection::read_encrypted() {
    std::vector<uint8_t> plain;
    auto result = tls_->read(&plain);
    tls_->take_output(&wire_);
    flush_wire();
    if (!plain.empty() && open()) process_telnet(plain);
    if (!open()) return;
    if (!result.ok()) {
        shut(result.take_status());
    } else if (*result) {
        // The server ended the TLS session: answer its closing alert.
        tls_->shutdown();
        tls_->take_output(&wire_);
        flush_wire();
        shut(Status());
    }
}

// --- Sending ---

Status TelnetConnection::write(std::span<const uint8_t> bytes) {
    std::vector<uint8_t> encoded;
    append_telnet_data(&encoded, bytes);
    return send_data(encoded);
}

Status TelnetConnection::send_text(std::string_view text, bool line_end) {
    std::vector<uint8_t> encoded;
    append_telnet_data(&encoded, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
    if (line_end) append_line_end(&encoded, negotiated_);
    return send_data(encoded);
}

Status TelnetConnection::send_command(uint8_t verb, uint8_t option) {
    if (!open()) return closed_status();
    std::vector<uint8_t> command;
    append_telnet_command(&command, verb, option);
    send_telnet(command);
    return open() ? Status() : closed_status();
}

Status TelnetConnection::send_option_offers() {
    if (negotiated_) return Status();
    if (!open()) return closed_status();
    send_telnet(client_option_offers(settings_.local_echo));
    negotiated_ = true;
    return open() ? Status() : closed_status();
}

Status TelnetConnection::apply_local_echo_setting(bool on) {
    settings_.local_echo = on;
    local_echo_ = on;
    return send_command(on ? telnet::kDont : telnet::kDo, telnet::kEcho);
}

Status TelnetConnection::send_data(std::span<const uint8_t> bytes) {
    if (!open()) return closed_status();
    const bool tls_required =
        settings_.tls && settings_.pinned_certificate && !settings_.inspect_only;
    if (tls_required && security_ == Security::kPlain) {
        Status refusal = Status::message(MessageId::kSecureConnectionNotOffered,
                                         {endpoint_, *settings_.pinned_certificate, endpoint_});
        shut(refusal);
        return refusal;
    }
    send_telnet(bytes);
    return open() ? Status() : closed_status();
}

void TelnetConnection::send_telnet(std::span<const uint8_t> bytes) {
    if (!open() || bytes.empty()) return;
    switch (security_) {
        case Security::kHandshake:
            held_.insert(held_.end(), bytes.begin(), bytes.end());
            return;
        case Security::kEncrypted:
            if (Status written = tls_->write(bytes); !written.ok()) {
                shut(std::move(written));
                return;
            }
            tls_->take_output(&wire_);
            break;
        case Security::kPlain:
            wire_.insert(wire_.end(), bytes.begin(), bytes.end());
            break;
    }
    flush_wire();
}

size_t TelnetConnection::unsent() const {
    return held_.size() + (wire_.size() - wire_sent_);
}

void TelnetConnection::flush_wire() {
    while (open() && wire_sent_ < wire_.size()) {
        size_t put = 0;
        const int error =
            loop().env().write(fd_, wire_.data() + wire_sent_, wire_.size() - wire_sent_, &put);
        if (error == EINTR) continue;
        if (error == EAGAIN || error == EWOULDBLOCK) break;
        if (error) {
            shut(socket_failure(error));
            return;
        }
        wire_sent_ += put;
    }
    if (!open()) return;
    if (wire_sent_ == wire_.size()) {
        wire_.clear();
        wire_sent_ = 0;
        writing_.cancel();
    } else {
        if (wire_sent_ > wire_.size() / 2) {
            wire_.erase(wire_.begin(), wire_.begin() + static_cast<ptrdiff_t>(wire_sent_));
            wire_sent_ = 0;
        }
        if (!writing_.active()) {
            writing_ =
                loop().watch(fd_, platform::kFdWrite, [this](uint32_t, int) { flush_wire(); });
        }
    }
    notify_later();  // a writer may wait for room
}

// --- Ending ---

void TelnetConnection::close() {
    if (!open()) return;
    if (security_ == Security::kEncrypted) {
        tls_->shutdown();
        tls_->take_output(&wire_);
        flush_wire();
    }
    shut(Status());
}

void TelnetConnection::shut(Status why) {
    if (!open()) return;  // the first reason stands
    reading_.cancel();
    writing_.cancel();
    slice_timer_.cancel();
    limit_timer_.cancel();
    loop().env().close(fd_);
    fd_ = -1;
    held_.clear();
    wire_.clear();
    wire_sent_ = 0;
    ending_ = std::move(why);
    notify_later();
}

Status TelnetConnection::closed_status() const {
    const Status& why = ended() ? end_status() : ending_.value_or(Status());
    return why.ok() ? Status::message(MessageId::kConnectionClosed) : why;
}

// --- Telling the reader and the writer ---

void TelnetConnection::notify_later() {
    if (notifying_) return;
    notifying_ = true;
    loop().defer([alive = std::weak_ptr<bool>(alive_), this] {
        if (alive.expired()) return;
        notifying_ = false;
        notify();
    });
}

void TelnetConnection::notify() {
    const std::weak_ptr<bool> alive = alive_;
    if (!data_.empty()) {
        std::vector<uint8_t> data;
        data.swap(data_);
        deliver(data);
        if (alive.expired()) return;
        // Read on while the reader keeps up; consume() resumes it otherwise.
        if (open()) {
            loop().set_watch_events(reading_,
                                    input_paused() ? 0 : platform::kFdRead | platform::kFdClose);
        }
    }
    output_progress();
    if (alive.expired()) return;
    if (ending_) finish(*std::exchange(ending_, std::nullopt));
}

}  // namespace orvane::connection

// One Telnet connection to a node over TCP, optionally switched to TLS
// inside the Telnet session when the server asks for START_TLS. It is a
// ByteChannel, so the session, Zmodem and the terminal read the server's
// data with the Telnet commands already taken out, and write data that is
// escaped for Telnet on the way out.
//
// Shape: a state machine driven by the loop's socket events and timers.
// Received bytes go through TLS when it runs, then through the Telnet
// parser; the parser's option requests are answered at once, and the data
// is delivered to the channel's buffer. Sending queues the bytes and writes
// what the socket takes, watching for room for the rest.
//
// TLS: when the server sends DO START_TLS and the settings allow it, the
// client answers WILL START_TLS and starts the handshake right away; the
// bytes after the request already belong to TLS. The handshake is retried
// every slice (1000 ms) and given a limit (10 s) in all. A failed or
// overdue handshake closes the connection with a message: once the client
// has agreed to TLS it never goes on in plain text, where the password
// would follow unencrypted. While the handshake runs, what the client
// sends is held and goes out encrypted after it.
//
// Pinning: with a certificate stored for the endpoint, a different one is
// refused, and so is sending in plain text (the endpoint offered TLS before
// and has not done so this time). Both refusals close the connection and
// name the command that accepts the change.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "connection/telnet_parser.h"
#include "connection/tls_session.h"
#include "platform/byte_channel.h"

namespace orvane::connection {

class TelnetConnection;

struct TelnetSettings {
    // [Login] "TLS": take up the server's START_TLS request.
    bool tls = true;
    // [Login] "Local Echo": the terminal echoes typed characters itself
    // until the server says it echoes.
    bool local_echo = true;
    uint32_t handshake_limit_ms = 10000;
    uint32_t handshake_slice_ms = 1000;
    // The certificate stored for this endpoint, if any: TLS is then
    // required and must show this certificate.
    std::optional<std::string> pinned_certificate;
    // Look at what the server offers without refusing anything (for
    // accepting a changed certificate).
    bool inspect_only = false;
    // Told when the connection has become encrypted (for storing the
    // certificate on first use, and for the status line).
    std::function<void(TelnetConnection&)> secured;
};

class TelnetConnection : public platform::ByteChannel {
  public:
    enum class Security { kPlain, kHandshake, kEncrypted };

    // Takes over `fd`, a connected stream socket. `endpoint` is the text
    // that was connected to (for messages), `address` the address shown.
    TelnetConnection(platform::EventLoop& loop, int fd, std::string endpoint, std::string address,
                     TelnetSettings settings);
    ~TelnetConnection() override;

    // --- ByteChannel ---
    // Sends data; every byte 255 goes out doubled.
    [[nodiscard]] platform::Status write(std::span<const uint8_t> bytes) override;
    size_t unsent() const override;
    // Ends the connection from this side (with TLS: its closing alert first).
    void close() override;

    // --- Telnet ---
    // Sends `text` as data, then the line end when asked: CR NUL until the
    // client's option offers have been sent, CR alone after them.
    [[nodiscard]] platform::Status send_text(std::string_view text, bool line_end);
    // Sends IAC `verb` `option`.
    [[nodiscard]] platform::Status send_command(uint8_t verb, uint8_t option);
    // Sends the client's option offers; only the first call per connection
    // does anything.
    [[nodiscard]] platform::Status send_option_offers();
    // The user changed the "Local Echo" setting during the connection.
    [[nodiscard]] platform::Status apply_local_echo_setting(bool on);

    bool negotiated() const { return negotiated_; }
    // Whether typed characters are to be echoed by the terminal itself.
    bool local_echo() const { return local_echo_; }
    Security security() const { return security_; }
    // After the handshake: "TLSv1.2" or "TLSv1.3", and the SHA-256
    // fingerprint of the server's certificate.
    const std::string& tls_version() const { return tls_version_; }
    const std::string& peer_certificate() const { return peer_certificate_; }
    // Whether the server asked for START_TLS.
    bool tls_offered() const { return tls_offered_; }
    const std::string& endpoint() const { return endpoint_; }
    const std::string& address() const { return address_; }

  private:
    void on_socket_event();
    void resume_input() override;
    void process_received(std::span<const uint8_t> bytes);
    void process_telnet(std::span<const uint8_t> bytes);
    void answer(const OptionRequest& request);
    void socket_ended(int error);

    void start_handshake();
    void handshake_step();
    void handshake_failed(const std::string& reason);
    void read_encrypted();
    platform::Status check_certificate() const;

    // Telnet bytes for the server: held during the handshake, encrypted
    // once TLS runs, else as they are.
    void send_telnet(std::span<const uint8_t> bytes);
    // Application data: refused in plain text when TLS is required.
    [[nodiscard]] platform::Status send_data(std::span<const uint8_t> bytes);
    void flush_wire();
    // Closes the socket and ends the channel with `why`.
    void shut(platform::Status why);
    bool open() const { return fd_ >= 0; }
    // Why sending is no longer possible.
    platform::Status closed_status() const;
    // New data, room in the output and the end reach the channel's reader
    // and writer from the loop, never inside the connection's own work: a
    // reader may close or even destroy the connection when it wakes.
    void notify_later();
    void notify();

    int fd_;
    std::string endpoint_;
    std::string address_;
    TelnetSettings settings_;
    TelnetParser parser_;
    bool negotiated_ = false;
    bool local_echo_;
    bool tls_offered_ = false;
    Security security_ = Security::kPlain;
    std::unique_ptr<TlsSession> tls_;
    uint32_t handshake_deadline_ = 0;
    std::string tls_version_;
    std::string peer_certificate_;

    std::vector<uint8_t> data_;  // parsed data not yet delivered
    std::vector<uint8_t> held_;  // Telnet bytes waiting for the handshake to end
    std::vector<uint8_t> wire_;  // bytes for the socket
    size_t wire_sent_ = 0;

    std::optional<platform::Status> ending_;  // the end, once the data before it is delivered
    bool notifying_ = false;
    std::shared_ptr<bool> alive_ = std::make_shared<bool>(true);

    platform::EventLoop::Registration reading_;
    platform::EventLoop::Registration writing_;
    platform::EventLoop::Registration slice_timer_;
    platform::EventLoop::Registration limit_timer_;
};

}  // namespace orvane::connection

// TLS inside the Telnet connection, with wolfSSL. The library never touches
// the socket: the connection hands it the bytes that arrived and takes the
// bytes to send, through the context's own receive and send functions. One
// client context serves the whole run; it offers TLS 1.2 and 1.3 (the
// server chooses) and does not verify certificates, since nodes use their
// own: the connection pins them instead (certificate_pins.h).
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "platform/status.h"

namespace orvane::connection {

class TlsSession {
  public:
    // A session on the client context, which is made on first use; a
    // failure when the library cannot give one.
    static platform::Result<std::unique_ptr<TlsSession>> create();
    ~TlsSession();
    TlsSession(const TlsSession&) = delete;
    TlsSession& operator=(const TlsSession&) = delete;

    // Bytes that came from the server.
    void received(std::span<const uint8_t> bytes);
    // The server's side of the socket has ended: no more bytes will come.
    void input_ended() { input_ended_ = true; }

    // One step of the handshake: true once it is complete, false while it
    // waits for more bytes from the server; a failure with its reason.
    platform::Result<bool> handshake();

    // Decrypts everything that can be decrypted now, appending it to
    // `*plain`. True when the server ended the session (close_notify or
    // the end of its input); a failure with its reason.
    platform::Result<bool> read(std::vector<uint8_t>* plain);
    // Encrypts `plain` for the server.
    [[nodiscard]] platform::Status write(std::span<const uint8_t> plain);
    // Queues the close_notify alert.
    void shutdown();

    // Moves the bytes waiting to be sent to the end of `*wire`.
    void take_output(std::vector<uint8_t>* wire);

    // After the handshake: the SHA-256 fingerprint of the server's
    // certificate ("AB:CD:...", as openssl shows it), empty when the server
    // sent none; and the protocol version ("TLSv1.3").
    std::string peer_fingerprint() const;
    std::string version() const;

  private:
    struct Handle;
    friend struct TlsIo;
    TlsSession();
    // The reason of wolfSSL's last failure of a call that returned `result`.
    std::string failure_reason(int result) const;

    std::unique_ptr<Handle> handle_;
    std::vector<uint8_t> input_;
    size_t input_start_ = 0;
    bool input_ended_ = false;
    std::vector<uint8_t> output_;
};

// "AB:CD:..." for the SHA-256 of `der`.
std::string sha256_fingerprint(std::span<const uint8_t> der);

}  // namespace orvane::connection

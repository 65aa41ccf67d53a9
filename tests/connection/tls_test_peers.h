// TLS peers for the tests: certificates made with `openssl req`, and the
// server side of TLS inside Telnet with wolfSSL, for the scripts of a
// LoopbackServer (blocking sockets, in the server's thread).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "tests/connection/telnet_test_server.h"

struct WOLFSSL;

namespace orvane::connection::testing {

struct TestCertificate {
    std::string certificate_path;
    std::string key_path;
    // As `openssl x509 -fingerprint -sha256` shows it: "AB:CD:...".
    std::string fingerprint;
};

// A fresh self-signed certificate in `directory`, named `name`.
std::optional<TestCertificate> make_certificate(const std::string& directory,
                                                const std::string& name);

// Starts wolfSSL once, before any thread uses it.
void start_tls_library();

enum class TlsVersion { k12, k13 };

// The server's side: DO START_TLS, WILL START_TLS from the client, then the
// handshake. Every call gives up after a few seconds.
class TlsServerSide {
  public:
    // Called with every piece the server's TLS layer sends; returning false
    // cuts the connection there (for closing in the middle of the handshake).
    using SendFilter = std::function<bool(size_t offset, size_t length)>;

    TlsServerSide(int fd, const TestCertificate& certificate, TlsVersion version,
                  SendFilter filter = {});
    ~TlsServerSide();
    TlsServerSide(const TlsServerSide&) = delete;
    TlsServerSide& operator=(const TlsServerSide&) = delete;

    // Whether the client agreed to START_TLS and the handshake succeeded.
    bool secure() const { return secure_; }
    // What the client sent in plain text before its WILL START_TLS.
    const Bytes& plain_before() const { return plain_before_; }
    // Bytes the TLS layer sent to the client in all.
    size_t sent() const { return sent_; }

    void write(const Bytes& bytes);
    // Decrypted bytes until `wanted`, the end, or the timeout.
    Bytes read_until(const Bytes& wanted);
    // Decrypted bytes until the client closes.
    Bytes read_to_end();

  private:
    struct State;
    static int send_callback(WOLFSSL* ssl, char* buffer, int size, void* context);
    std::unique_ptr<State> state_;
    int fd_;
    bool secure_ = false;
    Bytes plain_before_;
    size_t sent_ = 0;
    SendFilter filter_;
};

}  // namespace orvane::connection::testing

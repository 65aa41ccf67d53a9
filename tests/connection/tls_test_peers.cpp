#include "tests/connection/tls_test_peers.h"

// clang-format off
#include <wolfssl/options.h>
#include <wolfssl/ssl.h>
// clang-format on

#include <sys/socket.h>
#include <sys/time.h>

#include <cstdio>
#include <fstream>
#include <sstream>

namespace orvane::connection::testing {

namespace {

std::string run_command(const std::string& command) {
    std::string output;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return output;
    char piece[256];
    while (std::fgets(piece, sizeof piece, pipe)) output += piece;
    ::pclose(pipe);
    return output;
}

}  // namespace

std::optional<TestCertificate> make_certificate(const std::string& directory,
                                                const std::string& name) {
    TestCertificate made;
    made.certificate_path = directory + "/" + name + ".pem";
    made.key_path = directory + "/" + name + ".key";
    const std::string request =
        "openssl req -x509 -newkey ec -pkeyopt ec_paramgen_curve:prime256v1 "
        "-nodes -days 2 -subj /CN=" +
        name + " -keyout " + made.key_path + " -out " + made.certificate_path + " 2>/dev/null";
    if (std::system(request.c_str()) != 0) return std::nullopt;
    const std::string shown =
        run_command("openssl x509 -noout -fingerprint -sha256 -in " + made.certificate_path);
    const size_t equals = shown.find('=');
    if (equals == std::string::npos) return std::nullopt;
    made.fingerprint = shown.substr(equals + 1);
    while (!made.fingerprint.empty() &&
           std::isspace(static_cast<unsigned char>(made.fingerprint.back()))) {
        made.fingerprint.pop_back();
    }
    return made;
}

void start_tls_library() {
    static const bool started = wolfSSL_Init() == WOLFSSL_SUCCESS;
    (void)started;
}

struct TlsServerSide::State {
    WOLFSSL_CTX* context = nullptr;
    WOLFSSL* ssl = nullptr;
    ~State() {
        if (ssl) wolfSSL_free(ssl);
        if (context) wolfSSL_CTX_free(context);
    }
};

int TlsServerSide::send_callback(WOLFSSL*, char* buffer, int size, void* context) {
    auto* side = static_cast<TlsServerSide*>(context);
    if (side->filter_ && !side->filter_(side->sent_, static_cast<size_t>(size))) {
        ::shutdown(side->fd_, SHUT_RDWR);
        return WOLFSSL_CBIO_ERR_CONN_CLOSE;
    }
    const ssize_t put = ::send(side->fd_, buffer, static_cast<size_t>(size), MSG_NOSIGNAL);
    if (put <= 0) return WOLFSSL_CBIO_ERR_CONN_CLOSE;
    side->sent_ += static_cast<size_t>(put);
    return static_cast<int>(put);
}

TlsServerSide::TlsServerSide(int fd, const TestCertificate& certificate, TlsVersion version,
                             SendFilter filter)
    : state_(std::make_unique<State>()), fd_(fd), filter_(std::move(filter)) {
    timeval limit{5, 0};
    ::setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
    ::setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
    send_all(fd, {255, 253, 46});
    const Bytes agreed = {255, 251, 46};
    plain_before_ = testing::read_until(fd, agreed);
    if (plain_before_.size() < agreed.size() ||
        !std::equal(agreed.begin(), agreed.end(), plain_before_.end() - 3)) {
        return;
    }
    plain_before_.resize(plain_before_.size() - 3);
    state_->context = wolfSSL_CTX_new(version == TlsVersion::k13 ? wolfTLSv1_3_server_method()
                                                                 : wolfTLSv1_2_server_method());
    if (!state_->context ||
        wolfSSL_CTX_use_certificate_file(state_->context, certificate.certificate_path.c_str(),
                                         WOLFSSL_FILETYPE_PEM) != WOLFSSL_SUCCESS ||
        wolfSSL_CTX_use_PrivateKey_file(state_->context, certificate.key_path.c_str(),
                                        WOLFSSL_FILETYPE_PEM) != WOLFSSL_SUCCESS) {
        return;
    }
    state_->ssl = wolfSSL_new(state_->context);
    wolfSSL_set_fd(state_->ssl, fd);
    wolfSSL_SSLSetIOSend(state_->ssl, send_callback);
    wolfSSL_SetIOWriteCtx(state_->ssl, this);
    secure_ = wolfSSL_accept(state_->ssl) == WOLFSSL_SUCCESS;
}

TlsServerSide::~TlsServerSide() = default;

void TlsServerSide::write(const Bytes& bytes) {
    if (secure_) wolfSSL_write(state_->ssl, bytes.data(), static_cast<int>(bytes.size()));
}

Bytes TlsServerSide::read_until(const Bytes& wanted) {
    Bytes bytes;
    uint8_t byte = 0;
    while (secure_ && wolfSSL_read(state_->ssl, &byte, 1) == 1) {
        bytes.push_back(byte);
        if (bytes.size() >= wanted.size() &&
            std::equal(wanted.begin(), wanted.end(),
                       bytes.end() - static_cast<ptrdiff_t>(wanted.size()))) {
            break;
        }
    }
    return bytes;
}

Bytes TlsServerSide::read_to_end() {
    Bytes bytes;
    uint8_t piece[4096];
    for (;;) {
        const int got = secure_ ? wolfSSL_read(state_->ssl, piece, sizeof piece) : 0;
        if (got <= 0) return bytes;
        bytes.insert(bytes.end(), piece, piece + got);
    }
}

}  // namespace orvane::connection::testing

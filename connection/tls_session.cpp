#include "connection/tls_session.h"

// clang-format off
#include <wolfssl/options.h>
#include <wolfssl/ssl.h>
#include <wolfssl/wolfcrypt/hash.h>
// clang-format on

#include <cstring>

#include "platform/resource_strings.h"

namespace orvane::connection {

using platform::MessageId;
using platform::Result;
using platform::Status;

// The wolfSSL callbacks: the session is their context.
struct TlsIo {
    static int receive(WOLFSSL*, char* buffer, int size, void* context) {
        auto* session = static_cast<TlsSession*>(context);
        const size_t waiting = session->input_.size() - session->input_start_;
        if (waiting == 0) {
            return session->input_ended_ ? WOLFSSL_CBIO_ERR_CONN_CLOSE : WOLFSSL_CBIO_ERR_WANT_READ;
        }
        const size_t count = std::min(waiting, static_cast<size_t>(size));
        std::memcpy(buffer, session->input_.data() + session->input_start_, count);
        session->input_start_ += count;
        if (session->input_start_ == session->input_.size()) {
            session->input_.clear();
            session->input_start_ = 0;
        }
        return static_cast<int>(count);
    }

    // Everything is taken at once; the connection sends it when the socket
    // allows, so the library never has to wait for the socket.
    static int send(WOLFSSL*, char* buffer, int size, void* context) {
        auto* session = static_cast<TlsSession*>(context);
        session->output_.insert(session->output_.end(), buffer, buffer + size);
        return size;
    }
};

namespace {

// The client context of the run, made once.
WOLFSSL_CTX* client_context() {
    static WOLFSSL_CTX* context = []() -> WOLFSSL_CTX* {
        if (wolfSSL_Init() != WOLFSSL_SUCCESS) return nullptr;
        WOLFSSL_CTX* made = wolfSSL_CTX_new(wolfSSLv23_client_method());
        if (!made) return nullptr;
        if (wolfSSL_CTX_SetMinVersion(made, WOLFSSL_TLSV1_2) != WOLFSSL_SUCCESS) {
            wolfSSL_CTX_free(made);
            return nullptr;
        }
        wolfSSL_CTX_set_verify(made, WOLFSSL_VERIFY_NONE, nullptr);
        wolfSSL_CTX_SetIORecv(made, TlsIo::receive);
        wolfSSL_CTX_SetIOSend(made, TlsIo::send);
        return made;
    }();
    return context;
}

}  // namespace

struct TlsSession::Handle {
    WOLFSSL* ssl = nullptr;
    ~Handle() {
        if (ssl) wolfSSL_free(ssl);
    }
};

TlsSession::TlsSession() : handle_(std::make_unique<Handle>()) {}

TlsSession::~TlsSession() = default;

Result<std::unique_ptr<TlsSession>> TlsSession::create() {
    WOLFSSL_CTX* context = client_context();
    std::unique_ptr<TlsSession> session(new TlsSession());
    if (context) session->handle_->ssl = wolfSSL_new(context);
    if (!session->handle_->ssl) {
        return Status::message(MessageId::kConnectionFailed, {"the TLS library could not start"});
    }
    wolfSSL_SetIOReadCtx(session->handle_->ssl, session.get());
    wolfSSL_SetIOWriteCtx(session->handle_->ssl, session.get());
    wolfSSL_set_using_nonblock(session->handle_->ssl, 1);
    return session;
}

void TlsSession::received(std::span<const uint8_t> bytes) {
    input_.insert(input_.end(), bytes.begin(), bytes.end());
}

std::string TlsSession::failure_reason(int result) const {
    const int error = wolfSSL_get_error(handle_->ssl, result);
    if (input_ended_ && input_start_ == input_.size() &&
        (error == SOCKET_PEER_CLOSED_E || error == WOLFSSL_ERROR_SYSCALL ||
         error == WOLFSSL_ERROR_ZERO_RETURN)) {
        return platform::resource_string(MessageId::kServerClosedConnection);
    }
    char text[WOLFSSL_MAX_ERROR_SZ] = {};
    wolfSSL_ERR_error_string_n(static_cast<unsigned long>(error), text, sizeof text);
    return text;
}

Result<bool> TlsSession::handshake() {
    const int result = wolfSSL_connect(handle_->ssl);
    if (result == WOLFSSL_SUCCESS) return true;
    const int error = wolfSSL_get_error(handle_->ssl, result);
    if ((error == WOLFSSL_ERROR_WANT_READ || error == WOLFSSL_ERROR_WANT_WRITE) && !input_ended_) {
        return false;
    }
    return Status::message(MessageId::kConnectionFailed, {failure_reason(result)});
}

Result<bool> TlsSession::read(std::vector<uint8_t>* plain) {
    uint8_t piece[16384];
    for (;;) {
        const int result = wolfSSL_read(handle_->ssl, piece, sizeof piece);
        if (result > 0) {
            plain->insert(plain->end(), piece, piece + result);
            continue;
        }
        const int error = wolfSSL_get_error(handle_->ssl, result);
        if (error == WOLFSSL_ERROR_WANT_READ || error == WOLFSSL_ERROR_WANT_WRITE) {
            if (!input_ended_) return false;
        }
        if (error == WOLFSSL_ERROR_ZERO_RETURN || input_ended_) return true;
        return Status::message(MessageId::kConnectionFailed, {failure_reason(result)});
    }
}

Status TlsSession::write(std::span<const uint8_t> plain) {
    size_t done = 0;
    while (done < plain.size()) {
        const int piece = static_cast<int>(std::min<size_t>(plain.size() - done, 16384));
        const int result = wolfSSL_write(handle_->ssl, plain.data() + done, piece);
        if (result <= 0)
            return Status::message(MessageId::kConnectionFailed, {failure_reason(result)});
        done += static_cast<size_t>(result);
    }
    return Status();
}

void TlsSession::shutdown() {
    // A close_notify that cannot be made changes nothing for the server,
    // which sees the socket close right after.
    (void)wolfSSL_shutdown(handle_->ssl);
}

void TlsSession::take_output(std::vector<uint8_t>* wire) {
    if (wire->empty()) {
        wire->swap(output_);
    } else {
        wire->insert(wire->end(), output_.begin(), output_.end());
    }
    output_.clear();
}

std::string TlsSession::peer_fingerprint() const {
    WOLFSSL_X509_CHAIN* chain = wolfSSL_get_peer_chain(handle_->ssl);
    if (!chain || wolfSSL_get_chain_count(chain) < 1) return {};
    const unsigned char* der = wolfSSL_get_chain_cert(chain, 0);
    const int length = wolfSSL_get_chain_length(chain, 0);
    if (!der || length <= 0) return {};
    return sha256_fingerprint({der, static_cast<size_t>(length)});
}

std::string TlsSession::version() const {
    const char* name = wolfSSL_get_version(handle_->ssl);
    return name ? name : "";
}

std::string sha256_fingerprint(std::span<const uint8_t> der) {
    uint8_t digest[WC_SHA256_DIGEST_SIZE] = {};
    if (wc_Sha256Hash(der.data(), static_cast<word32>(der.size()), digest) != 0) return {};
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string text;
    for (uint8_t byte : digest) {
        if (!text.empty()) text += ':';
        text += kHex[byte >> 4];
        text += kHex[byte & 15];
    }
    return text;
}

}  // namespace orvane::connection

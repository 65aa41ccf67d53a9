#include "connection/certificate_trust.h"

#include <algorithm>

#include "platform/clock.h"

namespace orvane::connection {

using platform::MessageId;
using platform::Result;
using platform::Status;

namespace {

constexpr uint32_t kQuietMs = 1000;

}  // namespace

void use_certificate_pins(TelnetSettings* settings, CertificatePins& pins,
                          const std::string& endpoint_text, platform::Policy& policy) {
    auto endpoint = settings::parse_endpoint(endpoint_text);
    if (!endpoint) return;
    settings->pinned_certificate = pins.find(*endpoint);
    settings->secured = [&pins, &policy, endpoint = *endpoint,
                         endpoint_text](TelnetConnection& connection) {
        if (pins.find(endpoint) || connection.peer_certificate().empty()) return;
        pins.set(endpoint, connection.peer_certificate());
        Status saved = pins.save();
        policy.notice(saved.ok() ? Status::message(MessageId::kCertificateStored,
                                                   {endpoint_text, connection.peer_certificate()})
                                 : std::move(saved));
    };
}

platform::Task<Result<OfferedCertificate>> look_at_certificate(platform::EventLoop& loop,
                                                               ConnectRequest request,
                                                               platform::Policy& policy) {
    OfferedCertificate offered;
    request.telnet.tls = true;
    request.telnet.inspect_only = true;
    request.telnet.pinned_certificate.reset();
    request.telnet.secured = [&offered](TelnetConnection& connection) {
        offered.tls = true;
        offered.fingerprint = connection.peer_certificate();
        offered.version = connection.tls_version();
        connection.close();  // seen what was wanted
    };
    const uint32_t limit_ms = request.telnet.handshake_limit_ms;
    auto connected = co_await connect_telnet(loop, request, policy);
    if (!connected.ok()) co_return connected.take_status();
    TelnetConnection& connection = **connected;

    // A little beyond the handshake's own limit, so that an overdue
    // handshake ends as the failure it is.
    const uint32_t deadline = loop.now() + limit_ms + kQuietMs;
    bool talked = false;
    uint32_t quiet_at = deadline;  // when plain talk has gone quiet long enough
    while (!offered.tls && !connection.ended()) {
        const uint32_t now = loop.now();
        const uint32_t until =
            platform::ticks_until(now, quiet_at) < platform::ticks_until(now, deadline) ? quiet_at
                                                                                        : deadline;
        if (co_await connection.readable(until)) {
            connection.consume(connection.available());
            talked = true;
            quiet_at = loop.now() + kQuietMs;
            continue;
        }
        const bool handshaking = connection.security() == TelnetConnection::Security::kHandshake;
        if (platform::tick_reached(loop.now(), deadline)) break;
        if (talked && !handshaking && platform::tick_reached(loop.now(), quiet_at)) break;
    }
    if (!offered.tls && connection.ended() && !connection.end_status().ok()) {
        co_return connection.end_status();
    }
    connection.close();
    co_return offered;
}

Status trust_offered_certificate(CertificatePins& pins, const std::string& endpoint_text,
                                 const OfferedCertificate& offered, platform::Policy& policy) {
    auto endpoint = settings::parse_endpoint(endpoint_text);
    if (!endpoint) return Status::message(MessageId::kIsInvalid, {endpoint_text});
    const std::optional<std::string> stored = pins.find(*endpoint);
    const std::string offered_text = offered.tls ? offered.fingerprint : std::string("none");
    if (stored.value_or("none") == offered_text) {
        policy.notice(
            Status::message(MessageId::kCertificateUnchanged, {endpoint_text, offered_text}));
        return Status();
    }
    platform::Question question;
    question.id = MessageId::kAcceptCertificate;
    question.args = {endpoint_text, stored.value_or("none"), offered_text};
    question.buttons = platform::Buttons::YesNo;
    question.safe = platform::Answer::No;
    if (policy.decide(question) != platform::Answer::Yes) return Status::cancelled();
    if (offered.tls) {
        pins.set(*endpoint, offered.fingerprint);
    } else {
        pins.remove(*endpoint);
    }
    if (Status saved = pins.save(); !saved.ok()) return saved;
    policy.notice(offered.tls ? Status::message(MessageId::kCertificateTrusted,
                                                {endpoint_text, offered.fingerprint})
                              : Status::message(MessageId::kCertificateForgotten, {endpoint_text}));
    return Status();
}

}  // namespace orvane::connection

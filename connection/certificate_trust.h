// Pinning in use: a connection checks the certificate stored for its
// endpoint and stores the first one it sees; `orvane node trust` looks at
// what an endpoint offers now and, when the user agrees, takes it.
#pragma once

#include <string>

#include "connection/certificate_pins.h"
#include "connection/telnet_connect.h"
#include "platform/policy.h"
#include "platform/task.h"

namespace orvane::connection {

// Makes `settings` require the certificate stored for `endpoint`, or store
// the one the server shows when none is stored yet (with a notice). `pins`
// and `policy` must outlive the connection.
void use_certificate_pins(TelnetSettings* settings, CertificatePins& pins,
                          const std::string& endpoint_text, platform::Policy& policy);

struct OfferedCertificate {
    bool tls = false;  // the server asked for START_TLS and the handshake succeeded
    std::string fingerprint;
    std::string version;
};

// Connects to the endpoint of `request` and looks at what it offers now,
// refusing nothing. TLS counts as not offered when the server talks in plain
// text and then stays quiet for a second, closes, or says nothing at all
// within the handshake limit.
platform::Task<platform::Result<OfferedCertificate>> look_at_certificate(platform::EventLoop& loop,
                                                                         ConnectRequest request,
                                                                         platform::Policy& policy);

// Shows the stored and the offered certificate and, when the user agrees,
// stores the offered one (or forgets the stored one when TLS is no longer
// offered) and saves the list. Cancelled when the user declines.
[[nodiscard]] platform::Status trust_offered_certificate(CertificatePins& pins,
                                                         const std::string& endpoint_text,
                                                         const OfferedCertificate& offered,
                                                         platform::Policy& policy);

}  // namespace orvane::connection

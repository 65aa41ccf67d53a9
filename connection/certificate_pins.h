// The certificates that the program trusts, one per endpoint, kept in a small
// file in the program directory as ssh keeps known hosts. Nodes use
// certificates of their own that no authority signs, so the first TLS
// connection to an endpoint stores the SHA-256 fingerprint of its
// certificate, and later connections must show the same one; a changed
// certificate, or plain text from an endpoint that offered TLS before, is
// refused until the user accepts it (`orvane node trust ENDPOINT`).
//
// File format, one endpoint a line: "host:port fingerprint"; blank lines and
// lines beginning with "#" are skipped, as are lines that do not parse.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/env.h"
#include "platform/status.h"
#include "settings/node_table.h"

namespace orvane::connection {

inline constexpr const char* kCertificatePinsFile = "NodeCertificates.txt";

// The key of an endpoint in the file: the host in lower case and the port,
// so that "Host" and "host:23" are the same endpoint.
std::string endpoint_key(const settings::Endpoint& endpoint);

class CertificatePins {
  public:
    explicit CertificatePins(std::string path, platform::Env& env = platform::system_env())
        : path_(std::move(path)), env_(env) {}

    // Reads the file; a missing file is an empty list.
    [[nodiscard]] platform::Status load();
    // Writes the whole list beside the file and renames it over the old one.
    [[nodiscard]] platform::Status save() const;

    std::optional<std::string> find(const settings::Endpoint& endpoint) const;
    void set(const settings::Endpoint& endpoint, const std::string& fingerprint);
    void remove(const settings::Endpoint& endpoint);

    const std::string& path() const { return path_; }

  private:
    std::string path_;
    platform::Env& env_;
    std::map<std::string, std::string> pins_;
};

}  // namespace orvane::connection

#include "connection/certificate_pins.h"

#include <cerrno>
#include <sstream>

#include "platform/file.h"
#include "texts/ascii.h"

namespace orvane::connection {

using platform::MessageId;
using platform::Status;

namespace {

// Fingerprints are 32 bytes as hex pairs joined by colons.
bool looks_like_fingerprint(std::string_view text) {
    if (text.size() != 32 * 3 - 1) return false;
    for (size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const bool ok = i % 3 == 2 ? c == ':'
                                   : texts::is_digit(c) ||
                                         (texts::to_upper(c) >= 'A' && texts::to_upper(c) <= 'F');
        if (!ok) return false;
    }
    return true;
}

}  // namespace

std::string endpoint_key(const settings::Endpoint& endpoint) {
    std::string host;
    for (char c : endpoint.host) host += texts::to_lower(c);
    if (host.find(':') != std::string::npos) host = "[" + host + "]";
    return host + ":" + std::to_string(endpoint.port);
}

Status CertificatePins::load() {
    pins_.clear();
    std::string contents;
    const int error = platform::read_whole_file(path_, &contents, env_);
    if (error == ENOENT) return Status();
    if (error) return Status::file(MessageId::kCannotReadFile, path_, error);
    std::istringstream lines(contents);
    std::string line;
    while (std::getline(lines, line)) {
        if (line.empty() || line.front() == '#') continue;
        std::istringstream fields(line);
        std::string endpoint_text, fingerprint;
        if (!(fields >> endpoint_text >> fingerprint)) continue;
        auto endpoint = settings::parse_endpoint(endpoint_text);
        if (!endpoint || !looks_like_fingerprint(fingerprint)) continue;
        for (char& c : fingerprint) c = texts::to_upper(c);
        pins_[endpoint_key(*endpoint)] = fingerprint;
    }
    return Status();
}

Status CertificatePins::save() const {
    std::string contents =
        "# Certificates of the node endpoints that Orvane trusts (SHA-256).\n"
        "# Change them with: orvane node trust ENDPOINT\n";
    for (const auto& [key, fingerprint] : pins_) contents += key + " " + fingerprint + "\n";
    const int error = platform::write_whole_file(path_, contents.data(), contents.size(), env_);
    if (error) return Status::file(MessageId::kCannotWriteFile, path_, error);
    return Status();
}

std::optional<std::string> CertificatePins::find(const settings::Endpoint& endpoint) const {
    auto it = pins_.find(endpoint_key(endpoint));
    if (it == pins_.end()) return std::nullopt;
    return it->second;
}

void CertificatePins::set(const settings::Endpoint& endpoint, const std::string& fingerprint) {
    pins_[endpoint_key(endpoint)] = fingerprint;
}

void CertificatePins::remove(const settings::Endpoint& endpoint) {
    pins_.erase(endpoint_key(endpoint));
}

}  // namespace orvane::connection

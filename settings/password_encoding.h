// The stored form of passwords in settings files: not plain text, so that a
// password does not catch the eye of someone who opens the file, but
// reversible, as it must be sent to the node. It is no protection against a
// determined reader of the file.
#pragma once

#include <string>
#include <string_view>

namespace orvane::settings {

// "~" followed by two hexadecimal digits per byte of the scrambled password;
// the empty password stays empty.
std::string encode_password(std::string_view password);

// The password from its stored form. A value that is not in that form (for
// example one typed into the file by hand) is taken as it stands.
std::string decode_password(std::string_view stored);

}  // namespace orvane::settings

// Names of the files made per node and day (mail packets, session logs), and
// the cleaning of file names that are announced to the server.
#pragma once

#include <ctime>
#include <optional>
#include <string>

namespace orvane::packet {

// Makes "<letter><yy><mm><dd>[seq]<extension>" in `folder` for the local date
// of `today`. The first file of a day has no sequence character, later ones
// "A" to "Z", then "0" to "9".
//
// With `last_name` (the name of the last packet made; packets pass it, logs
// do not), the sequence continues after the higher of that name's and of
// every file of the day already in the folder, so that deleting older packets
// never brings an old name back. Without it, every call of a day gives the
// same first name.
//
// Returns the full path, or nothing when all names of the day are used.
std::optional<std::string> make_dated_name(const std::string& folder, char node_letter,
                                           const std::string& extension,
                                           const std::optional<std::string>& last_name,
                                           std::time_t today);

// Rewrites the last component of `path` so the server accepts it: no leading
// "-" or ".", only printable characters outside *[]?"()+,/:;<=>\| with blanks
// as "_", and at most 79 characters with the extension kept.
void clean_file_name(std::string* path);

// The name under which a packet announces a local file: the last component
// of its path ("/" or "\\" separated), cleaned.
std::string announced_file_name(const std::string& path);

}  // namespace orvane::packet

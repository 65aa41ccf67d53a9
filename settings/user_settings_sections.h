// The sections of the user file that are more than a list of plain keys:
// windows, colours and fonts; macros, receipt texts, importance levels and
// memberships. Shared by the user settings' load and save only.
#pragma once

#include "settings/ini_file.h"
#include "settings/user_settings.h"

namespace orvane::settings {

void read_display_sections(IniFile& file, UserValues& values);
void write_display_sections(IniFile& file, const UserValues& now, const UserValues& old);

// `file_version`: files of version 40 or older kept their memberships in a
// section of another name; they are moved to the present one here.
void read_list_sections(IniFile& file, UserValues& values, int file_version);
// The memberships as a file of the present version keeps them, read without
// changing the file (for reading another user's file).
std::vector<uint32_t> stored_memberships(IniFile& file);
void write_list_sections(IniFile& file, const UserValues& now, const UserValues& old);

}  // namespace orvane::settings

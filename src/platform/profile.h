// Private-profile (ini) files: "[section]" lines and "key=value" lines.
// Windows uses the system's private-profile functions; Linux keeps the same
// format in a file of its own (profile_posix.cpp).
#pragma once

#include <cstddef>
#include <string>

namespace tolvar::platform {

// The most bytes a read returns; longer values come back cut.
inline constexpr std::size_t kProfileReadLimit = 2047;

// Where the program at `program_path` keeps its settings. Windows: beside
// the program, its extension replaced by ".ini". Linux:
// ${XDG_CONFIG_HOME:-$HOME/.config}/NAME.ini, NAME being the program's file
// name without its extension; an XDG_CONFIG_HOME or HOME that is not an
// absolute path counts as unset, and without HOME the home folder comes
// from the password database. Empty when the user has none: nothing is then
// read, and every write fails.
std::string SettingsFilePath(const std::string& program_path);

// The value of `key` in `section` of `file`, or `fallback` when the file,
// the section or the key is missing. Section and key names are compared
// ignoring ASCII case; blanks around the value are dropped, then one pair of
// enclosing quotes (both " or both '); at most kProfileReadLimit bytes.
std::string ReadIniValue(const std::string& file, const std::string& section, const std::string& key,
                         const std::string& fallback);

// Sets `key` in `section` of `file` to `value` as it is, creating the file
// and the section when needed and keeping every other line. False when the
// file cannot be written (read-only, no room, no directory). On Linux the new
// content goes to a temporary file that then replaces the old one, so a
// crash leaves either the old file or the new one.
bool WriteIniValue(const std::string& file, const std::string& section, const std::string& key,
                   const std::string& value);

}  // namespace tolvar::platform

#pragma once
// Private-profile (INI) files with the semantics of the Win32 calls:
// section and key names match ignoring case, the first matching section and
// key win, blanks around names and values are trimmed, a value wholly inside
// one pair of matching quotes loses them, lines starting with ";" are
// comments, values are cut to 511 bytes, and the default is returned when the
// file, the section or the key is absent. CR LF and LF files both read.
//
// Parsed files are kept in a process-wide cache that is checked against the
// file's identity, size and modification time on every call, so a file edited
// between two calls is read again, while thousands of reads of an unchanged
// file cost one parse.

#include <string>
#include <string_view>

namespace platform {

/// Longest value a read returns (the Win32 buffer of 512 bytes less one).
inline constexpr std::size_t kIniValueMax = 511;

/// GetPrivateProfileString: the value of `key` in `section`, or `def`.
std::string GetPrivateProfileString(std::string_view section, std::string_view key,
                                    std::string_view def, const std::string& iniPath);

/// GetPrivateProfileInt: leading blanks, optional sign, decimal digits; a
/// value that does not start with a number reads as 0; an absent or empty
/// value gives `def`.
int GetPrivateProfileInt(std::string_view section, std::string_view key, int def,
                         const std::string& iniPath);

/// WritePrivateProfileString: creates the file, section or key as needed,
/// replaces the value in place, keeps every other line and the file's line
/// ends, and replaces the file atomically. False when it cannot be written.
bool WritePrivateProfileString(std::string_view section, std::string_view key,
                               std::string_view value, const std::string& iniPath);

/// Empties the cache (tests and long-running callers).
void ClearIniCache();

/// While an IniSnapshot lives, reads on this thread take each file as it was
/// at its first read in the scope, without checking it for changes again;
/// a write through WritePrivateProfileString still takes effect at once.
/// For one operation that reads thousands of keys (the site build).
class IniSnapshot {
 public:
  IniSnapshot();
  ~IniSnapshot();
  IniSnapshot(const IniSnapshot&) = delete;
  IniSnapshot& operator=(const IniSnapshot&) = delete;
};

}  // namespace platform

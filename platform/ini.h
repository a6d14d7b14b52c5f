#pragma once
// Private-profile (INI) files with the semantics of the Win32 calls:
// section and key names match ignoring case, the first matching section and
// key win, blanks around names and values are trimmed, a value wholly inside
// one pair of matching quotes loses them, lines starting with ";" are
// comments, values are cut to 511 bytes, and the default is returned when the
// file, the section or the key is absent. A line ends at LF, CR LF or a CR
// alone. A UTF-8 byte order mark is skipped; a file that starts with a UTF-16
// byte order mark (either byte order) is read as UTF-16 and returns UTF-8.
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
/// ends and its encoding (byte order mark and UTF-16 kept), and replaces the
/// file atomically. False when it cannot be written, and for a UTF-16 file
/// that does not decode whole (an odd length, an unpaired surrogate) or a
/// value that is no valid UTF-8 for one: the file is then left as it was.
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

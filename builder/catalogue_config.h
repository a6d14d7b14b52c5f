#pragma once
// The catalogue INI "TOVY.INI": which copy is consulted, and the settings of
// its section MAIN. The INI in the current directory governs a build only
// when it sets DocumentRoot; otherwise every setting comes from the default
// INI "C:\VESK\DOCS\TOVY.INI" (drive C mapped by platform::MapWindowsPath).

#include <string>

/// Section and keys of the builder settings.
inline constexpr const char* kMainSection = "MAIN";
inline constexpr const char* kDocumentRootKey = "DocumentRoot";
inline constexpr const char* kDefaultTypeKey = "DefaultType";
inline constexpr const char* kAutoRebuildKey = "AutoRebuild";
inline constexpr const char* kSkipsLeftKey = "SkipsLeft";

/// The INI path to try first: the current directory + "/TOVY.INI", or the
/// default INI when the current directory cannot be had.
std::string GetIniPath();

/// The default INI, "C:\VESK\DOCS\TOVY.INI" mapped to a native path.
std::string DefaultIniPath();

/// The document root named by `iniPath`, ending in "/". When that INI sets
/// no DocumentRoot (or sets it to "%"), `iniPath` becomes the default INI and
/// the root is read from there (default "C:\VESK\DOCS"). A Windows-style
/// value ("C:\..." or "\...") is mapped below drive C, an absolute path is
/// used as is, a relative one is taken from the folder of the INI that named
/// it; backslashes become "/".
std::string ReadDocumentRoot(std::string& iniPath);

/// GetIniPath() then ReadDocumentRoot() on a copy; read afresh every call.
std::string GetDocumentRoot();

/// DefaultType of section MAIN, default "SYSTEM", unchanged.
std::string GetDefaultType(const std::string& iniPath);

/// Turns a DocumentRoot value into a native folder path ending in "/",
/// resolved on disk without regard to letter case.
std::string MapDocumentRoot(const std::string& value, const std::string& iniPath);

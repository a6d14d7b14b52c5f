#pragma once
// The catalogue INI "TOVY.INI": which copy is consulted, and the settings of
// its section MAIN. The INI in the current directory governs a build only
// when it sets DocumentRoot; otherwise every setting comes from the default
// INI "C:\VESK\DOCS\TOVY.INI" (drive C mapped by platform::MapWindowsPath).

#include <functional>
#include <string>
#include <vector>

/// The catalogue's file name, in the current directory, the default root and
/// each language's folder.
inline constexpr const char* kCatalogueFileName = "TOVY.INI";

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

/// The user's languages for the document sets, most wanted first, as gettext
/// takes them: LANGUAGE's list, then the messages locale (LC_ALL, LC_MESSAGES,
/// LANG), each as "ll_TT" and then "ll" ("zh_CN", "zh"); none in the C or
/// POSIX locale. Only names of letters and digits, "_" between, count.
std::vector<std::string> UserLanguages();

/// The document root named by `iniPath`, ending in "/". When that INI sets
/// no DocumentRoot (or sets it to "%"), `iniPath` becomes the catalogue of
/// the first of the user's languages with a usable one,
/// "C:\VESK\DOCS\<lang>\TOVY.INI" (it sets a DocumentRoot that is a
/// folder), else the default INI, and the root is read from there (default
/// "C:\VESK\DOCS"). A Windows-style value ("C:\..." or "\...") is mapped
/// below drive C, an absolute path is used as is, a relative one is taken
/// from the folder of the INI that named it; backslashes become "/".
/// `explain`, when given, hears which catalogue was taken and why.
std::string ReadDocumentRoot(std::string& iniPath,
                             const std::function<void(const std::string&)>& explain = {});

/// GetIniPath() then ReadDocumentRoot() on a copy; read afresh every call.
std::string GetDocumentRoot();

/// DefaultType of section MAIN, default "SYSTEM", unchanged.
std::string GetDefaultType(const std::string& iniPath);

/// Turns a DocumentRoot value into a native folder path ending in "/",
/// resolved on disk without regard to letter case.
std::string MapDocumentRoot(const std::string& value, const std::string& iniPath);

#pragma once
// The commands of the outside viewers for compiled help (CHM) and WinHelp
// (HLP) files, read from the program's small key store: an INI file named
// registry.ini whose sections are registry key paths and whose "@" key is a
// key's default value, e.g.
//
//   [HKEY_LOCAL_MACHINE\Software\CLASSES\chm.file\shell\open\command]
//   @="/usr/bin/chm-viewer" %1
//
// The user's store ($XDG_CONFIG_HOME/vesk/registry.ini, by default
// ~/.config/vesk/registry.ini) is read first, then the system-wide one in
// each folder of $XDG_CONFIG_DIRS (by default /etc/xdg/vesk/registry.ini).

#include <string>
#include <vector>

namespace quiro {

enum class ViewerKind { Chm, Hlp };

/// The registry key path that names the viewer command of `kind`.
std::string ViewerCommandKey(ViewerKind kind);

/// The key store files in the order they are asked: the user's, then the
/// system-wide ones.
std::vector<std::string> RegistryStorePaths();

/// The viewer command line of `kind` (at most 511 characters), from the first
/// store that names one; an empty string when none does.
std::string ReadViewerCommand(ViewerKind kind);

}  // namespace quiro

#pragma once
// The program's texts in the user's language: gettext's text domain "quiro"
// bound to the folder of its catalogues.

#include <string>

namespace platform {

/// The folder holding <lang>/LC_MESSAGES/quiro.mo: $QUIRO_LOCALEDIR when set,
/// else the build tree's "locale" folder when the program runs from its build
/// tree, else the installed <prefix>/share/locale.
std::string TranslationsFolder();

/// True when the message catalogue at `path` is whole: the GNU layout,
/// every table and string within the file, every string ending in NUL.
bool CatalogueIsSound(const std::string& path);

/// Takes the user's language from the environment (LC_ALL, LC_MESSAGES, LANG
/// and LANGUAGE, as gettext reads them) and binds the text domain to
/// TranslationsFolder() with UTF-8 texts. Called first in main. Only the
/// messages category is set here: number formats and character classes stay
/// those of the C locale until GTK sets the whole locale for the window.
/// Without a catalogue for the language every text stays English; so it does
/// when a catalogue of one of the user's languages is damaged (none is bound).
void StartTranslations();

}  // namespace platform

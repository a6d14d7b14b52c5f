#pragma once
// The program's texts in the user's language: gettext's text domain "quiro"
// bound to the folder of its catalogues.

#include <string>

namespace platform {

/// The folder holding <lang>/LC_MESSAGES/quiro.mo: $QUIRO_LOCALEDIR when set,
/// else the build tree's "locale" folder when the program runs from its build
/// tree, else the installed <prefix>/share/locale.
std::string TranslationsFolder();

/// Takes the user's language from the environment (LC_ALL, LC_MESSAGES, LANG
/// and LANGUAGE, as gettext reads them) and binds the text domain to
/// TranslationsFolder() with UTF-8 texts. Called first in main. Only the
/// messages category is set here: number formats and character classes stay
/// those of the C locale until GTK sets the whole locale for the window.
/// Without a catalogue for the language, or with a damaged one, every text
/// stays English.
void StartTranslations();

}  // namespace platform

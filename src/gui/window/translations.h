#pragma once

#include "appsettings.h"

#include <QLocale>

// The program's texts in the user's language where it has a translation (French), and Qt's
// own (the buttons of its dialogs) with them; in any other language the program keeps its own
// texts, in English. Installed in the application before any window is made. Returns whether
// the program's translation for `locale` was found.
bool installTranslations(const QLocale &locale = QLocale());

// The texts in `language`: none installed for the program's own, the system's language's
// where there is a translation, or French.
void installLanguage(appsettings::Language language);

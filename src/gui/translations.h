#pragma once

#include <QLocale>

// The program's texts in the user's language where it has a translation (French), and Qt's
// own (the buttons of its dialogs) with them; in any other language the program keeps its own
// texts, in English. Installed in the application before any window is made. Returns whether
// the program's translation for `locale` was found.
bool installTranslations(const QLocale &locale = QLocale());

#pragma once

#include <QtGlobal>

// Qt's own texts (message-box buttons, the context menus of text boxes) in the language of the
// phrase table's column (1-16), from the translations Qt installs (qt6-translations-l10n).
// English, and a language Qt has no translation for, keep Qt's English texts. True when a
// translation was installed.
bool fncLoadQtTranslations(qint16 intColumn);

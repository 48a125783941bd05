#pragma once

class QCoreApplication;
class QTranslator;

namespace quorvane {

// Puts Qt's own texts (the file dialogs' "Save As", "Look in", "Cancel", the standard buttons, the context
// menus of text fields) into Simplified Chinese with the translation Qt installs beside itself
// (qtbase_zh_CN, Debian's qt6-translations-l10n). Returns the installed translator, which belongs to the
// application; null when the translation is not installed: Qt's texts then stay English and the program goes
// on.
QTranslator* installQtTranslations(QCoreApplication& application);

} // namespace quorvane

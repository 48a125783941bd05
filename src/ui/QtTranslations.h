#pragma once

class QCoreApplication;

namespace quorvane {

// Puts Qt's own texts (the file dialogs' "Save As", "Look in", "Cancel", the standard buttons, the context
// menus of text fields) into Simplified Chinese with the translation Qt installs beside itself
// (qtbase_zh_CN, Debian's qt6-translations-l10n). The translator belongs to the application. False when the
// translation is not installed: Qt's texts then stay English and the program goes on.
bool installQtTranslations(QCoreApplication& application);

} // namespace quorvane

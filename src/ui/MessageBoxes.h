#pragma once

#include "platform/Messages.h"

#include <QFont>
#include <QString>

namespace quorvane {

// The program's message boxes: modal, centred, fixed English titles and buttons. Every message is also
// written to standard error, so a user who started the program from a terminal sees it there too.
class MessageBoxPresenter final : public MessagePresenter {
public:
    int present(MessageKind kind, const QString& title, const QString& text) override;
    // The narrowest box whose title a window manager shows whole.
    static int minimumWidthFor(const QString& title, const QFont& font);
};

} // namespace quorvane

#pragma once

#include "store/Messages.h"

namespace quorvane {

// The program's message boxes: modal, centred, fixed English titles and buttons. Every message is also
// written to standard error, so a user who started the program from a terminal sees it there too.
class MessageBoxPresenter final : public MessagePresenter {
public:
    int present(MessageKind kind, const QString& title, const QString& text) override;
};

} // namespace quorvane

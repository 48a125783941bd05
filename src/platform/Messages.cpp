#include "platform/Messages.h"

#include <QCoreApplication>

#include <cstdio>

namespace quorvane {
namespace {

class StandardErrorPresenter final : public MessagePresenter {
public:
    int present(MessageKind kind, const QString& title, const QString& text) override {
        std::fprintf(stderr, "%s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
        return kind == MessageKind::Question ? IdNo : 1;
    }
};

StandardErrorPresenter fallbackPresenter;
MessagePresenter* installedPresenter = nullptr;

} // namespace

MessagePresenter* setMessagePresenter(MessagePresenter* presenter) {
    MessagePresenter* previous = installedPresenter;
    installedPresenter = presenter;
    return previous;
}

MessagePresenter* currentMessagePresenter() {
    return installedPresenter ? installedPresenter : &fallbackPresenter;
}

void showErrorMsg(const QString& message) {
    currentMessagePresenter()->present(MessageKind::Error, QStringLiteral("Error"), message);
}

void showInfoMsg(const QString& message) {
    currentMessagePresenter()->present(MessageKind::Information, QStringLiteral("Information"), message);
}

int askYesNo(const QString& message) {
    return currentMessagePresenter()->present(MessageKind::Question, QStringLiteral("Confirm"), message);
}

QString errorReportText(const QString& message) {
    const QString text = message.trimmed();
    if (text.isEmpty())
        return QStringLiteral(".");
    const QChar last = text.back();
    if (last.isPunct())
        return text;
    return text + u'.';
}

void showMessage(MessageKind kind, const QString& message) {
    switch (kind) {
    case MessageKind::Error:
        showErrorMsg(message);
        break;
    case MessageKind::Information:
        showInfoMsg(message);
        break;
    case MessageKind::Report:
        showErrorReport(message);
        break;
    case MessageKind::Question:
        askYesNo(message);
        break;
    }
}

void showErrorReport(const QString& message) {
    QString title = QCoreApplication::applicationName();
    if (title.isEmpty())
        title = QStringLiteral("Quorvane");
    currentMessagePresenter()->present(MessageKind::Report, title, errorReportText(message));
}

} // namespace quorvane

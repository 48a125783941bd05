#include "ui/MessageBoxes.h"

#include <QCloseEvent>
#include <QMessageBox>
#include <QPushButton>

#include <cstdio>

namespace quorvane {

namespace {

// Esc answers No; the title bar's close box answers 2 (cancel), which QMessageBox cannot tell apart.
class QuestionBox final : public QMessageBox {
public:
    using QMessageBox::QMessageBox;
    bool closedFromTitleBar = false;

protected:
    void closeEvent(QCloseEvent* event) override {
        closedFromTitleBar = true;
        event->accept();
        QDialog::reject();
    }
};

} // namespace

int MessageBoxPresenter::present(MessageKind kind, const QString& title, const QString& text) {
    std::fprintf(stderr, "Quorvane: %s: %s\n", qUtf8Printable(title), qUtf8Printable(text));
    std::fflush(stderr);

    if (kind == MessageKind::Question) {
        QuestionBox box;
        box.setWindowTitle(title);
        box.setIcon(QMessageBox::Question);
        box.setText(text);
        QPushButton* yes = box.addButton(QStringLiteral("&Yes"), QMessageBox::YesRole);
        QPushButton* no = box.addButton(QStringLiteral("&No"), QMessageBox::NoRole);
        box.setDefaultButton(yes);
        box.setEscapeButton(no);
        box.exec();
        if (box.clickedButton() == yes)
            return IdYes;
        if (box.closedFromTitleBar && box.clickedButton() != no)
            return IdCancel;
        return IdNo;
    }

    QMessageBox box;
    box.setWindowTitle(title);
    box.setIcon(kind == MessageKind::Information ? QMessageBox::Information : QMessageBox::Critical);
    box.setText(text);
    QPushButton* ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
    box.setDefaultButton(ok);
    box.setEscapeButton(ok);
    box.exec();
    return 1;
}

} // namespace quorvane

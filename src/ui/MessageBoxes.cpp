#include "ui/MessageBoxes.h"

#include <QCloseEvent>
#include <QFontMetricsF>
#include <QGridLayout>
#include <QMessageBox>
#include <QPushButton>
#include <QSpacerItem>

#include <cmath>
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

// A window manager cuts a title wider than the box: a box as narrow as "更新排名成功!" shows its title
// "Information" as "In…on". The box is kept wide enough for the title in a title-bar font somewhat larger
// than ours, with room for the window icon and the title bar's buttons.
void leaveRoomForTitle(QMessageBox& box) {
    auto* grid = qobject_cast<QGridLayout*>(box.layout());
    if (!grid)
        return;
    const int width = MessageBoxPresenter::minimumWidthFor(box.windowTitle(), box.font());
    grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed), grid->rowCount(), 0, 1,
                  grid->columnCount());
}

} // namespace

int MessageBoxPresenter::minimumWidthFor(const QString& title, const QFont& font) {
    constexpr int kTitleBarExtras = 130; // icon, three buttons and the frame's margins
    return static_cast<int>(std::ceil(QFontMetricsF(font).horizontalAdvance(title) * 1.3)) + kTitleBarExtras;
}

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
        leaveRoomForTitle(box);
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
    leaveRoomForTitle(box);
    box.exec();
    return 1;
}

} // namespace quorvane

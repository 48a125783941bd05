#include "webservices/AboutBox.h"

#include "platform/ShellOpen.h"
#include "ui/Fonts.h"
#include "webservices/AboutLogo.h"
#include "webservices/LinkLabels.h"
#include "webservices/MakerSite.h"

#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QScreen>
#include <QVBoxLayout>

namespace quorvane {

namespace {

QLabel* placedLabel(QWidget* parent, const QString& name, const QString& text, QPoint at, const QFont& font) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->setFont(font);
    label->adjustSize();
    label->move(at);
    return label;
}

} // namespace

AboutBox::AboutBox(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                          Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("aboutBox"));
    setWindowTitle(QStringLiteral("关于软件"));
    setFixedSize(kOuterSize); // the frame comes off once a window manager has drawn it

    auto* fill = new QVBoxLayout(this);
    fill->setContentsMargins(2, 2, 2, 2);
    infoGroup = new QGroupBox(QStringLiteral("信息"), this);
    infoGroup->setObjectName(QStringLiteral("infoGroup"));
    infoGroup->setAutoFillBackground(true);
    QPalette white = infoGroup->palette();
    white.setColor(QPalette::Window, Qt::white);
    infoGroup->setPalette(white);
    fill->addWidget(infoGroup);

    logo = new QLabel(infoGroup);
    logo->setObjectName(QStringLiteral("logo"));
    logo->setGeometry(8, 28, 89, 73);
    logo->setScaledContents(true);
    // The program's own icon, as the window's title bar and the tray show it.
    logo->setPixmap(aboutLogo(windowIcon(), QSize(89, 73)));

    programName = placedLabel(infoGroup, QStringLiteral("programName"), QStringLiteral("Quorvane"),
                              QPoint(98, 64), heiTiFont(21));
    QFont underlined = programName->font();
    underlined.setUnderline(true);
    programName->setFont(underlined);
    QPalette blue = programName->palette();
    blue.setColor(QPalette::WindowText, Qt::blue);
    programName->setPalette(blue);
    programName->adjustSize();
    // Blue and underlined, yet not a link: a click on it does nothing.

    versionTitle = placedLabel(infoGroup, QStringLiteral("versionTitle"), QStringLiteral("系统版本:"),
                               QPoint(24, 120), songTiFont(13));
    versionText = placedLabel(infoGroup, QStringLiteral("versionText"), QStringLiteral("Ver1.3"),
                              QPoint(88, 120), songTiFont(12));
    makerLine = placedLabel(infoGroup, QStringLiteral("makerLine"),
                            QStringLiteral("Velmora 网络科技 出品, 专注搜索引擎排名服务"), QPoint(26, 141),
                            songTiFont(12));
    siteLink = placedLabel(infoGroup, QStringLiteral("siteLink"), makerSiteUrl(), QPoint(86, 161), QFont());
    makeLinkLabel(siteLink, songTiFont(13), Qt::blue, [this] { openSite(); });
    supportLine =
        placedLabel(infoGroup, QStringLiteral("supportLine"),
                    QStringLiteral("技术支持: support@velmora.example"), QPoint(95, 184), songTiFont(12));

    // The group box's own area, its caption included, acts as the link.
    new ClickAction(
        infoGroup, [this] { openSite(); }, true);

    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect frame(QPoint(), size());
        frame.moveCenter(screen->availableGeometry().center());
        move(frame.topLeft());
    }
}

void AboutBox::fitOuterSize() {
    if (outerSizeFitted_ || !isVisible())
        return;
    // Until a window manager frames the box (and where none does) the frame adds nothing.
    const QSize frame = frameGeometry().size() - geometry().size();
    if (frame.width() <= 0 && frame.height() <= 0)
        return;
    outerSizeFitted_ = true;
    setFixedSize(kOuterSize - frame);
    if (const QScreen* screen = this->screen()) {
        QRect outer(QPoint(), kOuterSize);
        outer.moveCenter(screen->availableGeometry().center());
        move(outer.topLeft()); // a move places the frame
    }
}

void AboutBox::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    fitOuterSize();
}

void AboutBox::moveEvent(QMoveEvent* event) {
    QDialog::moveEvent(event);
    // A window manager that frames the box moves it into the frame.
    fitOuterSize();
}

void AboutBox::openSite() {
    shellOpen(this, siteLink->text());
}

} // namespace quorvane

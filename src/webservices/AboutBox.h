#pragma once

#include <QDialog>
#include <QSize>

class QGroupBox;
class QLabel;

namespace quorvane {

// "关于软件": the program's name and version and the maker's site as a link. It has no buttons; the user
// closes it from its title bar. A click on the link or on the free area of the group box opens the site;
// the logo and the other labels do nothing.
class AboutBox final : public QDialog {
    Q_OBJECT
public:
    explicit AboutBox(QWidget* parent = nullptr);

    // The box's outer size, its frame included, as a window manager draws it.
    static constexpr QSize kOuterSize{355, 263};

    QGroupBox* infoGroup = nullptr; // "信息"
    QLabel* logo = nullptr;
    QLabel* programName = nullptr;  // "Quorvane"
    QLabel* versionTitle = nullptr; // "系统版本:"
    QLabel* versionText = nullptr;  // "Ver1.3"
    QLabel* makerLine = nullptr;
    QLabel* siteLink = nullptr; // the site's address, a link
    QLabel* supportLine = nullptr;

public slots:
    // Opens the maker's site (the link's text) in the default browser.
    void openSite();

protected:
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;

private:
    // Takes the frame, once a window manager has drawn it, off the inner size so that the outer size is
    // kOuterSize, and centres the box on its screen again.
    void fitOuterSize();

    bool outerSizeFitted_ = false;
};

} // namespace quorvane

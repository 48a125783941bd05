#pragma once

#include <QColor>
#include <QFont>
#include <QObject>

#include <functional>

class QLabel;
class QWidget;

namespace quorvane {

// Runs an action when the left mouse button is released over a widget after being pressed on it. With
// freeAreaOnly, only clicks on the widget's own area count, not those on its child widgets (a label that
// ignores the mouse passes its clicks on to its parent, which is where this tells them apart).
class ClickAction final : public QObject {
    Q_OBJECT
public:
    ClickAction(QWidget* widget, std::function<void()> action, bool freeAreaOnly = false);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QWidget* widget_;
    std::function<void()> action_;
    bool freeAreaOnly_;
    bool pressed_ = false;
};

// Makes a label look and act as a link: the given font, colour and underline, the pointing hand while the
// mouse is over it, and the action on a click.
void makeLinkLabel(QLabel* label, QFont font, const QColor& colour, std::function<void()> action);

} // namespace quorvane

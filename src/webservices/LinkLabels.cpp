#include "webservices/LinkLabels.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>

namespace quorvane {

ClickAction::ClickAction(QWidget* widget, std::function<void()> action, bool freeAreaOnly)
    : QObject(widget)
    , widget_(widget)
    , action_(std::move(action))
    , freeAreaOnly_(freeAreaOnly) {
    widget_->installEventFilter(this);
}

bool ClickAction::eventFilter(QObject* watched, QEvent* event) {
    if (watched != widget_)
        return false;
    if (event->type() != QEvent::MouseButtonPress && event->type() != QEvent::MouseButtonRelease)
        return false;
    const auto* mouse = static_cast<QMouseEvent*>(event);
    if (mouse->button() != Qt::LeftButton)
        return false;
    const QPoint at = mouse->position().toPoint();
    const bool onTarget = widget_->rect().contains(at) && !(freeAreaOnly_ && widget_->childAt(at));
    if (event->type() == QEvent::MouseButtonPress) {
        pressed_ = onTarget;
        return false;
    }
    const bool click = pressed_ && onTarget;
    pressed_ = false;
    if (click)
        action_();
    return false;
}

void makeLinkLabel(QLabel* label, QFont font, const QColor& colour, std::function<void()> action) {
    font.setUnderline(true);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, colour);
    label->setPalette(palette);
    // The widget's cursor shows only while the mouse is over it and returns to the default when it leaves.
    label->setCursor(Qt::PointingHandCursor);
    label->adjustSize();
    new ClickAction(label, std::move(action));
}

} // namespace quorvane

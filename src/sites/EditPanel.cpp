#include "sites/EditPanel.h"

#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>

namespace quorvane {

QPushButton* plainButton(QWidget* parent, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setAutoDefault(false);
    button->setDefault(false);
    return button;
}

EditPanel makeEditPanel(QWidget* parent, QRect geometry, const QString& caption, int editWidth) {
    EditPanel parts;
    parts.panel = new QFrame(parent);
    parts.panel->setGeometry(geometry);
    parts.panel->setFrameShape(QFrame::Panel);
    parts.panel->setFrameShadow(QFrame::Raised);
    parts.panel->setLineWidth(1);
    // Opaque: the list below must not show through.
    parts.panel->setAutoFillBackground(true);
    parts.panel->setBackgroundRole(QPalette::Window);
    parts.caption = new QLabel(caption, parts.panel);
    parts.caption->setGeometry(16, 16, geometry.width() - 60, 16);
    parts.edit = new QLineEdit(parts.panel);
    parts.edit->setGeometry(16, 50, editWidth, 22);
    parts.save = plainButton(parts.panel, QStringLiteral("编辑"));
    parts.save->setGeometry(16 + editWidth + 10, 49, 60, 24);
    parts.close = plainButton(parts.panel, QStringLiteral("退出"));
    parts.close->setGeometry(geometry.width() - 30, 0, 30, 22);
    parts.panel->hide();
    return parts;
}

} // namespace quorvane

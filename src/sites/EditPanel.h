#pragma once

#include <QRect>
#include <QString>

class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

namespace quorvane {

// A hidden edit panel laid over a list: a caption, an edit box, "编辑" and a small "退出" in the top right
// corner.
struct EditPanel {
    QFrame* panel = nullptr;
    QLabel* caption = nullptr;
    QLineEdit* edit = nullptr;
    QPushButton* save = nullptr;
    QPushButton* close = nullptr;
};

EditPanel makeEditPanel(QWidget* parent, QRect geometry, const QString& caption, int editWidth);

// A push button that never acts as the dialog's default: Enter in the edit boxes has its own meaning.
QPushButton* plainButton(QWidget* parent, const QString& text);

} // namespace quorvane

// The real message boxes: each answer a user can give comes back as the program expects, and a box is
// wide enough for its title.
#include "ui/MessageBoxes.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

namespace quorvane {
namespace {

// Runs `answer` on the box as soon as it is shown, then returns what the presenter returned.
int presentAndAnswer(MessageKind kind, const QString& title,
                     const std::function<void(QMessageBox&)>& answer) {
    bool answered = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box || !box->isVisible() || answered)
            return;
        answered = true;
        answer(*box);
    });
    poll.start(10);
    MessageBoxPresenter presenter;
    const int result = presenter.present(kind, title, QStringLiteral("更新排名成功!"));
    EXPECT_TRUE(answered);
    return result;
}

QAbstractButton* buttonWithText(QMessageBox& box, const QString& text) {
    for (QAbstractButton* button : box.buttons())
        if (button->text() == text)
            return button;
    return nullptr;
}

TEST(MessageBoxes, QuestionAnswers) {
    struct Case {
        const char* name;
        std::function<void(QMessageBox&)> answer;
        int expected;
    };
    const Case cases[] = {
        {"Yes", [](QMessageBox& box) { buttonWithText(box, QStringLiteral("&Yes"))->click(); }, IdYes},
        {"No", [](QMessageBox& box) { buttonWithText(box, QStringLiteral("&No"))->click(); }, IdNo},
        {"Esc", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Escape); }, IdNo},
        {"Enter takes the default", [](QMessageBox& box) { QTest::keyClick(&box, Qt::Key_Return); }, IdYes},
        {"title bar close", [](QMessageBox& box) { box.close(); }, IdCancel},
    };
    for (const Case& c : cases)
        EXPECT_EQ(presentAndAnswer(MessageKind::Question, QStringLiteral("Confirm"), c.answer), c.expected)
            << c.name;
}

TEST(MessageBoxes, InformationAndErrorAnswerOk) {
    for (const MessageKind kind : {MessageKind::Information, MessageKind::Error}) {
        const int result = presentAndAnswer(kind, QStringLiteral("Information"), [](QMessageBox& box) {
            ASSERT_EQ(box.buttons().size(), 1);
            box.buttons().constFirst()->click();
        });
        EXPECT_EQ(result, 1);
    }
}

// A short text does not make the box so narrow that a window manager cuts its title.
TEST(MessageBoxes, WideEnoughForTheirTitle) {
    for (const QString& title :
         {QStringLiteral("Information"), QStringLiteral("Error"), QStringLiteral("Confirm")}) {
        int width = 0;
        int needed = 0;
        const MessageKind kind = title == u"Confirm" ? MessageKind::Question : MessageKind::Information;
        presentAndAnswer(kind, title, [&](QMessageBox& box) {
            width = box.width();
            needed = MessageBoxPresenter::minimumWidthFor(title, box.font());
            box.close();
        });
        EXPECT_GE(width, needed) << title.toStdString();
        EXPECT_GT(needed, QFontMetrics(QApplication::font()).horizontalAdvance(title)) << title.toStdString();
    }
}

} // namespace
} // namespace quorvane

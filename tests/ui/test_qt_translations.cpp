// Qt's own texts in the program's language: the translation Qt installs beside itself is found and used.
#include "ui/QtTranslations.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QPushButton>
#include <QTranslator>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane {
namespace {

// The save dialog a user sees (Qt's own, as on desktops without a native one) and a standard text, before
// and after the translation; the translator is taken away again for the other tests.
TEST(QtTranslations, FileDialogsAndStandardTextsInChinese) {
    const auto saveDialogTexts = [] {
        QFileDialog dialog;
        dialog.setOption(QFileDialog::DontUseNativeDialog);
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        return QStringList{dialog.labelText(QFileDialog::Reject), dialog.labelText(QFileDialog::FileName),
                           QCoreApplication::translate("QFileDialog", "Save As")};
    };
    EXPECT_EQ(saveDialogTexts().last(), QStringLiteral("Save As"));

    const std::unique_ptr<QTranslator> translator(installQtTranslations(*QCoreApplication::instance()));
    ASSERT_NE(translator, nullptr) << "qtbase_zh_CN not found: is qt6-translations-l10n installed?";
    const QStringList texts = saveDialogTexts();
    EXPECT_EQ(texts[0], QStringLiteral("取消"));
    EXPECT_TRUE(texts[1].startsWith(QStringLiteral("文件名"))) << texts[1].toStdString();
    EXPECT_EQ(texts[2], QStringLiteral("另存为"));
    // A standard button, as Qt's own dialogs show it.
    const QDialogButtonBox buttons(QDialogButtonBox::Yes | QDialogButtonBox::No);
    EXPECT_TRUE(buttons.button(QDialogButtonBox::Yes)->text().contains(QStringLiteral("是")))
        << buttons.button(QDialogButtonBox::Yes)->text().toStdString();
    QCoreApplication::removeTranslator(translator.get());
}

} // namespace
} // namespace quorvane

// "Quorvane --print-engines", run as the user runs it: a copy of the program with an Engines.ini beside it
// and no display.
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct Printout {
    int exitCode = -1;
    QString out;
    QString err;
};

class PrintEngines : public ::testing::Test {
protected:
    void SetUp() override {
        const QString program = qEnvironmentVariable("QUORVANE_BIN_DIR") + QStringLiteral("/Quorvane");
        copy = folder.filePath(QStringLiteral("Quorvane"));
        ASSERT_TRUE(QFile::copy(program, copy));
        QFile::setPermissions(copy, QFile::permissions(program));
        // A database file beside the copy keeps its settings beside it too (without one it would read the
        // user's settings folder); --print-engines never opens it.
        ASSERT_TRUE(QDir().mkpath(folder.filePath(QStringLiteral("DataBase"))));
        ASSERT_TRUE(test::WriteFile(folder.filePath(QStringLiteral("DataBase/Trevanid.mdb")), {}));
    }
    void WriteDefinitions(const QByteArray& text) {
        ASSERT_TRUE(test::WriteFile(folder.filePath(QStringLiteral("Engines.ini")), text));
    }
    Printout Run() {
        QProcess process;
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.remove(QStringLiteral("DISPLAY"));
        environment.remove(QStringLiteral("WAYLAND_DISPLAY"));
        environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        process.setProcessEnvironment(environment);
        process.start(copy, {QStringLiteral("--print-engines")});
        Printout printout;
        if (!process.waitForFinished(30000))
            return printout;
        printout.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -2;
        printout.out = QString::fromUtf8(process.readAllStandardOutput());
        printout.err = QString::fromUtf8(process.readAllStandardError());
        return printout;
    }

    QTemporaryDir folder;
    QString copy;
};

TEST_F(PrintEngines, WithoutAFileTheCompiledDefinitions) {
    const Printout p = Run();
    EXPECT_EQ(p.exitCode, 0) << p.err.toStdString();
    EXPECT_TRUE(p.out.contains(
        QStringLiteral("[Bing]\nPathBeforeKeyword=/search?q=\nPathBeforePage=&first=\n"
                       "PathAfterPage=\nStep=50\nMarkup=Root\nItemStart=<DIV class=sb_tlst>\n")))
        << p.out.toStdString();
    EXPECT_TRUE(p.out.contains(QStringLiteral("PromotedMark=推广</A>\n")));
}

TEST_F(PrintEngines, TheReadmeExampleChangesBing) {
    WriteDefinitions("[Bing]\nItemStart=<LI class=b_algo>\nItemEnd=</A></H2>\n");
    const Printout p = Run();
    EXPECT_EQ(p.exitCode, 0) << p.err.toStdString();
    EXPECT_TRUE(p.out.contains(QStringLiteral("[Bing]\n; from Engines.ini: ItemStart, ItemEnd\n")));
    EXPECT_TRUE(p.out.contains(
        QStringLiteral("ItemStart=<LI class=b_algo>\nItemEnd=</A></H2>\nLinkEnd=\" target=_blank\"\n")));
    EXPECT_TRUE(p.err.isEmpty()) << p.err.toStdString();
}

// Each engine's loader, and its verification marks one to a line in the file's order.
TEST_F(PrintEngines, TheLoaderAndTheVerificationMarksAreShown) {
    WriteDefinitions("[Baidu]\nBlockedMark=百度安全验证\nLoader=Browser\nBlockedMark=网络不给力\n");
    const Printout p = Run();
    EXPECT_EQ(p.exitCode, 0) << p.err.toStdString();
    const QString baidu = p.out.section(QStringLiteral("[Baidu]\n"), 1).section(u'[', 0, 0);
    EXPECT_TRUE(baidu.startsWith(QStringLiteral("; from Engines.ini: Loader, BlockedMark\n")))
        << baidu.toStdString();
    EXPECT_TRUE(baidu.contains(QStringLiteral(
        "\nLoader=Browser\n; verification pages: status 403 or 429, an address under /sorry/, "
        "/antispider or /turing/captcha, or on wappass.baidu.com or verify.baidu.com, built-in "
        "marks: 百度安全验证, 安全验证, 验证码, 请完成下方验证, wappass.baidu.com/static/captcha\n"
        "BlockedMark=百度安全验证\n"
        "BlockedMark=网络不给力\nResults=")))
        << baidu.toStdString();
    const QString bing = p.out.section(QStringLiteral("[Bing]\n"), 1).section(u'[', 0, 0);
    EXPECT_TRUE(
        bing.contains(QStringLiteral("\nLoader=Plain\n; verification pages: status 403 or 429, an "
                                     "address under /sorry/, /antispider or /turing/captcha, or on "
                                     "wappass.baidu.com or verify.baidu.com\n; BlockedMark: none of the "
                                     "engine's own\n")))
        << bing.toStdString();
    EXPECT_TRUE(p.err.isEmpty()) << p.err.toStdString();
}

TEST_F(PrintEngines, AFaultyFileIsReportedAndBingKeepsItsDefinition) {
    WriteDefinitions("[Bing]\nItemStart=<LI class=b_algo>\nStep=0\n");
    const Printout p = Run();
    EXPECT_EQ(p.exitCode, 1);
    EXPECT_TRUE(p.err.contains(QStringLiteral("Engines.ini"))) << p.err.toStdString();
    EXPECT_TRUE(p.err.contains(QStringLiteral("[Bing] Step"))) << p.err.toStdString();
    EXPECT_TRUE(p.out.contains(QStringLiteral("ItemStart=<DIV class=sb_tlst>\n")));
}

} // namespace
} // namespace quorvane

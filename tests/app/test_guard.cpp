// The single-instance guard, tried with real copies of the program.
#include "app/WindowModule.h"
#include "platform/SingleInstanceGuard.h"
#include "store/Schema.h"
#include "support/Files.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

QString programPath() {
    return qEnvironmentVariable("QUORVANE_BIN_DIR") + QStringLiteral("/Quorvane");
}

// Copies the program into a folder of its own, with a database beside it when asked (else a file that is not
// one).
QString installCopy(const QString& folder, bool withDatabase) {
    const QString target = QDir(folder).filePath(QStringLiteral("Quorvane"));
    if (!QFile::copy(programPath(), target))
        return {};
    QFile::setPermissions(target, QFile::permissions(programPath()));
    // The window is a module beside the program.
    const QString module = QString::fromLatin1(kWindowModuleFile);
    if (!QFile::copy(qEnvironmentVariable("QUORVANE_BIN_DIR") + u'/' + module, QDir(folder).filePath(module)))
        return {};
    const QString database = QDir(folder).filePath(QStringLiteral("DataBase/Trevanid.mdb"));
    if (withDatabase &&
        !createDatabase(database, QString::fromUtf16(kDbPassword), SchemaVersion::Full, nullptr))
        return {};
    // Without one, an empty file that is no database: the copy still keeps its data beside it (and says it
    // cannot open it) rather than use the user's own folders.
    if (!withDatabase &&
        (!QDir().mkpath(QFileInfo(database).absolutePath()) || !test::WriteFile(database, {})))
        return {};
    return target;
}

// True when the guard of that executable names the process: the guard writes its owner's pid once it holds
// the lock. Reading it takes no lock, so the probe never stands in the way of a copy that starts.
bool guardHeldBy(const QString& executable, qint64 pid) {
    QFile file(SingleInstanceGuard::guardFilePath(executable));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    return file.readAll().trimmed() == QByteArray::number(pid);
}

bool waitFor(const std::function<bool()>& condition, int ms = 20000) {
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < ms) {
        if (condition())
            return true;
        QThread::msleep(20);
    }
    return condition();
}

// Reads the copy's standard error until the text shows up (messages are echoed there).
bool waitForMessage(QProcess& process, const QString& text, QString* seen) {
    return waitFor([&] {
        process.waitForReadyRead(50);
        *seen += QString::fromUtf8(process.readAllStandardError());
        return seen->contains(text);
    });
}

class GuardProcesses : public ::testing::Test {
protected:
    void TearDown() override {
        for (QProcess* p : {&first, &second, &elsewhere, &again}) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
        }
    }
    QTemporaryDir folderA;
    QTemporaryDir folderB;
    QProcess first, second, elsewhere, again;
};

TEST_F(GuardProcesses, OneCopyPerFolderAndTheGuardDiesWithItsOwner) {
    const QString a = installCopy(folderA.path(), true);
    const QString b = installCopy(folderB.path(), false);
    ASSERT_FALSE(a.isEmpty());
    ASSERT_FALSE(b.isEmpty());

    first.start(a, {});
    ASSERT_TRUE(first.waitForStarted());
    ASSERT_TRUE(waitFor([&] { return guardHeldBy(a, first.processId()); }))
        << "the first copy never took the guard";

    // A second copy from the same path is refused and opens nothing.
    second.start(a, {});
    ASSERT_TRUE(second.waitForStarted());
    QString seen;
    EXPECT_TRUE(waitForMessage(second, QStringLiteral("程序正在运行！"), &seen)) << seen.toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("连接数据库失败!")));
    second.kill();
    second.waitForFinished();

    // A copy from another folder gets past the guard (and then finds no database there).
    elsewhere.start(b, {});
    ASSERT_TRUE(elsewhere.waitForStarted());
    seen.clear();
    EXPECT_TRUE(waitForMessage(elsewhere, QStringLiteral("连接数据库失败!"), &seen)) << seen.toStdString();
    EXPECT_FALSE(seen.contains(QStringLiteral("程序正在运行！")));

    // After the first copy is killed outright, a new copy from its folder starts normally.
    first.kill();
    ASSERT_TRUE(first.waitForFinished());
    again.start(a, {});
    ASSERT_TRUE(again.waitForStarted());
    EXPECT_TRUE(waitFor([&] { return guardHeldBy(a, again.processId()); }));
    again.waitForReadyRead(500);
    EXPECT_FALSE(QString::fromUtf8(again.readAllStandardError()).contains(QStringLiteral("程序正在运行！")));
    EXPECT_EQ(again.state(), QProcess::Running);
}

TEST(GuardName, PathWithoutSeparatorsBetweenPrefixAndBrace) {
    EXPECT_EQ(SingleInstanceGuard::guardFileName(QStringLiteral("/opt/Tools/Rank/Quorvane")),
              QStringLiteral("{5E2A7C41-9B3D-4F6E-A2C8-7D19B4E0F356-optToolsRankQuorvane}"));
    EXPECT_EQ(SingleInstanceGuard::guardFileName(QStringLiteral("D:\\Tools\\Rank\\rank.exe")),
              QStringLiteral("{5E2A7C41-9B3D-4F6E-A2C8-7D19B4E0F356-D:ToolsRankrank.exe}"));
    // A very long path still gives a usable file name, distinct per path.
    const QString longA = QStringLiteral("/") + QString(300, u'a') + QStringLiteral("/x");
    const QString longB = QStringLiteral("/") + QString(300, u'a') + QStringLiteral("/y");
    EXPECT_LT(QFileInfo(SingleInstanceGuard::guardFilePath(longA)).fileName().toUtf8().size(), 256);
    EXPECT_NE(SingleInstanceGuard::guardFilePath(longA), SingleInstanceGuard::guardFilePath(longB));
}

TEST(GuardInProcess, SecondClaimFromAnotherHandleIsRefused) {
    const QString exe = QStringLiteral("/tmp/quorvane-guard-test/") + QString::number(::getpid());
    SingleInstanceGuard one(exe);
    SingleInstanceGuard two(exe);
    EXPECT_FALSE(one.claimInstance());
    EXPECT_TRUE(two.claimInstance());
    QFile::remove(SingleInstanceGuard::guardFilePath(exe));
}

} // namespace
} // namespace quorvane

// The Debian package, made from this build's own tree by scripts/package (cpack, then lintian), unpacked
// with dpkg-deb into a temporary root and run from there as a user would run the installed program: HOME
// and the XDG folders are temporary folders of the test, nothing is installed system-wide.
#include "../runs/EngineFixture.h"
#include "Installation.h"

#include "cli/CommandLineOptions.h"
#include "store/Schema.h"
#include "support/Files.h"

#include <QDir>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <QTest>

#include <memory>

namespace quorvane {
namespace {

using test::ProcessResult;

// The package of the suite, made once: scripts/package's output, the .deb and the root it is unpacked in.
struct Package {
    QTemporaryDir work;
    ProcessResult packaging;
    QString deb;
    QString root() const { return work.filePath(QStringLiteral("root")); }
    QString program() const { return root() + QStringLiteral("/usr/bin/quorvane"); }
};

Package& package() {
    static const std::unique_ptr<Package> made = [] {
        auto p = std::make_unique<Package>();
        const QString out = p->work.filePath(QStringLiteral("out"));
        p->packaging = test::RunProgram(QStringLiteral("bash"),
                                        {QStringLiteral(QUORVANE_SOURCE_DIR "/scripts/package"),
                                         QStringLiteral("--from"), QStringLiteral(QUORVANE_BUILD_DIR),
                                         QStringLiteral("--out"), out},
                                        QProcessEnvironment::systemEnvironment(), {}, 540000);
        const QStringList debs = QDir(out).entryList({QStringLiteral("*.deb")});
        if (debs.size() == 1) {
            p->deb = out + u'/' + debs.first();
            QProcess::execute(QStringLiteral("dpkg-deb"), {QStringLiteral("-x"), p->deb, p->root()});
        }
        return p;
    }();
    return *made;
}

QString dpkgDeb(const QStringList& arguments) {
    QProcess process;
    process.start(QStringLiteral("dpkg-deb"), arguments);
    process.waitForFinished();
    return QString::fromUtf8(process.readAllStandardOutput());
}

class InstalledPackage : public test::EngineFixture {
protected:
    void SetUp() override {
        EngineFixture::SetUp();
        ASSERT_EQ(package().packaging.exitCode, 0)
            << package().packaging.out.toStdString() << package().packaging.err.toStdString();
        ASSERT_TRUE(QFileInfo(package().program()).isExecutable());
        environment = test::CronEnvironment();
        environment.insert(QStringLiteral("HOME"), home.path());
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("data")));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home.filePath(QStringLiteral("config")));
    }
    ProcessResult Run(const QStringList& arguments) {
        return test::RunProgram(package().program(), arguments, environment);
    }
    QString DataFolder() const { return home.filePath(QStringLiteral("data/Quorvane")); }
    QString DatabasePath() const { return DataFolder() + QStringLiteral("/DataBase/Trevanid.mdb"); }
    // The user's Endpoints.ini points the engines at the loopback server; the database created on the first
    // start gets one site with one keyword.
    void PointAtTheLoopbackServerWithOneKeyword() {
        ASSERT_TRUE(test::WriteFile(home.filePath(QStringLiteral("config/Quorvane/Endpoints.ini")),
                                    test::LoopbackEndpoints::Text(server.BaseUrl())));
        Database database;
        ASSERT_TRUE(database.openDatabase(DatabasePath(), QString::fromUtf16(kDbPassword)));
        ASSERT_TRUE(database.execAllInOneTransaction(
            {QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('www.mysite.com',-1)"),
             QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName)Values(1,'北京旅游')")}));
    }

    QTemporaryDir home;
    QProcessEnvironment environment;
};

TEST_F(InstalledPackage, IsNamedAfterItsVersionAndDependsOnTheLibrariesItLinks) {
    EXPECT_EQ(QFileInfo(package().deb).fileName(), QStringLiteral("quorvane_1.3_amd64.deb"));
    // Computed by dpkg-shlibdeps from what the program and its modules link.
    const QString depends = dpkgDeb({QStringLiteral("-f"), package().deb, QStringLiteral("Depends")});
    for (const char* library :
         {"libqt6core6", "libqt6widgets6", "libsqlcipher0", "libgumbo", "libxlsxwriter"})
        EXPECT_TRUE(depends.contains(QString::fromLatin1(library)))
            << library << " in: " << depends.toStdString();
    // lintian ran and found no error (its warnings are listed in the output).
    EXPECT_TRUE(package().packaging.out.contains(QStringLiteral("lintian")))
        << package().packaging.out.toStdString();
}

TEST_F(InstalledPackage, HoldsTheProgramItsModulesAndTheDesktopFiles) {
    const QString root = package().root();
    for (const char* file :
         {"usr/lib/quorvane/quorvane_window.so", "usr/lib/quorvane/quorvane_script_page.so",
          "usr/share/applications/quorvane.desktop", "usr/share/metainfo/org.quorvane.Quorvane.metainfo.xml",
          "usr/share/icons/hicolor/32x32/apps/quorvane.png", "usr/share/man/man1/quorvane.1.gz",
          "usr/share/doc/quorvane/copyright", "usr/share/quorvane/历史记录曲线排名模板.xls"})
        EXPECT_TRUE(QFileInfo::exists(root + u'/' + QString::fromUtf8(file))) << file;
    const QByteArray entry =
        test::ReadFileBytes(root + QStringLiteral("/usr/share/applications/quorvane.desktop"));
    EXPECT_TRUE(entry.contains("\nExec=quorvane\n")) << entry.toStdString();
    EXPECT_FALSE(QFileInfo::exists(root + QStringLiteral("/usr/bin/DataBase")))
        << "no one's data in the package";
}

// The manual page is made from the option table of --help: every option the usage lists is in it.
TEST_F(InstalledPackage, TheManualPageListsEveryOptionOfTheUsage) {
    QProcess gunzip;
    gunzip.start(
        QStringLiteral("gzip"),
        {QStringLiteral("-dc"), package().root() + QStringLiteral("/usr/share/man/man1/quorvane.1.gz")});
    ASSERT_TRUE(gunzip.waitForFinished());
    const QString page = QString::fromUtf8(gunzip.readAllStandardOutput());
    const QRegularExpression option(QStringLiteral("^  (--[a-z-]+)"), QRegularExpression::MultilineOption);
    int options = 0;
    for (const QRegularExpressionMatch& match : option.globalMatch(usageText())) {
        ++options;
        QString roffName = match.captured(1);
        roffName.replace(u'-', QStringLiteral("\\-"));
        EXPECT_TRUE(page.contains(QStringLiteral("\n.B ") + roffName + u'\n') ||
                    page.contains(QStringLiteral("\n.BI ") + roffName + u' '))
            << match.captured(1).toStdString();
    }
    EXPECT_GE(options, 8);
}

// The first start makes the user's database in the data folder and says so; a second start finds it, and
// its run writes there (cells, history, log), never beside the program.
TEST_F(InstalledPackage, TheFirstStartMakesTheDatabaseInTheDataFolderAndTheNextRunsUseIt) {
    const ProcessResult first = Run({QStringLiteral("--update")});
    EXPECT_EQ(first.exitCode, 0) << first.err.toStdString();
    EXPECT_TRUE(first.err.contains(QStringLiteral("已创建新的数据库: ") + DatabasePath()))
        << first.err.toStdString();
    EXPECT_TRUE(first.out.contains(QStringLiteral("完成: 0/0"))) << first.out.toStdString();
    ASSERT_TRUE(QFileInfo::exists(DatabasePath()));
    EXPECT_TRUE(QFileInfo::exists(DataFolder() + QStringLiteral("/历史记录曲线排名模板.xls")));
    EXPECT_TRUE(QFileInfo(home.filePath(QStringLiteral("config/Quorvane"))).isDir());

    ASSERT_NO_FATAL_FAILURE(PointAtTheLoopbackServerWithOneKeyword());
    ServeResults(u"Bing", test::kKeyword, 0, test::LinksWithSiteAt(10, 4, test::kSite));

    const ProcessResult second =
        Run({QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Bing")});
    EXPECT_EQ(second.exitCode, 0) << second.err.toStdString();
    EXPECT_FALSE(second.err.contains(QStringLiteral("已创建新的数据库"))) << second.err.toStdString();
    EXPECT_TRUE(second.out.contains(QStringLiteral("完成: 1/1"))) << second.out.toStdString();
    Database database;
    ASSERT_TRUE(database.openDatabase(DatabasePath(), QString::fromUtf16(kDbPassword)));
    Recordset rs;
    ASSERT_EQ(database.openQuery(rs, QStringLiteral("Select BingRank From SE_KeyWord")), 1);
    EXPECT_EQ(rs.value(0, 0).toString(), QStringLiteral("4"));
    EXPECT_EQ(database.openQuery(rs, QStringLiteral("Select BingRank From SE_RankHistory")), 1);
    EXPECT_FALSE(QDir(DataFolder() + QStringLiteral("/Logs")).isEmpty());
    EXPECT_FALSE(QFileInfo::exists(package().root() + QStringLiteral("/usr/bin/Logs")));
}

// One installed program, several data folders (users, the shards of one host): a run excludes only runs on
// its own data.
TEST_F(InstalledPackage, ARunExcludesOnlyRunsOnItsOwnDataFolder) {
    ASSERT_EQ(Run({QStringLiteral("--update")}).exitCode, 0);
    ASSERT_NO_FATAL_FAILURE(PointAtTheLoopbackServerWithOneKeyword());
    // The page comes slowly, so that the run holds its guard while the others start.
    server.Serve(
        Target(u"Bing", test::kKeyword, 0),
        test::Answer(200, test::ResultPage(u"Bing", test::LinksWithSiteAt(10, 2, test::kSite)), 3000));

    QProcessEnvironment elsewhere = environment;
    elsewhere.insert(QStringLiteral("XDG_DATA_HOME"), home.filePath(QStringLiteral("other-data")));
    ProcessResult sameData;
    ProcessResult otherData;
    bool tried = false;
    const ProcessResult holder = test::RunProgram(
        package().program(),
        {QStringLiteral("--update"), QStringLiteral("--engines"), QStringLiteral("Bing")}, environment,
        [&](QProcess&) {
            if (tried || server.Requests().isEmpty())
                return;
            tried = true;
            sameData = Run({QStringLiteral("--update")});
            otherData = test::RunProgram(package().program(), {QStringLiteral("--update")}, elsewhere);
        });
    ASSERT_TRUE(tried);
    EXPECT_EQ(holder.exitCode, 0) << holder.err.toStdString();
    EXPECT_EQ(sameData.exitCode, 4) << sameData.err.toStdString();
    EXPECT_TRUE(sameData.err.contains(QStringLiteral("程序正在运行！"))) << sameData.err.toStdString();
    EXPECT_EQ(otherData.exitCode, 0) << otherData.err.toStdString();
    EXPECT_TRUE(
        QFileInfo::exists(home.filePath(QStringLiteral("other-data/Quorvane/DataBase/Trevanid.mdb"))));
}

TEST_F(InstalledPackage, VersionNamesTheFoldersInUse) {
    const ProcessResult version = Run({QStringLiteral("--version")});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_TRUE(version.out.contains(QStringLiteral("数据文件夹: ") + DataFolder() + u'/'))
        << version.out.toStdString();
    EXPECT_TRUE(version.out.contains(QStringLiteral("设置文件夹: ") +
                                     home.filePath(QStringLiteral("config/Quorvane/"))))
        << version.out.toStdString();
    EXPECT_FALSE(QFileInfo::exists(DataFolder())) << "--version makes nothing";
}

// A data folder that cannot be made is named, with status 3, instead of "连接数据库失败!".
TEST_F(InstalledPackage, ADataFolderThatCannotBeMadeIsNamedWithThree) {
    ASSERT_TRUE(test::WriteFile(home.filePath(QStringLiteral("data")), "a file where the folder should be"));
    const ProcessResult result = Run({QStringLiteral("--update")});
    EXPECT_EQ(result.exitCode, 3);
    EXPECT_TRUE(result.err.contains(home.filePath(QStringLiteral("data/Quorvane"))))
        << result.err.toStdString();
    EXPECT_FALSE(result.err.contains(QStringLiteral("连接数据库失败!"))) << result.err.toStdString();
}

// Started without options, the installed program loads its window from lib/quorvane and opens the user's
// new database.
TEST_F(InstalledPackage, TheWindowStartsFromTheInstalledProgram) {
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    QProcess window;
    window.setProcessEnvironment(environment);
    window.setProcessChannelMode(QProcess::ForwardedChannels);
    window.start(package().program(), {});
    ASSERT_TRUE(window.waitForStarted());
    // The database is opened (in WAL mode) only once the window's start-up reads the mission list.
    EXPECT_TRUE(
        QTest::qWaitFor([&] { return QFileInfo::exists(DatabasePath() + QStringLiteral("-wal")); }, 60000));
    EXPECT_EQ(window.state(), QProcess::Running);
    window.kill();
    window.waitForFinished();
}

} // namespace
} // namespace quorvane

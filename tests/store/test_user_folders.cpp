// An installed copy's first start: the user's data folder made, a fresh database of the program's own
// schema, the shipped files copied, and a folder that cannot be made named.
#include "store/Database.h"
#include "store/Schema.h"
#include "store/UserFolders.h"
#include "support/Files.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

class UserFoldersTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(QDir().mkpath(Path("usr/share/quorvane")));
        ASSERT_TRUE(test::WriteFile(Path("usr/share/quorvane/template.xls"), "shipped"));
        folders.program = Path("usr/bin/");
        folders.modules = folders.program;
        folders.shared = Path("usr/share/quorvane/");
        folders.data = Path("home/.local/share/Quorvane/");
        folders.config = Path("home/.config/Quorvane/");
        folders.besideExecutable = false;
    }
    QString Path(const char* relative) const { return root.filePath(QString::fromUtf8(relative)); }
    QString DatabasePath() const { return folders.data + QStringLiteral("DataBase/Trevanid.mdb"); }

    QTemporaryDir root;
    ProgramFolders folders;
};

TEST_F(UserFoldersTest, TheFirstStartMakesADatabaseThatOpensAndTheShippedFiles) {
    const UserFoldersCheck check = prepareUserFolders(folders);
    ASSERT_EQ(check.problem, UserFoldersCheck::Problem::None) << userFoldersProblemText(check).toStdString();
    EXPECT_TRUE(check.databaseMade);
    EXPECT_TRUE(QFileInfo(folders.config).isDir());
    Database database;
    ASSERT_TRUE(database.openDatabase(DatabasePath(), QString::fromUtf16(kDbPassword)));
    Recordset rs;
    EXPECT_EQ(database.openQuery(rs, QStringLiteral("Select YoudaoRank From SE_KeyWord")), 0);
    EXPECT_EQ(test::ReadFileBytes(folders.data + QStringLiteral("template.xls")), QByteArray("shipped"));
}

TEST_F(UserFoldersTest, ALaterStartKeepsTheUsersDatabaseAndFiles) {
    ASSERT_EQ(prepareUserFolders(folders).problem, UserFoldersCheck::Problem::None);
    {
        Database database;
        ASSERT_TRUE(database.openDatabase(DatabasePath(), QString::fromUtf16(kDbPassword)));
        ASSERT_TRUE(database.execInTransaction(
            database.execQuery, QStringLiteral("Insert Into SE_KeyUrl(UrlName,isCheck)Values('a.com',-1)")));
    }
    ASSERT_TRUE(test::WriteFile(folders.data + QStringLiteral("template.xls"), "the user's own"));

    const UserFoldersCheck again = prepareUserFolders(folders);
    EXPECT_EQ(again.problem, UserFoldersCheck::Problem::None);
    EXPECT_FALSE(again.databaseMade);
    Database database;
    ASSERT_TRUE(database.openDatabase(DatabasePath(), QString::fromUtf16(kDbPassword)));
    Recordset rs;
    EXPECT_EQ(database.openQuery(rs, QStringLiteral("Select * From SE_KeyUrl")), 1);
    EXPECT_EQ(test::ReadFileBytes(folders.data + QStringLiteral("template.xls")),
              QByteArray("the user's own"));
}

// A damaged database is the user's: it is never replaced by a fresh one (opening it says what is wrong).
TEST_F(UserFoldersTest, AnEmptyDatabaseFileIsLeftAsItIs) {
    ASSERT_TRUE(QDir().mkpath(folders.data + QStringLiteral("DataBase")));
    ASSERT_TRUE(test::WriteFile(DatabasePath(), {}));
    const UserFoldersCheck check = prepareUserFolders(folders);
    EXPECT_EQ(check.problem, UserFoldersCheck::Problem::None);
    EXPECT_FALSE(check.databaseMade);
    EXPECT_EQ(QFileInfo(DatabasePath()).size(), 0);
}

// A file where a folder should be stops the start with the folder named (also for root, whom permissions
// do not stop).
TEST_F(UserFoldersTest, AFolderThatCannotBeMadeIsNamed) {
    ASSERT_TRUE(QDir().mkpath(Path("home/.local")));
    ASSERT_TRUE(test::WriteFile(Path("home/.local/share"), "a file"));
    const UserFoldersCheck check = prepareUserFolders(folders);
    EXPECT_EQ(check.problem, UserFoldersCheck::Problem::CannotCreate);
    EXPECT_EQ(check.path, Path("home/.local/share/Quorvane"));
    EXPECT_TRUE(userFoldersProblemText(check).contains(Path("home/.local/share/Quorvane")))
        << userFoldersProblemText(check).toStdString();
    EXPECT_FALSE(QFileInfo::exists(folders.config));
}

TEST_F(UserFoldersTest, TheSettingsFolderNeedNotBeWritable) {
    ASSERT_TRUE(QDir().mkpath(folders.config));
    ASSERT_TRUE(QFile::setPermissions(folders.config, QFile::ReadOwner | QFile::ExeOwner));
    EXPECT_EQ(prepareUserFolders(folders).problem, UserFoldersCheck::Problem::None);
    QFile::setPermissions(folders.config, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

TEST_F(UserFoldersTest, ACopyBesideItsExecutableIsNotTouched) {
    folders.besideExecutable = true;
    folders.data = folders.program;
    folders.config = folders.program;
    const UserFoldersCheck check = prepareUserFolders(folders);
    EXPECT_EQ(check.problem, UserFoldersCheck::Problem::None);
    EXPECT_FALSE(check.databaseMade);
    EXPECT_FALSE(QFileInfo::exists(folders.program));
}

} // namespace
} // namespace quorvane

// Which folders a copy of the program uses: beside the executable for an unpacked or built copy, the
// user's folders for an installed one.
#include "platform/ProgramFolders.h"
#include "support/Files.h"

#include <QDir>
#include <QMap>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

class ProgramFoldersTest : public ::testing::Test {
protected:
    // The executable's folder of a copy: bin/ under the temporary root, with a database when asked.
    QString ProgramFolder(bool withDatabase) {
        const QString bin = root.filePath(QStringLiteral("usr/bin"));
        EXPECT_TRUE(QDir().mkpath(bin + QStringLiteral("/DataBase")));
        if (withDatabase) {
            EXPECT_TRUE(test::WriteFile(bin + QStringLiteral("/DataBase/Trevanid.mdb"), "db"));
        }
        return bin;
    }
    EnvironmentLookup Environment() const {
        return [this](const char* name) { return variables.value(QString::fromLatin1(name)); };
    }

    QTemporaryDir root;
    QMap<QString, QString> variables{{QStringLiteral("HOME"), QStringLiteral("/home/li")}};
};

TEST_F(ProgramFoldersTest, AWritableFolderWithItsDatabaseKeepsEverythingBesideTheExecutable) {
    const QString bin = ProgramFolder(true);
    variables.insert(QStringLiteral("XDG_DATA_HOME"), QStringLiteral("/elsewhere/data"));
    const ProgramFolders folders = programFoldersOf(bin, Environment());
    EXPECT_TRUE(folders.besideExecutable);
    EXPECT_EQ(folders.program, bin + u'/');
    EXPECT_EQ(folders.data, bin + u'/');
    EXPECT_EQ(folders.config, bin + u'/');
    EXPECT_EQ(folders.modules, bin + u'/');
}

struct XdgCase {
    const char* name;
    const char* dataHome;   // nullptr: unset
    const char* configHome; // nullptr: unset
    const char* data;
    const char* config;
};

class ProgramFoldersXdgTest : public ProgramFoldersTest, public ::testing::WithParamInterface<XdgCase> {};

// Without a database beside it, the copy is an installed one: the user's folders, as XDG defines them.
TEST_P(ProgramFoldersXdgTest, AFolderWithoutADatabaseUsesTheUsersFolders) {
    const XdgCase& c = GetParam();
    if (c.dataHome)
        variables.insert(QStringLiteral("XDG_DATA_HOME"), QString::fromUtf8(c.dataHome));
    if (c.configHome)
        variables.insert(QStringLiteral("XDG_CONFIG_HOME"), QString::fromUtf8(c.configHome));
    const ProgramFolders folders = programFoldersOf(ProgramFolder(false), Environment());
    EXPECT_FALSE(folders.besideExecutable);
    EXPECT_EQ(folders.data, QString::fromUtf8(c.data));
    EXPECT_EQ(folders.config, QString::fromUtf8(c.config));
}

const XdgCase kXdgCases[] = {
    {"defaults", nullptr, nullptr, "/home/li/.local/share/Quorvane/", "/home/li/.config/Quorvane/"},
    {"set", "/srv/d/", "/srv/c", "/srv/d/Quorvane/", "/srv/c/Quorvane/"},
    // A relative XDG_DATA_HOME or XDG_CONFIG_HOME is ignored, as desktops ignore it: the default applies.
    {"relative_ignored", "data", "./config", "/home/li/.local/share/Quorvane/", "/home/li/.config/Quorvane/"},
    {"empty_ignored", "", "", "/home/li/.local/share/Quorvane/", "/home/li/.config/Quorvane/"},
};

INSTANTIATE_TEST_SUITE_P(Xdg, ProgramFoldersXdgTest, ::testing::ValuesIn(kXdgCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProgramFoldersTest, TheInstalledLayoutFindsItsModulesAndSharedFilesFromBin) {
    const QString bin = ProgramFolder(false);
    ASSERT_TRUE(QDir().mkpath(root.filePath(QStringLiteral("usr/lib/quorvane"))));
    const ProgramFolders folders = programFoldersOf(bin, Environment());
    EXPECT_EQ(folders.modules, root.filePath(QStringLiteral("usr/lib/quorvane/")));
    EXPECT_EQ(folders.shared, root.filePath(QStringLiteral("usr/share/quorvane/")));
}

TEST_F(ProgramFoldersTest, DecidingTheFoldersWritesNothing) {
    const QString bin = ProgramFolder(false);
    variables.insert(QStringLiteral("HOME"), root.filePath(QStringLiteral("home")));
    const ProgramFolders folders = programFoldersOf(bin, Environment());
    EXPECT_TRUE(folders.data.startsWith(root.filePath(QStringLiteral("home/"))));
    EXPECT_FALSE(QDir(root.filePath(QStringLiteral("home"))).exists());
}

} // namespace
} // namespace quorvane

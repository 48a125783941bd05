// Saving replaces the target in one step: a failed save keeps what was there and leaves no partial file.
#include "ExportTesting.h"

#include "export/WorkbookError.h"
#include "support/Files.h"

#include <QFile>

#include <unistd.h>

namespace quorvane::test {
namespace {

class WorkbookSave : public ExportFolder {
protected:
    static Workbook small() {
        Workbook book = Workbook::create();
        book.setText(1, 1, QStringLiteral("新"));
        return book;
    }

    void writeFile(const QString& name, const QByteArray& bytes) const {
        ASSERT_TRUE(test::WriteFile(path(name), bytes));
    }
};

TEST_F(WorkbookSave, ReplacesAnExistingFileAndLeavesNothingElse) {
    writeFile(QStringLiteral("out.xlsx"), "old content");
    const QStringList before = folderEntries(dir_.path());
    const XlsxReader file = saveAndRead(small());
    EXPECT_EQ(file.cell(QStringLiteral("A1")).text, QStringLiteral("新"));
    EXPECT_EQ(folderEntries(dir_.path()), before);
}

TEST_F(WorkbookSave, FailureWhileWritingKeepsTheTarget) {
    writeFile(QStringLiteral("out.xlsx"), "old content");
    const QStringList before = folderEntries(dir_.path());
    Workbook book = small();
    // Longer than a cell may hold: the writer refuses it in the middle of the save.
    book.setText(2, 1, QString(40000, u'x'));
    EXPECT_THROW(book.save(path(QStringLiteral("out.xlsx"))), WorkbookError);
    EXPECT_EQ(fileBytes(path(QStringLiteral("out.xlsx"))), QByteArray("old content"));
    EXPECT_EQ(folderEntries(dir_.path()), before);
}

TEST_F(WorkbookSave, UnwritablePlacesThrowAndCreateNothing) {
    writeFile(QStringLiteral("plain-file"), "x");
    const QStringList before = folderEntries(dir_.path());
    for (const QString& target : {path(QStringLiteral("plain-file/out.xlsx")),
                                  path(QStringLiteral("no-such-folder/out.xlsx")), QString()}) {
        SCOPED_TRACE(target.toStdString());
        EXPECT_THROW(small().save(target), WorkbookError);
    }
    EXPECT_EQ(folderEntries(dir_.path()), before);
}

TEST_F(WorkbookSave, ReadOnlyFolderKeepsTheTargetAndTheErrorNamesIt) {
    const QString folder = path(QStringLiteral("locked"));
    ASSERT_TRUE(QDir().mkdir(folder));
    const QString target = folder + QStringLiteral("/out.xlsx");
    small().save(target);
    const QByteArray before = fileBytes(target);
    ASSERT_TRUE(QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner));
    const bool stillWritable = ::access(QFile::encodeName(folder).constData(), W_OK) == 0;
    if (!stillWritable) {
        Workbook book = small();
        book.setText(2, 1, QStringLiteral("更多"));
        try {
            book.save(target);
            ADD_FAILURE() << "no error";
        } catch (const WorkbookError& error) {
            EXPECT_TRUE(error.message().contains(target)) << error.what();
        }
        EXPECT_EQ(fileBytes(target), before);
        EXPECT_EQ(folderEntries(folder), QStringList{QStringLiteral("out.xlsx")});
    }
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    if (stillWritable)
        GTEST_SKIP() << "permissions do not bind this user (root)";
}

} // namespace
} // namespace quorvane::test

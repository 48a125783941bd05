// Saving replaces the target in one step: a failed save keeps what was there and leaves no partial file.
#include "ExportTesting.h"

#include "export/WorkbookError.h"
#include "support/Files.h"

#include <QFile>

#include <cerrno>
#include <optional>
#include <ostream>

#include <sys/stat.h>
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
    // The user's choice of who may read the file outlives the save.
    const auto mode = QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup;
    ASSERT_TRUE(QFile::setPermissions(path(QStringLiteral("out.xlsx")), mode));
    const QStringList before = folderEntries(dir_.path());
    const XlsxReader file = saveAndRead(small());
    EXPECT_EQ(file.cell(QStringLiteral("A1")).text, QStringLiteral("新"));
    EXPECT_EQ(folderEntries(dir_.path()), before);
    struct stat saved {};
    ASSERT_EQ(::stat(QFile::encodeName(path(QStringLiteral("out.xlsx"))).constData(), &saved), 0);
    EXPECT_EQ(saved.st_mode & 0777, 0640u);
}

// A disk that fills up, found either by a write or only by the sync that follows the writes: the save
// fails with the plain reason, and the old file keeps every byte.
struct SaveFault {
    const char* name;
    enum { SizeLimit, Sync } kind;
    int error; // for Sync
    FileFailure failure;
    const char* words;
};

const SaveFault kSaveFaults[] = {
    {"disk_fills_while_writing", SaveFault::SizeLimit, 0, FileFailure::DiskFull, "磁盘空间不足"},
    {"sync_finds_the_disk_full", SaveFault::Sync, ENOSPC, FileFailure::DiskFull, "磁盘空间不足"},
    {"sync_cannot_write_back", SaveFault::Sync, EIO, FileFailure::Other, "磁盘读写出错"},
};

void PrintTo(const SaveFault& fault, std::ostream* out) {
    *out << fault.name;
}

class WorkbookSaveFault : public WorkbookSave,
                          public ::testing::WithParamInterface<std::tuple<Backend, SaveFault>> {};

TEST_P(WorkbookSaveFault, FailsWithTheReasonAndKeepsTheOldFile) {
    const auto& [backend, fault] = GetParam();
    const QByteArray old(3000, 'o');
    writeFile(QStringLiteral("out.xlsx"), old);
    const QStringList before = folderEntries(dir_.path());
    Workbook book = open(backend);
    for (int row = 3; row < 40; ++row)
        book.setText(row, 1, QStringLiteral("第%1行").arg(row));
    const QString target = path(QStringLiteral("out.xlsx"));
    try {
        // Smaller than the workbook and than a write buffer, as a nearly full disk is.
        std::optional<FileSizeLimit> limit;
        std::optional<FailingSync> sync;
        if (fault.kind == SaveFault::SizeLimit)
            limit.emplace(2048);
        else
            sync.emplace(fault.error);
        book.save(target);
        ADD_FAILURE() << "no error";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(error.failure(), fault.failure) << error.what();
        EXPECT_TRUE(error.message().contains(QString::fromUtf8(fault.words))) << error.what();
        EXPECT_TRUE(error.message().contains(target)) << error.what();
    }
    EXPECT_EQ(fileBytes(target), old);
    EXPECT_EQ(folderEntries(dir_.path()), before);
}

INSTANTIATE_TEST_SUITE_P(Faults, WorkbookSaveFault,
                         ::testing::Combine(::testing::Values(Backend::New, Backend::Template),
                                            ::testing::ValuesIn(kSaveFaults)),
                         [](const auto& info) {
                             return std::string(backendName(std::get<0>(info.param))) + "_" +
                                    std::get<1>(info.param).name;
                         });

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

// The library that builds new workbooks writes its temporary files without checking the writes: with
// room for the compressed workbook but not for its sheet's rows, it would make a workbook that lost
// rows. The save sees that the rows are not all there and fails.
TEST_F(WorkbookSave, TemporaryFilesThatCannotHoldEveryRowFailTheSave) {
    writeFile(QStringLiteral("out.xlsx"), "old content");
    const QStringList before = folderEntries(dir_.path());
    const QString target = path(QStringLiteral("out.xlsx"));
    try {
        const FileSizeLimit limit(256 * 1024);
        Workbook book = Workbook::create();
        for (int row = 1; row <= 20000; ++row) {
            book.setText(row, 1, QStringLiteral("关键词%1").arg(row));
            book.setNumber(row, 2, row % 97);
        }
        book.save(target);
        ADD_FAILURE() << "saved";
    } catch (const WorkbookError& error) {
        EXPECT_EQ(error.failure(), FileFailure::DiskFull) << error.what();
        EXPECT_TRUE(error.message().contains(target)) << error.what();
    }
    EXPECT_EQ(fileBytes(target), QByteArray("old content"));
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

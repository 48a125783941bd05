#pragma once

#include "XlsxReader.h"
#include "export/Workbook.h"

#include "export/AtomicSave.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/resource.h>

namespace quorvane::test {

enum class Backend { New, Template };

inline const char* backendName(Backend backend) {
    return backend == Backend::New ? "new" : "template";
}

QByteArray fileBytes(const QString& path);
QStringList folderEntries(const QString& folder);

// While it lives no file of the process can grow beyond `bytes`: a write past that fails with EFBIG as
// a write onto a full disk fails with ENOSPC (the signal that would end the process is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(rlim_t bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

private:
    rlimit previous_{};
    void (*previousHandler_)(int) = nullptr;
};

// While it lives every sync of a saved file fails with the errno given, as a network disk's sync fails
// when the server finds no room for what it had already taken.
class FailingSync {
public:
    explicit FailingSync(int error);
    ~FailingSync();
    FailingSync(const FailingSync&) = delete;
    FailingSync& operator=(const FailingSync&) = delete;

private:
    FileSync previous_;
};

// A temporary folder holding the shipped history template, and the workbooks a test saves.
class ExportFolder : public ::testing::Test {
protected:
    void SetUp() override;

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString templatePath() const { return path(QStringLiteral("template.xls")); }
    Workbook open(Backend backend) const;
    XlsxReader saveAndRead(Workbook& book, const QString& name = QStringLiteral("out.xlsx")) const;
    XlsxReader saveAndRead(Workbook&& book, const QString& name = QStringLiteral("out.xlsx")) const {
        return saveAndRead(book, name);
    }

    QTemporaryDir dir_;
};

} // namespace quorvane::test

#pragma once

#include "XlsxReader.h"
#include "export/Workbook.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane::test {

enum class Backend { New, Template };

inline const char* backendName(Backend backend) {
    return backend == Backend::New ? "new" : "template";
}

QByteArray fileBytes(const QString& path);
QStringList folderEntries(const QString& folder);

// A temporary folder holding the shipped history template, and the workbooks a test saves.
class ExportFolder : public ::testing::Test {
protected:
    void SetUp() override;

    QString path(const QString& name) const { return dir_.filePath(name); }
    QString templatePath() const { return path(QStringLiteral("template.xls")); }
    Workbook open(Backend backend) const;
    XlsxReader saveAndRead(const Workbook& book, const QString& name = QStringLiteral("out.xlsx")) const;

    QTemporaryDir dir_;
};

} // namespace quorvane::test

#include "ExportTesting.h"

#include "HistoryTemplate.h"

#include <QDir>
#include <QFile>

namespace quorvane::test {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

void ExportFolder::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(writeHistoryTemplate(templatePath()));
}

Workbook ExportFolder::open(Backend backend) const {
    return backend == Backend::New ? Workbook::create() : Workbook::openCopy(templatePath());
}

XlsxReader ExportFolder::saveAndRead(const Workbook& book, const QString& name) const {
    book.save(path(name));
    return XlsxReader(path(name));
}

} // namespace quorvane::test

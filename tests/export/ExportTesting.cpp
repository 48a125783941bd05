#include "ExportTesting.h"

#include "HistoryTemplate.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <csignal>

namespace quorvane::test {

QByteArray fileBytes(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QStringList folderEntries(const QString& folder) {
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name);
}

FileSizeLimit::FileSizeLimit(rlim_t bytes) {
    getrlimit(RLIMIT_FSIZE, &previous_);
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = previous_;
    limit.rlim_cur = bytes;
    EXPECT_EQ(setrlimit(RLIMIT_FSIZE, &limit), 0);
}

FileSizeLimit::~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
}

namespace {
int syncError = 0;
int failSync(int) {
    errno = syncError;
    return -1;
}
} // namespace

FailingSync::FailingSync(int error)
    : previous_(replaceFileSync(&failSync)) {
    syncError = error;
}

FailingSync::~FailingSync() {
    replaceFileSync(previous_);
}

void ExportFolder::SetUp() {
    ASSERT_TRUE(dir_.isValid());
    ASSERT_TRUE(writeHistoryTemplate(templatePath()));
}

Workbook ExportFolder::open(Backend backend) const {
    return backend == Backend::New ? Workbook::create() : Workbook::openCopy(templatePath());
}

XlsxReader ExportFolder::saveAndRead(Workbook& book, const QString& name) const {
    book.save(path(name));
    return XlsxReader(path(name));
}

} // namespace quorvane::test

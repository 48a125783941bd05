#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <list>
#include <memory>

struct zip;
struct zip_source;

namespace quorvane {

// A zip package held in memory: parts are read and replaced by name, and finish() returns the new
// package. Parts that were not replaced are copied as they are, compressed data included.
class ZipPackage {
public:
    // label names the package in error messages (the template's path).
    ZipPackage(const QByteArray& bytes, const QString& label);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    bool contains(const QString& part) const;
    // Throws WorkbookError when the part is missing or cannot be read.
    QByteArray read(const QString& part) const;
    QStringList partNames() const;
    void replace(const QString& part, QByteArray content);
    QByteArray finish();

private:
    struct SourceFree {
        void operator()(zip_source* source) const;
    };
    struct ArchiveDiscard {
        void operator()(zip* archive) const;
    };

    [[noreturn]] void fail(const QString& what) const;

    QString label_;
    QByteArray bytes_;               // what the buffer source reads
    std::list<QByteArray> contents_; // replaced parts, alive until the archive is written
    std::unique_ptr<zip_source, SourceFree> source_;
    std::unique_ptr<zip, ArchiveDiscard> archive_;
};

} // namespace quorvane

#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <functional>
#include <list>
#include <memory>

struct zip;
struct zip_file;
struct zip_source;

namespace quorvane {

// What a package may hold once inflated, whatever its headers claim: the sizes are counted while
// inflating. A workbook template is a few kilobytes; these leave room for pictures and long sheets.
inline constexpr qint64 kMaxPartBytes = 16 * 1024 * 1024;
inline constexpr qint64 kMaxPackageBytes = 64 * 1024 * 1024;
inline constexpr qint64 kMaxParts = 10000;

// A zip package held in memory: parts are read and replaced by name, and finish() returns the new
// package. Parts that were not replaced are copied as they are, compressed data included.
// Failures throw WorkbookError whose text says what is wrong and names the part.
class ZipPackage {
public:
    explicit ZipPackage(const QByteArray& bytes);
    ~ZipPackage();
    ZipPackage(const ZipPackage&) = delete;
    ZipPackage& operator=(const ZipPackage&) = delete;

    bool contains(const QString& part) const;
    // The inflated part; throws when it is missing, damaged or larger than kMaxPartBytes.
    QByteArray read(const QString& part) const;
    // Inflates every part once, within kMaxParts, kMaxPartBytes and kMaxPackageBytes, which also
    // proves each part's checksum; refuses a part that holds a document type declaration (<!DOCTYPE),
    // in any of the encodings XML parts use, so that none reaches a workbook the user opens.
    void verify() const;
    // Feeds the inflated part to consume in pieces; throws when it is missing or damaged, or past
    // `limit` bytes.
    void readInPieces(const QString& part, qint64 limit,
                      const std::function<void(const char* data, qsizetype size)>& consume) const;
    QStringList partNames() const;
    void replace(const QString& part, QByteArray content);
    // The part's new content is the file's, read when the package is written.
    void replaceFromFile(const QString& part, const QString& path);
    QByteArray finish();

private:
    struct SourceFree {
        void operator()(zip_source* source) const;
    };
    struct ArchiveDiscard {
        void operator()(zip* archive) const;
    };

    // Adds the source as the part, replacing one of that name; frees it and throws when it cannot.
    void addSource(const QString& part, zip_source* source);

    // Feeds the inflated part to consume in pieces and returns its size; throws past `limit` bytes.
    template <typename Consume>
    qint64 inflate(qint64 index, const QString& part, qint64 limit, Consume consume) const;

    QByteArray bytes_;               // what the buffer source reads
    std::list<QByteArray> contents_; // replaced parts, alive until the archive is written
    std::unique_ptr<zip_source, SourceFree> source_;
    std::unique_ptr<zip, ArchiveDiscard> archive_;
};

} // namespace quorvane

#pragma once

#include <QByteArray>
#include <QString>

#include <optional>
#include <vector>

namespace quorvane::test {

// One part of a package written by hand. The claims are what the headers say instead of the truth.
struct ZipEntry {
    ZipEntry() = default;
    ZipEntry(const QString& partName, const QByteArray& partContent)
        : name(partName)
        , content(partContent) {}

    QString name;
    QByteArray content;
    bool deflate = true;
    std::optional<quint32> claimedSize; // the inflated size the headers state
    std::optional<quint32> claimedCrc;  // the checksum the headers state
};

// A zip package of the entries, in order, written byte by byte, so that a test can make the packages
// a careless or hostile template holds: parts that claim another size, bombs, broken checksums.
QByteArray buildZip(const std::vector<ZipEntry>& entries);

// The parts of a package file, in order, inflated.
std::vector<ZipEntry> zipEntries(const QString& path);

ZipEntry* findEntry(std::vector<ZipEntry>& entries, const QString& name);

} // namespace quorvane::test

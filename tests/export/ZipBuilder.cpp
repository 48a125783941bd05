#include "ZipBuilder.h"

#include <QFile>

#include <zip.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include <memory>

namespace quorvane::test {

namespace {

void put16(QByteArray& out, quint32 value) {
    out.append(static_cast<char>(value & 0xff));
    out.append(static_cast<char>((value >> 8) & 0xff));
}

void put32(QByteArray& out, quint32 value) {
    put16(out, value & 0xffff);
    put16(out, value >> 16);
}

QByteArray rawDeflate(const QByteArray& content) {
    z_stream stream{};
    EXPECT_EQ(deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY), Z_OK);
    QByteArray out(static_cast<qsizetype>(deflateBound(&stream, static_cast<uLong>(content.size()))),
                   Qt::Uninitialized);
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(content.constData()));
    stream.avail_in = static_cast<uInt>(content.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    EXPECT_EQ(deflate(&stream, Z_FINISH), Z_STREAM_END);
    out.truncate(static_cast<qsizetype>(stream.total_out));
    deflateEnd(&stream);
    return out;
}

} // namespace

QByteArray buildZip(const std::vector<ZipEntry>& entries) {
    QByteArray out;
    QByteArray directory;
    for (const ZipEntry& entry : entries) {
        const QByteArray name = entry.name.toUtf8();
        const QByteArray data = entry.deflate ? rawDeflate(entry.content) : entry.content;
        const quint32 crc = entry.claimedCrc.value_or(
            static_cast<quint32>(crc32(0, reinterpret_cast<const Bytef*>(entry.content.constData()),
                                       static_cast<uInt>(entry.content.size()))));
        const quint32 size = entry.claimedSize.value_or(static_cast<quint32>(entry.content.size()));
        const quint32 offset = static_cast<quint32>(out.size());
        const auto common = [&](QByteArray& header) {
            put16(header, 20);     // version needed
            put16(header, 0x0800); // UTF-8 names
            put16(header, entry.deflate ? 8 : 0);
            put16(header, 0);    // time
            put16(header, 0x21); // 1980-01-01
            put32(header, crc);
            put32(header, static_cast<quint32>(data.size()));
            put32(header, size);
            put16(header, static_cast<quint32>(name.size()));
            put16(header, 0); // extra field
        };
        put32(out, 0x04034b50);
        common(out);
        out += name + data;

        put32(directory, 0x02014b50);
        put16(directory, 20); // made by
        common(directory);
        put16(directory, 0); // comment
        put16(directory, 0); // disk
        put16(directory, 0); // internal attributes
        put32(directory, 0); // external attributes
        put32(directory, offset);
        directory += name;
    }
    const quint32 directoryOffset = static_cast<quint32>(out.size());
    out += directory;
    put32(out, 0x06054b50);
    put16(out, 0);
    put16(out, 0);
    put16(out, static_cast<quint32>(entries.size()));
    put16(out, static_cast<quint32>(entries.size()));
    put32(out, static_cast<quint32>(directory.size()));
    put32(out, directoryOffset);
    put16(out, 0);
    return out;
}

std::vector<ZipEntry> zipEntries(const QString& path) {
    std::vector<ZipEntry> entries;
    int error = 0;
    const std::unique_ptr<zip_t, decltype(&zip_discard)> archive(
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error), &zip_discard);
    if (!archive) {
        ADD_FAILURE() << "cannot open " << path.toStdString();
        return entries;
    }
    for (zip_int64_t i = 0; i < zip_get_num_entries(archive.get(), 0); ++i) {
        zip_stat_t stat;
        zip_stat_index(archive.get(), static_cast<zip_uint64_t>(i), 0, &stat);
        ZipEntry entry;
        entry.name = QString::fromUtf8(stat.name);
        entry.content.resize(static_cast<qsizetype>(stat.size));
        const std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(
            zip_fopen_index(archive.get(), static_cast<zip_uint64_t>(i), 0), &zip_fclose);
        EXPECT_EQ(zip_fread(file.get(), entry.content.data(), stat.size),
                  static_cast<zip_int64_t>(stat.size));
        entries.push_back(entry);
    }
    return entries;
}

ZipEntry* findEntry(std::vector<ZipEntry>& entries, const QString& name) {
    for (ZipEntry& entry : entries) {
        if (entry.name == name)
            return &entry;
    }
    ADD_FAILURE() << "no part " << name.toStdString();
    return nullptr;
}

} // namespace quorvane::test

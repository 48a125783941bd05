#include "export/ZipPackage.h"

#include "export/WorkbookError.h"

#include <QFile>

#include <zip.h>

#include <array>
#include <cctype>
#include <string_view>

namespace quorvane {

namespace {

constexpr qint64 kMiB = 1024 * 1024;

QString partName(const QString& part) {
    return QStringLiteral("部件“") + part + u'”';
}

// libzip's reasons in plain words for the failures a damaged or unusual package gives.
QString libzipReason(zip_error_t* error) {
    switch (zip_error_code_zip(error)) {
    case ZIP_ER_NOZIP:
        return QStringLiteral("不是 zip 格式");
    case ZIP_ER_INCONS:
        return QStringLiteral("zip 结构前后不一致");
    case ZIP_ER_CRC:
        return QStringLiteral("校验和不符");
    case ZIP_ER_ZLIB:
        return QStringLiteral("压缩数据有误");
    case ZIP_ER_COMPNOTSUPP:
        return QStringLiteral("压缩方式不受支持");
    case ZIP_ER_ENCRNOTSUPP:
    case ZIP_ER_NOPASSWD:
    case ZIP_ER_WRONGPASSWD:
        return QStringLiteral("已加密");
    case ZIP_ER_MEMORY:
        return QStringLiteral("内存不足");
    default:
        return QString::fromUtf8(zip_error_strerror(error));
    }
}

// Finds "<!DOCTYPE" in any letter case, in UTF-8 as in UTF-16 of either byte order: NUL bytes are
// skipped, so the ASCII letters of a UTF-16 text line up. The search runs across the pieces it is fed.
class DoctypeSearch {
public:
    bool found(const char* data, qsizetype size) {
        static constexpr std::string_view kDoctype = "<!doctype";
        for (qsizetype i = 0; i < size; ++i) {
            const auto c = static_cast<unsigned char>(data[i]);
            if (c == 0)
                continue;
            if (std::tolower(c) == kDoctype[matched_]) {
                if (++matched_ == kDoctype.size())
                    return true;
            } else {
                matched_ = c == '<' ? 1 : 0;
            }
        }
        return false;
    }

private:
    size_t matched_ = 0;
};

} // namespace

void ZipPackage::SourceFree::operator()(zip_source_t* source) const {
    zip_source_free(source);
}

void ZipPackage::ArchiveDiscard::operator()(zip_t* archive) const {
    zip_discard(archive);
}

ZipPackage::ZipPackage(const QByteArray& bytes)
    : bytes_(bytes) {
    zip_error_t error;
    zip_error_init(&error);
    source_.reset(
        zip_source_buffer_create(bytes_.constData(), static_cast<zip_uint64_t>(bytes_.size()), 0, &error));
    if (!source_) {
        const QString reason = libzipReason(&error);
        zip_error_fini(&error);
        throw WorkbookError(QStringLiteral("内存不足（") + reason + QStringLiteral("）。"));
    }
    // The archive takes one reference and the package keeps its own, to read the result after writing.
    zip_source_keep(source_.get());
    archive_.reset(zip_open_from_source(source_.get(), 0, &error));
    if (!archive_) {
        zip_source_free(source_.get()); // the reference the archive did not take
        const QString reason = libzipReason(&error);
        zip_error_fini(&error);
        throw WorkbookError(QStringLiteral("不是工作簿文件（") + reason + QStringLiteral("）。"));
    }
    zip_error_fini(&error);
}

ZipPackage::~ZipPackage() = default;

bool ZipPackage::contains(const QString& part) const {
    return zip_name_locate(archive_.get(), part.toUtf8().constData(), 0) >= 0;
}

template <typename Consume>
qint64 ZipPackage::inflate(qint64 index, const QString& part, qint64 limit, Consume consume) const {
    const std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(
        zip_fopen_index(archive_.get(), static_cast<zip_uint64_t>(index), 0), &zip_fclose);
    if (!file)
        throw WorkbookError(partName(part) + QStringLiteral("无法读取（") +
                            libzipReason(zip_get_error(archive_.get())) + QStringLiteral("）。"));
    std::array<char, 64 * 1024> buffer;
    qint64 total = 0;
    for (;;) {
        const zip_int64_t got = zip_fread(file.get(), buffer.data(), buffer.size());
        if (got < 0)
            throw WorkbookError(partName(part) + QStringLiteral("已损坏（") +
                                libzipReason(zip_file_get_error(file.get())) + QStringLiteral("）。"));
        if (got == 0)
            return total;
        total += got;
        if (total > limit)
            throw WorkbookError(partName(part) + QStringLiteral("解压后超过 %1 MB。").arg(limit / kMiB));
        consume(buffer.data(), static_cast<qsizetype>(got));
    }
}

QByteArray ZipPackage::read(const QString& part) const {
    const zip_int64_t index = zip_name_locate(archive_.get(), part.toUtf8().constData(), 0);
    if (index < 0)
        throw WorkbookError(QStringLiteral("缺少") + partName(part) + u'。');
    QByteArray content;
    inflate(index, part, kMaxPartBytes,
            [&](const char* data, qsizetype size) { content.append(data, size); });
    return content;
}

void ZipPackage::readInPieces(const QString& part, qint64 limit,
                              const std::function<void(const char* data, qsizetype size)>& consume) const {
    const zip_int64_t index = zip_name_locate(archive_.get(), part.toUtf8().constData(), 0);
    if (index < 0)
        throw WorkbookError(QStringLiteral("缺少") + partName(part) + u'。');
    inflate(index, part, limit, consume);
}

void ZipPackage::verify() const {
    const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
    if (count > kMaxParts)
        throw WorkbookError(QStringLiteral("部件多于 %1 个。").arg(kMaxParts));
    qint64 total = 0;
    for (zip_int64_t i = 0; i < count; ++i) {
        const char* name = zip_get_name(archive_.get(), static_cast<zip_uint64_t>(i), 0);
        const QString part = name ? QString::fromUtf8(name) : QStringLiteral("#%1").arg(i + 1);
        DoctypeSearch doctype;
        const qint64 inflated = inflate(i, part, kMaxPartBytes, [&](const char* data, qsizetype size) {
            total += size;
            if (total > kMaxPackageBytes)
                throw WorkbookError(
                    QStringLiteral("全部部件解压后超过 %1 MB。").arg(kMaxPackageBytes / kMiB));
            if (doctype.found(data, size))
                throw WorkbookError(partName(part) + QStringLiteral("含有文档类型声明（DOCTYPE）。"));
        });
        // A part whose headers lie about its size would be copied with the lie into the user's workbook.
        zip_stat_t stat;
        zip_stat_init(&stat);
        if (zip_stat_index(archive_.get(), static_cast<zip_uint64_t>(i), 0, &stat) != 0 ||
            !(stat.valid & ZIP_STAT_SIZE) || stat.size != static_cast<zip_uint64_t>(inflated))
            throw WorkbookError(partName(part) +
                                QStringLiteral("已损坏（解压后的大小与文件头所记的不符）。"));
    }
}

QStringList ZipPackage::partNames() const {
    QStringList names;
    const zip_int64_t count = zip_get_num_entries(archive_.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        if (const char* name = zip_get_name(archive_.get(), static_cast<zip_uint64_t>(i), 0))
            names << QString::fromUtf8(name);
    }
    return names;
}

void ZipPackage::replace(const QString& part, QByteArray content) {
    const QByteArray& kept = contents_.emplace_back(std::move(content));
    addSource(part,
              zip_source_buffer(archive_.get(), kept.constData(), static_cast<zip_uint64_t>(kept.size()), 0));
}

void ZipPackage::replaceFromFile(const QString& part, const QString& path) {
    addSource(part, zip_source_file(archive_.get(), QFile::encodeName(path).constData(), 0, -1));
}

void ZipPackage::addSource(const QString& part, zip_source* source) {
    if (!source || zip_file_add(archive_.get(), part.toUtf8().constData(), source,
                                ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) < 0) {
        const QString reason = libzipReason(zip_get_error(archive_.get()));
        zip_source_free(source);
        throw WorkbookError(QStringLiteral("无法写入") + partName(part) + QStringLiteral("（") + reason +
                            QStringLiteral("）。"));
    }
}

QByteArray ZipPackage::finish() {
    if (zip_close(archive_.get()) != 0)
        throw WorkbookError(QStringLiteral("无法生成工作簿（") + libzipReason(zip_get_error(archive_.get())) +
                            QStringLiteral("）。"));
    archive_.release(); // closed and freed by zip_close

    zip_source_t* source = source_.get();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || zip_source_open(source) != 0)
        throw WorkbookError(QStringLiteral("无法读取生成的工作簿。"));
    QByteArray result(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_source_read(source, result.data(), stat.size);
    zip_source_close(source);
    if (read != static_cast<zip_int64_t>(stat.size))
        throw WorkbookError(QStringLiteral("无法读取生成的工作簿。"));
    return result;
}

} // namespace quorvane

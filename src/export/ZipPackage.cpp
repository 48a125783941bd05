#include "export/ZipPackage.h"

#include "export/WorkbookError.h"

#include <zip.h>

namespace quorvane {

void ZipPackage::SourceFree::operator()(zip_source_t* source) const {
    zip_source_free(source);
}

void ZipPackage::ArchiveDiscard::operator()(zip_t* archive) const {
    zip_discard(archive);
}

ZipPackage::ZipPackage(const QByteArray& bytes, const QString& label)
    : label_(label)
    , bytes_(bytes) {
    zip_error_t error;
    zip_error_init(&error);
    source_.reset(
        zip_source_buffer_create(bytes_.constData(), static_cast<zip_uint64_t>(bytes_.size()), 0, &error));
    if (!source_) {
        const QString reason = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        fail(reason);
    }
    // The archive takes one reference and the package keeps its own, to read the result after writing.
    zip_source_keep(source_.get());
    archive_.reset(zip_open_from_source(source_.get(), 0, &error));
    if (!archive_) {
        zip_source_free(source_.get()); // the reference the archive did not take
        const QString reason = QString::fromUtf8(zip_error_strerror(&error));
        zip_error_fini(&error);
        fail(QStringLiteral("not a workbook (") + reason + u')');
    }
    zip_error_fini(&error);
}

ZipPackage::~ZipPackage() = default;

void ZipPackage::fail(const QString& what) const {
    throw WorkbookError(u'"' + label_ + QStringLiteral("\": ") + what);
}

bool ZipPackage::contains(const QString& part) const {
    return zip_name_locate(archive_.get(), part.toUtf8().constData(), 0) >= 0;
}

QByteArray ZipPackage::read(const QString& part) const {
    const QByteArray name = part.toUtf8();
    const zip_int64_t index = zip_name_locate(archive_.get(), name.constData(), 0);
    if (index < 0)
        fail(QStringLiteral("the part ") + part + QStringLiteral(" is missing"));
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_stat_index(archive_.get(), static_cast<zip_uint64_t>(index), 0, &stat) != 0 ||
        !(stat.valid & ZIP_STAT_SIZE) || stat.size > 512u * 1024u * 1024u)
        fail(QStringLiteral("cannot read the part ") + part);
    const std::unique_ptr<zip_file_t, decltype(&zip_fclose)> file(
        zip_fopen_index(archive_.get(), static_cast<zip_uint64_t>(index), 0), &zip_fclose);
    if (!file)
        fail(QStringLiteral("cannot open the part ") + part + QStringLiteral(": ") +
             QString::fromUtf8(zip_strerror(archive_.get())));
    QByteArray content(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
    if (zip_fread(file.get(), content.data(), stat.size) != static_cast<zip_int64_t>(stat.size))
        fail(QStringLiteral("cannot read the part ") + part + QStringLiteral(": ") +
             QString::fromUtf8(zip_file_strerror(file.get())));
    return content;
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
    zip_source_t* source =
        zip_source_buffer(archive_.get(), kept.constData(), static_cast<zip_uint64_t>(kept.size()), 0);
    if (!source)
        fail(QStringLiteral("cannot replace the part ") + part);
    if (zip_file_add(archive_.get(), part.toUtf8().constData(), source, ZIP_FL_OVERWRITE | ZIP_FL_ENC_UTF_8) <
        0) {
        zip_source_free(source);
        fail(QStringLiteral("cannot replace the part ") + part + QStringLiteral(": ") +
             QString::fromUtf8(zip_strerror(archive_.get())));
    }
}

QByteArray ZipPackage::finish() {
    if (zip_close(archive_.get()) != 0)
        fail(QStringLiteral("cannot write the package: ") + QString::fromUtf8(zip_strerror(archive_.get())));
    archive_.release(); // closed and freed by zip_close

    zip_source_t* source = source_.get();
    zip_stat_t stat;
    zip_stat_init(&stat);
    if (zip_source_stat(source, &stat) != 0 || !(stat.valid & ZIP_STAT_SIZE) || zip_source_open(source) != 0)
        fail(QStringLiteral("cannot read the written package"));
    QByteArray result(static_cast<qsizetype>(stat.size), Qt::Uninitialized);
    const zip_int64_t read = zip_source_read(source, result.data(), stat.size);
    zip_source_close(source);
    if (read != static_cast<zip_int64_t>(stat.size))
        fail(QStringLiteral("cannot read the written package"));
    return result;
}

} // namespace quorvane

#include "pages/PageReaderProtocol.h"

#include <QBuffer>
#include <QDataStream>
#include <QtEndian>

namespace quorvane {

namespace {

constexpr quint32 kRequestTag = 0x51525131; // "QRQ1"
constexpr quint32 kReplyTag = 0x51525031;   // "QRP1"

QDataStream& operator<<(QDataStream& out, const PageMarkers& m) {
    return out << quint8(m.markup == MarkupPart::Body) << m.itemStart << m.itemEnd << m.linkEnd
               << m.promotedItems << m.mapItem << m.promotedMark << m.greenStart << m.greenEnd;
}

QDataStream& operator>>(QDataStream& in, PageMarkers& m) {
    quint8 body = 0;
    in >> body >> m.itemStart >> m.itemEnd >> m.linkEnd >> m.promotedItems >> m.mapItem >> m.promotedMark >>
        m.greenStart >> m.greenEnd;
    m.markup = body ? MarkupPart::Body : MarkupPart::Root;
    return in;
}

QDataStream& operator<<(QDataStream& out, const ResultDefinition& d) {
    return out << d.results << d.link << d.shownAddress << d.notResult << d.promoted << d.noResultsMarks;
}

QDataStream& operator>>(QDataStream& in, ResultDefinition& d) {
    return in >> d.results >> d.link >> d.shownAddress >> d.notResult >> d.promoted >> d.noResultsMarks;
}

bool wholeAndRead(const QDataStream& in) {
    return in.status() == QDataStream::Ok && in.atEnd();
}

// Writes a frame in place: the payload after room for its length, which is filled in at the end.
class FrameWriter {
public:
    explicit FrameWriter(qsizetype expected) {
        bytes_.reserve(kFrameHeaderBytes + expected);
        bytes_.resize(kFrameHeaderBytes);
        buffer_.setBuffer(&bytes_);
        buffer_.open(QIODevice::WriteOnly | QIODevice::Append);
        out.setDevice(&buffer_);
        out.setVersion(QDataStream::Qt_6_0);
    }
    QByteArray finish() {
        out.setDevice(nullptr);
        buffer_.close();
        qToLittleEndian<quint32>(static_cast<quint32>(bytes_.size() - kFrameHeaderBytes), bytes_.data());
        return std::move(bytes_);
    }

    QDataStream out;

private:
    QByteArray bytes_;
    QBuffer buffer_;
};

} // namespace

QByteArray encodeRequest(const PageRequest& r, quint64 number) {
    FrameWriter writer(r.page.size() + 1024);
    writer.out << kRequestTag << number << r.page << r.charset << r.readResults << r.markers << r.tree
               << r.base << quint8(r.markup);
    return writer.finish();
}

std::optional<PageRequest> decodeRequest(QByteArrayView payload, quint64* number) {
    QByteArray bytes = QByteArray::fromRawData(payload.data(), payload.size());
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 tag = 0;
    quint8 markup = 0;
    PageRequest r;
    in >> tag >> *number >> r.page >> r.charset >> r.readResults >> r.markers >> r.tree >> r.base >> markup;
    if (tag != kRequestTag || !wholeAndRead(in) || markup > quint8(MarkupWanted::Always))
        return std::nullopt;
    r.markup = static_cast<MarkupWanted>(markup);
    return r;
}

QByteArray encodeReply(const PageReading& r, quint64 number) {
    FrameWriter writer(r.bodyGbk.size() + r.rootGbk.size() + 256 * r.results.size() + 64);
    QDataStream& out = writer.out;
    out << kReplyTag << number << quint32(r.results.size());
    for (const PageResult& result : r.results)
        out << result.address << result.shownAddress << result.promoted;
    out << r.noResultsPage << r.bodyGbk << r.rootGbk;
    return writer.finish();
}

std::optional<PageReading> decodeReply(QByteArrayView payload, quint64* number) {
    QByteArray bytes = QByteArray::fromRawData(payload.data(), payload.size());
    QDataStream in(bytes);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 tag = 0;
    quint32 count = 0;
    in >> tag >> *number >> count;
    // Each result takes at least 9 bytes: a bound on the count before anything is reserved for it.
    if (tag != kReplyTag || in.status() != QDataStream::Ok || count > payload.size() / 9)
        return std::nullopt;
    PageReading r;
    r.results.reserve(count);
    for (quint32 i = 0; i < count && in.status() == QDataStream::Ok; ++i) {
        PageResult result;
        in >> result.address >> result.shownAddress >> result.promoted;
        r.results.append(std::move(result));
    }
    in >> r.noResultsPage >> r.bodyGbk >> r.rootGbk;
    if (!wholeAndRead(in))
        return std::nullopt;
    return r;
}

quint32 frameLength(const char* header) {
    return qFromLittleEndian<quint32>(header);
}

} // namespace quorvane

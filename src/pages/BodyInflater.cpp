#include "pages/BodyInflater.h"

#include <zlib.h>

#include <array>

namespace quorvane {

struct BodyInflater::Stream {
    z_stream z{};
    bool open = false;

    bool init(int windowBits) {
        open = inflateInit2(&z, windowBits) == Z_OK;
        return open;
    }
    ~Stream() {
        if (open)
            inflateEnd(&z);
    }
};

BodyInflater::Encoding BodyInflater::encodingOf(QByteArrayView contentEncoding) {
    const QByteArray value = contentEncoding.trimmed().toByteArray().toLower();
    if (value.isEmpty() || value == "identity")
        return Encoding::Identity;
    if (value == "gzip" || value == "x-gzip")
        return Encoding::Gzip;
    if (value == "deflate")
        return Encoding::Deflate;
    return Encoding::Unsupported;
}

BodyInflater::BodyInflater(Encoding encoding)
    : encoding_(encoding) {}

BodyInflater::~BodyInflater() = default;

BodyInflater::Result BodyInflater::append(QByteArrayView piece, QByteArray& out, qint64 limit) {
    if (encoding_ == Encoding::Identity) {
        out += piece;
        return out.size() > limit ? Result::OverLimit : Result::Ok;
    }
    if (encoding_ == Encoding::Unsupported)
        return Result::Broken;
    if (ended_ || piece.isEmpty())
        return Result::Ok; // whatever follows the end of the compressed stream is ignored, as browsers do
    QByteArray joined;
    if (!stream_) {
        // "deflate" comes with zlib's header from most servers and without it from some; gzip has its own.
        joined = pending_;
        joined.append(piece);
        if (encoding_ == Encoding::Deflate && joined.size() < 2) {
            pending_ = joined;
            return Result::Ok;
        }
        pending_.clear();
        piece = joined;
        const auto first = static_cast<unsigned char>(piece[0]);
        const auto second = static_cast<unsigned char>(piece[1]);
        const bool zlibHeader = (first & 0x0F) == Z_DEFLATED && ((first << 8) | second) % 31 == 0;
        const int windowBits = encoding_ == Encoding::Gzip ? 15 + 16 : (zlibHeader ? 15 : -15);
        stream_ = std::make_unique<Stream>();
        if (!stream_->init(windowBits))
            return Result::Broken;
    }
    z_stream& z = stream_->z;
    z.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(piece.data()));
    z.avail_in = static_cast<uInt>(piece.size());
    std::array<char, 64 * 1024> chunk;
    while (z.avail_in > 0 && !ended_) {
        z.next_out = reinterpret_cast<Bytef*>(chunk.data());
        z.avail_out = static_cast<uInt>(chunk.size());
        const int status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            return Result::Broken;
        out.append(chunk.data(), static_cast<qsizetype>(chunk.size() - z.avail_out));
        if (out.size() > limit)
            return Result::OverLimit;
        ended_ = status == Z_STREAM_END;
        if (status == Z_BUF_ERROR && z.avail_out == chunk.size())
            break;
    }
    return Result::Ok;
}

} // namespace quorvane

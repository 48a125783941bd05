#pragma once

#include <QByteArray>
#include <QByteArrayView>

#include <memory>

namespace quorvane {

// Inflates a compressed response body as it arrives, never past a size limit, so that a small body that
// would inflate to gigabytes (a compression bomb) costs no more than the limit. The browser asks servers for
// gzip or deflate and inflates them itself instead of leaving it to the network layer, whose own bomb check
// does not end the load in time.
class BodyInflater {
public:
    enum class Encoding { Identity, Gzip, Deflate, Unsupported };
    enum class Result { Ok, OverLimit, Broken };

    // The encoding that a Content-Encoding value names; an empty value is Identity.
    static Encoding encodingOf(QByteArrayView contentEncoding);

    explicit BodyInflater(Encoding encoding);
    ~BodyInflater();
    BodyInflater(const BodyInflater&) = delete;
    BodyInflater& operator=(const BodyInflater&) = delete;

    // Appends what the next piece of the body inflates to, stopping as soon as `out` holds more than `limit`
    // bytes. Identity bodies are appended as they are.
    Result append(QByteArrayView piece, QByteArray& out, qint64 limit);

private:
    struct Stream;
    Encoding encoding_;
    std::unique_ptr<Stream> stream_;
    QByteArray pending_; // the first byte of a deflate body, until its second tells its wrapping
    bool ended_ = false;
};

} // namespace quorvane

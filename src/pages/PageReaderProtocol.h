#pragma once

#include "pages/PageReading.h"

#include <QByteArray>
#include <QByteArrayView>

#include <optional>

namespace quorvane {

// What goes between a page reader's client and its process over the process's standard input and output:
// frames of a 4-byte length (little-endian) and that many bytes of payload, one request, then one reply.
// A reply's payload starts with the number of the request it answers.

inline constexpr qsizetype kFrameHeaderBytes = 4;
// Larger frames are refused on both sides (the body limits of the loaders are far below it).
inline constexpr quint32 kMaxFrameBytes = 512u * 1024 * 1024;

// The encoders give whole frames, the decoders take a frame's payload.
QByteArray encodeRequest(const PageRequest& request, quint64 number);
std::optional<PageRequest> decodeRequest(QByteArrayView payload, quint64* number);
QByteArray encodeReply(const PageReading& reading, quint64 number);
std::optional<PageReading> decodeReply(QByteArrayView payload, quint64* number);

// The payload's length from a frame's first 4 bytes.
quint32 frameLength(const char* header);

} // namespace quorvane

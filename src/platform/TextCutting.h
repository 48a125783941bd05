#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringView>

namespace quorvane {

// The text without the characters with codes 32 and below at either end.
QByteArrayView trimControlChars(QByteArrayView text);
QStringView trimControlChars(QStringView text);

// Takes the first span between two markers out of a text and consumes the text up to the end of the span,
// so that repeated calls walk through a page. The text is a view that is moved forward: nothing is copied,
// so a walk through a page costs time linear in its size.
//  - no start marker: empty result, text unchanged;
//  - start but no end marker: empty result, text becomes what follows the start marker (not trimmed);
//  - otherwise: result is the span, trimmed; text is what follows the end marker, trimmed.
// Trimming removes characters with codes 32 and below. An empty marker is never found.
QByteArrayView cutBetween(QByteArrayView& text, QByteArrayView startMarker, QByteArrayView endMarker);
QString cutBetween(QString& text, const QString& startMarker, const QString& endMarker);

} // namespace quorvane

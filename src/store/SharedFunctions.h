#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringView>

namespace quorvane {

// Shared functions of the windows, the rank engine and the exports. fillComboFromQuery needs a combo box
// and therefore lives with the widgets (ui/FillCombo.h).

void showErrorMsg(const QString& message);
void showInfoMsg(const QString& message);
// 6 for Yes, 7 for No or Esc, 2 when closed from the title bar. Only 6 is consent.
int askYesNo(const QString& message);
// The application's general error report: its title, an error icon, OK, and the text followed by a full
// stop unless it already ends in punctuation.
void showErrorReport(const QString& message);
// The report's text for an error message.
QString errorReportText(const QString& message);

// The folder of the running executable, ending with the path separator.
QString applicationFolder();

// Takes the first span between two markers out of a text and consumes the text up to the end of the span,
// so that repeated calls walk through a page. The text is a view that is moved forward: nothing is copied,
// so a walk through a page costs time linear in its size.
//  - no start marker: empty result, text unchanged;
//  - start but no end marker: empty result, text becomes what follows the start marker (not trimmed);
//  - otherwise: result is the span, trimmed; text is what follows the end marker, trimmed.
// Trimming removes characters with codes 32 and below. An empty marker is never found.
// The text without the characters with codes 32 and below at either end.
QByteArrayView trimControlChars(QByteArrayView text);
QStringView trimControlChars(QStringView text);

QByteArrayView cutBetween(QByteArrayView& text, QByteArrayView startMarker, QByteArrayView endMarker);
QString cutBetween(QString& text, const QString& startMarker, const QString& endMarker);

// Waits just over n seconds while the window stays responsive: pending events are processed and the
// thread sleeps 2 ms between polls. 0 or less returns at once.
void delaySeconds(int seconds);
// One poll of every wait: process pending events, then sleep 2 ms.
void processEventsThenNap();

// Every byte as %XX with two upper-case hexadecimal digits, letters and digits included.
QString percentEncode(QByteArrayView data);

// Hands an address to the desktop's default handler; the outcome is ignored.
void shellOpen(QObject* owner, const QString& target);

} // namespace quorvane

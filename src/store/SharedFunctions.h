#pragma once

#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringView>

namespace quorvane {

// Shared functions of the windows, the rank engine and the exports. FillComboFromQuery needs a combo box
// and therefore lives with the widgets (ui/FillCombo.h).

void ShowErrorMsg(const QString& message);
void ShowInfoMsg(const QString& message);
// 6 for Yes, 7 for No or Esc, 2 when closed from the title bar. Only 6 is consent.
int AskYesNo(const QString& message);
// The application's general error report: its title, an error icon, OK, and the text followed by a full
// stop unless it already ends in punctuation.
void ShowErrorReport(const QString& message);
// The report's text for an error message.
QString ErrorReportText(const QString& message);

// The folder of the running executable, ending with the path separator.
QString GetAppDir();

// Takes the first span between two markers out of a text and consumes the text up to the end of the span,
// so that repeated calls walk through a page. The text is a view that is moved forward: nothing is copied,
// so a walk through a page costs time linear in its size.
//  - no start marker: empty result, text unchanged;
//  - start but no end marker: empty result, text becomes what follows the start marker (not trimmed);
//  - otherwise: result is the span, trimmed; text is what follows the end marker, trimmed.
// Trimming removes characters with codes 32 and below. An empty marker is never found.
// The text without the characters with codes 32 and below at either end.
QByteArrayView TrimControl(QByteArrayView text);
QStringView TrimControl(QStringView text);

QByteArrayView CutBetween(QByteArrayView& text, QByteArrayView startMarker, QByteArrayView endMarker);
QString CutBetween(QString& text, const QString& startMarker, const QString& endMarker);

// Waits just over n seconds while the window stays responsive: pending events are processed and the
// thread sleeps 2 ms between polls. 0 or less returns at once.
void DelaySeconds(int seconds);
// One poll of every wait: process pending events, then sleep 2 ms.
void PumpAndSleep();

// Every byte as %XX with two upper-case hexadecimal digits, letters and digits included.
QString PercentEncode(QByteArrayView data);

// Hands an address to the desktop's default handler; the outcome is ignored.
void ShellOpen(QObject* owner, const QString& target);

} // namespace quorvane

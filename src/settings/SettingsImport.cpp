// The text-file imports of the settings dialog: URLs into SE_KeyUrl, keywords into SE_KeyWord for the
// clicked URL, one entry per line.
#include "settings/DuplicateTests.h"
#include "settings/SettingsDialog.h"
#include "settings/TextLines.h"
#include "settings/UrlForms.h"
#include "store/SharedFunctions.h"
#include "store/SqlText.h"
#include "ui/FileDialogs.h"

#include <QCoreApplication>
#include <QDate>
#include <QProgressBar>
#include <QThread>

namespace quorvane {

namespace {

FileDialogRequest importRequest() {
    FileDialogRequest request;
    request.filter = QStringLiteral("文本文件(*.txt)");
    return request;
}

// The lines worth importing, or none after telling the user why there are none. Blank lines are left
// out: they would store empty names. Lines with a NUL character cannot be put into a statement.
QStringList importLines(const QString& fileName) {
    const TextLines file = ReadTextLines(fileName);
    if (!file.readable) {
        ShowInfoMsg(QStringLiteral("导入文件不存在或无法读取!"));
        return {};
    }
    QStringList lines;
    lines.reserve(file.lines.size());
    for (const QString& line : file.lines)
        if (!line.trimmed().isEmpty() && !line.contains(QChar(u'\0')))
            lines << line;
    if (lines.isEmpty())
        ShowInfoMsg(QStringLiteral("导入文件中没有可导入的内容!"));
    return lines;
}

// After each line: the window repaints and stays usable, then a 1 ms pause.
void PumpAndPause() {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::msleep(1);
}

} // namespace

void SettingsDialog::StartProgress(int count) {
    importProgress->setRange(0, count);
    importProgress->setValue(0);
    importProgress->show();
}

void SettingsDialog::StopProgress() {
    importProgress->setValue(0);
    importProgress->hide();
}

void SettingsDialog::importUrls() {
    const QString fileName = ChooseOpenFile(this, importRequest());
    if (fileName.isEmpty())
        return;
    const QStringList lines = importLines(fileName);
    if (lines.isEmpty())
        return;
    StartProgress(static_cast<int>(lines.size()));
    // Also when a duplicate test fails and ends the import early.
    const struct Finally {
        SettingsDialog* form;
        ~Finally() { form->StopProgress(); }
    } finally{this};

    const QString today = SqlDate(QDate::currentDate());
    int done = 0;
    for (const QString& line : lines) {
        const QString url = ImportedUrl(line);
        if (database_.OpenSQL(duplicateQuery_, UrlDuplicateSql(url)) < 1) {
            // A line the database refuses (too long for its column) is skipped.
            database_.ExecSQLInTrans(
                database_.execQuery,
                QStringLiteral("Insert Into SE_KeyUrl(UrlName,UpdateTime,AddTime,state,isCheck)Values(") +
                    QuotedStr(url) + u',' + today + u',' + today + u',' + QuotedStr(QStringLiteral("删除")) +
                    QStringLiteral(",-1)"));
        }
        importProgress->setValue(++done);
        PumpAndPause();
    }
    ShowUrlCount(LoadUrlList());
}

void SettingsDialog::importKeywords() {
    if (curWebID_ <= 0) {
        ShowInfoMsg(QStringLiteral("请选中一个链接!"));
        return;
    }
    const QString fileName = ChooseOpenFile(this, importRequest());
    if (fileName.isEmpty())
        return;
    const QStringList lines = importLines(fileName);
    if (lines.isEmpty())
        return;
    StartProgress(static_cast<int>(lines.size()));
    const struct Finally {
        SettingsDialog* form;
        ~Finally() { form->StopProgress(); }
    } finally{this};

    // The keywords go to the URL chosen when the import began, even if another URL is clicked meanwhile.
    const int webId = curWebID_;
    const QString today = SqlDate(QDate::currentDate());
    int done = 0;
    for (const QString& line : lines) {
        if (database_.OpenSQL(duplicateQuery_, KeyWordDuplicateSql(line, webId)) < 1) {
            database_.ExecSQLInTrans(
                database_.execQuery,
                QStringLiteral("Insert Into SE_KeyWord(WebID,KeyWordName,AddTime,UpdateTime,State)values(") +
                    QString::number(webId) + u',' + QuotedStr(line) + u',' + today + u',' + today + u',' +
                    QuotedStr(QStringLiteral("删除")) + u')');
        }
        importProgress->setValue(++done);
        PumpAndPause();
    }
    LoadKeyWords(curWebID_);
}

} // namespace quorvane

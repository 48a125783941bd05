// The text-file imports of the sites-and-keywords dialog: URLs into SE_KeyUrl, keywords into SE_KeyWord for
// the clicked URL, one entry per line. Both share one frame: choose the file, read its lines, show progress,
// write line by line with the window kept responsive, stop on request or at a failed write, read the list
// again, and tell the user what was left undone.
#include "platform/Messages.h"
#include "sites/DuplicateQueries.h"
#include "sites/SitesKeywordsDialog.h"
#include "sites/TextLines.h"
#include "sites/UrlForms.h"
#include "store/DbError.h"
#include "ui/FileDialogs.h"

#include <QCoreApplication>
#include <QDate>
#include <QElapsedTimer>
#include <QProgressBar>
#include <QPushButton>

namespace quorvane {

namespace {

FileDialogRequest importRequest() {
    FileDialogRequest request;
    request.filter = QStringLiteral("文本文件(*.txt)");
    return request;
}

// The window repaints and stays usable: its events are processed after the first line and then every
// few milliseconds of work, so the import never waits.
class LinePump {
public:
    void lineDone() {
        if (sincePump_.isValid() && sincePump_.elapsed() < 8)
            return;
        QCoreApplication::processEvents(QEventLoop::AllEvents);
        sincePump_.start();
    }

private:
    QElapsedTimer sincePump_;
};

} // namespace

void SitesKeywordsDialog::startProgress(int count) {
    importStopRequested_ = false;
    importProgress->setRange(0, count);
    importProgress->setValue(0);
    importProgress->show();
    cancelImportButton->show();
}

void SitesKeywordsDialog::stopProgress() {
    importProgress->setValue(0);
    importProgress->hide();
    cancelImportButton->hide();
}

void SitesKeywordsDialog::stopImport() {
    importStopRequested_ = true;
}

void SitesKeywordsDialog::done(int result) {
    // Closing the dialog ends a running import after its current line; what was imported stays.
    stopImport();
    QDialog::done(result);
}

bool SitesKeywordsDialog::runImport(const std::function<LineOutcome(const QString& line)>& importLine) {
    const QString fileName = chooseOpenFile(this, importRequest());
    if (fileName.isEmpty())
        return false;
    const TextLines file = readTextLines(fileName);
    if (!file.readable) {
        showInfoMsg(QStringLiteral("导入文件不存在或无法读取!"));
        return false;
    }
    const auto [lines, unusable] = storableLines(file.lines);
    if (lines.isEmpty()) {
        showInfoMsg(QStringLiteral("导入文件中没有可导入的内容!"));
        return false;
    }

    startProgress(static_cast<int>(lines.size()));
    // Also when a duplicate test fails and ends the import early.
    const struct Finally {
        SitesKeywordsDialog* dialog;
        ~Finally() { dialog->stopProgress(); }
    } finally{this};

    int imported = 0;
    int done = 0;
    LinePump pump;
    for (const QString& line : lines) {
        if (importStopRequested_)
            break;
        const LineOutcome outcome = importLine(line);
        if (outcome == LineOutcome::Failed) {
            // The disk or the database refuses every further write: going on would only pretend.
            showErrorMsg(QStringLiteral("导入已停止：") + plainWords(database_.lastFailure()) +
                         QStringLiteral("\n已导入 ") + QString::number(imported) + QStringLiteral(" 行。"));
            return true;
        }
        if (outcome == LineOutcome::Imported)
            ++imported;
        importProgress->setValue(++done);
        pump.lineDone();
    }

    QStringList notes;
    if (done < lines.size())
        notes << QStringLiteral("导入已取消，已导入 ") + QString::number(imported) + QStringLiteral(" 行。");
    const int undecodable = file.undecodable + unusable;
    if (undecodable > 0)
        notes << QStringLiteral("有 ") + QString::number(undecodable) +
                     QStringLiteral(" 行因编码无法识别而被跳过（请将文件保存为 UTF-8 或 GBK 编码）。");
    if (!notes.isEmpty())
        showInfoMsg(notes.join(u'\n'));
    return true;
}

SitesKeywordsDialog::LineOutcome SitesKeywordsDialog::insertOutcome(bool written) const {
    if (written)
        return LineOutcome::Imported;
    // A line the database refuses (too long for its column) is skipped; any other failure ends the import.
    return database_.lastFailure() == DbFailure::Refused ? LineOutcome::Skipped : LineOutcome::Failed;
}

void SitesKeywordsDialog::importUrls() {
    const QDate today = QDate::currentDate();
    const bool ran = runImport([this, &today](const QString& line) {
        const QString url = importedUrl(line);
        if (database_.openQuery(duplicateQuery_, urlDuplicateSql(url)) >= 1)
            return LineOutcome::Skipped;
        return insertOutcome(database_.execInTransaction(
            QStringLiteral(
                "Insert Into SE_KeyUrl(UrlName,UpdateTime,AddTime,state,isCheck)Values(?,?,?,?,-1)"),
            {url, today, today, QStringLiteral("删除")}));
    });
    if (ran)
        showUrlCount(loadUrlList());
}

void SitesKeywordsDialog::importKeywords() {
    if (curWebID_ <= 0) {
        showInfoMsg(QStringLiteral("请选中一个链接!"));
        return;
    }
    // The keywords go to the URL chosen when the import began, even if another URL is clicked meanwhile.
    const int webId = curWebID_;
    const QDate today = QDate::currentDate();
    const bool ran = runImport([this, webId, &today](const QString& line) {
        if (database_.openQuery(duplicateQuery_, keyWordDuplicateSql(line, webId)) >= 1)
            return LineOutcome::Skipped;
        return insertOutcome(database_.execInTransaction(
            QStringLiteral(
                "Insert Into SE_KeyWord(WebID,KeyWordName,AddTime,UpdateTime,State)values(?,?,?,?,?)"),
            {webId, line, today, today, QStringLiteral("删除")}));
    });
    if (ran)
        loadKeyWords(curWebID_);
}

} // namespace quorvane

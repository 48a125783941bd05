#pragma once

#include "store/Schema.h"
#include "store/UntDM.h"

#include <QMainWindow>
#include <QString>

namespace quorvane {

// The main window.
class TfrmIndex : public QMainWindow {
    Q_OBJECT
public:
    // dbFile: the database file, relative to the executable's folder (tests point it elsewhere).
    explicit TfrmIndex(TDM& dm, QString dbFile = QString::fromUtf16(kDbFile), QWidget* parent = nullptr);
    ~TfrmIndex() override;

    // The creation steps: prepare the window, connect to the database (on failure: "连接数据库失败!" and
    // the application is told to end), bring the schema up to date.
    void FormCreate();
    // True once the creation steps told the application to end.
    bool TerminateRequested() const { return terminateRequested_; }

    // Asks "你确定要退出程序吗?"; true exactly for Yes.
    bool ConfirmExit();

    QString DbFile;
    QString DbPassword;

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void PrepareMainWindow();
    void FormCloseQuery(QCloseEvent* event);

    TDM& dm_;
    const QString dbFileSetting_;
    bool terminateRequested_ = false;
};

} // namespace quorvane

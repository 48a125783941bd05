#pragma once

#include "store/Database.h"
#include "store/Recordset.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <memory>

namespace quorvane::test {

// A copy of the real program and its browser-engine module in a folder of its own, with a database beside it
// (unless told not to) and an Endpoints.ini the test writes: what a user has after unpacking it. Without a
// database beside it, the copy keeps its data in the user's folders, as an installed one does.
class Installation {
public:
    explicit Installation(bool withDatabase = true);

    QString Program() const;
    QString Folder() const { return dir_.path(); }
    QString DatabasePath() const;
    void WriteEndpointsIni(const QByteArray& text) const;
    // Puts a copy of another database file in place of this one's (closed first, so the file is whole).
    void CopyDatabaseFrom(const QString& path);
    // Closes the test's connection, so that the file holds every change and can be copied.
    void CloseConnection() { connection_.reset(); }
    // A connection to the copy's database, for setting up rows and reading results.
    Database& Connection();
    void Exec(const QString& sql);
    QString Scalar(const QString& sql);
    // Every row of a query, fields joined by "|", rows by "\n".
    QString Rows(const QString& sql);

private:
    QTemporaryDir dir_;
    std::unique_ptr<Database> connection_;
};

// What cron gives a program: a short PATH and HOME (a temporary folder shared by the tests of the process),
// no display, no Qt platform, no proxy.
QProcessEnvironment CronEnvironment();

struct ProcessResult {
    int exitCode = -1;
    bool crashed = false;
    QString out;
    QString err;
    qint64 elapsedMs = 0;
};

// Runs the program with the arguments and pumps events (the loopback servers answer meanwhile) until it
// ends. The hook runs on every pass of the loop while it runs, with the process, e.g. to signal it.
ProcessResult RunProgram(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment,
                         const std::function<void(QProcess&)>& whileRunning = {}, int timeoutMs = 120000);

} // namespace quorvane::test

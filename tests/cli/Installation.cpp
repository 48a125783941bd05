#include "Installation.h"

#include "app/WindowModule.h"
#include "pages/ScriptPageModule.h"
#include "store/Schema.h"
#include "support/Files.h"
#include "support/TempDatabase.h"

#include <QDir>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <stdexcept>

namespace quorvane::test {

Installation::Installation(bool withDatabase) {
    const QString source = qEnvironmentVariable("QUORVANE_BIN_DIR") + QStringLiteral("/Quorvane");
    if (!QFile::copy(source, Program()))
        throw std::runtime_error("cannot copy the program");
    QFile::setPermissions(Program(), QFile::permissions(source));
    // The window's and the browser engine's modules go beside the program, as the build places them.
    for (const char* file : {kWindowModuleFile, kScriptPageModuleFile}) {
        const QString module = QString::fromLatin1(file);
        QFile::copy(qEnvironmentVariable("QUORVANE_BIN_DIR") + u'/' + module,
                    QDir(dir_.path()).filePath(module));
    }
    if (withDatabase &&
        !createDatabase(DatabasePath(), QString::fromUtf16(kDbPassword), SchemaVersion::Full, nullptr))
        throw std::runtime_error("cannot create the database");
}

QString Installation::Program() const {
    return QDir(dir_.path()).filePath(QStringLiteral("Quorvane"));
}

QString Installation::DatabasePath() const {
    return QDir(dir_.path()).filePath(QStringLiteral("DataBase/Trevanid.mdb"));
}

void Installation::WriteEndpointsIni(const QByteArray& text) const {
    if (!WriteFile(QDir(dir_.path()).filePath(QStringLiteral("Endpoints.ini")), text))
        throw std::runtime_error("cannot write Endpoints.ini");
}

void Installation::CopyDatabaseFrom(const QString& path) {
    CloseConnection();
    QFile::remove(DatabasePath());
    if (!QDir().mkpath(QFileInfo(DatabasePath()).absolutePath()) || !QFile::copy(path, DatabasePath()))
        throw std::runtime_error("cannot copy the database");
}

Database& Installation::Connection() {
    if (!connection_) {
        connection_ = std::make_unique<Database>();
        if (!connection_->openDatabase(DatabasePath(), QString::fromUtf16(kDbPassword)))
            throw std::runtime_error("cannot open the copy's database");
    }
    return *connection_;
}

void Installation::Exec(const QString& sql) {
    if (!Connection().execInTransaction(Connection().execQuery, sql))
        throw std::runtime_error("statement failed: " + sql.toStdString());
}

QString Installation::Scalar(const QString& sql) {
    Recordset rs;
    return Connection().openQuery(rs, sql) > 0 ? rs.value(0, 0).toString() : QString();
}

QString Installation::Rows(const QString& sql) {
    return test::QueryRowsText(Connection(), sql);
}

QProcessEnvironment CronEnvironment() {
    QProcessEnvironment environment;
    environment.insert(QStringLiteral("PATH"), QStringLiteral("/usr/bin:/bin"));
    // A home of the tests' own: an installed copy would make its data folder there, never in the real one.
    static const QTemporaryDir home;
    environment.insert(QStringLiteral("HOME"), home.path());
    // The guard's folder as this test sees it, so that the test and the copies agree on it.
    if (qEnvironmentVariableIsSet("XDG_RUNTIME_DIR"))
        environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), qEnvironmentVariable("XDG_RUNTIME_DIR"));
    // The sanitizer build's settings reach the copies it starts (cron knows nothing of them).
    for (const char* name : {"ASAN_OPTIONS", "LSAN_OPTIONS", "UBSAN_OPTIONS"})
        if (qEnvironmentVariableIsSet(name))
            environment.insert(QString::fromLatin1(name), qEnvironmentVariable(name));
    return environment;
}

ProcessResult RunProgram(const QString& program, const QStringList& arguments,
                         const QProcessEnvironment& environment,
                         const std::function<void(QProcess&)>& whileRunning, int timeoutMs) {
    QProcess process;
    process.setProcessEnvironment(environment);
    QElapsedTimer clock;
    clock.start();
    process.start(program, arguments);
    ProcessResult result;
    if (!process.waitForStarted())
        return result;
    QEventLoop loop;
    QObject::connect(&process, &QProcess::finished, &loop, &QEventLoop::quit);
    QTimer tick;
    QObject::connect(&tick, &QTimer::timeout, &loop, [&] {
        if (whileRunning && process.state() == QProcess::Running)
            whileRunning(process);
        if (clock.elapsed() > timeoutMs)
            loop.quit();
    });
    tick.start(5);
    if (process.state() == QProcess::Running)
        loop.exec();
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished();
        result.crashed = true;
    }
    result.elapsedMs = clock.elapsed();
    result.crashed = result.crashed || process.exitStatus() == QProcess::CrashExit;
    result.exitCode = process.exitCode();
    result.out = QString::fromUtf8(process.readAllStandardOutput());
    result.err = QString::fromUtf8(process.readAllStandardError());
    return result;
}

} // namespace quorvane::test

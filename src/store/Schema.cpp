#include "store/Schema.h"

#include "catalog/EngineCatalog.h"
#include "store/SqliteHandles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace quorvane {

namespace {

// Text columns compare without regard to case, as Jet's did, and refuse values longer than their width.
QString text(const QString& column, int width, const QString& extra = {}) {
    return column + QStringLiteral(" TEXT COLLATE NOCASE") + extra + QStringLiteral(" CHECK (length(") +
           column + QStringLiteral(") <= ") + QString::number(width) + u')';
}

QStringList schemaStatements(SchemaVersion version) {
    const bool full = version != SchemaVersion::Older;
    const bool rules = version == SchemaVersion::Full;
    QStringList keyword = {
        QStringLiteral("KeyWordID INTEGER PRIMARY KEY AUTOINCREMENT"),
        QStringLiteral("WebID INTEGER"),
        text(QStringLiteral("KeyWordName"), 20),
        QStringLiteral("AddTime TEXT"),
        text(QStringLiteral("State"), 255),
        QStringLiteral("UpdateTime TEXT"),
        text(QStringLiteral("Valid"), 255, QStringLiteral(" DEFAULT '1'")),
    };
    QStringList history = {
        text(QStringLiteral("KeyWordName"), 255),
        text(QStringLiteral("UrlName"), 255),
    };
    // The engines the oldest files knew have narrower cells; the columns of the others came later.
    for (const EngineInfo& engine : engines()) {
        if (!engine.inOldestSchema)
            continue;
        const QString column = engine.rankColumn.toString();
        keyword << text(column, 20, QStringLiteral(" DEFAULT NULL"));
        history << column + QStringLiteral(" INTEGER");
    }
    if (full) {
        for (const QString& column : laterRankColumns()) {
            keyword << text(column, 50, QStringLiteral(" DEFAULT NULL"));
            history << column + QStringLiteral(" INTEGER");
        }
    }
    history << QStringLiteral("UpdateTime TEXT") << QStringLiteral("KeyWordID INTEGER")
            << QStringLiteral("WebID INTEGER");

    QStringList statements = {
        QStringLiteral("CREATE TABLE SE_KeyUrl (WebID INTEGER PRIMARY KEY AUTOINCREMENT, ") +
            text(QStringLiteral("UrlName"), 50) + QStringLiteral(", AddTime TEXT, ") +
            text(QStringLiteral("State"), 255) + QStringLiteral(", UpdateTime TEXT, isCheck INTEGER") +
            (rules ? QStringLiteral(", MatchRule INTEGER)") : QStringLiteral(")")),
        QStringLiteral("CREATE TABLE SE_KeyWord (") + keyword.join(QStringLiteral(", ")) + u')',
        QStringLiteral("CREATE TABLE SE_RankHistory (") + history.join(QStringLiteral(", ")) + u')',
    };
    return statements + schemaIndexStatements();
}

} // namespace

QStringList schemaIndexStatements() {
    return {
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_KeyUrl_UrlName ON SE_KeyUrl (UrlName)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_KeyWord_WebID ON SE_KeyWord (WebID)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_KeyWord_KeyWordName ON SE_KeyWord (KeyWordName)"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS IX_RankHistory_Pair ON SE_RankHistory (KeyWordID, WebID, "
                       "UpdateTime)"),
    };
}

namespace {

bool fail(QString* error, const QString& message) {
    if (error)
        *error = message;
    return false;
}

} // namespace

bool createDatabase(const QString& path, const QString& password, SchemaVersion version, QString* error) {
    if (QFileInfo::exists(path))
        return fail(error, QStringLiteral("refusing to overwrite existing file: ") + path);
    if (!QDir().mkpath(QFileInfo(path).absolutePath()))
        return fail(error, QStringLiteral("cannot create folder for: ") + path);

    bool ok = false;
    QString message;
    {
        sqlite3* raw = nullptr;
        const QByteArray nativePath = QFile::encodeName(path);
        const int rc =
            sqlite3_open_v2(nativePath.constData(), &raw,
                            SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE | SQLITE_OPEN_EXCLUSIVE, nullptr);
        SqliteDb db(raw);
        if (rc == SQLITE_OK) {
            const QByteArray key = password.toUtf8();
            ok = sqlite3_key(db.get(), key.constData(), static_cast<int>(key.size())) == SQLITE_OK;
            QStringList statements = schemaStatements(version);
            statements.prepend(QStringLiteral("BEGIN"));
            statements.append(QStringLiteral("COMMIT"));
            for (const QString& statement : statements) {
                if (!ok)
                    break;
                ok = sqlite3_exec(db.get(), statement.toUtf8().constData(), nullptr, nullptr, nullptr) ==
                     SQLITE_OK;
            }
            if (!ok)
                message = QString::fromUtf8(sqlite3_errmsg(db.get()));
        } else {
            message = QStringLiteral("cannot create: ") + path;
        }
    }
    if (!ok) {
        QFile::remove(path);
        return fail(error, message);
    }
    return true;
}

} // namespace quorvane

#include "cli/SiteCommands.h"

#include "catalog/EngineCatalog.h"
#include "engine/SiteHosts.h"
#include "sites/DuplicateQueries.h"
#include "sites/SiteStatements.h"
#include "sites/TextLines.h"
#include "sites/UrlForms.h"
#include "store/DbError.h"
#include "store/RecordTable.h"

#include <QDate>

#include <optional>

namespace quorvane {

namespace {

// A stored site the command acts on.
struct StoredSite {
    qint64 webId = 0;
    QString text;
    SiteMatch rule = SiteMatch::Address;
};

// A refusal: the command writes nothing and exits 2.
struct Refusal {
    QString text;
};

QDate today() {
    return QDate::currentDate();
}

QString labelled(const QString& address, SiteMatch rule) {
    return address + QStringLiteral(" (") + siteMatchLabel(rule) + u')';
}

class SiteCommand {
public:
    SiteCommand(Database& database, const CommandLineOptions& options)
        : database_(database)
        , options_(options) {}

    SiteCommandResult run();

private:
    // The stored site whose text equals `text` (as the dialog's duplicate test compares), or none.
    std::optional<StoredSite> siteStoredAs(const QString& text);
    // The site a typed address names: its canonical form, the text as typed (imported and edited sites) or
    // its host (sites under the host rules), the first that is stored.
    std::optional<StoredSite> typedSite(const QString& typed);
    StoredSite requireSite();
    qint64 lastInsertedId();
    bool keywordStored(const QString& keyword, qint64 webId);
    void write(const BoundSql& bound) { database_.exec(bound.sql, bound.values); }
    // Adds the keywords not yet stored under the site; lines for the skipped ones say why.
    void addKeywords(qint64 webId, const QStringList& keywords);
    // Runs the work in one transaction; a write that fails rolls everything back.
    void inOneTransaction(const std::function<void()>& work, const QString& failureText);

    void addSite();
    void addKeywordFile();
    void list();
    void removeSite();
    void removeKeyword();

    Database& database_;
    const CommandLineOptions& options_;
    SiteCommandResult result_;
    QStringList pending_; // lines of the transaction in progress: shown only once it is committed
};

SiteCommandResult SiteCommand::run() {
    try {
        switch (options_.action) {
        case CommandLineOptions::Action::AddSite:
            addSite();
            break;
        case CommandLineOptions::Action::AddKeywords:
            addKeywordFile();
            break;
        case CommandLineOptions::Action::List:
            list();
            break;
        case CommandLineOptions::Action::RemoveSite:
            removeSite();
            break;
        case CommandLineOptions::Action::RemoveKeyword:
            removeKeyword();
            break;
        default:
            break;
        }
    } catch (const Refusal& refusal) {
        result_.status = ExitBadArguments;
        result_.err << refusal.text;
    } catch (const DbError& error) {
        result_.status = ExitStoppedOrFailed;
        result_.err << QString::fromUtf8(error.what());
    }
    return result_;
}

std::optional<StoredSite> SiteCommand::siteStoredAs(const QString& text) {
    QStringList fields;
    const RecordTable rows = database_.readRows(
        QStringLiteral("Select WebID,UrlName,MatchRule From SE_KeyUrl Where UrlName=? Order By WebID"),
        {text}, fields);
    if (rows.rowCount() == 0)
        return std::nullopt;
    return StoredSite{rows.value(0, 0).toLongLong(), rows.text(0, 1), siteMatchOfStored(rows.value(0, 2))};
}

std::optional<StoredSite> SiteCommand::typedSite(const QString& typed) {
    for (const QString& text : {canonicalUrl(typed), typed, hostOfAddress(typed)})
        if (!text.trimmed().isEmpty())
            if (std::optional<StoredSite> site = siteStoredAs(text))
                return site;
    return std::nullopt;
}

StoredSite SiteCommand::requireSite() {
    if (options_.siteAddress.trimmed().isEmpty())
        throw Refusal{QStringLiteral("链接不能为空!")};
    std::optional<StoredSite> site = typedSite(options_.siteAddress);
    if (!site)
        throw Refusal{QStringLiteral("找不到网址: ") + options_.siteAddress};
    return *site;
}

qint64 SiteCommand::lastInsertedId() {
    QStringList fields;
    return database_.readRows(QStringLiteral("Select last_insert_rowid()"), fields).value(0, 0).toLongLong();
}

bool SiteCommand::keywordStored(const QString& keyword, qint64 webId) {
    QStringList fields;
    const BoundSql duplicate = keyWordDuplicateSql(keyword, static_cast<int>(webId));
    return database_.readRows(duplicate.sql, duplicate.values, fields).rowCount() > 0;
}

void SiteCommand::addKeywords(qint64 webId, const QStringList& keywords) {
    const QDate day = today();
    for (const QString& keyword : keywords) {
        if (keyword.trimmed().isEmpty())
            continue; // a blank keyword is nothing to add, as in the dialog
        if (keyword.size() > kLongestKeyword) {
            pending_ << QStringLiteral("跳过关键词 ") + keyword + QStringLiteral(": 关键词超过 ") +
                            QString::number(kLongestKeyword) + QStringLiteral(" 个字符");
            continue;
        }
        if (keywordStored(keyword, webId)) {
            pending_ << QStringLiteral("跳过关键词 ") + keyword + QStringLiteral(": 出现重复关键词!");
            continue;
        }
        write(keywordInsertSql(webId, keyword, day));
        pending_ << QStringLiteral("已添加关键词: ") + keyword;
    }
}

void SiteCommand::inOneTransaction(const std::function<void()>& work, const QString& failureText) {
    pending_.clear();
    // A refusal inside the work passes on after the rollback: nothing of the command stays.
    if (!database_.inOneTransaction(work)) {
        result_.status = ExitStoppedOrFailed;
        result_.err << failureText + u' ' + plainWords(database_.lastFailure());
        return;
    }
    result_.out << pending_;
}

void SiteCommand::addSite() {
    const QString& typed = options_.siteAddress;
    if (typed.trimmed().isEmpty())
        throw Refusal{QStringLiteral("链接不能为空!")};
    // Keywords the database cannot hold refuse the whole command, as the dialog refuses them one by one.
    for (const QString& keyword : options_.keywords)
        if (keyword.size() > kLongestKeyword)
            throw Refusal{QStringLiteral("添加关键词出现异常！关键词超过 ") +
                          QString::number(kLongestKeyword) + QStringLiteral(" 个字符: ") + keyword};

    inOneTransaction(
        [&] {
            const SiteMatch rule = options_.matchRule.value_or(SiteMatch::Address);
            const QString stored = storedSiteText(typed, rule);
            if (stored.isEmpty())
                throw Refusal{QStringLiteral("链接中没有有效的主机名!: ") + typed};
            // The site as it would be stored; with a rule given, also a site stored in another form (the
            // canonical form, or as typed), so that a stored site can be given a host rule.
            std::optional<StoredSite> site = siteStoredAs(stored);
            for (const QString& text : {canonicalUrl(typed), typed})
                if (!site && options_.matchRule)
                    site = siteStoredAs(text);
            qint64 webId = 0;
            if (!site) {
                if (stored.size() > kLongestSiteText)
                    throw Refusal{QStringLiteral("新增链接失败! 链接超过 ") +
                                  QString::number(kLongestSiteText) + QStringLiteral(" 个字符: ") + stored};
                write(siteInsertSql(stored, rule, today()));
                webId = lastInsertedId();
                pending_ << QStringLiteral("已添加网址: ") + labelled(stored, rule);
            } else {
                webId = site->webId;
                if (!options_.matchRule || *options_.matchRule == site->rule) {
                    pending_ << QStringLiteral("网址已存在: ") + labelled(site->text, site->rule);
                } else {
                    // A site switched to a host rule becomes its host where its text holds one.
                    QString text = site->text;
                    if (rule != SiteMatch::Address) {
                        text = storedSiteText(site->text, rule);
                        if (text.isEmpty())
                            throw Refusal{QStringLiteral("链接中没有有效的主机名!: ") + site->text};
                        const std::optional<StoredSite> other = siteStoredAs(text);
                        if (other && other->webId != site->webId)
                            throw Refusal{QStringLiteral("存在相同链接！") + u' ' + text};
                    }
                    write(siteEditSql(site->webId, text, rule, today()));
                    pending_ << QStringLiteral("网址已存在, 匹配方式改为 ") + siteMatchLabel(rule) +
                                    QStringLiteral(": ") + text;
                }
            }
            addKeywords(webId, options_.keywords);
        },
        QStringLiteral("新增链接失败!"));
}

void SiteCommand::addKeywordFile() {
    const StoredSite site = requireSite();
    const TextLines file = readTextLines(options_.keywordFile);
    if (!file.readable)
        throw Refusal{QStringLiteral("导入文件不存在或无法读取!: ") + options_.keywordFile};
    // As the dialog's import.
    const StorableLines storable = storableLines(file.lines);
    inOneTransaction(
        [&] {
            pending_ << QStringLiteral("网址: ") + labelled(site.text, site.rule);
            addKeywords(site.webId, storable.lines);
        },
        QStringLiteral("添加关键词出现异常！"));
    const int undecodable = file.undecodable + storable.unusable;
    if (undecodable > 0)
        result_.out << QStringLiteral("有 ") + QString::number(undecodable) +
                           QStringLiteral(" 行因编码无法识别而被跳过（请将文件保存为 UTF-8 或 GBK 编码）。");
}

// A field of --list: tabs and line ends would break the line into other fields.
QString listField(const QVariant& value) {
    QString text = value.isNull() ? QString() : value.toString();
    for (QChar& c : text)
        if (c == u'\t' || c == u'\n' || c == u'\r')
            c = u' ';
    return text;
}

// The keyword's fields --list prints after the site's: the rank columns as the window's grid shows them.
QStringList listedKeywordFields() {
    QStringList fields{QStringLiteral("KeyWordName"), QStringLiteral("Valid")};
    for (const RankColumn& rank : shownRankColumns())
        fields << rank.field().toString();
    fields << QStringLiteral("UpdateTime");
    return fields;
}

void SiteCommand::list() {
    result_.out << siteListHeader();
    const QString ranks = QStringLiteral("k.") + listedKeywordFields().join(QStringLiteral(",k."));
    // Every site with its keywords (a site without any: one line without a keyword), then the keywords whose
    // site is gone, with an empty address.
    const QStringList statements = {
        QStringLiteral("Select u.UrlName,u.MatchRule,") + ranks +
            QStringLiteral(" From SE_KeyUrl u Left Join SE_KeyWord k On k.WebID=u.WebID Order By u.UrlName,"
                           "u.WebID,k.KeyWordID"),
        QStringLiteral("Select Null,Null,") + ranks +
            QStringLiteral(" From SE_KeyWord k Where Not Exists (Select 1 From SE_KeyUrl u Where "
                           "u.WebID=k.WebID) Order By k.KeyWordID"),
    };
    for (int s = 0; s < statements.size(); ++s) {
        QStringList fields;
        const RecordTable rows = database_.readRows(statements[s], fields);
        for (int row = 0; row < rows.rowCount(); ++row) {
            QStringList line;
            for (int column = 0; column < rows.columnCount(); ++column) {
                if (column == 1)
                    line << (s == 0 ? siteMatchName(siteMatchOfStored(rows.value(row, column))) : QString());
                else
                    line << listField(rows.value(row, column));
            }
            result_.out << line.join(u'\t');
        }
    }
}

void SiteCommand::removeSite() {
    const StoredSite site = requireSite();
    inOneTransaction(
        [&] {
            write({QStringLiteral("Delete From SE_KeyUrl Where WebID=?"), {site.webId}});
            pending_ << QStringLiteral("已删除网址: ") + site.text;
        },
        QStringLiteral("删除失败!"));
}

void SiteCommand::removeKeyword() {
    const StoredSite site = requireSite();
    const QString keyword = options_.keywords.value(0);
    if (!keywordStored(keyword, site.webId))
        throw Refusal{QStringLiteral("找不到关键词: ") + keyword};
    inOneTransaction(
        [&] {
            write({QStringLiteral("Delete From SE_KeyWord Where WebID=? and KeyWordName=?"),
                   {site.webId, keyword}});
            pending_ << QStringLiteral("已删除关键词: ") + keyword;
        },
        QStringLiteral("删除关键词出现异常!"));
}

} // namespace

SiteCommandResult runSiteCommand(Database& database, const CommandLineOptions& options) {
    return SiteCommand(database, options).run();
}

QString siteListHeader() {
    const QStringList names =
        QStringList{QStringLiteral("UrlName"), QStringLiteral("MatchRule")} + listedKeywordFields();
    return names.join(u'\t');
}

} // namespace quorvane

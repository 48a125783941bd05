// A loopback stand-in for the seven search engines and the maker's site, for demonstrations without the
// internet.
//   engine-simulator --endpoints PATH   serves until ended; writes PATH (an Endpoints.ini) once listening
//   engine-simulator --demo-sql         prints the statements that fill a fresh database with the demo data
// Each engine gets its own port and answers its result-page addresses with pages in that engine's markup,
// on which the demo sites stand at the positions DemoData.cpp gives for the demo keywords.
#include "DemoData.h"
#include "support/ResultPages.h"
#include "SimulatorServer.h"

#include "engine/EngineTable.h"
#include "platform/GbkCodec.h"

#include <QCoreApplication>
#include <QSaveFile>

#include <cstdio>
#include <memory>
#include <vector>

namespace {

using namespace quorvane;

// The name of the query parameter that a path piece ends with: "/web?&num=100&query=" gives "query".
QByteArray parameterBefore(QStringView piece) {
    const QByteArray text = piece.toLatin1();
    const qsizetype end = text.lastIndexOf('=');
    if (end < 0)
        return {};
    const qsizetype start = std::max(text.lastIndexOf('?', end), text.lastIndexOf('&', end)) + 1;
    return text.mid(start, end - start);
}

// The raw bytes of a query parameter of the request target, percent-decoded; null when absent.
QByteArray queryValue(const QByteArray& target, const QByteArray& name) {
    const qsizetype question = target.indexOf('?');
    if (question < 0 || name.isEmpty())
        return {};
    for (const QByteArray& pair : target.mid(question + 1).split('&')) {
        const qsizetype equals = pair.indexOf('=');
        if (equals >= 0 && pair.left(equals) == name) {
            QByteArray value = pair.mid(equals + 1);
            value.replace('+', ' ');
            return QByteArray::fromPercentEncoding(value);
        }
    }
    return {};
}

// The result page an engine answers for a keyword and page parameter.
QByteArray resultPage(const EngineInfo& engine, const QByteArray& target) {
    const QByteArray keyBytes = queryValue(target, parameterBefore(engine.pathBeforeKeyword));
    const QString keyword =
        engine.keywordBytes == KeywordBytes::Gbk ? fromGbk(keyBytes) : QString::fromUtf8(keyBytes);
    const int parameter = queryValue(target, parameterBefore(engine.pathBeforePage)).toInt();
    int pageIndex = 0;
    while (pageIndex < 100 && pageParameter(engine, pageIndex) != parameter)
        ++pageIndex;

    const int step = pageStep(engine);
    int position = 0;
    QString site;
    for (const demo::DemoKeyword& k : demo::demoKeywords())
        if (k.keyword == keyword) {
            position = demo::demoPosition(engine.name, k.keyword, k.site);
            site = QStringLiteral("http://") + k.site + u'/';
        }
    const bool onThisPage = position > pageIndex * step && position <= (pageIndex + 1) * step;
    QStringList links = test::LinksWithSiteAt(step, onThisPage ? position - pageIndex * step : 0, site);
    // Baidu heads its first page with two promoted results, which only its second rank counts.
    int promoted = 0;
    if (engine.name == u"Baidu" && pageIndex == 0) {
        promoted = 2;
        links.prepend(QStringLiteral("www.promoted-b.example"));
        links.prepend(QStringLiteral("www.promoted-a.example"));
    }
    return test::ResultPage(engine.name, links, promoted);
}

QByteArray makerPage(const QByteArray& target) {
    const QByteArray path = target.left(target.indexOf('?') < 0 ? target.size() : target.indexOf('?'));
    if (path == "/")
        return "<html><body><pre>Code=1.3</pre></body></html>";
    if (path == "/r2.php")
        return QStringLiteral("<html><body style=\"margin:4px;font-size:12px\"><b>Quorvane 演示</b><br>"
                              "所有搜索引擎都由本机的模拟程序代替，排名结果仅供演示。</body></html>")
            .toUtf8();
    if (path == "/nav.php")
        return "<html><body></body></html>";
    return {};
}

bool writeEndpoints(const QString& path, const QStringList& lines) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return false;
    file.write(
        "; Written by engine-simulator: every engine and the maker's site on this machine.\n[Endpoints]\n");
    for (const QString& line : lines)
        file.write(line.toUtf8() + '\n');
    return file.commit();
}

} // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments().mid(1);
    if (args == QStringList{QStringLiteral("--demo-sql")}) {
        std::fputs(demo::demoSql().toUtf8().constData(), stdout);
        return 0;
    }
    if (args.size() != 2 || args[0] != u"--endpoints") {
        std::fprintf(stderr, "usage: engine-simulator --endpoints PATH | --demo-sql\n");
        return 2;
    }

    std::vector<std::unique_ptr<demo::SimulatorServer>> servers;
    QStringList endpoints;
    for (const EngineInfo& engine : kEngines) {
        servers.push_back(std::make_unique<demo::SimulatorServer>(
            [&engine](const QByteArray& target) { return resultPage(engine, target); }));
        if (!servers.back()->listen())
            return 1;
        endpoints << engine.name.toString() + u'=' + servers.back()->baseUrl();
    }
    servers.push_back(std::make_unique<demo::SimulatorServer>(&makerPage));
    if (!servers.back()->listen())
        return 1;
    endpoints << QStringLiteral("Maker=") + servers.back()->baseUrl();

    if (!writeEndpoints(args[1], endpoints)) {
        std::fprintf(stderr, "engine-simulator: cannot write %s\n", qUtf8Printable(args[1]));
        return 1;
    }
    std::printf("engine-simulator: serving %s\n", qUtf8Printable(endpoints.join(u' ')));
    std::fflush(stdout);
    return app.exec();
}

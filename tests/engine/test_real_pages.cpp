// Real result pages of 2017-2022 with their annotated results, read with the compiled definitions: each
// page's list against its expected file, position by position. The pages stay in the shared folder beside
// the repository; a clone without it skips these cases.
#include "engine/EngineDefinitions.h"
#include "engine/EngineScanners.h"
#include "pages/BodyInflater.h"
#include "pages/PageDecoder.h"
#include "pages/RenderedPage.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QRegularExpression>
#include <QUrl>

namespace quorvane {
namespace {

QString realPagesFolder() {
    return QStringLiteral(QUORVANE_REAL_SERPS_DIR);
}

QByteArray readGzipFile(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    BodyInflater inflater(BodyInflater::Encoding::Gzip);
    QByteArray out;
    inflater.append(file.readAll(), out, 64 * 1024 * 1024);
    return out;
}

// The annotators' comparison: without the scheme, percent-escapes decoded, case folded, no trailing "/".
QString comparable(const QString& address) {
    QString text = address.trimmed();
    text.remove(QRegularExpression(QStringLiteral("^[a-zA-Z]+://")));
    text = QUrl::fromPercentEncoding(text.toUtf8()).toLower();
    while (text.endsWith(u'/'))
        text.chop(1);
    return text;
}

struct RealPage {
    QString name;
    QString engine;
    QByteArray contentType;
};

std::vector<RealPage> realPages() {
    std::vector<RealPage> pages;
    QFile index(realPagesFolder() + QStringLiteral("/index.tsv"));
    if (!index.open(QIODevice::ReadOnly))
        return pages;
    const QList<QByteArray> lines = index.readAll().split('\n');
    for (qsizetype i = 1; i < lines.size(); ++i) {
        const QList<QByteArray> fields = lines[i].split('\t');
        if (fields.size() >= 4)
            pages.push_back({QString::fromUtf8(fields[0]), QString::fromUtf8(fields[1]), fields[3]});
    }
    return pages;
}

class RealPages : public ::testing::Test {
protected:
    void SetUp() override {
        if (!QDir(realPagesFolder()).exists())
            GTEST_SKIP() << "the real result pages are not beside this clone ("
                         << realPagesFolder().toStdString()
                         << "): they are shared material, not part of the repository";
        loadEngineDefinitions(QStringLiteral("/nonexistent/Engines.ini")); // the compiled definitions
    }
};

TEST_F(RealPages, EachPageGivesItsAnnotatedResultsInOrder) {
    const std::vector<RealPage> pages = realPages();
    ASSERT_GE(pages.size(), 50u);
    PageReader reader;
    int found = 0;
    int expectedCount = 0;
    for (const RealPage& page : pages) {
        SCOPED_TRACE(page.name.toStdString());
        const QByteArray bytes = readGzipFile(realPagesFolder() + QStringLiteral("/pages/") + page.name +
                                              QStringLiteral(".html.gz"));
        ASSERT_FALSE(bytes.isEmpty());
        // Read as a run reads it, in the page reader process; the same as in this process.
        const PageDocument document{bytes, charsetFromContentType(page.contentType)};
        const PageReaderReply reply = readEnginePage(reader, page.engine, document, MarkupWanted::Always);
        ASSERT_TRUE(reply.read()) << readerEndNote(reply).toStdString();
        const PageReading& reading = reply.reading;
        EXPECT_EQ(reading, readEnginePageInProcess(page.engine, document, MarkupWanted::Always));
        // A page kept under Logs/unparsed/ is its serialised markup in GBK; --read-page reads it back alike.
        const PageReaderReply kept = readEnginePage(reader, page.engine, {reading.rootGbk, {}});
        ASSERT_TRUE(kept.read());
        EXPECT_EQ(kept.reading.results.size(), reading.results.size());
        QFile expectedFile(realPagesFolder() + QStringLiteral("/expected/") + page.name +
                           QStringLiteral(".txt"));
        ASSERT_TRUE(expectedFile.open(QIODevice::ReadOnly));
        QStringList expected = QString::fromUtf8(expectedFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
        QStringList ours;
        for (const PageResult& result : reading.results)
            if (!result.promoted)
                ours << comparable(result.address);
        for (QString& address : expected)
            address = comparable(address);
        expectedCount += static_cast<int>(expected.size());
        for (qsizetype i = 0; i < expected.size(); ++i)
            found += i < ours.size() && ours[i] == expected[i] ? 1 : 0;
        // One annotation decodes "&reg" inside an address ("&region=" as "®ion="), which HTML does not do in
        // an attribute; that result is read as the page has it.
        if (page.name == u"yahoo-2017-03-13-1")
            continue;
        EXPECT_EQ(ours, expected);
    }
    EXPECT_EQ(found, expectedCount - 1);
}

// Baidu's results link through the engine; the address the page shows is read beside the link.
TEST_F(RealPages, BaiduResultsCarryTheirShownAddress) {
    const QByteArray bytes =
        readGzipFile(realPagesFolder() + QStringLiteral("/pages/baidu-2019-05-27-1.html.gz"));
    ASSERT_FALSE(bytes.isEmpty());
    PageReader reader;
    const PageReaderReply reply = readEnginePage(reader, u"Baidu", {bytes, "utf-8"});
    ASSERT_TRUE(reply.read());
    const PageReading& reading = reply.reading;
    ASSERT_EQ(reading.results.size(), 10);
    EXPECT_TRUE(reading.results[0].address.startsWith(u"http://www.baidu.com/link?url="));
    EXPECT_TRUE(reading.results[0].shownAddress.startsWith(u"www.jsz168.com/"));
    for (const PageResult& result : reading.results) {
        EXPECT_FALSE(result.shownAddress.isEmpty());
        EXPECT_FALSE(result.promoted);
    }
}

} // namespace
} // namespace quorvane

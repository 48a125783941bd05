// The engine table: result-page addresses, page parameters and limits, and the endpoint overrides.
#include "config/Endpoints.h"
#include "engine/EngineTable.h"
#include "platform/GbkCodec.h"
#include "support/MessageRecorder.h"

#include "platform/QStringPrinter.h"
#include "support/Files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace quorvane {
namespace {

struct UrlCase {
    const char* name;
    const char* engine;
    const char16_t* keyword;
    int pageIndex;
    const char* url;
};

class ResultPageUrlTest : public ::testing::TestWithParam<UrlCase> {
protected:
    void SetUp() override { loadEndpoints(QString()); } // compiled-in hosts
};

TEST_P(ResultPageUrlTest, BuildsTheEnginesAddress) {
    const UrlCase& c = GetParam();
    const EngineInfo* engine = findEngine(QString::fromLatin1(c.engine));
    ASSERT_NE(engine, nullptr);
    const QString keyword = QString::fromUtf16(c.keyword);
    EXPECT_EQ(resultPageUrl(engine->name, keyword, pageParameter(*engine, c.pageIndex)),
              QLatin1String(c.url));
}

// The engines that take UTF-8 today get the keyword's UTF-8 form (and the parameter that says so); Soso,
// retired, keeps its GBK form.
const UrlCase kUrlCases[] = {
    {"baidu_0", "Baidu", u"中", 0, "https://www.baidu.com/s?ie=utf-8&wd=%E4%B8%AD&pn=0&rn=100&usm=1"},
    {"baidu_2", "Baidu", u"中", 2, "https://www.baidu.com/s?ie=utf-8&wd=%E4%B8%AD&pn=200&rn=100&usm=1"},
    {"google_0", "Google", u"中", 0,
     "https://www.google.com.hk/search?num=100&hl=zh-CN&lr=&safe=strict&ie=utf-8&q=%E4%B8%AD&start=0"},
    {"google_2", "Google", u"中", 2,
     "https://www.google.com.hk/search?num=100&hl=zh-CN&lr=&safe=strict&ie=utf-8&q=%E4%B8%AD&start=200"},
    {"yahoo_0", "Yahoo", u"中", 0, "https://search.yahoo.com/search?p=%E4%B8%AD&n=100&v=web&b=0"},
    {"yahoo_2", "Yahoo", u"中", 2, "https://search.yahoo.com/search?p=%E4%B8%AD&n=100&v=web&b=200"},
    {"soso_0", "Soso", u"中", 0, "http://www.soso.com/q?w=%D6%D0&pg=1"},
    {"soso_2", "Soso", u"中", 2, "http://www.soso.com/q?w=%D6%D0&pg=3"},
    {"bing_0", "Bing", u"中", 0, "https://cn.bing.com/search?q=%E4%B8%AD&first=0"},
    {"bing_2", "Bing", u"中", 2, "https://cn.bing.com/search?q=%E4%B8%AD&first=100"},
    {"sogou_0", "Sogou", u"中", 0, "https://www.sogou.com/web?&num=100&ie=utf8&query=%E4%B8%AD&page=1"},
    {"sogou_2", "Sogou", u"中", 2, "https://www.sogou.com/web?&num=100&ie=utf8&query=%E4%B8%AD&page=3"},
    {"youdao_0", "Youdao", u"中", 0, "http://www.youdao.com/search?q=%E4%B8%AD&start=0"},
    {"youdao_2", "Youdao", u"中", 2, "http://www.youdao.com/search?q=%E4%B8%AD&start=60"},
    {"letters_encoded_too", "Bing", u"ab", 0, "https://cn.bing.com/search?q=%61%62&first=0"},
    {"space_gbk", "Soso", u"a b", 0, "http://www.soso.com/q?w=%61%20%62&pg=1"},
    {"space_utf8", "Youdao", u"a b", 0, "http://www.youdao.com/search?q=%61%20%62&start=0"},
    // Characters GBK cannot hold reach a UTF-8 engine as themselves; a GBK engine gets "?".
    {"korean_utf8_engine", "Baidu", u"한국", 0,
     "https://www.baidu.com/s?ie=utf-8&wd=%ED%95%9C%EA%B5%AD&pn=0&rn=100&usm=1"},
    {"emoji_utf8_engine", "Google", u"a\U0001F600", 0,
     "https://www.google.com.hk/search?num=100&hl=zh-CN&lr=&safe=strict&ie=utf-8&q=%61%F0%9F%98%80&start=0"},
    {"accented_utf8_engine", "Sogou", u"café", 0,
     "https://www.sogou.com/web?&num=100&ie=utf8&query=%63%61%66%C3%A9&page=1"},
    {"not_in_gbk_gbk_engine", "Soso", u"한", 0, "http://www.soso.com/q?w=%3F&pg=1"},
    {"empty_keyword", "Google", u"", 0,
     "https://www.google.com.hk/search?num=100&hl=zh-CN&lr=&safe=strict&ie=utf-8&q=&start=0"},
};

INSTANTIATE_TEST_SUITE_P(Engines, ResultPageUrlTest, ::testing::ValuesIn(kUrlCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(EngineTable, UnknownEngineHasNoAddress) {
    EXPECT_EQ(findEngine(u"baidu"), nullptr);
    EXPECT_TRUE(resultPageUrl(u"baidu", u"x", 0).isEmpty());
    EXPECT_TRUE(firstPageUrl(u"Altavista", u"x").isEmpty());
}

TEST(EngineTable, FirstPageUsesTheFirstPageParameter) {
    loadEndpoints(QString());
    EXPECT_EQ(firstPageUrl(u"Soso", u""), u"http://www.soso.com/q?w=&pg=1");
    EXPECT_EQ(firstPageUrl(u"Baidu", u"旅游"),
              u"https://www.baidu.com/s?ie=utf-8&wd=%E6%97%85%E6%B8%B8&pn=0&rn=100&usm=1");
}

TEST(EngineTable, PagesAndNotFoundLimits) {
    struct Row {
        const char16_t* engine;
        int pagesAt3;
        int limitAt3;
        int limitAt1;
    };
    const Row rows[] = {{u"Baidu", 3, 300, 100},  {u"Google", 3, 300, 100}, {u"Yahoo", 3, 300, 100},
                        {u"Soso", 10, 100, 100},  {u"Bing", 3, 150, 50},    {u"Sogou", 3, 300, 100},
                        {u"Youdao", 10, 300, 300}};
    for (const Row& row : rows) {
        const EngineInfo* engine = findEngine(QStringView(row.engine));
        ASSERT_NE(engine, nullptr);
        EXPECT_EQ(pagesRead(*engine, 3), row.pagesAt3) << engine->name.toString().toStdString();
        EXPECT_EQ(notFoundLimit(*engine, 3), row.limitAt3) << engine->name.toString().toStdString();
        EXPECT_EQ(notFoundLimit(*engine, 1), row.limitAt1) << engine->name.toString().toStdString();
    }
    EXPECT_EQ(kEngines[0].rankColumn2, u"BaiduRank2");
    EXPECT_EQ(kEngines[0].gridCaption2, u"Baidu包含推广");
    EXPECT_EQ(runOrder()[3]->name, u"Sogou");
    // The batch run checks the engines in its own order, not the table's.
    QStringList order;
    for (const EngineInfo* engine : runOrder())
        order << engine->name.toString();
    EXPECT_EQ(order, QStringList({"Baidu", "Google", "Yahoo", "Sogou", "Bing", "Soso", "Youdao"}));
}

// The widest rank a stored column can hold is its engine's limit at ten pages; Baidu's two columns share it.
TEST(EngineTable, WidestRankOfAStoredColumn) {
    struct Row {
        const char16_t* column;
        int widest;
    };
    const Row rows[] = {
        {u"BaiduRank", 1000}, {u"BaiduRank2", 1000}, {u"GoogleRank", 1000}, {u"SosoRank", 100},
        {u"BingRank", 500},   {u"YoudaoRank", 300},  {u"UpdateTime", 0},    {u"", 0}};
    for (const Row& row : rows)
        EXPECT_EQ(widestRank(QStringView(row.column)), row.widest)
            << QString::fromUtf16(row.column).toStdString();
}

class EndpointsTest : public ::testing::Test {
protected:
    QString writeIni(const QByteArray& text) {
        const QString path = dir.filePath(QStringLiteral("Endpoints.ini"));
        EXPECT_TRUE(test::WriteFile(path, text));
        return path;
    }
    void TearDown() override {
        loadEndpoints(QString());
        // The reader returns its faults; showing them is the window's and the command line's.
        EXPECT_TRUE(messages.Texts().isEmpty()) << messages.Texts().join(u'\n').toStdString();
    }
    QStringList Texts() const {
        QStringList texts;
        for (const SettingsFault& fault : faults)
            texts << fault.text;
        return texts;
    }

    QTemporaryDir dir;
    test::MessageRecorder messages;
    SettingsFaults faults;
};

TEST_F(EndpointsTest, AbsentFileKeepsCompiledInHosts) {
    faults = loadEndpoints(dir.filePath(QStringLiteral("Endpoints.ini")));
    for (const QStringView key : endpointKeys())
        EXPECT_EQ(endpoint(key), defaultEndpoint(key));
    EXPECT_TRUE(faults.isEmpty());
}

TEST_F(EndpointsTest, OverridesSchemeHostAndPort) {
    faults =
        loadEndpoints(writeIni("[Endpoints]\nBaidu=http://127.0.0.1:18081\nMaker=https://127.0.0.1:18088/\n"
                               "Download=ftp://127.0.0.1:18089\nbaidu=http://127.0.0.1:1\nOther=http://x\n"));
    EXPECT_EQ(endpoint(u"Baidu"), u"http://127.0.0.1:18081");
    EXPECT_EQ(endpoint(u"Maker"), u"https://127.0.0.1:18088");
    EXPECT_EQ(endpoint(u"Download"), u"ftp://127.0.0.1:18089");
    EXPECT_EQ(endpoint(u"Google"), defaultEndpoint(u"Google"));
    EXPECT_EQ(resultPageUrl(u"Baidu", u"a", 0),
              u"http://127.0.0.1:18081/s?ie=utf-8&wd=%61&pn=0&rn=100&usm=1");
    EXPECT_TRUE(faults.isEmpty());
}

TEST_F(EndpointsTest, MalformedValuesAreReportedOnceAndIgnored) {
    faults =
        loadEndpoints(writeIni("[Endpoints]\nBaidu=127.0.0.1:18081\nGoogle=http://127.0.0.1:18082/search\n"
                               "Yahoo=gopher://127.0.0.1\nSoso=http://a,b\nBing=http://127.0.0.1:18085\n"));
    EXPECT_EQ(endpoint(u"Baidu"), defaultEndpoint(u"Baidu"));
    EXPECT_EQ(endpoint(u"Google"), defaultEndpoint(u"Google"));
    EXPECT_EQ(endpoint(u"Yahoo"), defaultEndpoint(u"Yahoo"));
    EXPECT_EQ(endpoint(u"Soso"), defaultEndpoint(u"Soso"));
    EXPECT_EQ(endpoint(u"Bing"), u"http://127.0.0.1:18085");
    ASSERT_EQ(faults.size(), 1);
    EXPECT_EQ(faults[0].kind, SettingsFaultKind::Endpoints);
    const QString text = faults[0].text;
    for (const char* key : {"Baidu=", "Google=", "Yahoo=", "Soso="})
        EXPECT_TRUE(text.contains(QLatin1String(key))) << key;
    EXPECT_FALSE(text.contains(u"Bing="));
}

// What QSettings took from the file before stays taken: quotes around a value, a comment after it, spaces
// around "=".
TEST_F(EndpointsTest, QuotesAndCommentsAfterValuesReadAsBefore) {
    faults =
        loadEndpoints(writeIni("; local servers\n[Endpoints]\nBaidu = \"http://127.0.0.1:18081\" ; demo\n"
                               "Google=http://127.0.0.1:18082;x\n# not a key\n"));
    EXPECT_EQ(endpoint(u"Baidu"), u"http://127.0.0.1:18081");
    EXPECT_EQ(endpoint(u"Google"), u"http://127.0.0.1:18082");
    EXPECT_TRUE(Texts().isEmpty()) << Texts().join(u'\n').toStdString();
}

struct EndpointMistake {
    const char* name;
    QByteArray file;
    const char* used;     // Baidu's address afterwards; null: the compiled-in one
    const char16_t* said; // part of the one message: section, key and line, and what is wrong
};

class EndpointMistakes : public EndpointsTest, public ::testing::WithParamInterface<EndpointMistake> {};

TEST_P(EndpointMistakes, NamedOnceWithTheirLine) {
    const EndpointMistake& c = GetParam();
    // Every file also sets Bing properly after its mistake, which is taken unless the file is unreadable.
    const bool unreadable = QStringView(c.said).startsWith(u"无法读取");
    faults = loadEndpoints(writeIni(c.file + "\n[Endpoints]\nBing=http://127.0.0.1:18085\n"));
    EXPECT_EQ(endpoint(u"Baidu"), c.used ? QString::fromLatin1(c.used) : defaultEndpoint(u"Baidu"));
    EXPECT_EQ(endpoint(u"Bing"),
              unreadable ? defaultEndpoint(u"Bing") : QStringLiteral("http://127.0.0.1:18085"));
    ASSERT_EQ(faults.size(), 1) << Texts().join(u'\n').toStdString();
    const QString text = faults[0].text;
    EXPECT_EQ(faults[0].kind, unreadable ? SettingsFaultKind::Unreadable : SettingsFaultKind::Endpoints);
    EXPECT_TRUE(text.contains(dir.filePath(QStringLiteral("Endpoints.ini")))) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf16(c.said))) << text.toStdString();
}

QByteArray randomBytes() {
    QByteArray bytes = "[Endpoints]\nBaidu=http://127.0.0.1:1\n";
    std::mt19937 random(5);
    for (int i = 0; i < 4096; ++i)
        bytes += static_cast<char>(random() % 256);
    return bytes;
}

const EndpointMistake kEndpointMistakes[] = {
    {"random_bytes", randomBytes(), nullptr, u"无法读取"},
    {"repeated_key", "[Endpoints]\nBaidu=http://127.0.0.1:1\nBaidu=http://127.0.0.1:2\n",
     "http://127.0.0.1:2", u"[Endpoints] Baidu (第 3 行): 重复的键 (第 2 行已有), 以最后一个为准"},
    {"repeated_key_in_a_repeated_section",
     "[Endpoints]\nBaidu=http://127.0.0.1:1\n[Network]\nDelayMs=1\n[Endpoints]\nBaidu=http://127.0.0.1:2\n",
     "http://127.0.0.1:2", u"[Endpoints] Baidu (第 6 行): 重复的键 (第 2 行已有)"},
    {"repeated_key_the_last_refused", "[Endpoints]\nBaidu=http://127.0.0.1:1\nBaidu=http://127.0.0.1:0\n",
     nullptr, u"[Endpoints] Baidu (第 3 行): 端口应为 1 至 65535"},
    {"port_zero", "[Endpoints]\nBaidu=http://127.0.0.1:0\n", nullptr,
     u"[Endpoints] Baidu (第 2 行): 端口应为 1 至 65535 (Baidu=http://127.0.0.1:0)"},
    {"port_too_large", "[Endpoints]\n\nBaidu=https://127.0.0.1:65536/\n", nullptr,
     u"[Endpoints] Baidu (第 3 行): 端口应为 1 至 65535"},
    {"not_an_address", "[Endpoints]\nBaidu=127.0.0.1:18081\n", nullptr,
     u"[Endpoints] Baidu (第 2 行): 地址无效"},
    {"value_not_utf8", "[Endpoints]\n; 本地\nBaidu=http://127.0.0.1:1\xFF\n", nullptr,
     u"[Endpoints] Baidu (第 3 行): 含有不是 UTF-8 的字节"},
    {"comment_not_utf8", "; 本地服务器\n; \xFF\n[Endpoints]\nBaidu=http://127.0.0.1:1\n",
     "http://127.0.0.1:1", u"第 2 行: 含有不是 UTF-8 的字节"},
    {"unknown_key_not_utf8", "[Endpoints]\n; 本地\nBai\xFF=http://127.0.0.1:1\n", nullptr,
     u"第 3 行): 含有不是 UTF-8 的字节"},
    {"line_outside_sections", "Baidu=http://127.0.0.1:1\n", nullptr, u"第 1 行: 不在任何 [组] 之下"},
    {"line_not_a_key", "[Endpoints]\nhttp://127.0.0.1:1\n", nullptr, u"[Endpoints] 第 2 行: 不是 键=值"},
};

INSTANTIATE_TEST_SUITE_P(Files, EndpointMistakes, ::testing::ValuesIn(kEndpointMistakes),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane

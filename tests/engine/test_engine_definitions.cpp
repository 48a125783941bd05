// Engines.ini: per-engine overrides of the address pieces, the step and the scanner markers, read by the
// program's own INI reader; every fault is reported once and leaves the engine's compiled definition.
#include "config/Endpoints.h"
#include "engine/EngineDefinitions.h"
#include "engine/EngineScanners.h"
#include "engine/EngineTable.h"
#include "engine/VerificationPages.h"
#include "platform/GbkCodec.h"
#include "support/MessageRecorder.h"

#include "platform/QStringPrinter.h"
#include "support/Files.h"

#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <random>

namespace quorvane {
namespace {

using test::MessageRecorder;

class EngineDefinitionsTest : public ::testing::Test {
protected:
    void TearDown() override { loadEngineDefinitions(QString()); }

    QString Write(const QByteArray& bytes) {
        EXPECT_TRUE(test::WriteFile(Path(), bytes));
        return Path();
    }
    QString Path() const { return dir.filePath(QStringLiteral("Engines.ini")); }
    static const EngineInfo& Engine(QStringView name) { return *findEngine(name); }
    static bool AllCompiled() {
        for (const EngineInfo& info : engines())
            if (definition(info) != compiledDefinition(info))
                return false;
        return true;
    }

    QTemporaryDir dir;
    MessageRecorder messages;
};

TEST_F(EngineDefinitionsTest, CompiledDefaultsAreTodaysValues) {
    EXPECT_TRUE(loadEngineDefinitions(dir.filePath(QStringLiteral("absent.ini"))));
    EXPECT_TRUE(messages.Messages().empty());
    const EngineDefinition bing = definition(Engine(u"Bing"));
    EXPECT_EQ(bing.itemStart, QStringLiteral("<DIV class=sb_tlst>"));
    EXPECT_EQ(bing.linkEnd, QStringLiteral(" target=_blank"));
    EXPECT_EQ(bing.markup, MarkupPart::Root);
    EXPECT_EQ(bing.step, 50);
    const EngineDefinition baidu = definition(Engine(u"Baidu"));
    EXPECT_EQ(baidu.markup, MarkupPart::Body);
    EXPECT_EQ(baidu.promotedMark, QStringLiteral("推广</A>"));
    EXPECT_EQ(scannerBytesFor(u"Baidu")->promotedMark, toGbk(u"推广</A>"));
    EXPECT_EQ(scannerBytesFor(u"Bing")->linkEnd, QByteArray("\" target=_blank"));
    EXPECT_EQ(resultPageUrl(u"Sogou", u"ab", 3),
              endpoint(u"Sogou") + QStringLiteral("/web?&num=100&ie=utf8&query=%61%62&page=3"));
}

TEST_F(EngineDefinitionsTest, OverridesChangeOnlyTheirEngineAndKeys) {
    ASSERT_TRUE(loadEngineDefinitions(Write("; Bing's newer layout\n"
                                            "[Bing]\n"
                                            "ItemStart=<LI class=b_algo>\n"
                                            "ItemEnd=</A></H2>\n"
                                            "\n"
                                            "[Youdao]\n"
                                            "PathBeforeKeyword=/s?query=\n"
                                            "PathBeforePage=&offset=\n"
                                            "PathAfterPage=&x=1\n"
                                            "Step=10\n"
                                            "Markup=Body\n")));
    EXPECT_TRUE(messages.Messages().empty());
    EngineDefinition bing = compiledDefinition(Engine(u"Bing"));
    bing.itemStart = QStringLiteral("<LI class=b_algo>");
    bing.itemEnd = QStringLiteral("</A></H2>");
    EXPECT_EQ(definition(Engine(u"Bing")), bing);
    EXPECT_EQ(definition(Engine(u"Google")), compiledDefinition(Engine(u"Google")));

    // Addresses, page parameters and ">N" follow the new step and paths.
    const EngineInfo& youdao = Engine(u"Youdao");
    EXPECT_EQ(resultPageUrl(u"Youdao", u"ab", pageParameter(youdao, 2)),
              endpoint(u"Youdao") + QStringLiteral("/s?query=%61%62&offset=20&x=1"));
    EXPECT_EQ(notFoundLimit(youdao, 1), 100);
    EXPECT_EQ(pageStep(youdao), 10);
    EXPECT_EQ(scannerBytesFor(u"Youdao")->markup, MarkupPart::Body);
}

TEST_F(EngineDefinitionsTest, QuotedValuesKeepTheirSpaces) {
    ASSERT_TRUE(loadEngineDefinitions(Write("[Google]\n"
                                            "LinkEnd=\" class=l target=_blank\"\n"
                                            "ItemStart=  \"  <LI class=g> \"  \n"
                                            "ItemEnd=\"\"</A>\"\"\n"
                                            "PathAfterPage=\n")));
    const EngineDefinition google = definition(Engine(u"Google"));
    EXPECT_EQ(google.linkEnd, QStringLiteral(" class=l target=_blank"));
    EXPECT_EQ(google.itemStart, QStringLiteral("  <LI class=g> "));
    EXPECT_EQ(google.itemEnd, QStringLiteral("\"</A>\"")); // one pair of quotes comes off
    EXPECT_EQ(google.pathAfterPage, QString());
    EXPECT_EQ(scannerBytesFor(u"Google")->linkEnd, QByteArray("\" class=l target=_blank"));
}

TEST_F(EngineDefinitionsTest, MarkersAreLiteralTextNotPatterns) {
    ASSERT_TRUE(loadEngineDefinitions(Write("[Bing]\nItemStart=<LI class=(a|b).*>\nItemEnd=</A>$\n")));
    const QByteArray markup = "<LI class=ab><A href=\"http://wrong.example/\" target=_blank>x</A>$"
                              "<LI class=(a|b).*><A href=\"http://right.example/\" target=_blank>y</A>$";
    EXPECT_EQ(scanMarkup(u"Bing", markup).links, QStringList{QStringLiteral("http://right.example/")});
}

// The same Baidu definition with Chinese markers, as UTF-8 with and without a byte-order mark, as GBK and
// as UTF-16 from Notepad.
TEST_F(EngineDefinitionsTest, EncodingsOfTheFileReadTheSame) {
    const QString text = QStringLiteral("[Baidu]\r\nPromotedMark=广告</A>\r\nGreenStart=<SPAN class=绿>\r\n");
    QByteArray utf16{"\xFF\xFE"};
    for (const QChar c : text)
        utf16 += QByteArray(reinterpret_cast<const char*>(&c), 2); // little-endian host
    const QByteArray files[] = {text.toUtf8(), "\xEF\xBB\xBF" + text.toUtf8(), toGbk(text), utf16};
    for (const QByteArray& bytes : files) {
        SCOPED_TRACE(bytes.toHex().left(16).toStdString());
        ASSERT_TRUE(loadEngineDefinitions(Write(bytes)));
        EXPECT_EQ(definition(Engine(u"Baidu")).promotedMark, QStringLiteral("广告</A>"));
        EXPECT_EQ(definition(Engine(u"Baidu")).greenStart, QStringLiteral("<SPAN class=绿>"));
        EXPECT_EQ(scannerBytesFor(u"Baidu")->promotedMark, toGbk(u"广告</A>"));
    }
    EXPECT_TRUE(messages.Messages().empty());
}

// What the user sees when --print-engines' output is saved as Engines.ini: the same definitions.
TEST_F(EngineDefinitionsTest, PrintedDefinitionsReadBackUnchanged) {
    ASSERT_TRUE(loadEngineDefinitions(
        Write("[Sogou]\nItemEnd=\" </TD> \"\n[Baidu]\nStep=20\n"
              "[Yahoo]\nLoader=Browser\nBlockedMark=\" 验证 \"\nBlockedMark=captcha\n")));
    std::array<EngineDefinition, kEngines.size()> before;
    for (size_t i = 0; i < kEngines.size(); ++i)
        before[i] = definition(kEngines[i]);
    const QString printed = engineDefinitionsText();
    EXPECT_TRUE(printed.contains(QStringLiteral("[Bing]\nPathBeforeKeyword=/search?q=\n")));
    EXPECT_TRUE(printed.contains(QStringLiteral("LinkEnd=\" name=dttl target=_blank\"")));
    EXPECT_TRUE(printed.contains(QStringLiteral("; from Engines.ini: ItemEnd")));
    EXPECT_FALSE(printed.section(QStringLiteral("[Google]"), 1).section(u'[', 0, 0).contains(u"MapItem"));
    const QString yahoo = printed.section(QStringLiteral("[Yahoo]"), 1).section(u'[', 0, 0);
    EXPECT_TRUE(yahoo.contains(QStringLiteral("Loader=Browser\n; verification pages: ") +
                               verificationAnswerText() +
                               QStringLiteral("\nBlockedMark=\" 验证 \"\nBlockedMark=captcha\n")))
        << yahoo.toStdString();
    const QString google = printed.section(QStringLiteral("[Google]"), 1).section(u'[', 0, 0);
    EXPECT_TRUE(google.contains(QStringLiteral("Loader=Plain\n"))) << google.toStdString();
    EXPECT_FALSE(google.contains(QStringLiteral("\nBlockedMark="))) << google.toStdString();

    ASSERT_TRUE(loadEngineDefinitions(Write(printed.toUtf8()))) << messages.Texts().join(u'\n').toStdString();
    EXPECT_TRUE(messages.Messages().empty());
    for (size_t i = 0; i < kEngines.size(); ++i)
        EXPECT_EQ(definition(kEngines[i]), before[i]) << kEngines[i].name.toString().toStdString();
}

struct FaultCase {
    const char* name;
    QByteArray file;
    const char16_t* engine; // the engine that keeps its compiled definition; null: none in particular
    const char16_t* said;   // part of the message: section and key, and what is wrong
};

class EngineDefinitionFaults : public EngineDefinitionsTest,
                               public ::testing::WithParamInterface<FaultCase> {};

TEST_P(EngineDefinitionFaults, OneErrorNamingFileSectionAndKeyAndTheDefaultsStay) {
    const FaultCase& c = GetParam();
    // Every faulty file also changes Google properly: that engine takes its change all the same.
    EXPECT_FALSE(loadEngineDefinitions(Write(c.file + "\n[Google]\nItemStart=<DIV class=g>\n")));
    ASSERT_EQ(messages.Messages().size(), 1u);
    const auto& message = messages.Messages().front();
    EXPECT_EQ(message.kind, MessageKind::Error);
    EXPECT_TRUE(message.text.contains(dir.filePath(QStringLiteral("Engines.ini"))))
        << message.text.toStdString();
    EXPECT_TRUE(message.text.contains(QString::fromUtf16(c.said))) << message.text.toStdString();
    if (c.engine) {
        EXPECT_EQ(definition(Engine(c.engine)), compiledDefinition(Engine(c.engine)));
    }
    EXPECT_EQ(definition(Engine(u"Google")).itemStart, QStringLiteral("<DIV class=g>"));
    for (const EngineInfo& info : engines()) {
        if (info.name != u"Google") {
            EXPECT_EQ(definition(info), compiledDefinition(info)) << info.name.toString().toStdString();
        }
    }
}

const FaultCase kFaults[] = {
    {"unknown_engine", "[Bingo]\nItemStart=<LI>\n", nullptr, u"[Bingo]"},
    {"engine_name_case", "[bing]\nItemStart=<LI>\n", nullptr, u"[bing]"},
    {"unknown_key", "[Bing]\nItemStart=<LI>\nItemBegin=<LI>\n", u"Bing", u"[Bing] ItemBegin"},
    {"key_case", "[Bing]\nitemstart=<LI>\n", u"Bing", u"[Bing] itemstart"},
    {"baidu_key_elsewhere", "[Bing]\nMapItem=<DIV>\n", u"Bing", u"[Bing] MapItem"},
    {"empty_marker", "[Bing]\nItemStart=<LI>\nItemEnd=\n", u"Bing",
     u"[Bing] ItemEnd (第 3 行): 标记不能为空"},
    {"empty_quoted_marker", "[Baidu]\nGreenEnd=\"\"\n", u"Baidu", u"[Baidu] GreenEnd"},
    {"step_zero", "[Bing]\nStep=0\n", u"Bing", u"[Bing] Step"},
    {"step_negative", "[Soso]\nStep=-10\n", u"Soso", u"[Soso] Step"},
    {"step_not_a_number", "[Soso]\nStep=ten\n", u"Soso", u"[Soso] Step"},
    {"step_too_large", "[Soso]\nStep=99999999999\n", u"Soso", u"[Soso] Step"},
    {"markup_value", "[Yahoo]\nMarkup=Html\n", u"Yahoo", u"[Yahoo] Markup"},
    {"duplicate_key", "[Yahoo]\nItemEnd=</A>\nItemEnd=</EM>\n", u"Yahoo",
     u"[Yahoo] ItemEnd (第 3 行): 重复的键"},
    {"loader_value", "[Bing]\nLoader=WebEngine\n", u"Bing",
     u"[Bing] Loader (第 2 行): 应为 Plain 或 Browser"},
    {"loader_case", "[Bing]\nLoader=browser\n", u"Bing", u"[Bing] Loader"},
    {"loader_empty", "[Bing]\nLoader=\n", u"Bing", u"[Bing] Loader"},
    {"loader_twice", "[Bing]\nLoader=Browser\nLoader=Plain\n", u"Bing", u"[Bing] Loader (第 3 行): 重复的键"},
    // A fault in another key refuses the loader of the same section too.
    {"loader_with_a_bad_step", "[Bing]\nLoader=Browser\nStep=0\n", u"Bing", u"[Bing] Step"},
    {"blocked_mark_empty", "[Baidu]\nBlockedMark=验证\nBlockedMark=\n", u"Baidu",
     u"[Baidu] BlockedMark (第 3 行): 标记不能为空"},
    {"blocked_mark_gbk_cannot_write", "[Yahoo]\nBlockedMark=\xF0\x9F\x98\x80\n", u"Yahoo",
     u"[Yahoo] BlockedMark"},
    {"path_without_slash", "[Sogou]\nPathBeforeKeyword=web?query=\n", u"Sogou", u"[Sogou] PathBeforeKeyword"},
    {"path_with_space", "[Sogou]\nPathBeforePage=&page =\n", u"Sogou", u"[Sogou] PathBeforePage"},
    {"marker_gbk_cannot_write", "[Bing]\nItemStart=<LI>\xF0\x9F\x98\x80\n", u"Bing", u"[Bing] ItemStart"},
    {"line_not_a_key", "[Youdao]\nItemStart=<A id=hit>\n</A>\n", u"Youdao", u"[Youdao] 第 3 行"},
    {"line_before_sections", "ItemStart=<LI>\n", nullptr, u"第 1 行"},
    {"duplicate_key_in_a_repeated_section", "[Yahoo]\nItemEnd=</A>\n[Yahoo]\nItemEnd=</EM>\n", u"Yahoo",
     u"[Yahoo] ItemEnd (第 4 行): 重复的键 (第 2 行已有)"},
    // A value with a byte that is not UTF-8 in a UTF-8 file (the comment outvotes it): named, not re-read.
    {"value_not_utf8", "[Bing]\n; 必应\nItemStart=<LI class=\xFF>\n", u"Bing",
     u"[Bing] ItemStart (第 3 行): 含有不是 UTF-8 的字节"},
    {"section_not_utf8", "; 引擎\n[Bi\xFFng]\nItemStart=<LI>\n", nullptr, u"第 2 行: 含有不是 UTF-8 的字节"},
    // A GBK file with a line that is not GBK either.
    {"value_not_gbk", toGbk(u"[Soso]\n; 搜搜\nItemStart=<DIV class=结果>\n") + "ItemEnd=\x81\x20\n", u"Soso",
     u"[Soso] ItemEnd (第 4 行): 含有不是 GBK 的字节"},
};

INSTANTIATE_TEST_SUITE_P(Files, EngineDefinitionFaults, ::testing::ValuesIn(kFaults),
                         [](const auto& info) { return std::string(info.param.name); });

// One stray byte in a comment of a UTF-8 file: the file stays UTF-8 (the markers are not read as GBK
// mojibake, 推广链接 as 鎺ㄥ箍閾炬帴), the comment's line is named, and nothing else is refused.
struct StrayByteCase {
    const char* name;
    QByteArray file;
    const char16_t* said;
};

class EngineDefinitionStrayBytes : public EngineDefinitionsTest,
                                   public ::testing::WithParamInterface<StrayByteCase> {};

TEST_P(EngineDefinitionStrayBytes, TheLineIsNamedAndTheRestReadInTheFilesEncoding) {
    EXPECT_FALSE(loadEngineDefinitions(Write(GetParam().file)));
    ASSERT_EQ(messages.Messages().size(), 1u) << messages.Texts().join(u'\n').toStdString();
    const QString text = messages.Messages().front().text;
    EXPECT_TRUE(text.contains(Path())) << text.toStdString();
    EXPECT_TRUE(text.contains(QString::fromUtf16(GetParam().said))) << text.toStdString();
    EXPECT_EQ(definition(Engine(u"Baidu")).promotedMark, QStringLiteral("推广链接"));
    EXPECT_EQ(scannerBytesFor(u"Baidu")->promotedMark, toGbk(u"推广链接"));
}

const StrayByteCase kStrayBytes[] = {
    {"utf8_comment",
     "; Baidu \xE6\x8E\xA8\xFF\n[Baidu]\nPromotedMark=\xE6\x8E\xA8\xE5\xB9\xBF\xE9\x93\xBE\xE6\x8E\xA5\n",
     u"第 1 行: 含有不是 UTF-8 的字节"},
    {"utf8_comment_in_the_section",
     "[Baidu]\nPromotedMark=\xE6\x8E\xA8\xE5\xB9\xBF\xE9\x93\xBE\xE6\x8E\xA5\n# \xC0\n",
     u"第 3 行: 含有不是 UTF-8 的字节"},
    {"gbk_comment", toGbk(u"; 百度\n[Baidu]\n; 广告\nPromotedMark=推广链接\n") + "; \x81\x20\n",
     u"第 5 行: 含有不是 GBK 的字节"},
};

INSTANTIATE_TEST_SUITE_P(Files, EngineDefinitionStrayBytes, ::testing::ValuesIn(kStrayBytes),
                         [](const auto& info) { return std::string(info.param.name); });

// Loader and BlockedMark: the loader is Plain unless a section says Browser; marks add up in the file's
// order, each in GBK for the page comparison, and only in their own engine.
struct LoaderCase {
    const char* name;
    QByteArray file;
    const char16_t* engine;
    PageLoader loader;
    QStringList marks;
};

class EngineLoaderDefinitions : public EngineDefinitionsTest,
                                public ::testing::WithParamInterface<LoaderCase> {};

TEST_P(EngineLoaderDefinitions, LoaderAndMarksOfTheSection) {
    const LoaderCase& c = GetParam();
    ASSERT_TRUE(loadEngineDefinitions(Write(c.file))) << messages.Texts().join(u'\n').toStdString();
    const EngineDefinition d = definition(Engine(c.engine));
    EXPECT_EQ(d.loader, c.loader);
    EXPECT_EQ(d.blockedMarks, c.marks);
    QList<QByteArray> gbk;
    for (const QString& mark : c.marks)
        gbk << toGbk(mark);
    EXPECT_EQ(scannerBytesFor(c.engine)->blockedMarks, gbk);
    for (const EngineInfo& info : engines()) {
        if (info.name == c.engine)
            continue;
        EXPECT_EQ(definition(info).loader, PageLoader::Plain) << info.name.toString().toStdString();
        EXPECT_TRUE(definition(info).blockedMarks.isEmpty()) << info.name.toString().toStdString();
    }
    EXPECT_EQ(engineDefinitionsAskForBrowser(Path()), c.loader == PageLoader::Browser);
}

const LoaderCase kLoaderCases[] = {
    {"no_keys", "[Bing]\nItemEnd=</A>\n", u"Bing", PageLoader::Plain, {}},
    {"browser", "[Bing]\nLoader=Browser\n", u"Bing", PageLoader::Browser, {}},
    {"plain_said", "[Sogou]\nLoader=Plain\n", u"Sogou", PageLoader::Plain, {}},
    {"marks_in_order",
     "[Baidu]\nBlockedMark=百度安全验证\nStep=10\nBlockedMark=网络不给力\n",
     u"Baidu",
     PageLoader::Plain,
     {QStringLiteral("百度安全验证"), QStringLiteral("网络不给力")}},
    {"marks_over_repeated_sections",
     "[Google]\nBlockedMark=unusual traffic\n[Google]\nBlockedMark=\" /sorry/ \"\n",
     u"Google",
     PageLoader::Plain,
     {QStringLiteral("unusual traffic"), QStringLiteral(" /sorry/ ")}},
    {"browser_and_a_mark",
     toGbk(u"[Youdao]\nLoader=Browser\nBlockedMark=验证码\n"),
     u"Youdao",
     PageLoader::Browser,
     {QStringLiteral("验证码")}},
};

INSTANTIATE_TEST_SUITE_P(Files, EngineLoaderDefinitions, ::testing::ValuesIn(kLoaderCases),
                         [](const auto& info) { return std::string(info.param.name); });

// The command line's early look, before any application object: only a known engine's Loader=Browser
// counts, and an absent or unreadable file asks for nothing.
TEST_F(EngineDefinitionsTest, EarlyLookForTheBrowserLoader) {
    EXPECT_FALSE(engineDefinitionsAskForBrowser(Path()));
    const std::pair<QByteArray, bool> cases[] = {
        {"[Bingo]\nLoader=Browser\n", false},
        {"[Bing]\nLoader=browser\n", false},
        {"; Loader=Browser\n[Bing]\nItemEnd=</A>\n", false},
        {"[Google]\nLoader=Plain\n[Bing]\nLoader=Browser\n", true},
    };
    for (const auto& [file, asks] : cases) {
        Write(file);
        EXPECT_EQ(engineDefinitionsAskForBrowser(Path()), asks) << file.toStdString();
    }
    EXPECT_TRUE(messages.Messages().empty());
}

// Files that are not definitions at all: nothing of them is taken.
TEST_F(EngineDefinitionsTest, HugeOrBinaryFilesAreRefusedWhole) {
    QByteArray huge = "[Bing]\nItemStart=<LI class=b_algo>\n";
    huge += QByteArray(10 * 1024 * 1024, ';');
    QByteArray binary = "[Bing]\nItemStart=<LI class=b_algo>\n";
    for (int i = 0; i < 512; ++i)
        binary += static_cast<char>(i * 37 % 256);
    const QByteArray invalidEverywhere = "[Bing]\nItemStart=<LI \x81\x20\xFF>\n"; // neither UTF-8 nor GBK
    // Random bytes after a valid start, without NUL.
    QByteArray noise = "[Bing]\nItemStart=<LI class=b_algo>\n";
    std::mt19937 random(25);
    for (int i = 0; i < 4096; ++i)
        noise += static_cast<char>(1 + random() % 255);
    for (const QByteArray& bytes : {huge, binary, invalidEverywhere, noise}) {
        messages.Clear();
        EXPECT_FALSE(loadEngineDefinitions(Write(bytes)));
        ASSERT_EQ(messages.Messages().size(), 1u);
        EXPECT_TRUE(messages.Messages().front().text.contains(Path()))
            << messages.Texts().join(u'\n').toStdString();
        EXPECT_TRUE(messages.Messages().front().text.contains(QStringLiteral("无法读取")));
        EXPECT_TRUE(AllCompiled());
    }
}

TEST_F(EngineDefinitionsTest, ReadingAgainStartsFromTheCompiledDefinitions) {
    ASSERT_TRUE(loadEngineDefinitions(Write("[Bing]\nItemStart=<LI class=b_algo>\n")));
    ASSERT_FALSE(AllCompiled());
    ASSERT_TRUE(loadEngineDefinitions(Write("[Google]\n")));
    EXPECT_TRUE(AllCompiled());
}

} // namespace
} // namespace quorvane

#include "platform/Messages.h"
#include "platform/PercentEncoding.h"
#include "platform/ShellOpen.h"
#include "platform/TextCutting.h"
#include "support/MessageRecorder.h"
#include "support/ShellOpenRecorder.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

struct CutCase {
    const char* name;
    const char* text;
    const char* start;
    const char* end;
    const char* result;
    const char* rest;
};

class CutBetweenTest : public ::testing::TestWithParam<CutCase> {};

TEST_P(CutBetweenTest, CutsAndConsumes) {
    const CutCase& c = GetParam();
    const QByteArray source(c.text);
    QByteArrayView text(source);
    const QByteArrayView result = cutBetween(text, QByteArrayView(c.start), QByteArrayView(c.end));
    EXPECT_EQ(result.toByteArray(), QByteArray(c.result));
    EXPECT_EQ(text.toByteArray(), QByteArray(c.rest));

    // The text version follows the same contract.
    QString s = QString::fromLatin1(c.text);
    EXPECT_EQ(cutBetween(s, QString::fromLatin1(c.start), QString::fromLatin1(c.end)),
              QString::fromLatin1(c.result));
    EXPECT_EQ(s, QString::fromLatin1(c.rest));
}

const CutCase kCutCases[] = {
    {"no_start_marker", "abc<b>x", "<a>", "</a>", "", "abc<b>x"},
    {"start_without_end", "xx<a> tail ", "<a>", "</a>", "", " tail "},
    {"adjacent_markers", "<a></a> rest", "<a>", "</a>", "", "rest"},
    {"blank_span_is_empty", "<a> \r\n\t </a>next", "<a>", "</a>", "", "next"},
    {"trims_result_and_rest", "pre<a>  value \n</a>\n  <a>two</a>", "<a>", "</a>", "value", "<a>two</a>"},
    {"first_span_only", "<a>1</a><a>2</a>", "<a>", "</a>", "1", "<a>2</a>"},
    {"empty_start_marker", "abc", "", "c", "", "abc"},
    {"empty_end_marker", "abc", "a", "", "", "bc"},
    {"case_sensitive", "<A>x</A>", "<a>", "</a>", "", "<A>x</A>"},
};

INSTANTIATE_TEST_SUITE_P(Spans, CutBetweenTest, ::testing::ValuesIn(kCutCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(CutBetween, WalksAPageInOrder) {
    const QByteArray page = "<li>one</li> <li>two</li><li> three </li><li></li><li>four</li>";
    QByteArrayView text(page);
    QList<QByteArray> spans;
    for (QByteArrayView span = cutBetween(text, "<li>", "</li>"); !span.isEmpty();
         span = cutBetween(text, "<li>", "</li>"))
        spans << span.toByteArray();
    // The empty item ends the walk, as a missing marker would.
    EXPECT_EQ(spans, (QList<QByteArray>{"one", "two", "three"}));
}

struct EncodeCase {
    const char* name;
    QByteArray data;
    const char* encoded;
};

class PercentEncodeTest : public ::testing::TestWithParam<EncodeCase> {};

TEST_P(PercentEncodeTest, EncodesEveryByte) {
    EXPECT_EQ(percentEncode(GetParam().data), QString::fromLatin1(GetParam().encoded));
}

const EncodeCase kEncodeCases[] = {
    {"letters_too", "abc", "%61%62%63"},
    {"empty", "", ""},
    {"tab_below_16", "\t", "%09"},
    {"space_and_digit", " 1", "%20%31"},
    {"high_bytes_upper_hex", "\xC4\xE3\xBA\xC3", "%C4%E3%BA%C3"},
    {"nul_byte", QByteArray("a\0b", 3), "%61%00%62"},
};

INSTANTIATE_TEST_SUITE_P(Bytes, PercentEncodeTest, ::testing::ValuesIn(kEncodeCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(Messages, BoxesCarryFixedTitlesAndKinds) {
    test::MessageRecorder recorder;
    showErrorMsg(QStringLiteral("连接数据库失败!"));
    showInfoMsg(QStringLiteral("更新排名成功!"));
    recorder.AnswerNext(IdYes);
    EXPECT_EQ(askYesNo(QStringLiteral("确定?")), IdYes);
    EXPECT_EQ(askYesNo(QStringLiteral("再确定?")), IdNo); // unscripted: No
    showErrorReport(QStringLiteral("table missing"));

    const auto& m = recorder.Messages();
    ASSERT_EQ(m.size(), 5u);
    EXPECT_EQ(m[0].kind, MessageKind::Error);
    EXPECT_EQ(m[0].title, QStringLiteral("Error"));
    EXPECT_EQ(m[1].kind, MessageKind::Information);
    EXPECT_EQ(m[1].title, QStringLiteral("Information"));
    EXPECT_EQ(m[2].kind, MessageKind::Question);
    EXPECT_EQ(m[2].title, QStringLiteral("Confirm"));
    EXPECT_EQ(m[4].kind, MessageKind::Report);
    EXPECT_EQ(m[4].title, QStringLiteral("Quorvane"));
    EXPECT_EQ(m[4].text, QStringLiteral("table missing."));
}

TEST(Messages, ReportAddsFullStopUnlessPunctuated) {
    EXPECT_EQ(errorReportText(QStringLiteral("no such table: X")), QStringLiteral("no such table: X."));
    EXPECT_EQ(errorReportText(QStringLiteral("done.")), QStringLiteral("done."));
    EXPECT_EQ(errorReportText(QStringLiteral("失败!")), QStringLiteral("失败!"));
    EXPECT_EQ(errorReportText(QStringLiteral("失败！")), QStringLiteral("失败！"));
}

TEST(ShellOpen, HandsTheAddressToTheInstalledHandler) {
    const test::ShellOpenRecorder shell;
    shellOpen(nullptr, QStringLiteral("http://www.example.com/s?wd=%61"));
    EXPECT_EQ(shell.opened, QStringList{QStringLiteral("http://www.example.com/s?wd=%61")});
}

} // namespace
} // namespace quorvane

#include "platform/GbkCodec.h"

#include <gtest/gtest.h>

#include <iterator>
#include <random>

namespace quorvane {
namespace {

struct GbkCase {
    const char* name;
    const char16_t* text;
    QByteArray gbk;
    bool roundTrips;
};

class GbkCodecTest : public ::testing::TestWithParam<GbkCase> {};

TEST_P(GbkCodecTest, Encodes) {
    const GbkCase& c = GetParam();
    const QString text = QString::fromUtf16(c.text);
    EXPECT_EQ(toGbk(text), c.gbk);
    if (c.roundTrips) {
        EXPECT_EQ(fromGbk(c.gbk), text);
    }
}

const GbkCase kGbkCases[] = {
    {"ascii", u"abc 123", "abc 123", true},
    {"chinese", u"你好", "\xC4\xE3\xBA\xC3", true},
    {"pending_mark", u"稍候", "\xC9\xD4\xBA\xF2", true},
    {"empty", u"", "", true},
    {"korean_becomes_question_mark", u"a한b", "a?b", false},
    {"emoji_outside_bmp_is_one_question_mark", u"x\U0001F600y", "x?y", false},
    {"full_width_exclamation", u"！", "\xA3\xA1", true},
};

INSTANTIATE_TEST_SUITE_P(Texts, GbkCodecTest, ::testing::ValuesIn(kGbkCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GbkCodec, InvalidBytesDoNotBreakDecoding) {
    const QString text = fromGbk(QByteArray("ok\xFF\xFF", 4));
    EXPECT_TRUE(text.startsWith(QStringLiteral("ok")));
    EXPECT_FALSE(text.isEmpty());
}

TEST(GbkCodec, LargeTextRoundTrips) {
    QString text;
    for (int i = 0; i < 100000; ++i)
        text += QChar(0x4E00 + (i % 5000));
    const QByteArray gbk = toGbk(text);
    EXPECT_EQ(gbk.size(), 200000);
    EXPECT_EQ(fromGbk(gbk), text);
}

// UTF-8 straight to GBK must give what the UTF-16 way gives: the serialised pages the period markers read are
// made this way, so a byte that differs is a marker that no longer matches.
struct Utf8Case {
    const char* name;
    QByteArray utf8;
    QByteArray gbk;
};

class Utf8ToGbkTest : public ::testing::TestWithParam<Utf8Case> {};

TEST_P(Utf8ToGbkTest, AppendsWhatTheUtf16WayGives) {
    const Utf8Case& c = GetParam();
    QByteArray out = "kept:";
    appendUtf8AsGbk(out, c.utf8);
    EXPECT_EQ(out, "kept:" + c.gbk);
    EXPECT_EQ(c.gbk, toGbk(QString::fromUtf8(c.utf8)));
}

const Utf8Case kUtf8Cases[] = {
    {"empty", "", ""},
    {"ascii_longer_than_a_word", "<DIV class=g><A href=\"x\">", "<DIV class=g><A href=\"x\">"},
    {"chinese_between_markup", "<EM>\xE6\x8E\xA8\xE5\xB9\xBF</EM>", "<EM>\xCD\xC6\xB9\xE3</EM>"},
    {"chinese_at_both_ends", "\xE4\xBD\xA0x\xE5\xA5\xBD", "\xC4\xE3x\xBA\xC3"},
    {"two_byte_letter_not_in_gbk", "caf\xC3\xA9!", toGbk(u"caf\u00E9!")},
    {"korean_is_a_question_mark",
     "a\xED\x95\x9C"
     "b",
     "a?b"},
    {"emoji_is_one_question_mark", "x\xF0\x9F\x98\x80y", "x?y"},
    {"no_break_space",
     "a\xC2\xA0"
     "b",
     toGbk(u"a\u00A0b")},
    {"full_width_exclamation", "\xEF\xBC\x81", "\xA3\xA1"},
    {"replacement_character", "\xEF\xBF\xBD", "?"},
    // Ill-formed text converts as Qt reads it.
    {"truncated_before_ascii", "a\xE4\xBD<b>", toGbk(QString::fromUtf8("a\xE4\xBD<b>"))},
    {"truncated_at_the_end", "ab\xE4", toGbk(QString::fromUtf8("ab\xE4"))},
    {"lone_continuation_bytes", "\x80\xBFok", toGbk(QString::fromUtf8("\x80\xBFok"))},
    {"overlong_slash", "\xC0\xAF", toGbk(QString::fromUtf8("\xC0\xAF"))},
    {"encoded_surrogate", "\xED\xA0\x80", toGbk(QString::fromUtf8("\xED\xA0\x80"))},
    {"above_the_last_code_point", "\xF4\x90\x80\x80", toGbk(QString::fromUtf8("\xF4\x90\x80\x80"))},
    {"byte_order_mark", "\xEF\xBB\xBFx", toGbk(QString::fromUtf8("\xEF\xBB\xBFx"))},
    {"bytes_never_in_utf8", "\xFE\xFFz", toGbk(QString::fromUtf8("\xFE\xFFz"))},
};

INSTANTIATE_TEST_SUITE_P(Texts, Utf8ToGbkTest, ::testing::ValuesIn(kUtf8Cases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GbkCodec, EveryCharacterOfTheBmpConvertsAsTheUtf16Way) {
    QString text;
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        // Surrogates are no characters; a byte-order mark sends the whole text the UTF-16 way.
        if ((c >= 0xD800 && c <= 0xDFFF) || c == 0xFEFF)
            continue;
        text += QChar(static_cast<char16_t>(c));
        if (c % 7 == 0)
            text += u'<'; // ASCII between some of them, so that they are converted in runs of all lengths
    }
    QByteArray out;
    appendUtf8AsGbk(out, text.toUtf8());
    EXPECT_EQ(out, toGbk(text));
}

TEST(GbkCodec, GeneratedUtf8ConvertsAsTheUtf16Way) {
    // Markup-like text with Chinese, other scripts, four-byte characters and broken sequences mixed in.
    const QByteArray pieces[] = {"<DIV class=f>",
                                 "x",
                                 " ",
                                 "\xE4\xB8\xAD",
                                 "\xE6\x96\x87",
                                 "\xC3\xA9",
                                 "\xD0\x96",
                                 "\xF0\x9F\x98\x80",
                                 "\xE2\x82\xAC",
                                 "\xE4\xBD",
                                 "\x80",
                                 "\xC0\x80",
                                 "\xFF",
                                 "\xEF\xBB\xBF",
                                 "</A>"};
    std::mt19937 random(34);
    std::uniform_int_distribution<size_t> pick(0, std::size(pieces) - 1);
    std::uniform_int_distribution<int> length(0, 40);
    for (int i = 0; i < 2000; ++i) {
        QByteArray utf8;
        for (int n = length(random); n > 0; --n)
            utf8 += pieces[pick(random)];
        QByteArray out;
        appendUtf8AsGbk(out, utf8);
        ASSERT_EQ(out, toGbk(QString::fromUtf8(utf8))) << utf8.toHex().constData();
    }
}

} // namespace
} // namespace quorvane

#include "platform/GbkCodec.h"

#include <gtest/gtest.h>

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

} // namespace
} // namespace quorvane

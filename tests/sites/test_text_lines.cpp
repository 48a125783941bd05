#include "platform/GbkCodec.h"
#include "sites/TextLines.h"
#include "support/Files.h"

#include <QStringEncoder>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace quorvane {
namespace {

const QString kText = QStringLiteral("关键词 排名\r\nhttp://例子.com/\n第三行 \rlast");
const QStringList kLines = {QStringLiteral("关键词 排名"), QStringLiteral("http://例子.com/"),
                            QStringLiteral("第三行 "), QStringLiteral("last")};

QByteArray encode(QStringConverter::Encoding encoding, const QString& text, bool bom) {
    QStringEncoder encoder(encoding,
                           bom ? QStringConverter::Flag::WriteBom : QStringConverter::Flag::Default);
    return encoder.encode(text);
}

struct EncodingCase {
    const char* name;
    QByteArray bytes;
};

class ImportFileEncoding : public ::testing::TestWithParam<EncodingCase> {};

TEST_P(ImportFileEncoding, LinesReadAsWritten) {
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("lines.txt"));
    ASSERT_TRUE(test::WriteFile(path, GetParam().bytes));
    const TextLines read = readTextLines(path);
    EXPECT_TRUE(read.readable);
    EXPECT_EQ(read.lines, kLines);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, ImportFileEncoding,
    ::testing::Values(EncodingCase{"Utf8", encode(QStringConverter::Utf8, kText, false)},
                      EncodingCase{"Utf8WithBom", encode(QStringConverter::Utf8, kText, true)},
                      EncodingCase{"Utf16LeWithBom", encode(QStringConverter::Utf16LE, kText, true)},
                      EncodingCase{"Utf16BeWithBom", encode(QStringConverter::Utf16BE, kText, true)},
                      EncodingCase{"Gbk", toGbk(kText)},
                      EncodingCase{"FinalLineEndAddsNoLine",
                                   encode(QStringConverter::Utf8, kText + u'\n', false)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImportFile, MissingFileIsNotReadable) {
    QTemporaryDir dir;
    const TextLines read = readTextLines(dir.filePath(QStringLiteral("gone.txt")));
    EXPECT_FALSE(read.readable);
    EXPECT_TRUE(read.lines.isEmpty());
}

TEST(ImportFile, EmptyFileHasNoLinesAndBlankLinesStay) {
    EXPECT_TRUE(decodeTextLines(QByteArray()).lines.isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("blank.txt"));
    ASSERT_TRUE(test::WriteFile(path, "a\n\n \r\n\r\nb"));
    EXPECT_EQ(readTextLines(path).lines, (QStringList{QStringLiteral("a"), QString(), QStringLiteral(" "),
                                                      QString(), QStringLiteral("b")}));
}

// One damaged line must not make the whole UTF-8 file read as GBK (中文A would become 涓枃A): the good
// lines stay intact and the bad one is counted, so the import can tell the user.
TEST(ImportFile, Utf8FileWithADamagedLineKeepsItsGoodLines) {
    const QByteArray bytes = QStringLiteral("中文A\n第二行\n").toUtf8() + QByteArray("bad\xff\xfe line\n") +
                             QStringLiteral("最后").toUtf8();
    const TextLines read = decodeTextLines(bytes);
    EXPECT_EQ(read.lines,
              (QStringList{QStringLiteral("中文A"), QStringLiteral("第二行"), QStringLiteral("最后")}));
    EXPECT_EQ(read.undecodable, 1);
}

TEST(ImportFile, GbkFileWithAnAccidentallyValidUtf8LineStaysGbk) {
    // One line happens to be valid UTF-8 ("é"); the three GBK lines outvote it, and ASCII lines decide
    // nothing.
    const QByteArray bytes = toGbk(u"关键词一\nabc\n排名二\n") + QByteArray("\xc3\xa9\n") + toGbk(u"第三");
    const TextLines read = decodeTextLines(bytes);
    EXPECT_EQ(read.undecodable, 0);
    ASSERT_EQ(read.lines.size(), 5);
    EXPECT_EQ(read.lines[0], QStringLiteral("关键词一"));
    EXPECT_EQ(read.lines[2], QStringLiteral("排名二"));
    EXPECT_EQ(read.lines[4], QStringLiteral("第三"));
}

} // namespace
} // namespace quorvane

#include "platform/GbkCodec.h"
#include "settings/TextLines.h"

#include <QFile>
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
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(GetParam().bytes);
    file.close();
    const TextLines read = ReadTextLines(path);
    EXPECT_TRUE(read.readable);
    EXPECT_EQ(read.lines, kLines);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, ImportFileEncoding,
    ::testing::Values(EncodingCase{"Utf8", encode(QStringConverter::Utf8, kText, false)},
                      EncodingCase{"Utf8WithBom", encode(QStringConverter::Utf8, kText, true)},
                      EncodingCase{"Utf16LeWithBom", encode(QStringConverter::Utf16LE, kText, true)},
                      EncodingCase{"Utf16BeWithBom", encode(QStringConverter::Utf16BE, kText, true)},
                      EncodingCase{"Gbk", ToGbk(kText)},
                      EncodingCase{"FinalLineEndAddsNoLine",
                                   encode(QStringConverter::Utf8, kText + u'\n', false)}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ImportFile, MissingFileIsNotReadable) {
    QTemporaryDir dir;
    const TextLines read = ReadTextLines(dir.filePath(QStringLiteral("gone.txt")));
    EXPECT_FALSE(read.readable);
    EXPECT_TRUE(read.lines.isEmpty());
}

TEST(ImportFile, EmptyFileHasNoLinesAndBlankLinesStay) {
    EXPECT_TRUE(DecodeTextFile(QByteArray()).isEmpty());
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("blank.txt"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("a\n\n \r\n\r\nb");
    file.close();
    EXPECT_EQ(ReadTextLines(path).lines, (QStringList{QStringLiteral("a"), QString(), QStringLiteral(" "),
                                                      QString(), QStringLiteral("b")}));
}

} // namespace
} // namespace quorvane

#include "export/XmlPart.h"

#include "export/WorkbookError.h"

#include <cctype>

namespace quorvane {

namespace {

QString plainParseError(pugi::xml_parse_status status) {
    switch (status) {
    case pugi::status_out_of_memory:
        return QStringLiteral("内存不足");
    case pugi::status_bad_pi:
        return QStringLiteral("声明或处理指令有误");
    case pugi::status_bad_comment:
        return QStringLiteral("注释有误");
    case pugi::status_bad_cdata:
        return QStringLiteral("CDATA 段有误");
    case pugi::status_bad_doctype:
        return QStringLiteral("文档类型声明有误");
    case pugi::status_bad_pcdata:
        return QStringLiteral("文本有误");
    case pugi::status_bad_start_element:
        return QStringLiteral("开始标记有误");
    case pugi::status_bad_attribute:
        return QStringLiteral("属性有误");
    case pugi::status_bad_end_element:
        return QStringLiteral("结束标记有误");
    case pugi::status_end_element_mismatch:
        return QStringLiteral("开始标记与结束标记不匹配");
    case pugi::status_no_document_element:
        return QStringLiteral("没有根元素");
    default:
        return QStringLiteral("格式有误");
    }
}

} // namespace

void parseXmlPart(pugi::xml_document& document, const QByteArray& content, const QString& partName) {
    const unsigned options = pugi::parse_default | pugi::parse_declaration | pugi::parse_ws_pcdata_single;
    const pugi::xml_parse_result result = document.load_buffer(
        content.constData(), static_cast<size_t>(content.size()), options, pugi::encoding_utf8);
    if (!result)
        throw WorkbookError(QStringLiteral("部件“") + partName + QStringLiteral("”不是有效的 XML（") +
                            plainParseError(result.status) +
                            QStringLiteral("，第 %1 字节）。").arg(result.offset + 1));
}

QByteArray serializeXmlPart(const pugi::xml_document& document) {
    struct Writer : pugi::xml_writer {
        QByteArray bytes;
        void write(const void* data, size_t size) override {
            bytes.append(static_cast<const char*>(data), static_cast<qsizetype>(size));
        }
    } writer;
    document.save(writer, "", pugi::format_raw | pugi::format_no_declaration, pugi::encoding_utf8);
    return std::move(writer.bytes);
}

std::string_view localName(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

pugi::xml_node firstChild(const pugi::xml_node& parent, std::string_view local) {
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element && localName(child) == local)
            return child;
    }
    return {};
}

pugi::xml_attribute attributeByLocalName(const pugi::xml_node& node, std::string_view local) {
    for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
        const std::string_view name = a.name();
        const size_t colon = name.find(':');
        if ((colon == std::string_view::npos ? name : name.substr(colon + 1)) == local)
            return a;
    }
    return {};
}

std::string prefixOf(const pugi::xml_node& node) {
    const std::string_view name = node.name();
    const size_t colon = name.find(':');
    return colon == std::string_view::npos ? std::string() : std::string(name.substr(0, colon + 1));
}

QByteArray escapeSpreadsheetText(QByteArrayView utf8) {
    const auto isHex = [](char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; };
    QByteArray out;
    out.reserve(utf8.size());
    for (qsizetype i = 0; i < utf8.size(); ++i) {
        const char c = utf8[i];
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 && c != '\t' && c != '\n' && c != '\r') {
            out += "_x00";
            out += QByteArray::number(u, 16).rightJustified(2, '0').toUpper();
            out += '_';
        } else if (c == '_' && i + 6 < utf8.size() && utf8[i + 1] == 'x' && isHex(utf8[i + 2]) &&
                   isHex(utf8[i + 3]) && isHex(utf8[i + 4]) && isHex(utf8[i + 5]) && utf8[i + 6] == '_') {
            out += "_x005F_";
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace quorvane

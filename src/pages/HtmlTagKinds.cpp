#include "pages/HtmlTagKinds.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <utility>

namespace quorvane::html {

bool isOneOf(TagId tag, std::initializer_list<GumboTag> tags) {
    return std::find(tags.begin(), tags.end(), tag) != tags.end();
}

namespace {

// The formatting elements the parser keeps in its list of active formatting elements and reopens.
bool isFormattingList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_A, GUMBO_TAG_B, GUMBO_TAG_BIG, GUMBO_TAG_CODE, GUMBO_TAG_EM,
                         GUMBO_TAG_FONT, GUMBO_TAG_I, GUMBO_TAG_NOBR, GUMBO_TAG_S, GUMBO_TAG_SMALL,
                         GUMBO_TAG_STRIKE, GUMBO_TAG_STRONG, GUMBO_TAG_TT, GUMBO_TAG_U});
}

// Elements that never hold children.
bool isVoidList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_AREA, GUMBO_TAG_BASE, GUMBO_TAG_BASEFONT, GUMBO_TAG_BGSOUND, GUMBO_TAG_BR,
                         GUMBO_TAG_COL, GUMBO_TAG_EMBED, GUMBO_TAG_FRAME, GUMBO_TAG_HR, GUMBO_TAG_IMG,
                         GUMBO_TAG_IMAGE, GUMBO_TAG_INPUT, GUMBO_TAG_KEYGEN, GUMBO_TAG_LINK, GUMBO_TAG_META,
                         GUMBO_TAG_PARAM, GUMBO_TAG_SOURCE, GUMBO_TAG_TRACK, GUMBO_TAG_WBR});
}

// Elements whose content is text up to their own end tag.
bool isRawTextList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_SCRIPT, GUMBO_TAG_STYLE, GUMBO_TAG_TEXTAREA, GUMBO_TAG_TITLE,
                         GUMBO_TAG_XMP, GUMBO_TAG_IFRAME, GUMBO_TAG_NOEMBED, GUMBO_TAG_NOFRAMES});
}

// Start tags that close an open <p>.
bool closesParagraphList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_ADDRESS, GUMBO_TAG_ARTICLE,  GUMBO_TAG_ASIDE,      GUMBO_TAG_BLOCKQUOTE,
                         GUMBO_TAG_CENTER,  GUMBO_TAG_DETAILS,  GUMBO_TAG_DIR,        GUMBO_TAG_DIV,
                         GUMBO_TAG_DL,      GUMBO_TAG_FIELDSET, GUMBO_TAG_FIGCAPTION, GUMBO_TAG_FIGURE,
                         GUMBO_TAG_FOOTER,  GUMBO_TAG_HEADER,   GUMBO_TAG_HGROUP,     GUMBO_TAG_MAIN,
                         GUMBO_TAG_MENU,    GUMBO_TAG_NAV,      GUMBO_TAG_OL,         GUMBO_TAG_P,
                         GUMBO_TAG_SECTION, GUMBO_TAG_SUMMARY,  GUMBO_TAG_UL,         GUMBO_TAG_H1,
                         GUMBO_TAG_H2,      GUMBO_TAG_H3,       GUMBO_TAG_H4,         GUMBO_TAG_H5,
                         GUMBO_TAG_H6,      GUMBO_TAG_PRE,      GUMBO_TAG_LISTING,    GUMBO_TAG_FORM,
                         GUMBO_TAG_LI,      GUMBO_TAG_DD,       GUMBO_TAG_DT,         GUMBO_TAG_PLAINTEXT,
                         GUMBO_TAG_HR,      GUMBO_TAG_XMP});
}

// Start tags before which the parser does not reopen closed formatting elements.
bool startsWithoutReopeningList(TagId tag) {
    return (closesParagraphList(tag) && tag != GUMBO_TAG_XMP) ||
           isOneOf(tag, {GUMBO_TAG_TABLE,    GUMBO_TAG_TEXTAREA, GUMBO_TAG_IFRAME,   GUMBO_TAG_NOEMBED,
                         GUMBO_TAG_NOFRAMES, GUMBO_TAG_SCRIPT,   GUMBO_TAG_STYLE,    GUMBO_TAG_TITLE,
                         GUMBO_TAG_TEMPLATE, GUMBO_TAG_BASE,     GUMBO_TAG_BASEFONT, GUMBO_TAG_BGSOUND,
                         GUMBO_TAG_LINK,     GUMBO_TAG_META,     GUMBO_TAG_FRAME,    GUMBO_TAG_PARAM,
                         GUMBO_TAG_SOURCE,   GUMBO_TAG_TRACK,    GUMBO_TAG_CAPTION,  GUMBO_TAG_COL,
                         GUMBO_TAG_COLGROUP, GUMBO_TAG_TBODY,    GUMBO_TAG_THEAD,    GUMBO_TAG_TFOOT,
                         GUMBO_TAG_TR,       GUMBO_TAG_TD,       GUMBO_TAG_TH,       GUMBO_TAG_RP,
                         GUMBO_TAG_RT});
}

bool isHeadingList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_H1, GUMBO_TAG_H2, GUMBO_TAG_H3, GUMBO_TAG_H4, GUMBO_TAG_H5, GUMBO_TAG_H6});
}

// Elements that put a marker into the list of formatting elements: formatting does not reach into them.
bool isMarkerElementList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_TD, GUMBO_TAG_TH, GUMBO_TAG_CAPTION, GUMBO_TAG_APPLET, GUMBO_TAG_MARQUEE,
                         GUMBO_TAG_OBJECT, GUMBO_TAG_TEMPLATE});
}

// Elements that end the scope in which an end tag looks for its element.
bool endsScopeList(TagId tag) {
    return isMarkerElementList(tag) || tag == GUMBO_TAG_TABLE || tag == GUMBO_TAG_HTML;
}

bool isTablePartList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_TBODY, GUMBO_TAG_THEAD, GUMBO_TAG_TFOOT, GUMBO_TAG_TR});
}

// The elements that only a table holds: outside one the parser drops their start tags.
bool onlyInTablesList(TagId tag) {
    return isTablePartList(tag) ||
           isOneOf(tag, {GUMBO_TAG_TD, GUMBO_TAG_TH, GUMBO_TAG_CAPTION, GUMBO_TAG_COLGROUP, GUMBO_TAG_COL});
}

// End tags that look for their element up to the nearest table.
bool endsInTableScopeList(TagId tag) {
    return tag == GUMBO_TAG_TABLE || isTablePartList(tag) ||
           isOneOf(tag, {GUMBO_TAG_TD, GUMBO_TAG_TH, GUMBO_TAG_CAPTION, GUMBO_TAG_COLGROUP});
}

// HTML elements that end foreign (SVG, MathML) content when they start inside it. Not so <a>, and <font> only
// with a color, face or size.
bool leavesForeignContentList(TagId tag) {
    return (isFormattingList(tag) && tag != GUMBO_TAG_A && tag != GUMBO_TAG_FONT) ||
           isOneOf(tag,
                   {GUMBO_TAG_BLOCKQUOTE, GUMBO_TAG_BODY, GUMBO_TAG_BR,  GUMBO_TAG_CENTER, GUMBO_TAG_DD,
                    GUMBO_TAG_DIV,        GUMBO_TAG_DL,   GUMBO_TAG_DT,  GUMBO_TAG_EMBED,  GUMBO_TAG_H1,
                    GUMBO_TAG_H2,         GUMBO_TAG_H3,   GUMBO_TAG_H4,  GUMBO_TAG_H5,     GUMBO_TAG_H6,
                    GUMBO_TAG_HEAD,       GUMBO_TAG_HR,   GUMBO_TAG_IMG, GUMBO_TAG_LI,     GUMBO_TAG_LISTING,
                    GUMBO_TAG_MENU,       GUMBO_TAG_META, GUMBO_TAG_OL,  GUMBO_TAG_P,      GUMBO_TAG_PRE,
                    GUMBO_TAG_RUBY,       GUMBO_TAG_SPAN, GUMBO_TAG_SUB, GUMBO_TAG_SUP,    GUMBO_TAG_TABLE,
                    GUMBO_TAG_UL,         GUMBO_TAG_VAR});
}

// "Special" elements stop the search of an <li>, <dd> or <dt> for the item it closes. Not so <main> and the
// ruby parts: an end tag closes them on its way to its element.
bool isSpecialList(TagId tag) {
    return tag < GUMBO_TAG_UNKNOWN &&
           (startsWithoutReopeningList(tag) || isVoidList(tag) || isMarkerElementList(tag) ||
            isOneOf(tag, {GUMBO_TAG_BUTTON, GUMBO_TAG_SELECT, GUMBO_TAG_BODY, GUMBO_TAG_HTML, GUMBO_TAG_HEAD,
                          GUMBO_TAG_FRAMESET, GUMBO_TAG_NOSCRIPT})) &&
           !isOneOf(tag, {GUMBO_TAG_MAIN, GUMBO_TAG_RB, GUMBO_TAG_RP, GUMBO_TAG_RT, GUMBO_TAG_RTC});
}

// MathML and SVG elements whose content the parser reads as HTML.
bool isMathIntegrationPointList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_MI, GUMBO_TAG_MO, GUMBO_TAG_MN, GUMBO_TAG_MS, GUMBO_TAG_MTEXT,
                         GUMBO_TAG_ANNOTATION_XML});
}
bool isSvgIntegrationPointList(TagId tag) {
    return isOneOf(tag, {GUMBO_TAG_FOREIGNOBJECT, GUMBO_TAG_DESC, GUMBO_TAG_TITLE});
}

// What the parser does with each tag it knows, looked up in a table made once from the lists above: the
// model asks for every tag of the page, and for every open element while it looks for one.
enum TagKind : std::uint16_t {
    Formatting = 1 << 0,
    Void = 1 << 1,
    RawText = 1 << 2,
    ClosesParagraph = 1 << 3,
    StartsWithoutReopening = 1 << 4,
    Heading = 1 << 5,
    MarkerElement = 1 << 6,
    EndsScope = 1 << 7,
    EndsInTableScope = 1 << 9,
    LeavesForeignContent = 1 << 10,
    Special = 1 << 11,
    MathIntegrationPoint = 1 << 12,
    OnlyInTables = 1 << 13,
    SvgIntegrationPoint = 1 << 14,
};

bool hasKind(TagId tag, std::uint16_t kind) {
    static const std::array<std::uint16_t, GUMBO_TAG_LAST> kinds = [] {
        std::array<std::uint16_t, GUMBO_TAG_LAST> table{};
        for (TagId t = 0; t < GUMBO_TAG_LAST; ++t) {
            const std::pair<bool, TagKind> facts[] = {
                {isFormattingList(t), TagKind::Formatting},
                {isVoidList(t), TagKind::Void},
                {isRawTextList(t), TagKind::RawText},
                {closesParagraphList(t), TagKind::ClosesParagraph},
                {startsWithoutReopeningList(t), TagKind::StartsWithoutReopening},
                {isHeadingList(t), TagKind::Heading},
                {isMarkerElementList(t), TagKind::MarkerElement},
                {endsScopeList(t), TagKind::EndsScope},
                {endsInTableScopeList(t), TagKind::EndsInTableScope},
                {leavesForeignContentList(t), TagKind::LeavesForeignContent},
                {isSpecialList(t), TagKind::Special},
                {isMathIntegrationPointList(t), TagKind::MathIntegrationPoint},
                {isSvgIntegrationPointList(t), TagKind::SvgIntegrationPoint},
                {onlyInTablesList(t), TagKind::OnlyInTables},
            };
            for (const auto& [holds, kind] : facts)
                if (holds)
                    table[static_cast<size_t>(t)] |= kind;
        }
        return table;
    }();
    return tag >= 0 && tag < GUMBO_TAG_LAST && (kinds[static_cast<size_t>(tag)] & kind) != 0;
}

} // namespace

bool isFormatting(TagId tag) {
    return hasKind(tag, TagKind::Formatting);
}
bool isVoid(TagId tag) {
    return hasKind(tag, TagKind::Void);
}
bool isRawText(TagId tag) {
    return hasKind(tag, TagKind::RawText);
}
bool closesParagraph(TagId tag) {
    return hasKind(tag, TagKind::ClosesParagraph);
}
bool startsWithoutReopening(TagId tag) {
    return hasKind(tag, TagKind::StartsWithoutReopening);
}
bool isHeading(TagId tag) {
    return hasKind(tag, TagKind::Heading);
}
bool isMarkerElement(TagId tag) {
    return hasKind(tag, TagKind::MarkerElement);
}
bool endsScope(TagId tag) {
    return hasKind(tag, TagKind::EndsScope);
}
bool onlyInTables(TagId tag) {
    return hasKind(tag, TagKind::OnlyInTables);
}
bool endsInTableScope(TagId tag) {
    return hasKind(tag, TagKind::EndsInTableScope);
}
bool leavesForeignContent(TagId tag) {
    return hasKind(tag, TagKind::LeavesForeignContent);
}
bool isSpecial(TagId tag) {
    return hasKind(tag, TagKind::Special);
}

bool isIntegrationPoint(TagId tag, bool svg) {
    return hasKind(tag, svg ? TagKind::SvgIntegrationPoint : TagKind::MathIntegrationPoint);
}

} // namespace quorvane::html

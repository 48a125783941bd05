#include "pages/ResultDefinition.h"

#include "pages/RedirectLinks.h"
#include "pages/RenderedPage.h"

#include <gumbo.h>

#include <QSet>
#include <QUrl>

#include <unordered_set>

namespace quorvane {

namespace {

bool insideAny(const GumboNode* element, const std::unordered_set<const GumboNode*>& blocks) {
    for (const GumboNode* p = element->parent; p; p = p->parent)
        if (blocks.count(p))
            return true;
    return false;
}

bool selfOrInside(const Selector& selector, const GumboNode* element) {
    if (selector.isEmpty())
        return false;
    for (const GumboNode* p = element; p && p->type == GUMBO_NODE_ELEMENT; p = p->parent)
        if (selector.matches(p))
            return true;
    return false;
}

} // namespace

ResultReader::ResultReader(const ResultDefinition& d)
    : results_(Selector::parse(d.results))
    , link_(Selector::parse(d.link.isEmpty() ? QStringLiteral("a[href]") : d.link))
    , shownAddress_(Selector::parse(d.shownAddress))
    , notResult_(Selector::parse(d.notResult))
    , promoted_(Selector::parse(d.promoted))
    , noResultsMarks_(d.noResultsMarks) {}

PageResults ResultReader::read(const GumboInternalNode* root, const QString& base) const {
    const QUrl baseUrl(base);
    PageResults results;
    if (results_.isEmpty() || !root)
        return results;
    std::unordered_set<const GumboNode*> taken;
    QSet<QString> addresses;
    for (const GumboNode* block : results_.all(root)) {
        if (insideAny(block, taken) || selfOrInside(notResult_, block))
            continue;
        taken.insert(block);
        const GumboNode* link = link_.matches(block) ? block : link_.first(block);
        if (!link)
            continue;
        QString address = unwrapRedirect(attributeValue(link, "href").trimmed());
        if (address.startsWith(u'/') && !address.startsWith(u"//") && baseUrl.isValid() && !base.isEmpty())
            address = baseUrl.resolved(QUrl(address)).toString(QUrl::FullyEncoded);
        if (address.isEmpty() || addresses.contains(address))
            continue;
        addresses.insert(address);
        PageResult result;
        result.address = address;
        if (!shownAddress_.isEmpty())
            result.shownAddress = elementText(shownAddress_.first(block));
        result.promoted = promoted_.matches(block);
        results.append(std::move(result));
    }
    return results;
}

TreeReading ResultReader::readPage(QByteArrayView utf8Html, const QString& base) const {
    if (isEmpty() && noResultsMarks_.isEmpty())
        return {};
    const ParsedPage page(utf8Html.toByteArray());
    return readPage(page.root(), base);
}

TreeReading ResultReader::readPage(const GumboInternalNode* root, const QString& base) const {
    TreeReading reading;
    reading.results = read(root, base);
    if (reading.results.isEmpty() && !noResultsMarks_.isEmpty()) {
        const QString text = elementText(root);
        for (const QString& mark : noResultsMarks_)
            if (!mark.isEmpty() && text.contains(mark)) {
                reading.noResultsPage = true;
                break;
            }
    }
    return reading;
}

QString selectorFault(const QString& selector) {
    QString error;
    if (Selector::parse(selector, &error).isEmpty() && !selector.trimmed().isEmpty())
        return error.isEmpty() ? QStringLiteral("选择器无法识别") : error;
    return {};
}

} // namespace quorvane

#pragma once

#include <QByteArray>
#include <QStringList>
#include <QStringView>

namespace quorvane::test {

// A small result page of an engine, in the markup the engine served, with the given result links in order.
// For Baidu the first `promoted` links are promoted items (their green address is the link).
QByteArray ResultPage(QStringView engine, const QStringList& links, int promoted = 0);

// The engine's result page with its list written into the page by a script after the load: the raw HTML
// holds no result at all, only a browser that runs the script sees them.
QByteArray ScriptBuiltResultPage(QStringView engine, const QStringList& links);

// Links site1.example ... siteN.example, with the site itself put at a 1-based position (0: absent).
QStringList LinksWithSiteAt(int count, int position, const QString& site);

} // namespace quorvane::test

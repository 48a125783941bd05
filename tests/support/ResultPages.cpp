#include "support/ResultPages.h"

namespace quorvane::test {

namespace {

QByteArray item(QStringView engine, const QByteArray& url, int n, bool promoted) {
    const QByteArray num = QByteArray::number(n);
    if (engine == u"Baidu") {
        if (promoted)
            return "<table cellpadding=\"0\" cellspacing=\"0\" class=\"result\" id=\"300" + num +
                   "\"><tr><td class=\"f EC_PP\"><a id=\"aw" + num +
                   "\" href=\"http://www.baidu.com/baidu.php?url=a" + num +
                   "\" target=\"_blank\">ad</a><br><font size=\"-1\"><font color=\"#008000\" size=\"-1\">" +
                   url +
                   "</font><font size=\"-1\"> - <a href=\"http://e.baidu.com/\" "
                   "target=\"_blank\">推广</a></font>"
                   "</font></td></tr></table>\n";
        return "<table cellpadding=\"0\" cellspacing=\"0\" class=\"result\" id=\"" + num +
               "\"><tr><td class=\"f\"><h3 class=\"t\"><a onmousedown=\"return c({'p1':" + num +
               "})\" href=\"" + url +
               "\" target=\"_blank\">result</a></h3><font size=\"-1\">text</font></td></tr></table>\n";
    }
    if (engine == u"Google")
        return "<li class=\"g\"><h3 class=\"r\"><a href=\"" + url +
               "\" target=\"_blank\" class=\"l\">r</a></h3></li>\n";
    if (engine == u"Yahoo")
        return "<li><div class=\"res\"><h3><a onmousedown=\"return rc(this,'doc3')\" href=\"" + url +
               "\" name=\"doc3_rt\" target=\"_blank\">r</a></h3><em><a href=\"http://cache.yahoo.cn/" + num +
               "\">cache</a></em></div></li>\n";
    if (engine == u"Soso")
        return "<li><div class=\"res\"><h3><a id=\"res" + num + "\" href=\"" + url +
               "\" target=\"_blank\">r</a></h3><div class=\"url\"><cite>c</cite> <span class=\"sp\">- <a "
               "href=\"http://"
               "snapshot.soso.com/" +
               num + "\" target=\"_blank\">snap</a></span></div></div></li>\n";
    if (engine == u"Bing")
        return "<li class=\"sa_wr\"><div class=\"sa_cc\"><div class=\"sb_tlst\"><h3><a href=\"" + url +
               "\" target=\"_blank\">r</a></h3></div><p>d</p><div class=\"sb_meta\"><cite>c</cite> <a "
               "href=\"http://"
               "cc.bingj.com/" +
               num + "\">cache</a></div></div></li>\n";
    if (engine == u"Sogou")
        return "<div class=\"rb\"><table cellpadding=\"0\" cellspacing=\"0\"><tr><td class=\"f\"><h3 "
               "class=\"pt\"><a href=\"" +
               url + "\" name=\"dttl\" target=\"_blank\" id=\"uigs_" + num +
               "\">r</a></h3></td></tr></table></div>\n";
    // Youdao
    return "<li><h3><a id=\"hitURL" + num + "\" href=\"" + url +
           "\" target=\"_blank\">r</a></h3><p class=\"ft\"><cite>c"
           "</cite> - <a class=\"yl\">snap</a></p></li>\n";
}

} // namespace

QByteArray ResultPage(QStringView engine, const QStringList& links, int promoted) {
    QByteArray page =
        "<html><head><meta charset=\"utf-8\"><title>results</title></head><body><div id=\"r\"><ol>\n";
    for (int i = 0; i < links.size(); ++i)
        page += item(engine, links[i].toUtf8(), i + 1, i < promoted);
    // Items that end at the next table's body need a table after the last one.
    page += "</ol></div><table id=\"page\"><tr><td>next</td></tr></table></body></html>\n";
    return page;
}

QStringList LinksWithSiteAt(int count, int position, const QString& site) {
    QStringList links;
    for (int i = 1; i <= count; ++i)
        links << (i == position ? site : QStringLiteral("http://site%1.example/").arg(i));
    return links;
}

QByteArray ScriptBuiltResultPage(QStringView engine, const QStringList& links) {
    const QByteArray served = ResultPage(engine, links);
    const qsizetype start = served.indexOf("<body>") + 6;
    QByteArray list = served.mid(start, served.lastIndexOf("</body>") - start);
    list.replace('\\', "\\\\").replace('\'', "\\'").replace('\n', "\\n").replace("</", "<\\/");
    return "<html><head><meta charset=\"utf-8\"><title>results</title></head><body><div id=\"b_content\">"
           "</div><script>setTimeout(function () { document.getElementById('b_content').innerHTML = '" +
           list + "'; }, 100);</script></body></html>";
}

} // namespace quorvane::test

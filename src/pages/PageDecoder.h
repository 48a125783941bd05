#pragma once

#include <QByteArray>
#include <QByteArrayView>

namespace quorvane {

// Turns the bytes of a received page into the UTF-8 text the HTML parser reads. The charset comes, in this
// order, from a byte-order mark, from the Content-Type header, from a meta tag near the top of the page;
// without any, a page that is valid UTF-8 is read as UTF-8 and anything else as GBK (the code page of the
// Chinese desktops the engines served). The labels gb2312, gbk, cp936 and their aliases all mean GBK, as
// browsers treat them; gb18030 is read as GB18030; other labels go to ICU. A label of a charset that does not
// write ASCII as ASCII (UTF-16, UTF-32) counts as none when it comes from a meta tag, and from the header
// unless the body holds NUL bytes as such text does. Bytes that are not valid in the charset become U+FFFD,
// so any body decodes.

// The charset parameter of a Content-Type value, lower case; empty when there is none.
QByteArray charsetFromContentType(QByteArrayView contentType);
// The charset a <meta> tag in the first few kilobytes declares, lower case; empty when there is none.
QByteArray charsetFromMeta(QByteArrayView page);
// The page as UTF-8.
QByteArray pageToUtf8(QByteArrayView page, QByteArrayView headerCharset);

} // namespace quorvane

#pragma once

#include <QString>
#include <QStringView>

namespace quorvane {

// The target of an engine's redirect link where the link itself holds it: Google's "/url?q=<target>" (or
// "url=<target>"), Yahoo's ".../RU=<target>/RK=...", Bing's "/ck/a?...&u=a1<base64url target>". Any other
// link, and a redirect whose target is not an http(s) address, comes back as it stands. Baidu's and Sogou's
// "/link?url=" links hold no target and stay as they are.
QString unwrapRedirect(QStringView link);

} // namespace quorvane

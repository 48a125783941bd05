#pragma once

#include <QString>
#include <QStringView>

namespace quorvane {

// Host names as the host and domain rules of a site compare them.

// The host in the form hosts are compared in: ASCII letters in lower case, an international name in its
// ASCII (IDNA) form, a trailing dot dropped. Empty when the text is not a plausible host name: labels of
// letters, digits and hyphens (or non-ASCII letters) between dots, at least two labels.
QString comparableHost(QStringView host);

// The host of an address as a user types it or a page links it, without scheme, user, port, path, query
// and fragment: "https://www.example.com:8080/blog" and "https:www.example.comblog"'s stored kin
// "https:www.example.com" both give "www.example.com". ASCII letters in lower case, other characters as
// written. Empty when the text holds no plausible host.
QString hostOfAddress(QStringView address);

// The host of the address text a result page displays beside a result: it may lack a scheme, carry a date
// or other words after a space, and be cut short with "..." or "…". A host that the cut reaches (nothing
// but the host before the "...") may be incomplete and gives empty, as does text without a plausible host.
QString hostOfShownAddress(QStringView shown);

// True for an engine's redirect link ("/link?url=..." of Baidu and Sogou): its own host says nothing of
// the target.
bool isRedirectLink(QStringView link);

} // namespace quorvane

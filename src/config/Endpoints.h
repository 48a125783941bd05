#pragma once

#include <QString>
#include <QStringView>

#include <array>

namespace quorvane {

// Where the engines and the maker's hosts are reached: "scheme://host[:port]", no path. The program has
// compiled-in addresses; an optional Endpoints.ini beside the executable overrides single entries:
//
//   [Endpoints]
//   Baidu=http://127.0.0.1:18081
//   Maker=http://127.0.0.1:18088
//   Download=ftp://127.0.0.1:18089
//
// Keys are the engine names, "Maker" (the maker's web site) and "Download" (its FTP host), compared
// exactly; an absent key keeps its compiled-in value, a key not listed here is ignored. A value that is
// not a valid scheme://host[:port] (scheme http, https or ftp), or a file that cannot be read as INI, is
// reported once per reading with showErrorMsg and ignored: the user asked for another address and does not
// get it, which must not pass unnoticed, but the program goes on with the compiled-in one.

inline constexpr std::array<QStringView, 9> kEndpointKeys{u"Baidu", u"Google", u"Yahoo", u"Soso",    u"Bing",
                                                          u"Sogou", u"Youdao", u"Maker", u"Download"};

// The address for a key; empty for an unknown key. The first call reads Endpoints.ini beside the
// executable unless loadEndpoints was called before.
QString endpoint(QStringView key);
// The compiled-in address for a key; empty for an unknown key.
QString defaultEndpoint(QStringView key);

// Sets every address back to its compiled-in value, then applies the file at the path when it exists.
void loadEndpoints(const QString& iniPath);
// loadEndpoints with Endpoints.ini in the executable's folder; the program calls it once at start.
void loadEndpointsBesideExecutable();

} // namespace quorvane

#pragma once

#include "config/SettingsFaults.h"

#include <QList>
#include <QNetworkProxy>
#include <QString>

#include <optional>

namespace quorvane {

// How the program reaches the engines, from the [Network] group of Endpoints.ini beside the executable:
//
//   [Network]
//   Proxy=http://proxy.example.com:3128      (or socks5://host:port; user:password@ before the host)
//   DelayMs=2000                              (pause between two requests to the same engine)
//   Proxies=http://10.0.0.1:3128, http://10.0.0.2:3128, socks5://10.0.0.3:1080
//
// Proxies= is a pool for the rank runs: each engine gets one worker per proxy, each with its own pace and
// cookies, and the keywords are dealt out among them (addresses separated by commas or spaces). Proxy=
// stays the proxy of everything else (and of the runs without a pool).
// Without Proxy the system's proxy settings apply (http_proxy, https_proxy, no_proxy and the desktop's
// settings, as other programs read them). DelayMs defaults to 0: requests go as fast as pages load. A value
// that cannot be used (a proxy port outside 1 to 65535 among them), a line of either key that is not valid
// in the file's encoding and a key given twice are returned once per reading and key as faults,
// with section, key and line, and ignored, as the endpoint addresses are; of a repeated key the last one
// counts.
struct NetworkSettings {
    std::optional<QNetworkProxy> proxy;
    int delayMs = 0;
    QList<QNetworkProxy> proxyPool;
    SettingsFaults faults; // the caller's to show
};

inline constexpr int kMaxDelayMs = 600'000;

// "http://host:port" or "socks5://host:port", with optional user:password@; nothing else.
std::optional<QNetworkProxy> parseProxy(const QString& text);

// "addr1, addr2 addr3": every address as parseProxy takes it; none when any one is not, or the text is empty.
std::optional<QList<QNetworkProxy>> parseProxyPool(const QString& text);

// The [Network] group of the file; defaults when the file or the group is absent.
NetworkSettings readNetworkSettings(const QString& iniPath);

} // namespace quorvane

#pragma once

#include <QString>
#include <QStringView>

namespace quorvane {

// The maker's web site and download host. Both are reached through Endpoints.ini's "Maker" and "Download"
// keys; the compiled-in names lie under the reserved .example domain, so that an installation that points
// them nowhere contacts and shows nobody's host.

inline constexpr QStringView kMakerPanelPath = u"/r2.php";  // the page shown in the tool bar
inline constexpr QStringView kNavigationPath = u"/nav.php"; // loaded out of sight
inline constexpr QStringView kVersionPath = u"/";           // the site's root page carries the version
inline constexpr QStringView kDownloadPagePath = u"/download/download.html";
inline constexpr QStringView kHelpPath = u"/seo/helpinfo.mht";
inline constexpr QStringView kUpdateFilePath = u"/download/updata/Quorvane.exe"; // on the download host

// The two item pages of the maker's shop that the promotional links advertise.
struct Promotion {
    QStringView caption;
    QStringView path;
};
inline constexpr Promotion kPromotions[2] = {
    {u"百度关键词排名优化: 首页见效, 按天付费!", u"/shop/item.php?id=baidu-rank"},
    {u"网站排名监测托管: 七大搜索引擎每日报告!", u"/shop/item.php?id=rank-watch"},
};

// The address of a page of the maker's site: the "Maker" endpoint followed by the path.
QString makerPageUrl(QStringView path);
// The site's root page, as the About box writes it out and "访问Velmora" opens it.
QString makerSiteUrl();
// The update file on the download host (FTP).
QString updateFileUrl();

} // namespace quorvane

#include "webservices/MakerSite.h"

#include "config/Endpoints.h"

namespace quorvane {

QString makerPageUrl(QStringView path) {
    return endpoint(u"Maker") + path;
}

QString makerSiteUrl() {
    return makerPageUrl(kVersionPath);
}

QString updateFileUrl() {
    return endpoint(u"Download") + kUpdateFilePath;
}

} // namespace quorvane

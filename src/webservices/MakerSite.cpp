#include "webservices/MakerSite.h"

#include "engine/Endpoints.h"

namespace quorvane {

QString MakerPageUrl(QStringView path) {
    return Endpoint(u"Maker") + path;
}

QString MakerSiteUrl() {
    return MakerPageUrl(kVersionPath);
}

QString UpdateFileUrl() {
    return Endpoint(u"Download") + kUpdateFilePath;
}

} // namespace quorvane

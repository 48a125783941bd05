#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

namespace quorvane {

QFont SongTiFont(int pixelSize) {
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const QString& candidate :
             {QStringLiteral("宋体"), QStringLiteral("SimSun"), QStringLiteral("Noto Serif CJK SC"),
              QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Zen Hei"),
              QStringLiteral("AR PL UMing CN")})
            if (families.contains(candidate))
                return candidate;
        return QString();
    }();
    QFont font;
    if (!family.isEmpty())
        font.setFamilies({family, QStringLiteral("宋体")});
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace quorvane

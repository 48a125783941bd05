#include "ui/Fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include <initializer_list>

namespace quorvane {

namespace {

// The first of the candidates that is installed, or nothing.
QString installedFamily(std::initializer_list<QString> candidates) {
    const QStringList families = QFontDatabase::families();
    for (const QString& candidate : candidates)
        if (families.contains(candidate))
            return candidate;
    return QString();
}

QFont cjkFont(const QString& family, const QString& name, int pixelSize) {
    QFont font;
    if (!family.isEmpty())
        font.setFamilies({family, name});
    font.setPixelSize(pixelSize);
    return font;
}

} // namespace

QFont songTiFont(int pixelSize) {
    static const QString family =
        installedFamily({QStringLiteral("宋体"), QStringLiteral("SimSun"),
                         QStringLiteral("Noto Serif CJK SC"), QStringLiteral("Noto Sans CJK SC"),
                         QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("AR PL UMing CN")});
    return cjkFont(family, QStringLiteral("宋体"), pixelSize);
}

QFont heiTiFont(int pixelSize) {
    static const QString family =
        installedFamily({QStringLiteral("黑体"), QStringLiteral("SimHei"), QStringLiteral("Noto Sans CJK SC"),
                         QStringLiteral("WenQuanYi Zen Hei"), QStringLiteral("Noto Serif CJK SC")});
    return cjkFont(family, QStringLiteral("黑体"), pixelSize);
}

} // namespace quorvane

#include "shell/Fonts.h"

#include <QApplication>
#include <QFontDatabase>
#include <QStyle>

#include <optional>

namespace pellvane {
namespace {

const QString kWesternFace = QStringLiteral("Segoe UI");

struct FontCache {
    FontFamilySource source;
    QString lastName;
    std::optional<bool> lastAnswer;
};

FontCache& Cache() {
    static FontCache cache;
    return cache;
}

QStringList InstalledFamilies() {
    const FontFamilySource& source = Cache().source;
    return source ? source() : QFontDatabase::families();
}

QString FirstInstalled(std::initializer_list<QString> faces) {
    for (const QString& face : faces) {
        if (IsFontInstalled(face)) return face;
    }
    return kWesternFace;
}

} // namespace

QString GetUIFontName(int32_t localeId) {
    switch (localeId) {
    case 1041:
        return FirstInstalled({QStringLiteral("Meiryo UI")});
    case 1042:
        return FirstInstalled({QStringLiteral("Malgun Gothic")});
    case 1028:
    case 3076:
        return FirstInstalled({QStringLiteral("Microsoft JhengHei UI")});
    case 2052:
    case 4100:
        return FirstInstalled({QStringLiteral("微软雅黑"), QStringLiteral("Microsoft YaHei UI")});
    default:
        return kWesternFace;
    }
}

bool IsFontInstalled(const QString& faceName) {
    FontCache& cache = Cache();
    if (cache.lastAnswer && cache.lastName == faceName) return *cache.lastAnswer;
    bool installed = false;
    for (const QString& family : InstalledFamilies()) {
        if (family == faceName) {
            installed = true;
            break;
        }
    }
    cache.lastName = faceName;
    cache.lastAnswer = installed;
    return installed;
}

void SetInstalledFontSource(FontFamilySource source) {
    FontCache& cache = Cache();
    cache.source = std::move(source);
    cache.lastName.clear();
    cache.lastAnswer.reset();
}

bool IsVisualStylesActive() {
    static const bool themed = [] {
        const QStyle* style = QApplication::style();
        return style != nullptr && style->name().compare(QStringLiteral("windows"), Qt::CaseInsensitive) != 0;
    }();
    return themed;
}

} // namespace pellvane

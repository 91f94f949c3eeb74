#include "shell/Settings.h"

#include <QSettings>

namespace pellvane {
namespace {

const QString kApplication = QStringLiteral("Pellvane");
const QString kDefaultWebSite = QStringLiteral("https://www.pellvane.com");

QString ValuePath(const QString& section, const QString& key) {
    return section + QLatin1Char('/') + key;
}

} // namespace

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue) {
    const QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
    return settings.value(ValuePath(section, key), defaultValue).toString();
}

void SaveSetting(const QString& section, const QString& key, const QString& value) {
    QSettings settings(QSettings::NativeFormat, QSettings::UserScope, kApplication, kApplication);
    settings.setValue(ValuePath(section, key), value);
}

QString WebSite() {
    QString site = GetSetting(QStringLiteral("Validator"), QStringLiteral("WebSite")).trimmed();
    while (site.endsWith(QLatin1Char('/')))
        site.chop(1);
    return site.isEmpty() ? kDefaultWebSite : site;
}

int EditorVersion() {
    bool isNumber = false;
    const int version =
        GetSetting(QStringLiteral("AppInfo"), QStringLiteral("EditorVersion")).trimmed().toInt(&isNumber);
    return isNumber ? version : 0;
}

} // namespace pellvane

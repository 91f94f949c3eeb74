#pragma once
// The per-user settings the program shares with the maker's other programs: application
// "Pellvane", sections "Validator" and "AppInfo", string values. A missing value reads as
// the default given; writing creates it.

#include <QString>

namespace pellvane {

QString GetSetting(const QString& section, const QString& key, const QString& defaultValue = {});
void SaveSetting(const QString& section, const QString& key, const QString& value);

// The web site the program's links lead to: the value "Validator"/"WebSite" when a user or
// an installer has set one, otherwise the maker's site. It is only ever read.
QString WebSite();

// The installed version of the maker's metadata editor ("AppInfo"/"EditorVersion"), or 0
// when it is missing or not a number.
int EditorVersion();

} // namespace pellvane

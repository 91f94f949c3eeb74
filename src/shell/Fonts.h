#pragma once
// The interface font chosen by locale, whether a font is installed, and whether the
// platform's style draws themed controls.

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>

namespace pellvane {

// The face every control of the windows uses: East Asian locales get the face made for
// their script when it is installed, everything else the Western interface face.
QString GetUIFontName(int32_t localeId);

// Whether a font family of exactly this name (case-sensitive) is installed. The last name
// asked and its answer are remembered, so asking the same name again enumerates nothing.
bool IsFontInstalled(const QString& faceName);

// Where the installed families come from: the system's font database unless a test puts a
// list of its own here. Resets the one-name cache.
using FontFamilySource = std::function<QStringList()>;
void SetInstalledFontSource(FontFamilySource source);

// True when the application style draws themed controls rather than the classic flat
// Windows look. Asked once; later calls answer from the first.
bool IsVisualStylesActive();

} // namespace pellvane

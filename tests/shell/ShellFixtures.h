#pragma once
// Helpers the desktop program's tests share: a private settings folder and a program folder
// with translation files written in either encoding.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include <filesystem>
#include <string>

namespace pellvane::testing {

// Points the per-user settings at a fresh folder, so that tests neither read nor change the
// settings of whoever runs them.
class PrivateSettings {
  public:
    PrivateSettings();
    QString Folder() const { return folder_.path(); }

  private:
    QTemporaryDir folder_;
};

enum class FileEncoding { Ansi, Utf16WithMark, Utf16WithoutMark };

// A program folder with a "Lang" subfolder, registered as the running program's location
// with the executable name "pellvane-validator".
class ProgramFolder {
  public:
    ProgramFolder();
    std::filesystem::path Path() const { return folder_.path().toStdString(); }
    std::filesystem::path LangFolder() const { return Path() / "Lang"; }

    // Writes Lang/<folder>/lang.cfg from UTF-8 text, encoded as asked (ANSI as Windows-1252).
    void WriteTranslation(const QString& folder, const QString& utf8Text, FileEncoding encoding) const;

  private:
    QTemporaryDir folder_;
};

// A translation file's text with the usual "Setup" section (with a translator's credit
// when `copyright` is not empty) and the given lines in "Window".
QString TranslationText(const QString& app, int localeId, const QString& encoding, const QString& localName,
                        const QString& windowLines, const QString& copyright = {});

// Encodes UTF-8 text as a translation file would hold it.
QByteArray Encoded(const QString& text, FileEncoding encoding);

} // namespace pellvane::testing

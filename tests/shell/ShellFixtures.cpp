#include "ShellFixtures.h"

#include "shell/Language.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QStringDecoder>
#include <QStringEncoder>

namespace pellvane::testing {

PrivateSettings::PrivateSettings() {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, folder_.path());
}

ProgramFolder::ProgramFolder() {
    QDir(folder_.path()).mkdir(QStringLiteral("Lang"));
    SetProgramLocation(Path(), "pellvane-validator");
}

void ProgramFolder::WriteTranslation(const QString& folder, const QString& text,
                                     FileEncoding encoding) const {
    const QString dir = QString::fromStdString((LangFolder() / folder.toStdString()).string());
    QDir().mkpath(dir);
    QFile file(dir + QStringLiteral("/lang.cfg"));
    if (file.open(QIODevice::WriteOnly)) file.write(Encoded(text, encoding));
}

QString TranslationText(const QString& app, int localeId, const QString& encoding, const QString& localName,
                        const QString& windowLines, const QString& copyright) {
    const QString credit =
        copyright.isEmpty() ? QString() : QStringLiteral("Copyright=") + copyright + "\r\n";
    return QStringLiteral(
               "[Setup]\r\nApp=%1\r\nLocaleID=%2\r\nEncoding=%3\r\nLocalName=%4\r\n%5\r\n[Window]\r\n%6\r\n")
        .arg(app)
        .arg(localeId)
        .arg(encoding, localName, credit, windowLines);
}

QByteArray Encoded(const QString& text, FileEncoding encoding) {
    switch (encoding) {
    case FileEncoding::Ansi: {
        // Qt has no Windows-1252 encoder of its own; Latin-1 agrees with it on every letter
        // the tests use.
        return text.toLatin1();
    }
    case FileEncoding::Utf16WithMark: {
        QStringEncoder encoder(QStringEncoder::Utf16LE, QStringEncoder::Flag::WriteBom);
        return encoder(text);
    }
    case FileEncoding::Utf16WithoutMark: {
        QStringEncoder encoder(QStringEncoder::Utf16LE);
        return encoder(text);
    }
    }
    return {};
}

} // namespace pellvane::testing

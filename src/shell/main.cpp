// The desktop program: one main window, started with the file named on the command line,
// if any.

#include "shell/CommandLine.h"
#include "shell/Language.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QFileInfo>

namespace pellvane {
namespace {

// Nothing needs preparing before the first window on this platform; the answer is kept so
// that start-up reads the same everywhere.
bool InitControls() {
    return true;
}

} // namespace
} // namespace pellvane

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Pellvane Photo Validator"));
    QApplication::setOrganizationName(QStringLiteral("Pellvane"));
    // Ties the window to the installed desktop entry, for its icon and name in the task bar.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.pellvane.PhotoValidator"));

    pellvane::InitControls();
    const QFileInfo executable(QCoreApplication::applicationFilePath());
    pellvane::SetProgramLocation(executable.absolutePath().toStdString(),
                                 executable.completeBaseName().toStdString());
    pellvane::InstallTranslationLookup();

    pellvane::frmMain window(QString::fromStdString(pellvane::CommandLineOf(argc, argv)));
    window.show();
    return QApplication::exec();
}

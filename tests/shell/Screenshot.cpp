// Opens the main window on a photo, waits for the analysis to finish and saves a picture of
// the window: the README's screenshot of the results screen. Without a photo it saves the
// start screen; with "--about" in place of the photo, the About window.
//
//   xvfb-run -s "-screen 0 1280x900x24" pellvane-screenshot OUTPUT.png [PHOTO.jpg]

#include "shell/Language.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QEventLoop>
#include <QTimer>

#include <cstdio>

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: %s OUTPUT.png [PHOTO]\n", argv[0]);
        return 2;
    }
    pellvane::SetProgramLocation(PELLVANE_PROGRAM_FOLDER, "pellvane-validator");
    pellvane::InstallTranslationLookup();

    if (argc == 3 && QString::fromLocal8Bit(argv[2]) == QStringLiteral("--about")) {
        pellvane::frmAbout about;
        about.show();
        QEventLoop settle;
        QTimer::singleShot(300, &settle, &QEventLoop::quit);
        settle.exec();
        return about.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
    }
    const bool withPhoto = argc == 3;
    pellvane::frmMain window(withPhoto ? QString::fromLocal8Bit(argv[2]) : QString());
    QEventLoop finished;
    QObject::connect(&window, &pellvane::frmMain::AnalysisFinished, &finished, &QEventLoop::quit);
    window.show();
    if (withPhoto) finished.exec();
    // Let the last layout and paint settle before the picture is taken.
    QTimer::singleShot(300, &finished, &QEventLoop::quit);
    finished.exec();
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}

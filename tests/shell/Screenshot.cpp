// Opens the main window on a photo, waits for the analysis to finish and saves a picture of
// the window: the README's screenshot of the results screen. Without a photo it saves the
// start screen; with "--about" in place of the photo, the About window.
//
//   xvfb-run -s "-screen 0 1280x900x24" pellvane-screenshot [OPTIONS] OUTPUT.png [PHOTO.jpg]
//
// Options:
//   --select N   select row N of the results (0 is the first) before the picture is taken
//   --working    take the picture on the working screen, while the run shows the label of the
//                software test, instead of after the run
//   --screen     save the whole screen instead of the window (to show where the window lies)

#include "analysis/AnalyzeFile.h"
#include "base/Text.h"
#include "shell/Language.h"
#include "shell/frmAbout.h"
#include "shell/frmMain.h"

#include <QApplication>
#include <QEventLoop>
#include <QScreen>
#include <QStringList>
#include <QTimer>
#include <QTreeWidget>

#include <cstdio>
#include <optional>

namespace {

struct Options {
    std::optional<int> selectRow;
    bool working = false;
    bool wholeScreen = false;
    QStringList positional;
};

std::optional<Options> ParseOptions(const QStringList& arguments) {
    Options options;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument == QStringLiteral("--select") && i + 1 < arguments.size()) {
            options.selectRow = arguments[++i].toInt();
        } else if (argument == QStringLiteral("--working")) {
            options.working = true;
        } else if (argument == QStringLiteral("--screen")) {
            options.wholeScreen = true;
        } else {
            options.positional << argument;
        }
    }
    if (options.positional.size() != 1 && options.positional.size() != 2) return std::nullopt;
    return options;
}

void Settle(int milliseconds) {
    QEventLoop settle;
    QTimer::singleShot(milliseconds, &settle, &QEventLoop::quit);
    settle.exec();
}

bool Save(QWidget& window, const Options& options, const QString& output) {
    if (options.wholeScreen) return window.screen()->grabWindow(0).save(output);
    return window.grab().save(output);
}

// The real run, which saves the working screen once the software test is announced.
pellvane::frmMain::Analyzer WorkingScreenAnalyzer(pellvane::frmMain*& window, const Options& options,
                                                  const QString& output) {
    return [&window, options, output](const std::string& path, std::unique_ptr<pellvane::IExifCodec>& codec,
                                      const pellvane::AnalysisSettings& settings,
                                      pellvane::IAnalysisObserver& observer) {
        struct Grabbing : pellvane::IAnalysisObserver {
            pellvane::IAnalysisObserver& inner;
            std::function<void(const std::string&)> onLabel;
            explicit Grabbing(pellvane::IAnalysisObserver& wrapped) : inner(wrapped) {}
            void Progress(int32_t percent) override { inner.Progress(percent); }
            void WorkingLabel(const std::string& text) override {
                inner.WorkingLabel(text);
                onLabel(text);
            }
            void Pause(int32_t milliseconds) override { inner.Pause(milliseconds); }
            void TestsStarting() override { inner.TestsStarting(); }
            void PictureDigested(const pellvane::PictureDigest& digest) override {
                inner.PictureDigested(digest);
            }
        } grabbing(observer);
        bool saved = false;
        const std::string software =
            pellvane::GetText("Window", "Window.Main.Results.Software", "Software Data");
        grabbing.onLabel = [&](const std::string& text) {
            if (saved || text.find(software) == std::string::npos) return;
            Settle(200);
            saved = Save(*window, options, output);
        };
        return pellvane::AnalyzeFile(path, codec, settings, grabbing);
    };
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    const std::optional<Options> options = ParseOptions(QCoreApplication::arguments());
    if (!options) {
        std::fprintf(stderr, "usage: %s [--select N] [--working] [--screen] OUTPUT.png [PHOTO]\n", argv[0]);
        return 2;
    }
    const QString output = options->positional[0];
    pellvane::SetProgramLocation(PELLVANE_PROGRAM_FOLDER, "pellvane-validator");
    pellvane::InstallTranslationLookup();

    const bool withPhoto = options->positional.size() == 2;
    if (withPhoto && options->positional[1] == QStringLiteral("--about")) {
        pellvane::frmAbout about;
        about.show();
        Settle(300);
        return about.grab().save(output) ? 0 : 1;
    }
    pellvane::frmMain* windowPointer = nullptr;
    pellvane::frmMain window(withPhoto ? options->positional[1] : QString(),
                             options->working ? WorkingScreenAnalyzer(windowPointer, *options, output)
                                              : pellvane::frmMain::Analyzer());
    windowPointer = &window;
    QEventLoop finished;
    QObject::connect(&window, &pellvane::frmMain::AnalysisFinished, &finished, &QEventLoop::quit);
    window.show();
    if (withPhoto) finished.exec();
    if (options->working) return 0;
    if (options->selectRow) {
        auto* list = window.findChild<QTreeWidget*>(QStringLiteral("lvResults"));
        if (list && *options->selectRow < list->topLevelItemCount())
            list->setCurrentItem(list->topLevelItem(*options->selectRow));
    }
    // Let the last layout and paint settle before the picture is taken.
    Settle(300);
    return Save(window, *options, output) ? 0 : 1;
}

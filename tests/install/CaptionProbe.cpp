// Loaded into the installed desktop program with LD_PRELOAD, so that the program itself is
// tested as it was installed: once its first window shows and its event loop runs, prints
// the texts that window shows, one "objectName<TAB>text" line each, and ends the program.

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QLabel>
#include <QTimer>
#include <QWidget>

#include <cstdio>

namespace {

void PrintText(const QString& name, const QString& text) {
    std::printf("%s\t%s\n", name.toUtf8().constData(), text.toUtf8().constData());
}

void PrintTextsAndQuit(const QWidget& window) {
    PrintText(window.objectName(), window.windowTitle());
    for (const QLabel* label : window.findChildren<QLabel*>())
        PrintText(label->objectName(), label->text());
    for (const QAbstractButton* button : window.findChildren<QAbstractButton*>())
        PrintText(button->objectName(), button->text());
    std::fflush(stdout);
    QCoreApplication::exit(0);
}

// Waits for the first top-level window to be shown; the texts are read once the event loop
// runs, when the window has finished loading whatever the order of its start-up.
class FirstWindowWatcher final : public QObject {
  public:
    using QObject::QObject;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = qobject_cast<QWidget*>(watched);
        if (!seen_ && event->type() == QEvent::Show && widget != nullptr && widget->isWindow()) {
            seen_ = true;
            QTimer::singleShot(0, widget, [widget] { PrintTextsAndQuit(*widget); });
        }
        return false;
    }

  private:
    bool seen_ = false;
};

void StartWatching() {
    QCoreApplication* application = QCoreApplication::instance();
    application->installEventFilter(new FirstWindowWatcher(application));
}

} // namespace

Q_COREAPP_STARTUP_FUNCTION(StartWatching)

#include "shell/cWait.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace pellvane {

void cWait::Wait(int32_t milliseconds) {
    if (milliseconds <= 0) {
        QCoreApplication::processEvents();
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setSingleShot(true);
    QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
    // A pause inside a pause (an event handler that waits) must hand back the outer one.
    const QPointer<QEventLoop> outer = loop_;
    loop_ = &loop;
    timer.start(milliseconds);
    loop.exec();
    loop_ = outer;
}

void cWait::Cease() {
    if (loop_) loop_->quit();
}

} // namespace pellvane

// Runs the tests inside a QApplication, so that widgets and dialogs can be driven; without a
// display the offscreen platform is used. A wait of the main thread runs the application's
// events meanwhile; only a loop that waits runs the idle update, so it is a loop of its own.
#include "WaitUntil.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <QTimer>
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("korva-tests"));
    SetWaitPause([&app](int ms) {
        if (QThread::currentThread() != app.thread())
            return std::this_thread::sleep_for(std::chrono::milliseconds(ms));
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    });
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}

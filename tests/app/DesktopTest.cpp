// The window as the desktop meets it: toolbar pictures drawn for the screen's scale, the window
// icon from the scalable drawing the package installs, the desktop entry's name as application
// id, and the message of a file opened at start-up over the shown window it belongs to.
#include "AppFixture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

using DesktopTest = AppTest;

TEST_F(DesktopTest, ToolbarPicturesAreDrawnForTheScreensScaleAsTheSamePictures)
{
    ASSERT_TRUE(Start());
    for (QAction* action : frame->m_wndToolBar.GetToolBarCtrl()->actions()) {
        if (action->isSeparator())
            continue;
        const QImage once = action->icon().pixmap(QSize(29, 21), 1.0).toImage().convertToFormat(QImage::Format_ARGB32);
        const QImage twice = action->icon().pixmap(QSize(29, 21), 2.0).toImage().convertToFormat(QImage::Format_ARGB32);
        // Every pixel a square of four: the picture at 1x, sharp, not smoothed.
        EXPECT_EQ(twice, once.scaled(58, 42, Qt::IgnoreAspectRatio, Qt::FastTransformation));
    }
}

TEST_F(DesktopTest, WindowIconAndApplicationIdComeFromWhatThePackageInstalls)
{
    ASSERT_TRUE(Start());
    // The small images as they were, the large ones drawn from the scalable icon at their size.
    const QIcon icon = frame->windowIcon();
    for (int size : {16, 32, 256})
        EXPECT_TRUE(icon.availableSizes().contains(QSize(size, size))) << size;
    const QImage large = icon.pixmap(QSize(256, 256)).toImage();
    EXPECT_NE(large, icon.pixmap(QSize(32, 32)).toImage().scaled(256, 256));

    EXPECT_EQ(QGuiApplication::desktopFileName(), "org.korva.Korva");
    QFile entry(QStringLiteral(KORVA_SOURCE_DIR "/packaging/org.korva.Korva.desktop"));
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    EXPECT_TRUE(QString::fromUtf8(entry.readAll()).split('\n').contains("StartupWMClass=org.korva.Korva"));
}

TEST_F(DesktopTest, MessageOfAFileOpenedAtStartUpStandsOverTheShownWindow)
{
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    ASSERT_TRUE(Start({QString::fromStdString(file)}));
    framework::SetMessageBoxHandler({});  // the real box
    bool sawBox = false;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box)
            return;
        poll.stop();
        sawBox = true;
        EXPECT_TRUE(frame->windowHandle()->isExposed());
        EXPECT_EQ(box->windowHandle()->transientParent(), frame->windowHandle());
        EXPECT_TRUE(frame->geometry().contains(box->geometry().center()));
        box->accept();
    });
    poll.start(10);
    Tick();  // the captured-data message of the opened file
    EXPECT_TRUE(sawBox);
}

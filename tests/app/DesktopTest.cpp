// The window as the desktop meets it: toolbar pictures drawn for the screen's scale, the window
// icon from the scalable drawing the package installs, the name of the desktop entry as the
// application id, and the message of a file opened at start-up over the window it belongs to.
#include "AppFixture.h"

#include "KorvaResources.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QPainter>
#include <QSvgRenderer>
#include <QTimer>
#include <QToolBar>
#include <QWindow>

#include <set>

namespace {

std::set<QRgb> Colours(const QImage& image)
{
    std::set<QRgb> colours;
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < argb.height(); ++y)
        for (int x = 0; x < argb.width(); ++x)
            colours.insert(argb.pixel(x, y));
    return colours;
}

}  // namespace

using DesktopTest = AppTest;

TEST_F(DesktopTest, ToolbarPicturesAreDrawnForTheScreensScaleAsTheSamePictures)
{
    ASSERT_TRUE(Start());
    for (QAction* action : frame->m_wndToolBar.GetToolBarCtrl()->actions()) {
        if (action->isSeparator())
            continue;
        const QImage once = action->icon().pixmap(QSize(29, 21), 1.0).toImage();
        const QImage twice = action->icon().pixmap(QSize(29, 21), 2.0).toImage();
        ASSERT_EQ(once.size(), QSize(29, 21));
        ASSERT_EQ(twice.size(), QSize(58, 42));
        EXPECT_EQ(twice.devicePixelRatio(), 2.0);
        // Every pixel a square of four: the picture at 1x, sharp, not smoothed.
        EXPECT_EQ(twice.convertToFormat(QImage::Format_ARGB32),
                  once.scaled(58, 42, Qt::IgnoreAspectRatio, Qt::FastTransformation).convertToFormat(QImage::Format_ARGB32));
        // At 1.5 an image of its own: its pixels only the picture's colours, none mixed.
        const QImage between = action->icon().pixmap(QSize(29, 21), 1.5).toImage();
        EXPECT_EQ(between.size(), QSize(44, 32));
        const std::set<QRgb> own = Colours(once);
        for (QRgb colour : Colours(between))
            EXPECT_EQ(own.count(colour), 1u) << std::hex << colour;
    }
}

TEST_F(DesktopTest, WindowIconComesFromTheScalableDrawingBeyondItsTwoSmallImages)
{
    ASSERT_TRUE(Start());
    const QIcon icon = frame->windowIcon();
    const QList<QSize> sizes = icon.availableSizes();
    for (int size : {16, 32, 128, 256})
        EXPECT_TRUE(sizes.contains(QSize(size, size))) << size;

    QSvgRenderer drawing(QStringLiteral(KORVA_SOURCE_DIR "/packaging/icons/korva.svg"));
    ASSERT_TRUE(drawing.isValid());
    QImage expected(256, 256, QImage::Format_ARGB32_Premultiplied);
    expected.fill(Qt::transparent);
    QPainter painter(&expected);
    drawing.render(&painter);
    painter.end();
    EXPECT_EQ(icon.pixmap(QSize(256, 256)).toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied), expected);
}

TEST_F(DesktopTest, ApplicationIdIsTheDesktopEntrysName)
{
    ASSERT_TRUE(Start());
    EXPECT_EQ(QGuiApplication::desktopFileName(), "org.korva.Korva");
    QFile entry(QStringLiteral(KORVA_SOURCE_DIR "/packaging/") + QGuiApplication::desktopFileName() + ".desktop");
    ASSERT_TRUE(entry.open(QIODevice::ReadOnly | QIODevice::Text));
    const QStringList lines = QString::fromUtf8(entry.readAll()).split('\n');
    EXPECT_TRUE(lines.contains("StartupWMClass=org.korva.Korva"));
}

TEST_F(DesktopTest, MessageOfAFileOpenedAtStartUpStandsOverTheShownWindow)
{
    const std::string file = WriteDataFile("tuning.txt", kFileLines);
    ASSERT_TRUE(Start({QString::fromStdString(file)}));
    framework::SetMessageBoxHandler({});
    bool sawBox = false;
    QTimer poll;
    int polls = 0;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box && ++polls < 500)
            return;
        poll.stop();
        if (!box)
            return;
        sawBox = true;
        EXPECT_TRUE(frame->isVisible());
        EXPECT_TRUE(frame->windowHandle()->isExposed());
        EXPECT_EQ(box->windowHandle()->transientParent(), frame->windowHandle());
        EXPECT_TRUE(frame->geometry().contains(box->geometry().center()));
        box->accept();
    });
    poll.start(10);
    Tick();  // the captured-data message of the opened file
    EXPECT_TRUE(sawBox);
    EXPECT_EQ(State(), kStateIdle);
}

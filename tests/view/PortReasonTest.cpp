// The search says in the status bar why the port cannot be opened, forgets it once the port
// opens, and opens the port afresh when another device file is chosen for it.
#include "PortDevices.h"
#include "ViewFixture.h"

#include <QSettings>

TEST_F(ViewTest, SearchSaysWhyThePortFailsAndFollowsTheDeviceFileChosenForIt)
{
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.file("config")));
    const QString missing = QString::fromStdString(dir.file("ttyUSB0"));
    doc->m_dlgInterface.ChooseDevice(0, missing);
    Tick(101);
    EXPECT_TRUE(view->StatusMessage().startsWith(QStringLiteral("COM1 (%1): not found").arg(missing)));
    Tick(1000);  // the search retries, the reason stays
    EXPECT_TRUE(view->StatusMessage().startsWith(QStringLiteral("COM1 (%1): not found").arg(missing)));

    SimDevice first(SimDevice::Fast(), "COM9");
    doc->m_dlgInterface.ChooseDevice(0, QString::fromStdString(first.SlavePath()));
    Identify();
    EXPECT_TRUE(view->StatusMessage().isEmpty());
    EXPECT_EQ(first.Commands(), std::vector<std::string>{"R"});

    // The same port on another device: the search starts again there.
    SimDevice second(SimDevice::Fast(), "COM8");
    doc->m_dlgInterface.ChooseDevice(0, QString::fromStdString(second.SlavePath()));
    Tick();
    EXPECT_EQ(State(), kStateSearch);
    Identify();
    EXPECT_EQ(second.Commands(), std::vector<std::string>{"R"});
    doc->m_dlgInterface.ChooseDevice(0, std::nullopt);
}

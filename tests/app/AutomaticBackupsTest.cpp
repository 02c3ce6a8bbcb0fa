// The automatic backups in the running program against the simulated device: off until turned
// on; then PUT DATA and delivery mode read all data into the capture history before they erase
// the device, a backup that fails asks whether to go on (No cancels and sends nothing more), and
// the device found without a backup of the last day is backed up unasked. Working storage,
// its title, its unsaved state and the enabled commands never change for a backup.
#include "AppFixture.h"

#include "AutomaticBackups.h"
#include "CmdTarget.h"
#include "KorvaResources.h"
#include "factory_data.h"

#include <QAction>
#include <QCoreApplication>
#include <QDateTime>
#include <QDir>

#include <tuple>

class AutomaticBackupsTest : public AppTest {
protected:
    void TurnOn()
    {
        // As the start-up chooses it.
        SelectKorvaSettings();
        QSettings().setValue(QStringLiteral("Backups/Automatic"), true);
    }
    QVariant StoredSetting() const
    {
        return QSettings(QString::fromStdString(SettingsFile()), QSettings::NativeFormat).value("Backups/Automatic");
    }
    std::string CaptureFolder() const { return dir.file("data/korva/captures"); }
    // The ALL DATA captures, oldest first.
    std::vector<std::string> Captures() const
    {
        std::vector<std::string> found;
        for (const std::string& name : FileExists(CaptureFolder()) ? FileNames(CaptureFolder()) : found) {
            if (name.find("_DA") != std::string::npos)
                found.push_back(name);
        }
        return found;
    }
    // A whole ALL DATA capture in the history, taken at when.
    void PlaceBackup(const QDateTime& when)
    {
        QDir().mkpath(QString::fromStdString(CaptureFolder()));
        WriteWholeFile(CaptureFolder() + "/" + when.toString("yyyy-MM-dd_HH-mm-ss").toStdString() + "_DA.txt",
                       AsFileText(kFileLines));
    }
    CAutomaticBackups& Backups() const { return *theApp.Backups(); }
    bool BackupEnds() { return WaitUntil([this] { return !Backups().IsRunning(); }, 20000); }
    QString StatusText() const { return frame->m_wndStatusBar.GetPaneText(0); }
    // The device logs a command once it has taken what goes with it.
    void ExpectCommands(const std::vector<std::string>& commands)
    {
        WaitUntil([&] { return device->Commands() == commands; });
        EXPECT_EQ(device->Commands(), commands);
    }
    // The window as a user sees it, which a backup must leave alone.
    auto Look()
    {
        Idle();
        return std::make_tuple(Data(*doc), doc->GetTitle(), doc->IsModified(), EnabledButtons());
    }
};

TEST_F(AutomaticBackupsTest, AreOffUntilTurnedOnAndTheMenuItemShowsAndKeepsTheSetting)
{
    ASSERT_TRUE(Start());
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(CaptureData());
    Idle();
    QAction* item = frame->MenuAction(ID_AUTOMATIC_BACKUPS);
    ASSERT_NE(item, nullptr);
    EXPECT_TRUE(item->isCheckable());
    EXPECT_FALSE(item->isChecked());
    Click(ID_PUT_DATA);
    TickToIdle();
    EXPECT_EQ(boxes.texts.back(), kStoredMessage);
    ExpectCommands({"R", "DD", "DE"});

    ASSERT_TRUE(framework::ExecuteCommand(*frame, ID_AUTOMATIC_BACKUPS));
    Idle();
    EXPECT_TRUE(item->isChecked());
    EXPECT_EQ(StoredSetting(), QVariant(true));
    // Turned on with the device found and no backup in the history: the first one is made now.
    ASSERT_TRUE(WaitUntil([&] { return Backups().IsRunning(); }));
    ASSERT_TRUE(BackupEnds());
    ExpectCommands({"R", "DD", "DE", "DA"});
    ASSERT_TRUE(framework::ExecuteCommand(*frame, ID_AUTOMATIC_BACKUPS));
    Idle();
    EXPECT_FALSE(item->isChecked());
    EXPECT_EQ(StoredSetting(), QVariant(false));
}

TEST_F(AutomaticBackupsTest, PutDataReadsAllDataIntoTheHistoryFirstAndLeavesTheWindowAsItWas)
{
    TurnOn();
    // A backup of today: none is due when the device is found.
    PlaceBackup(QDateTime::currentDateTime().addSecs(-60));
    ASSERT_TRUE(Start());
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(CaptureData());
    const auto before = Look();
    const size_t boxesBefore = boxes.texts.size();

    Click(ID_PUT_DATA);
    ASSERT_TRUE(Backups().IsRunning());
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_TRUE(StatusText().startsWith(QStringLiteral("Backing up all data from the device before PUT DATA")))
        << StatusText().toStdString();
    EXPECT_EQ(Look(), before);
    ASSERT_TRUE(BackupEnds());
    EXPECT_EQ(boxes.texts.size(), boxesBefore) << "a backup that succeeds shows no box";
    EXPECT_EQ(State(), kStateUpload);
    TickToIdle();
    EXPECT_EQ(boxes.texts.back(), kStoredMessage);

    ExpectCommands({"R", "DD", "DA", "DE"});
    ASSERT_EQ(Captures().size(), 2u);
    const std::string backup = Captures().back();
    EXPECT_EQ(ReadWholeFile(CaptureFolder() + "/" + backup), AsFileText(sim::factoryData()));
    EXPECT_TRUE(StatusText().contains(QString::fromStdString(backup))) << StatusText().toStdString();

    // Given while Compare with device reads the device: the backup follows the comparison.
    ASSERT_TRUE(framework::ExecuteCommand(*frame, ID_COMPARE_DEVICE));
    Click(ID_PUT_DATA);
    EXPECT_TRUE(StatusText().startsWith(QStringLiteral("Waiting for the device's data being read to finish")))
        << StatusText().toStdString();
    ASSERT_TRUE(WaitUntil([&] { return State() == kStateUpload; }, 20000));
    EXPECT_EQ(boxes.texts.back(), kStoredMessage) << "no question: the backup ran";
    TickToIdle();
    ExpectCommands({"R", "DD", "DA", "DE", "DD", "DA", "DE"});
}

TEST_F(AutomaticBackupsTest, DeliveryModeIsBackedUpAfterTheConfirmation)
{
    TurnOn();
    PlaceBackup(QDateTime::currentDateTime());
    ASSERT_TRUE(Start());
    StartDevice();
    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();
    boxes.answers = {framework::IDCANCEL};
    Click(ID_DELIVERY_MODE);
    EXPECT_FALSE(Backups().IsRunning()) << "cancelled: no backup either";

    Click(ID_DELIVERY_MODE);
    ASSERT_TRUE(Backups().IsRunning());
    ASSERT_TRUE(BackupEnds());
    EXPECT_EQ(State(), kStateDeliveryReset);
    Tick(1);
    EXPECT_TRUE(device->WaitForCommand("DU"));
    ExpectCommands({"R", "DA", "DU"});
}

TEST_F(AutomaticBackupsTest, ABackupThatTimesOutAsksAndNoLeavesTheDeviceAsItWas)
{
    TurnOn();
    PlaceBackup(QDateTime::currentDateTime());
    ASSERT_TRUE(Start());
    sim::Settings noEot = SimDevice::Fast();
    noEot.faults.noEot = true;
    StartDevice(noEot);
    ASSERT_NO_FATAL_FAILURE(Identify());
    fileAnswers.push_back(QString::fromStdString(WriteDataFile("mine.txt", kFileLines)));
    ASSERT_TRUE(framework::ExecuteCommand(*frame, ID_FILE_OPEN));
    TickToIdle();
    // The first empty read after the data is the silence that ends the receive.
    CKorvaDoc::s_nIdleCountdown = 0;
    const auto before = Look();
    const size_t boxesBefore = boxes.texts.size();

    boxes.answers = {framework::IDNO};
    Click(ID_PUT_DATA);
    ASSERT_TRUE(BackupEnds());
    ASSERT_EQ(boxes.texts.size(), boxesBefore + 1);
    const framework::MessageBoxRequest& ask = boxes.boxes.back();
    EXPECT_TRUE(ask.text.startsWith(QStringLiteral("The backup of the device's data before PUT DATA failed: time-out while the device")))
        << ask.text.toStdString();
    EXPECT_EQ(ask.type & 0xF, framework::MB_YESNO);
    EXPECT_TRUE(ask.type & framework::MB_DEFBUTTON2) << "No is the default";
    Tick(50);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_TRUE(device->LogStaysAt(device->engine().log().size()));
    ExpectCommands({"R", "DA"});
    EXPECT_EQ(Look(), before);
    EXPECT_TRUE(StatusText().contains(QStringLiteral("cancelled"))) << StatusText().toStdString();

    // Yes goes on without the backup; the lines that came are in the history all the same.
    boxes.answers = {framework::IDYES};
    Click(ID_PUT_DATA);
    ASSERT_TRUE(BackupEnds());
    EXPECT_EQ(State(), kStateUpload);
    TickToIdle();
    ExpectCommands({"R", "DA", "DA", "DE"});
    EXPECT_EQ(Captures().size(), 3u);
}

TEST_F(AutomaticBackupsTest, TheDeviceFoundWithoutABackupOfTheLastDayIsBackedUpUnaskedAndACommandWaitsForIt)
{
    TurnOn();
    PlaceBackup(QDateTime::currentDateTime().addDays(-2));
    ASSERT_TRUE(Start());
    // Paced, so that the backup takes a while.
    sim::Settings paced = SimDevice::Fast();
    paced.charsPerSecond = 1000000;
    StartDevice(paced);
    ASSERT_NO_FATAL_FAILURE(Identify());
    const auto before = Look();
    ASSERT_TRUE(WaitUntil([&] { return Backups().IsRunning(); }));
    EXPECT_EQ(Look(), before);
    Click(ID_ACTUAL_INSTRUMENT);
    Tick(20);
    EXPECT_EQ(State(), kStateRequestInstrument);
    EXPECT_TRUE(WaitUntil([&] { return StatusText().startsWith(QStringLiteral("Waiting for the automatic backup to finish")); }))
        << StatusText().toStdString();
    ASSERT_TRUE(BackupEnds());
    EXPECT_TRUE(boxes.texts.empty());
    EXPECT_TRUE(StatusText().startsWith(QStringLiteral("Daily backup of the device in the capture history: ")))
        << StatusText().toStdString();
    EXPECT_EQ(Captures().size(), 2u);
    TickToIdle();
    EXPECT_EQ(boxes.texts.back(), kCapturedMessage);
    ExpectCommands({"R", "DA", "DS"});

    // The second start of the day: the backup just made is a day's.
    theApp.ExitInstance();
    CKorvaView::ResetProgramWide();
    ASSERT_TRUE(Start());
    ASSERT_NO_FATAL_FAILURE(Identify());
    QCoreApplication::processEvents();
    EXPECT_FALSE(Backups().IsRunning());
    ExpectCommands({"R", "DA", "DS", "R"});
}

// The device file beside the port choice: typed, chosen from the list or found by unplugging and
// plugging the adapter, kept per port in the settings and handed to the port library.
#include "Einstell1.h"
#include "MessageRecorder.h"
#include "PortDevices.h"
#include "TempDir.h"
#include "resource.h"
#include "v24.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDialog>
#include <QSettings>
#include <deque>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

const SerialDeviceInfo kFtdi = {"ttyUSB0", "/dev/ttyUSB0", "FT232R USB UART", "FTDI", "A50285BI",
                                "/dev/serial/by-id/usb-FTDI_FT232R_USB_UART_A50285BI-if00-port0"};
const SerialDeviceInfo kAcm = {"ttyACM0", "/dev/ttyACM0", "USB Serial", "", "", ""};
const SerialDeviceInfo kBuiltIn = {"ttyS0", "/dev/ttyS0", "", "", "", ""};

class DeviceFieldTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, QString::fromStdString(dir.file("config")));
        unsetenv("V24_COM1");
    }
    void TearDown() override
    {
        for (const char* port : {"COM1", "COM2"})
            PortSetDeviceFile(port, nullptr);
    }
    // A dialog whose device list is each of lists in turn, the last one for good.
    std::unique_ptr<CEinstell1> Dialog(std::deque<SerialDeviceList> lists = {{kFtdi, kBuiltIn}})
    {
        auto dlg = std::make_unique<CEinstell1>();
        dlg->m_fnListDevices = [lists]() mutable {
            const SerialDeviceList list = lists.front();
            if (lists.size() > 1)
                lists.pop_front();
            return list;
        };
        EXPECT_TRUE(dlg->Create());
        return dlg;
    }
    static QComboBox* Field(CEinstell1& dlg) { return qobject_cast<QComboBox*>(dlg.GetDlgItem(IDC_DEVICE_FILE)); }
    static std::string OpenedFile(const char* port)
    {
        char file[PORT_FILE_MAX];
        return PortDeviceFile(port, file, sizeof file) > 0 ? file : "(none)";
    }

    TempWorkDir dir;
    MessageRecorder boxes;
};

TEST_F(DeviceFieldTest, TypedPathIsKeptExactlyOnOkAndCancelChangesNothing)
{
    struct Row { QString typed; bool ok; std::optional<QString> kept; std::string opened; };
    const std::vector<Row> rows = {{"/dev/pts/9", true, "/dev/pts/9", "/dev/pts/9"},
                                   {" /dev/my-udev-name ", true, " /dev/my-udev-name ", " /dev/my-udev-name "},
                                   {"/tmp", true, "/tmp", "/tmp"},
                                   {"", true, "", "(none)"},
                                   {"/dev/pts/9", false, std::nullopt, "/dev/ttyS0"}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.typed.toStdString());
        StoreDeviceFile(0, std::nullopt);
        auto dlg = Dialog();
        const int32_t revision = dlg->m_nDeviceRevision;
        Field(*dlg)->setEditText(row.typed);
        row.ok ? dlg->OnOK() : dlg->OnCancel();
        EXPECT_EQ(StoredDeviceFile(0), row.kept);
        EXPECT_EQ(OpenedFile("COM1"), row.opened);
        EXPECT_EQ(dlg->m_nDeviceRevision, revision + (row.ok ? 1 : 0));
        EXPECT_EQ(Field(*Dialog())->currentText(), row.ok ? row.typed : QStringLiteral("Serial port (ttyS0)"));
    }
    EXPECT_TRUE(boxes.texts.empty());
}

TEST_F(DeviceFieldTest, ListedDeviceIsKeptByItsByIdLinkAndAStoredOneStaysWhileUnplugged)
{
    auto dlg = Dialog({{kFtdi, kAcm}});
    QComboBox* field = Field(*dlg);
    ASSERT_EQ(field->count(), 3);  // the two devices and COM1's default file, which is not there
    EXPECT_EQ(field->itemText(0), QStringLiteral("FT232R USB UART (ttyUSB0)"));
    EXPECT_TRUE(field->itemData(0, Qt::ToolTipRole).toString().contains(QStringLiteral("FTDI\nSerial number: A50285BI")));
    field->setCurrentIndex(0);
    dlg->OnOK();
    EXPECT_EQ(StoredDeviceFile(0), kFtdi.byIdPath);

    dlg = Dialog({{kAcm}});  // the FTDI adapter unplugged
    EXPECT_EQ(Field(*dlg)->currentText(), kFtdi.byIdPath);
    qobject_cast<QComboBox*>(dlg->GetDlgItem(IDC_COMBO1))->setCurrentIndex(1);  // COM2 shows its own
    EXPECT_EQ(Field(*dlg)->currentText(), QStringLiteral("/dev/ttyS1"));
    Field(*dlg)->setCurrentIndex(0);
    dlg->OnOK();
    EXPECT_EQ(StoredDeviceFile(1), QStringLiteral("/dev/ttyACM0"));  // no by-id link
}

TEST_F(DeviceFieldTest, FinderSelectsTheDeviceThatAppearedOrSaysNothingDid)
{
    struct Row {
        const char* name;
        std::deque<SerialDeviceList> lists;  // at opening, unplugged, plugged in
        std::deque<int> answers;
        QString shown;
        size_t boxes;
        std::optional<QString> kept;  // by OK
    };
    const std::vector<Row> rows = {
        {"appeared", {{kFtdi, kBuiltIn}, {kBuiltIn}, {kFtdi, kBuiltIn}}, {}, "FT232R USB UART (ttyUSB0)", 2, kFtdi.byIdPath},
        {"nothing new", {{kFtdi, kBuiltIn}}, {}, "Serial port (ttyS0)", 3, std::nullopt},
        {"cancelled", {{kBuiltIn}, {kBuiltIn}, {kAcm, kBuiltIn}}, {framework::IDCANCEL}, "Serial port (ttyS0)", 1, std::nullopt},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        StoreDeviceFile(0, std::nullopt);
        MessageRecorder recorder;
        recorder.answers = row.answers;
        auto dlg = Dialog(row.lists);
        QWidget main;
        main.show();
        framework::SetMessageBoxOwner(&main);
        dlg->GetWindow()->show();
        qobject_cast<QAbstractButton*>(dlg->GetDlgItem(IDC_FIND_ADAPTER))->click();
        EXPECT_EQ(Field(*dlg)->currentText(), row.shown);
        EXPECT_EQ(recorder.texts.size(), row.boxes);
        // Over the dialog that asks, not over the main window behind it.
        for (const framework::MessageBoxRequest& box : recorder.boxes)
            EXPECT_EQ(box.owner, dlg->GetWindow()) << box.text.toStdString();
        framework::SetMessageBoxOwner(nullptr);
        dlg->OnOK();
        EXPECT_EQ(StoredDeviceFile(0), row.kept);
    }
}

TEST_F(DeviceFieldTest, SettingThatIsNoPathIsNoDeviceFile)
{
    const std::string file = QSettings().fileName().toStdString();
    std::filesystem::create_directories(std::filesystem::path(file).parent_path());
    WriteWholeFile(file, "[Ports]\nCOM1=a, b\nCOM2=" + std::string(PORT_FILE_MAX, 'x')
                             + "\nCOM3=@ByteArray(x)\nCOM4=/dev/tty\\x1\nCOM5=\n");
    const CEinstell1 settings;
    for (int32_t i = 0; i < 4; ++i)
        EXPECT_EQ(StoredDeviceFile(i), std::nullopt) << i;
    EXPECT_EQ(StoredDeviceFile(4), QString());  // an empty choice is a choice
    EXPECT_EQ(OpenedFile("COM2"), "/dev/ttyS1");
    PortSetDeviceFile("COM5", nullptr);
}

TEST(SerialDevicesTest, AdaptersComeFirstEachWithTheByIdLinkThatLeadsToIt)
{
    TempWorkDir dir;
    std::filesystem::create_directory(dir.file("by-id"));
    WriteWholeFile(dir.file("ttyUSB2"), "");
    std::filesystem::create_symlink(dir.file("ttyUSB2"), dir.file("by-id/usb-Prolific_PL2303-if00-port0"));
    SerialDeviceList devices;
    for (const char* name : {"ttyS0", "ttyUSB10", "rfcomm0", "ttyUSB2", "ttyACM1"})
        devices.push_back({name, QString::fromStdString(dir.file(name)), "", "", "", ""});
    AttachByIdLinks(devices, QString::fromStdString(dir.file("by-id")));
    SortAdaptersFirst(devices);
    QStringList order;
    for (const SerialDeviceInfo& device : devices)
        order << device.ChoicePath().section('/', -1);
    EXPECT_EQ(order.join(' '), "ttyACM1 usb-Prolific_PL2303-if00-port0 ttyUSB10 rfcomm0 ttyS0");
}

}  // namespace

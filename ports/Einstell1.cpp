#include "Einstell1.h"

#include "MessageBox.h"
#include "PortDevices.h"
#include "PortFile.h"
#include "PortNames.h"
#include "resource.h"

#include <QComboBox>
#include <QDialog>
#include <QLabel>
#include <QPushButton>
#include <QEventLoop>
#include <QTimer>

namespace {

constexpr const char* kNoSuchPortText = "Choose one of the ports COM1 to COM16.";

constexpr const char* kBadDeviceText = "This text cannot name a device file.";
constexpr const char* kNotConnectedTip = "Not connected at the moment";
constexpr const char* kEnvironmentNote = "%1=%2 in the environment takes the place of this choice.";
constexpr const char* kUnplugText = "Unplug the adapter from the computer, then press OK.";
constexpr const char* kPlugInText = "Now plug the adapter in again, wait a moment, then press OK.";
constexpr const char* kNothingAppearedText =
    "No new serial device appeared. Check the adapter's cable, or choose the device from the list.";
// A device node and its by-id link take a moment after the plug goes in: the finder looks
// again a few times before it gives up.
constexpr int kFinderLooks = 8;
constexpr int kFinderLookMs = 250;

framework::DialogTemplate MakeInterfaceTemplate()
{
    QStringList ports;
    for (int32_t i = 0; i < kPortCount; ++i)
        ports << QString::fromLatin1(PortNameForIndex(i));
    using framework::DialogControl;
    // The order is the tab order: the port, its device file, the finder, OK, Cancel.
    return {QStringLiteral("Dialog"), 325, 64, QStringLiteral("MS Sans Serif"), 8,
            {
                {DialogControl::comboBox, IDC_COMBO1, 7, 14, 50, 158, QString(), ports},
                {DialogControl::comboBox, IDC_DEVICE_FILE, 62, 14, 180, 158, QString(), {}},
                {DialogControl::pushButton, IDC_FIND_ADAPTER, 246, 13, 72, 14, QString::fromUtf8("Find my adapter\u2026"), {}},
                {DialogControl::defPushButton, 1, 206, 44, 58, 14, QStringLiteral("OK"), {}},
                {DialogControl::pushButton, 2, 268, 44, 50, 14, QStringLiteral("Cancel"), {}},
                {DialogControl::staticText, -1, 7, 4, 50, 8, QStringLiteral("&Port"), {}, IDC_COMBO1},
                {DialogControl::staticText, -1, 62, 4, 180, 8, QStringLiteral("&Device file"), {}, IDC_DEVICE_FILE},
                {DialogControl::staticText, IDC_DEVICE_NOTE, 7, 31, 311, 8, QString(), {}},
            }};
}

QString DeviceTip(const SerialDeviceInfo& device)
{
    QStringList lines;
    if (!device.manufacturer.isEmpty())
        lines << QStringLiteral("Manufacturer: %1").arg(device.manufacturer);
    if (!device.serialNumber.isEmpty())
        lines << QStringLiteral("Serial number: %1").arg(device.serialNumber);
    lines << device.location;
    if (!device.byIdPath.isEmpty())
        lines << device.byIdPath;
    return lines.join(QLatin1Char('\n'));
}

const framework::DialogTemplate& InterfaceTemplate()
{
    static const framework::DialogTemplate dialogTemplate = MakeInterfaceTemplate();
    return dialogTemplate;
}

}  // namespace

CEinstell1::CEinstell1(QWidget* parent) : framework::CDialog(InterfaceTemplate(), parent)
{
    ReadPortFile();
    HandStoredDeviceFilesOver();
}

CEinstell1::~CEinstell1() = default;

void CEinstell1::ReadPortFile()
{
    m_nPortIndex = ::ReadPortFile().value_or(0);
    m_strPort = QString::fromLatin1(PortNameForIndex(m_nPortIndex));
}

void CEinstell1::ChoosePort(int32_t index)
{
    m_nPortIndex = index;
    m_strPort = QString::fromLatin1(PortNameForIndex(index));
    WritePortFile();
}

void CEinstell1::WritePortFile() const
{
    // A file that cannot be written is not reported: the choice holds until the program ends.
    ::WritePortFile(m_nPortIndex);
}

void CEinstell1::ChooseDevice(int32_t index, const std::optional<QString>& path)
{
    m_nUndoIndex = index;
    m_strUndoDevice = StoredDeviceFile(index);
    StoreDeviceFile(index, path);
    ++m_nDeviceRevision;
}

void CEinstell1::UndoDeviceChoice()
{
    if (m_nUndoIndex < 0)
        return;
    StoreDeviceFile(m_nUndoIndex, m_strUndoDevice);
    m_nUndoIndex = -1;
    ++m_nDeviceRevision;
}

bool CEinstell1::OnInitDialog()
{
    // The list is read afresh each time the dialog opens: adapters come and go.
    m_devices = m_fnListDevices();
    const bool result = framework::CDialog::OnInitDialog();
    OnPortTextChanged();
    if (auto* port = qobject_cast<QComboBox*>(GetDlgItem(IDC_COMBO1)))
        QObject::connect(port, &QComboBox::currentTextChanged, GetWindow(), [this] { OnPortTextChanged(); });
    if (auto* finder = qobject_cast<QPushButton*>(GetDlgItem(IDC_FIND_ADAPTER)))
        QObject::connect(finder, &QPushButton::clicked, GetWindow(), [this] { OnFindAdapter(); });
    return result;
}

QComboBox* CEinstell1::DeviceField() const
{
    return qobject_cast<QComboBox*>(GetDlgItem(IDC_DEVICE_FILE));
}

// The port the dialog shows; while its text is no port name, the port chosen before.
int32_t CEinstell1::ShownPort() const
{
    const auto* port = qobject_cast<QComboBox*>(GetDlgItem(IDC_COMBO1));
    const int32_t index = port ? PortIndexForName(port->currentText()) : -1;
    return index >= 0 ? index : m_nPortIndex;
}

void CEinstell1::OnPortTextChanged()
{
    ShowDeviceOf(ShownPort());
    m_strShownDevice = DeviceField()->currentText();
}

void CEinstell1::ShowDeviceOf(int32_t index)
{
    QComboBox* field = DeviceField();
    if (!field)
        return;
    field->clear();
    for (const SerialDeviceInfo& device : m_devices) {
        field->addItem(device.Label(), device.ChoicePath());
        field->setItemData(field->count() - 1, DeviceTip(device), Qt::ToolTipRole);
    }
    // The file kept for the port; without one the file it opens, unless only the environment
    // names one.
    const OpenedDeviceFile opened = DeviceFileOfPort(index);
    const bool overridden = opened.source == DeviceFileSource::environment;
    SelectDevice(StoredDeviceFile(index).value_or(overridden ? QString() : opened.file),
                 QString::fromLatin1(kNotConnectedTip));
    if (auto* note = qobject_cast<QLabel*>(GetDlgItem(IDC_DEVICE_NOTE))) {
        note->setText(overridden
                          ? QString::fromLatin1(kEnvironmentNote)
                                .arg(PortVariableName(index), opened.file)
                          : QString());
    }
}

// A device file that is not in the list (unplugged, typed by hand) stays in it as its path.
void CEinstell1::SelectDevice(const QString& path, const QString& notConnectedTip)
{
    QComboBox* field = DeviceField();
    for (size_t i = 0; i < m_devices.size(); ++i) {
        if (m_devices[i].IsReachedBy(path)) {
            field->setCurrentIndex(static_cast<int>(i));
            return;
        }
    }
    if (path.isEmpty()) {
        field->setCurrentIndex(-1);
        field->setEditText(QString());
        return;
    }
    field->addItem(path, path);
    field->setItemData(field->count() - 1, notConnectedTip, Qt::ToolTipRole);
    field->setCurrentIndex(field->count() - 1);
}

QString CEinstell1::DeviceFieldPath() const
{
    const QComboBox* field = DeviceField();
    const QString text = field->currentText();
    const int listed = field->findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive);
    return listed >= 0 ? field->itemData(listed).toString() : text;
}

// The finder's boxes stand over the dialog that asks, where the user looks, not over the main
// window behind it.
void CEinstell1::OnFindAdapter()
{
    using framework::AfxMessageBox;
    const framework::CMessageBoxOwnerScope asking(GetWindow());
    if (AfxMessageBox(QString::fromLatin1(kUnplugText), framework::MB_OKCANCEL) != framework::IDOK)
        return;
    const SerialDeviceList before = m_fnListDevices();
    if (AfxMessageBox(QString::fromLatin1(kPlugInText), framework::MB_OKCANCEL) != framework::IDOK)
        return;
    SerialDeviceList after = m_fnListDevices();
    SerialDeviceList appeared = DevicesThatAppeared(before, after);
    for (int look = 1; appeared.empty() && look < kFinderLooks; ++look) {
        // The window goes on answering while the system makes the new device's file.
        QEventLoop wait;
        QTimer::singleShot(kFinderLookMs, &wait, &QEventLoop::quit);
        wait.exec();
        after = m_fnListDevices();
        appeared = DevicesThatAppeared(before, after);
    }
    if (appeared.empty()) {
        AfxMessageBox(QString::fromLatin1(kNothingAppearedText), framework::MB_ICONEXCLAMATION);
        return;
    }
    // The list as it is now; what OK compares with stays the port's own device.
    m_devices = after;
    ShowDeviceOf(ShownPort());
    SelectDevice(appeared.front().ChoicePath(), QString());
}

void CEinstell1::DoDataExchange(framework::CDataExchange* pDX)
{
    framework::CDialog::DoDataExchange(pDX);
    // The text is taken over only once it has passed the length check, so that Cancel after
    // a refused OK leaves the settings as they were.
    QString text = m_strPort;
    framework::DDX_CBString(pDX, IDC_COMBO1, text);
    if (!framework::DDV_MaxChars(pDX, text, kMaxPortChars))
        return;
    if (!pDX->m_bSaveAndValidate)
        return;
    // What the user sees in the field is what is used: a name that is no port is refused.
    const int32_t index = PortIndexForName(text);
    if (index < 0) {
        framework::AfxMessageBox(QString::fromLatin1(kNoSuchPortText), framework::MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    // A device file typed by hand is kept exactly as typed; only what no path can be is refused.
    const bool deviceChanged = DeviceField()->currentText() != m_strShownDevice;
    const QString device = deviceChanged ? DeviceFieldPath() : QString();
    if (deviceChanged && !IsUsableDevicePath(device)) {
        framework::AfxMessageBox(QString::fromLatin1(kBadDeviceText), framework::MB_ICONEXCLAMATION);
        pDX->Fail();
        return;
    }
    m_strPort = text;
    m_nPortIndex = index;
    WritePortFile();
    if (deviceChanged)
        ChooseDevice(index, device);
}

#pragma once
// The interface settings: which serial port the device hangs on, kept in memory as a port
// index and on disc in the one-line port file "VEQ.INI" of the current working directory, and
// the device file behind each port, kept in the program's settings (PortDevices).
#include "Dialog.h"
#include "SerialDevices.h"

#include <QString>
#include <cstdint>
#include <optional>

class QComboBox;

class CEinstell1 : public framework::CDialog {
public:
    static constexpr int kMaxPortChars = 5;

    // Reads the port file (PortFile.h): a file that names no port means COM1. Hands the
    // device files of the settings to the port library.
    explicit CEinstell1(QWidget* parent = nullptr);
    ~CEinstell1() override;

    // Makes port index 0 to 15 the choice again, as if it had been confirmed in the dialog.
    void ChoosePort(int32_t index);
    // Keeps path as the device file of port index (nothing: the port's default), as OK does.
    void ChooseDevice(int32_t index, const std::optional<QString>& path);
    // Puts back the device file that the last ChooseDevice replaced.
    void UndoDeviceChoice();

    int32_t m_nPortIndex = 0;
    QString m_strPort;
    // Goes up with every device file kept, so that the controller opens the port afresh when
    // the file behind the same port has changed.
    int32_t m_nDeviceRevision = 0;
    // What the device list shows: the system's serial devices unless a test gives others.
    SerialDeviceLister m_fnListDevices = ListSerialDevices;

protected:
    bool OnInitDialog() override;
    void DoDataExchange(framework::CDataExchange* pDX) override;

private:
    void ReadPortFile();
    void WritePortFile() const;

    QComboBox* DeviceField() const;
    int32_t ShownPort() const;
    // Fills the device field from m_devices and shows the device file kept for the port.
    void ShowDeviceOf(int32_t index);
    void SelectDevice(const QString& path, const QString& notConnectedTip);
    // The path the device field stands for: a listed device's choice path, or the text as typed.
    QString DeviceFieldPath() const;
    void OnPortTextChanged();
    void OnFindAdapter();

    SerialDeviceList m_devices;
    // The field's text when it last showed a port's device: OK keeps the field only when changed.
    QString m_strShownDevice;
    int32_t m_nUndoIndex = -1;
    std::optional<QString> m_strUndoDevice;
};

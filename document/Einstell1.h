#pragma once
// The interface settings: which serial port the device hangs on, kept in memory as a port
// index and on disc in the one-line port file "VEQ.INI" of the current working directory.
#include "Dialog.h"

#include <QString>
#include <cstdint>

class CEinstell1 : public framework::CDialog {
public:
    static constexpr const char* kPortFileName = "VEQ.INI";
    static constexpr int kMaxPortChars = 5;

    // Reads the port file; a file that cannot be opened for reading and writing means COM1.
    explicit CEinstell1(QWidget* parent = nullptr);
    ~CEinstell1() override;

    // Makes port index 0 to 15 the choice again, as if it had been confirmed in the dialog.
    void ChoosePort(int32_t index);

    int32_t m_nPortIndex = 0;
    QString m_strPort;

protected:
    void DoDataExchange(framework::CDataExchange* pDX) override;

private:
    void ReadPortFile();
    void WritePortFile() const;
};

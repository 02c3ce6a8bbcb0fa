#pragma once
// The device simulator as a child process on a new pseudo-terminal, so that the program can be
// tried without a device: the configured port's name is pointed at the terminal.
#include <QProcess>
#include <QString>

class CSimulatedDevice {
public:
    CSimulatedDevice() = default;
    ~CSimulatedDevice();
    CSimulatedDevice(const CSimulatedDevice&) = delete;
    CSimulatedDevice& operator=(const CSimulatedDevice&) = delete;

    // Starts the simulator and points port portIndex (0 = COM1) at it; false with error set.
    bool Start(int portIndex, QString* error);
    QString TerminalPath() const { return m_strTerminal; }

    // The simulator program: beside this program, in the build tree's sim folder, or on PATH.
    static QString FindSimulator();

private:
    QProcess m_process;
    QString m_strTerminal;
};

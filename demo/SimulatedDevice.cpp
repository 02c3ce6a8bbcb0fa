#include "SimulatedDevice.h"

#include "PortNames.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

#include <sys/prctl.h>

#include <csignal>

namespace {
constexpr int kStartTimeoutMs = 5000;
constexpr int kStopTimeoutMs = 2000;
}

CSimulatedDevice::~CSimulatedDevice()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.terminate();
    if (!m_process.waitForFinished(kStopTimeoutMs))
        m_process.kill();
}

QString CSimulatedDevice::FindSimulator()
{
    const QString dir = QCoreApplication::applicationDirPath();
    for (const QString& candidate : {dir + QStringLiteral("/veq-sim"), dir + QStringLiteral("/../sim/veq-sim")}) {
        if (QFileInfo(candidate).isExecutable())
            return QFileInfo(candidate).canonicalFilePath();
    }
    return QStandardPaths::findExecutable(QStringLiteral("veq-sim"));
}

bool CSimulatedDevice::Start(int portIndex, QString* error)
{
    const QString program = FindSimulator();
    if (program.isEmpty()) {
        *error = QStringLiteral("the simulator veq-sim was not found beside korva or on PATH");
        return false;
    }
    m_process.setProgram(program);
    m_process.setArguments({QStringLiteral("--pty")});
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    // The simulator ends with the program, however the program ends.
    m_process.setChildProcessModifier([] { prctl(PR_SET_PDEATHSIG, SIGTERM); });
    m_process.start();
    // The simulator's first line is its terminal's path.
    if (!m_process.waitForStarted(kStartTimeoutMs)) {
        *error = QStringLiteral("%1 did not start: %2").arg(program, m_process.errorString());
        return false;
    }
    while (!m_process.canReadLine() && m_process.waitForReadyRead(kStartTimeoutMs)) {
    }
    m_strTerminal = QString::fromLocal8Bit(m_process.readLine()).trimmed();
    if (m_strTerminal.isEmpty()) {
        *error = QStringLiteral("%1 gave no terminal").arg(program);
        return false;
    }
    qputenv(PortVariableName(portIndex).toLatin1().constData(), m_strTerminal.toLocal8Bit());
    return true;
}

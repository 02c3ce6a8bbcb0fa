#pragma once
// The automatic backups in the window. With the setting on, PUT DATA and delivery mode (once
// confirmed) first read all data from the device into the capture history (CReadBack), and go
// on only when that read ended complete, or when the user says to go on without a backup
// (No is the default: the command is cancelled and the device left as it was). Once a day,
// when the search finds the device, the same read runs unasked; a command given meanwhile waits
// for it. The status bar tells what is done; a backup shows no box when it succeeds, and
// working storage, its title, its unsaved state and the enabled commands stay as they are.
#include <QObject>
#include <QString>

#include <functional>
#include <memory>

class CKorvaDoc;
class CKorvaView;
class CReadBack;
namespace framework { class CFrameWnd; }

class CAutomaticBackups {
public:
    CAutomaticBackups(CKorvaDoc& doc, CKorvaView& view, framework::CFrameWnd& frame);
    ~CAutomaticBackups();
    CAutomaticBackups(const CAutomaticBackups&) = delete;
    CAutomaticBackups& operator=(const CAutomaticBackups&) = delete;

    // Adjustment, "Automatic backups": turns the setting on or off.
    void Toggle();
    bool IsOn() const { return m_bOn; }
    // A backup reads the device now.
    bool IsRunning() const;

private:
    bool BeforeErase(unsigned command, std::function<void()> proceed);
    void OnDeviceFound();
    void StartDaily();
    bool StartRead(bool daily);
    void StartOrWait();
    void ShowProgress();
    void OnRead(const CReadBack& read);
    void OnDailyRead(const CReadBack& read);
    // The command that waited for the backup goes on, or is cancelled; a read that could not
    // be started counts as a failed backup.
    void Resume(const CReadBack& read);
    void GoOn();
    QString CommandName() const;

    CKorvaDoc& m_doc;
    CKorvaView& m_view;
    framework::CFrameWnd& m_frame;
    bool m_bOn;
    bool m_bDaily = false;
    std::unique_ptr<CReadBack> m_pRead;
    // The command that waits for the backup, and what it does once it may go on.
    unsigned m_nWaitingCommand = 0;
    std::function<void()> m_fnProceed;
    // Work left to the event loop is not done once the backups are gone.
    QObject m_context;
};

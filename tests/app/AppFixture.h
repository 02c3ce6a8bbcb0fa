#pragma once
// The program as a user starts it: the application object's start-up with the real main window,
// in a fresh working folder (no VEQ.INI: port COM1), with the settings in a folder of the test's
// own, every message box and file dialog answered and recorded, and the debug trace kept. Once
// the window stands the view's timer is stopped, so that tests drive the state machine tick by
// tick; the idle update that the event loop runs is called by hand where a test needs it.
#include "DataText.h"
#include "DocumentData.h"
#include "FileDialog.h"
#include "Korva.h"
#include "KorvaDoc.h"
#include "KorvaView.h"
#include "MainFrm.h"
#include "MessageRecorder.h"
#include "SimDevice.h"
#include "TempDir.h"
#include "TestTexts.h"
#include "TickDriver.h"
#include "TransferCommands.h"
#include "WaitUntil.h"
#include "resource.h"

#include <gtest/gtest.h>

#include <QSettings>
#include <QString>
#include <QStringList>

#include <deque>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

class QAction;
class QToolButton;

// What a user does that replaces the data or ends the program, and so asks first: whether to
// save data nobody has saved, whether to stop an upload under way.
enum class UserAction { closeWindow, exitFromMenu, openByKey, newFromToolbar, newByKey, downloadFromToolbar, portChange };
const char* NameOf(UserAction action);
void PrintTo(UserAction action, std::ostream* os);

class AppTest : public ::testing::Test, protected TickDriver {
protected:
    void SetUp() override;
    void TearDown() override;
    CKorvaView& TickedView() const override { return *view; }

    // Runs the application's start-up with these arguments; whether it succeeded. On success
    // frame, view and doc point at the window, its view and the one document.
    bool Start(const QStringList& arguments = {});
    // Start, and the window made the active one so that it takes keys.
    void StartActive(const QStringList& arguments = {});
    void StartDevice(const sim::Settings& settings = SimDevice::Fast());

    // Identifies the device, then downloads the adjustment data from its toolbar button and
    // answers the captured-data message: the document holds data nobody has saved.
    void CaptureData();
    // The idle update the event loop runs: buttons, menu items, caption, indicators.
    void Idle();
    // Runs Adjustment/Interface as the user does: types the port into the dialog and presses OK.
    void ChoosePortInDialog(const QString& port);
    // Does it as the user does; Ctrl+O is answered with a data file of its own ("other.txt")
    // before any answer already waiting. The port change chooses COM2.
    void Do(UserAction action);
    // Whether it took place: the window closed, the other file opened, File New or the
    // download begun, the search moved to COM2 with the data gone.
    bool WentOn(UserAction action) const;

    QAction* ToolAction(unsigned id) const;
    QToolButton* Button(unsigned id) const;
    // Clicks the command's toolbar button with the mouse.
    void Click(unsigned id);
    // The transfer commands whose buttons are enabled, in button order.
    std::vector<unsigned> EnabledButtons() const;

    // Writes a data file of these lines (CR LF after each) into the working folder; its path.
    std::string WriteDataFile(const std::string& name, const std::vector<std::string>& lines) const;

    // The settings file the program keeps its recent-file list in.
    std::string SettingsFile() const;
    // The recent-file entries File1 to File4 as the settings file holds them (empty: none).
    QStringList RecentFileEntries() const;

    TempWorkDir dir;
    MessageRecorder boxes;
    // File dialogs are answered from here in order (an empty answer, or none left, cancels).
    std::deque<QString> fileAnswers;
    std::vector<framework::FileDialogRequest> fileRequests;
    std::vector<QString> traces;
    std::unique_ptr<SimDevice> device;
    CMainFrame* frame = nullptr;
    CKorvaView* view = nullptr;
    CKorvaDoc* doc = nullptr;
};

// The lines as a loaded data file leaves them in memory: each closed by CR, and the extra
// empty line the end marker brings.
std::string AsLoadedData(const std::vector<std::string>& lines);

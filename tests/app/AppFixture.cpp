#include "AppFixture.h"

#include "KorvaResources.h"
#include "Resources.h"
#include "Trace.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QSettings>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QToolTip>

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

namespace {
constexpr const char* kPortVariables[] = {"V24_COM1", "V24_COM2"};
}  // namespace

const char* NameOf(UserAction action)
{
    // In the order of the enum.
    static const char* const kNames[] = {"CloseWindow", "ExitFromMenu",        "OpenByKey", "NewFromToolbar",
                                         "NewByKey",    "DownloadFromToolbar", "PortChange"};
    return kNames[static_cast<int>(action)];
}

void PrintTo(UserAction action, std::ostream* os)
{
    *os << NameOf(action);
}

void AppTest::SetUp()
{
    for (const char* variable : kPortVariables)
        unsetenv(variable);
    CKorvaView::ResetProgramWide();
    CKorvaDoc::ResetIdleCountdown();
    const QString config = QString::fromStdString(dir.file("config"));
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, config);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config);
    RegisterKorvaResources();
    // As the program's Run does before InitInstance: the name comes from the string table.
    theApp.m_pszAppName = framework::LoadString(AFX_IDS_APP_TITLE);
    QCoreApplication::setApplicationName(theApp.m_pszAppName);
    framework::SetFileDialogHandler([this](const framework::FileDialogRequest& request) {
        fileRequests.push_back(request);
        if (fileAnswers.empty())
            return QString();
        const QString answer = fileAnswers.front();
        fileAnswers.pop_front();
        return answer;
    });
    framework::SetTraceSink([this](const QString& text) { traces.push_back(text); });
}

void AppTest::TearDown()
{
    // A tooltip fades out on a timer; the next test must not see it.
    QToolTip::hideText();
    WaitUntil([] { return !QToolTip::isVisible(); }, 2000);
    theApp.ExitInstance();
    theApp.m_commandLine.clear();
    theApp.m_afterStart = nullptr;
    frame = nullptr;
    view = nullptr;
    doc = nullptr;
    framework::SetFileDialogHandler({});
    framework::SetTraceSink({});
    device.reset();
    for (const char* variable : kPortVariables)
        unsetenv(variable);
}

bool AppTest::Start(const QStringList& arguments)
{
    theApp.m_commandLine = arguments;
    if (!theApp.InitInstance())
        return false;
    frame = dynamic_cast<CMainFrame*>(theApp.m_pMainWnd);
    view = frame ? dynamic_cast<CKorvaView*>(frame->GetActiveView()) : nullptr;
    doc = theApp.GetDocument();
    if (!frame || !view || !doc) {
        ADD_FAILURE() << "the start-up left no main frame, active view or document";
        return false;
    }
    // The tests give the ticks themselves.
    view->KillTimer(CKorvaView::kTimerId);
    return true;
}

void AppTest::StartActive(const QStringList& arguments)
{
    ASSERT_TRUE(Start(arguments));
    QApplication::setActiveWindow(frame);
    ASSERT_TRUE(QTest::qWaitForWindowActive(frame));
}

void AppTest::StartDevice(const sim::Settings& settings)
{
    device = std::make_unique<SimDevice>(settings);
}

void AppTest::CaptureData()
{
    ASSERT_NO_FATAL_FAILURE(Identify());
    Idle();
    Click(ID_ADJUSTMENT_DATA);
    ASSERT_EQ(State(), kStateRequestAdjustment);
    TickToIdle();
    ASSERT_FALSE(boxes.texts.empty());
    ASSERT_EQ(boxes.texts.back(), kCapturedMessage);
    ASSERT_NE(Data(*doc), "");
}

void AppTest::ChoosePortInDialog(const QString& port)
{
    QTimer::singleShot(0, [this, port] {
        auto* combo = qobject_cast<QComboBox*>(doc->m_dlgInterface.GetDlgItem(IDC_COMBO1));
        ASSERT_NE(combo, nullptr);
        combo->setEditText(port);
        doc->m_dlgInterface.OnOK();
    });
    frame->OnCommand(ID_ADJUSTMENT_INTERFACE);
}

void AppTest::Idle()
{
    frame->OnIdleUpdateCmdUI();
}

void AppTest::Do(UserAction action)
{
    switch (action) {
    case UserAction::closeWindow: frame->close(); break;
    case UserAction::exitFromMenu: frame->MenuAction(ID_APP_EXIT)->trigger(); break;
    case UserAction::openByKey:
        fileAnswers.push_front(QString::fromStdString(WriteDataFile("other.txt", kFileLines)));
        QTest::keyClick(frame, Qt::Key_O, Qt::ControlModifier);
        break;
    case UserAction::newFromToolbar: Click(ID_FILE_NEW); break;
    case UserAction::newByKey: QTest::keyClick(frame, Qt::Key_N, Qt::ControlModifier); break;
    case UserAction::downloadFromToolbar: Click(ID_ALL_DATA); break;
    case UserAction::portChange: ChoosePortInDialog(QStringLiteral("COM2")); break;
    }
}

bool AppTest::WentOn(UserAction action) const
{
    switch (action) {
    case UserAction::closeWindow:
    case UserAction::exitFromMenu: return !frame->isVisible();
    case UserAction::openByKey:
        return doc->GetPathName() == QString::fromStdString(dir.file("other.txt")) && State() == kStateCaptured;
    case UserAction::newFromToolbar:
    case UserAction::newByKey: return State() == kStateNewDocument;
    case UserAction::downloadFromToolbar: return State() == kStateRequestAllData;
    // The search on the new port reads into working storage: the data go.
    case UserAction::portChange: return doc->m_dlgInterface.m_nPortIndex == 1 && Data(*doc).empty();
    }
    return false;
}

QAction* AppTest::ToolAction(unsigned id) const
{
    return frame->m_wndToolBar.ActionFor(id);
}

QToolButton* AppTest::Button(unsigned id) const
{
    QAction* action = ToolAction(id);
    return action ? qobject_cast<QToolButton*>(frame->m_wndToolBar.GetToolBarCtrl()->widgetForAction(action))
                  : nullptr;
}

void AppTest::Click(unsigned id)
{
    QToolButton* button = Button(id);
    if (!button) {
        ADD_FAILURE() << "no toolbar button for command " << id;
        return;
    }
    QTest::mouseClick(button, Qt::LeftButton);
}

std::vector<unsigned> AppTest::EnabledButtons() const
{
    std::vector<unsigned> enabled;
    for (unsigned id : kTransferCommands) {
        const QToolButton* button = Button(id);
        if (button && button->isEnabled())
            enabled.push_back(id);
    }
    return enabled;
}

std::string AppTest::WriteDataFile(const std::string& name, const std::vector<std::string>& lines) const
{
    const std::string path = dir.file(name);
    WriteWholeFile(path, AsFileText(lines));
    return path;
}

std::string AppTest::SettingsFile() const
{
    return dir.file("config/Local AppWizard-Generated Applications/VEQ_32_C.conf");
}

QStringList AppTest::RecentFileEntries() const
{
    QSettings settings(QString::fromStdString(SettingsFile()), QSettings::IniFormat);
    settings.beginGroup(QStringLiteral("Recent File List"));
    QStringList entries;
    // Looks past the fourth entry, so that a fifth would show.
    for (int i = 1; i <= 16; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (settings.contains(key))
            entries << settings.value(key).toString();
    }
    return entries;
}

std::string AsLoadedData(const std::vector<std::string>& lines)
{
    return AsBufferLines(lines) + "\r";
}

#include "WinApp.h"

#include "DocTemplate.h"
#include "Document.h"
#include "FileDialog.h"
#include "FrameWnd.h"
#include "MessageBox.h"
#include "Resources.h"
#include "SafeWrite.h"
#include "AfxRes.h"

#include <QApplication>
#include <QFileInfo>
#include <QSocketNotifier>
#include <QPageSetupDialog>
#include <QPrinter>
#include <QSettings>

#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace framework {
namespace {

CWinApp* g_pApp = nullptr;

constexpr const char* kRecentSection = "Recent File List";
constexpr const char* kRecentEntry = "File%1";
constexpr const char* kSettingsSection = "Settings";
constexpr const char* kPreviewPagesEntry = "PreviewPages";

// SIGTERM, SIGINT and SIGHUP reach the program through the event loop, so that the window, the
// document (and its port) and the settings are given back in order. The handler only writes
// to a pipe; the event loop reads it.
int g_signalPipe[2] = {-1, -1};

void OnStopSignalCaught(int)
{
    const char byte = 1;
    [[maybe_unused]] const ssize_t written = ::write(g_signalPipe[1], &byte, 1);
}

}  // namespace

void WatchStopSignals(std::function<void()> onStop)
{
    if (g_signalPipe[0] >= 0 || ::pipe2(g_signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto* notifier = new QSocketNotifier(g_signalPipe[0], QSocketNotifier::Read, qApp);
    QObject::connect(notifier, &QSocketNotifier::activated, qApp, [onStop = std::move(onStop)] {
        char byte;
        while (::read(g_signalPipe[0], &byte, 1) > 0) {
        }
        onStop();
    });
    struct sigaction action = {};
    action.sa_handler = OnStopSignalCaught;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    // A hang-up is the terminal closing or an ssh session dropping: the program decides when
    // it ends, as for the other two.
    for (const int signal : {SIGTERM, SIGINT, SIGHUP})
        sigaction(signal, &action, nullptr);
    // A hang-up often takes the reader of stdout or stderr with it (a pager, tee): a write
    // there must fail, not end the program halfway through what it does.
    std::signal(SIGPIPE, SIG_IGN);
}

void CCommandLineInfo::ParseParam(const QString& param, bool isFlag, bool)
{
    if (isFlag || !m_strFileName.isEmpty())
        return;
    m_strFileName = param;
    m_nShellCommand = FileOpen;
}

CWinApp::CWinApp(const char* appName)
{
    g_pApp = this;
    if (appName)
        m_pszAppName = QString::fromLatin1(appName);
    OnCommand(ID_FILE_NEW, [this] { OnFileNew(); });
    OnCommand(ID_FILE_OPEN, [this] { OnFileOpen(); });
    OnCommand(ID_FILE_PRINT_SETUP, [this] { OnFilePrintSetup(); });
    OnCommand(ID_APP_EXIT, [this] { OnAppExit(); });
}

CWinApp::~CWinApp()
{
    if (g_pApp == this)
        g_pApp = nullptr;
}

CWinApp* AfxGetApp()
{
    return g_pApp;
}

CFrameWnd* AfxGetMainWnd()
{
    return g_pApp ? g_pApp->m_pMainWnd : nullptr;
}

int CWinApp::Run()
{
    if (m_pszAppName.isEmpty())
        m_pszAppName = LoadString(AFX_IDS_APP_TITLE);
    if (!m_pszAppName.isEmpty())
        QCoreApplication::setApplicationName(m_pszAppName);
    m_commandLine = QCoreApplication::arguments().mid(1);
    if (!InitInstance()) {
        ExitInstance();
        return 1;
    }
    // Until the loop runs nothing would read the pipe: a signal during start-up ends the
    // program as it always does.
    WatchStopSignals([this] { OnStopSignal(); });
    const int code = QApplication::exec();
    const int exitCode = ExitInstance();
    return exitCode != 0 ? exitCode : code;
}

bool CWinApp::InitInstance()
{
    return true;
}

int CWinApp::ExitInstance()
{
    if (m_nMaxMRU > 0)
        SaveStdProfileSettings();
    return 0;
}

void CWinApp::LoadStdProfileSettings(unsigned maxMRU)
{
    m_nMaxMRU = maxMRU;
    QSettings settings;
    m_recentFiles.clear();
    settings.beginGroup(QLatin1String(kRecentSection));
    for (unsigned i = 1; i <= maxMRU; ++i) {
        const QString path = settings.value(QString::fromLatin1(kRecentEntry).arg(i)).toString();
        if (!path.isEmpty())
            m_recentFiles << path;
    }
    settings.endGroup();
    m_nNumPreviewPages = settings.value(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection),
                                                                    QLatin1String(kPreviewPagesEntry)), 0)
                             .toInt();
}

void CWinApp::SaveStdProfileSettings()
{
    QSettings settings;
    settings.beginGroup(QLatin1String(kRecentSection));
    for (unsigned i = 1; i <= m_nMaxMRU; ++i) {
        const QString key = QString::fromLatin1(kRecentEntry).arg(i);
        if (static_cast<int>(i) <= m_recentFiles.size())
            settings.setValue(key, m_recentFiles.at(static_cast<int>(i) - 1));
        else
            settings.remove(key);
    }
    settings.endGroup();
    settings.setValue(QStringLiteral("%1/%2").arg(QLatin1String(kSettingsSection), QLatin1String(kPreviewPagesEntry)),
                      m_nNumPreviewPages);
    CommitSettings(settings);
}

void CWinApp::AddToRecentFileList(const QString& path)
{
    if (m_nMaxMRU == 0 || path.isEmpty())
        return;
    const QString absolute = QFileInfo(path).absoluteFilePath();
    m_recentFiles.removeAll(absolute);
    m_recentFiles.prepend(absolute);
    while (m_recentFiles.size() > static_cast<int>(m_nMaxMRU))
        m_recentFiles.removeLast();
    // Written at once, so that the list survives a program that does not end normally.
    SaveStdProfileSettings();
}

void CWinApp::AddDocTemplate(CSingleDocTemplate* docTemplate)
{
    m_pDocTemplate.reset(docTemplate);
}

void CWinApp::ParseCommandLine(CCommandLineInfo& info)
{
    const QStringList& args = m_commandLine;
    for (int i = 0; i < args.size(); ++i) {
        const QString& arg = args.at(i);
        const bool isFlag = arg.startsWith(QLatin1Char('-')) && arg.size() > 1;
        QString param = arg;
        if (isFlag)
            param.remove(0, arg.startsWith(QLatin1String("--")) ? 2 : 1);
        info.ParseParam(param, isFlag, i + 1 == args.size());
    }
}

bool CWinApp::ProcessShellCommand(CCommandLineInfo& info)
{
    if (info.m_nShellCommand == CCommandLineInfo::FileNothing)
        return true;
    if (!m_pDocTemplate)
        return false;
    CFrameWnd* frame = m_pDocTemplate->CreateNewFrame();
    if (!frame)
        return false;
    m_pMainWnd = frame;
    SetMessageBoxOwner(frame);
    const bool opened = info.m_nShellCommand == CCommandLineInfo::FileOpen
        ? OpenDocumentFile(info.m_strFileName) != nullptr
        : m_pDocTemplate->OnFileNew();
    if (!opened) {
        SetMessageBoxOwner(nullptr);
        m_pMainWnd = nullptr;
        delete frame;
        return false;
    }
    frame->InitialUpdateFrame(false);
    return true;
}

void CWinApp::OnStopSignal()
{
    // A box or dialog that waits for the user is answered as by Escape, so that nothing keeps
    // the program from ending; the window then closes as by its close button.
    while (QWidget* modal = QApplication::activeModalWidget()) {
        if (!modal->close())
            break;
    }
    if (m_pMainWnd)
        m_pMainWnd->close();
    else
        QCoreApplication::quit();
}

void CWinApp::OnFileNew()
{
    if (!m_pDocTemplate || !m_pDocTemplate->GetDocument().SaveModified())
        return;
    m_pDocTemplate->OnFileNew();
}

void CWinApp::OnFileOpen()
{
    if (!m_pDocTemplate)
        return;
    const QString path = PromptFileName(m_pDocTemplate->FileRequest(true), m_pMainWnd);
    if (path.isEmpty() || !m_pDocTemplate->GetDocument().SaveModified())
        return;
    OpenDocumentFile(path);
}

CDocument* CWinApp::OpenDocumentFile(const QString& path)
{
    if (!m_pDocTemplate || !m_pDocTemplate->OpenDocumentFile(path))
        return nullptr;
    AddToRecentFileList(path);
    return &m_pDocTemplate->GetDocument();
}

void CWinApp::OnFilePrintSetup()
{
    QPrinter printer;
    QPageSetupDialog dialog(&printer, m_pMainWnd);
    dialog.exec();
}

void CWinApp::OnAppExit()
{
    if (m_pMainWnd)
        m_pMainWnd->close();
}

}  // namespace framework

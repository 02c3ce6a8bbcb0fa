#pragma once
// The application object of a single-document program: one per program. It keeps the
// settings (in the file QSettings() opens: the program selects it), the recent-file list and the
// document template, parses the command line, and handles the application's commands (New,
// Open, printer set-up, Exit).
#include "CmdTarget.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

namespace framework {

class CDocument;
class CFrameWnd;
class CSingleDocTemplate;

class CCommandLineInfo {
public:
    enum ShellCommand { FileNew, FileOpen, FileNothing };
    virtual ~CCommandLineInfo() = default;
    // Called for every argument; a flag starts with "-" (given here without it).
    virtual void ParseParam(const QString& param, bool isFlag, bool isLast);

    ShellCommand m_nShellCommand = FileNew;
    QString m_strFileName;
};

class CWinApp : public CCmdTarget {
public:
    // appName nullptr: the name comes from the string table (AFX_IDS_APP_TITLE).
    explicit CWinApp(const char* appName = nullptr);
    ~CWinApp() override;

    // Runs the program inside an existing QApplication: InitInstance, the event loop until
    // the main window closes, ExitInstance. The exit code; non-zero when start-up failed.
    int Run();
    virtual bool InitInstance();
    virtual int ExitInstance();

    // Reads the recent-file list (maxMRU entries) and the print-preview setting.
    void LoadStdProfileSettings(unsigned maxMRU = 4);
    void SaveStdProfileSettings();
    void AddToRecentFileList(const QString& path);
    // The File menu does not show the list; the tests read it here.
    QStringList GetRecentFileList() const { return m_recentFiles; }

    // Takes the template over; a single-document program has one.
    void AddDocTemplate(CSingleDocTemplate* docTemplate);

    // Parses m_commandLine into info.
    void ParseCommandLine(CCommandLineInfo& info);
    // New document with its window, or the named file opened into it; false when that failed.
    bool ProcessShellCommand(CCommandLineInfo& info);

    // SIGTERM, SIGINT or SIGHUP while the event loop runs (before, they end the program at once). The
    // default answers an open box or dialog as Escape would, then ends the program as closing
    // the main window does.
    virtual void OnStopSignal();

    // Application commands.
    void OnFileNew();
    void OnFileOpen();
    void OnFilePrintSetup();
    void OnAppExit();
    // Opens a file into the document; nullptr when it failed (the user has been told).
    CDocument* OpenDocumentFile(const QString& path);
    // Opens a file's data into the document without making the file the document's, as for a
    // record that must stay as it is: the checks and messages of OpenDocumentFile, then no path
    // (Save asks where), the title given, and the file kept out of the recent-file list.
    CDocument* OpenDocumentData(const QString& path, const QString& title, const QString& proposedName);

    CFrameWnd* m_pMainWnd = nullptr;
    // The program's arguments without the program's name; Run takes them from the process.
    QStringList m_commandLine;
    QString m_pszAppName;
    int m_nNumPreviewPages = 0;

private:
    std::unique_ptr<CSingleDocTemplate> m_pDocTemplate;
    QStringList m_recentFiles;
    unsigned m_nMaxMRU = 0;
};

// From now on SIGTERM, SIGINT and SIGHUP call onStop through the event loop (once per signal)
// instead of ending the program, and a write to a pipe nobody reads fails instead of ending it
// (SIGPIPE is ignored). Before, they end it at once, as they always do.
void WatchStopSignals(std::function<void()> onStop);

// The one application object, and its main window.
CWinApp* AfxGetApp();
CFrameWnd* AfxGetMainWnd();

}  // namespace framework

#include "Korva.h"

#include "AboutDlg.h"
#include "AutomaticBackups.h"
#include "DeviceComparison.h"
#include "DesktopIdentity.h"
#include "DocTemplate.h"
#include "FrameWnd.h"
#include "HelpWindow.h"
#include "KorvaDoc.h"
#include "KorvaResources.h"
#include "KorvaView.h"
#include "MainFrm.h"
#include "StringTable.h"
#include "TransferMessages.h"
#include "resource.h"

#include <QTimer>

#include <cstdio>
#include <memory>

CKorvaApp theApp;

namespace {
// The document lives as long as the program; the template and the window refer to it.
std::unique_ptr<CKorvaDoc> g_pDocument;
// How often a stop signal looks whether the upload it waits for has ended.
constexpr int kUploadLookMs = 50;
}  // namespace

CKorvaApp::CKorvaApp()
{
    OnCommand(ID_APP_ABOUT, [this] { OnAppAbout(); });
    OnCommand(ID_FILE_CAPTURE_HISTORY, [this] { OnFileCaptureHistory(); });
    OnCommand(ID_FILE_VIEW_DATA, [this] { OnFileViewData(); });
    OnCommand(ID_HELP_TRANSFER_LOG, [this] { OnTransferLog(); });
    OnCommand(ID_HELP_SUPPORT_REPORT, [this] { OnCopySupportReport(); });
    OnCommand(ID_COMPARE_DEVICE, [this] { OnCompareWithDevice(); });
    OnUpdateCommandUI(ID_COMPARE_DEVICE,
                      [this](framework::CCmdUI* pCmdUI) { pCmdUI->Enable(CanCompareWithDevice()); });
    OnCommand(ID_AUTOMATIC_BACKUPS, [this] {
        if (m_pBackups)
            m_pBackups->Toggle();
    });
    OnUpdateCommandUI(ID_AUTOMATIC_BACKUPS, [this](framework::CCmdUI* pCmdUI) {
        pCmdUI->Enable(m_pBackups != nullptr);
        pCmdUI->SetCheck(m_pBackups && m_pBackups->IsOn());
    });
}

CKorvaApp::~CKorvaApp() = default;

void CKorvaApp::OnStopSignal()
{
    if (!g_pDocument || !g_pDocument->IsUploading())
        return EndAtOnce();
    if (m_pStopWhenUploaded)
        return;
    std::fprintf(stderr, "%s\n", kMsgStopAfterUpload);
    m_pStopWhenUploaded = std::make_unique<QTimer>();
    QObject::connect(m_pStopWhenUploaded.get(), &QTimer::timeout, [this] {
        if (g_pDocument && g_pDocument->IsUploading())
            return;
        m_pStopWhenUploaded->stop();
        EndAtOnce();
    });
    m_pStopWhenUploaded->start(kUploadLookMs);
}

// Unsaved data of a download are in the capture history: the program says where and ends
// without the save question. Only data that cannot be kept there are asked about.
void CKorvaApp::EndAtOnce()
{
    CKorvaView* view = GetView();
    if (g_pDocument && g_pDocument->IsModified() && view) {
        QString error;
        const QString kept = view->KeepUnsavedData(&error);
        if (kept.isEmpty()) {
            std::fprintf(stderr, "korva: the unsaved data could not be kept in the capture history: %s\n",
                         qPrintable(error));
        } else {
            std::fprintf(stderr, "korva: the unsaved data are kept in %s\n", qPrintable(kept));
            g_pDocument->SetModifiedFlag(false);
        }
    }
    framework::CWinApp::OnStopSignal();
}

bool CKorvaApp::InitInstance()
{
    framework::SetHelpPage(QString::fromLatin1(kHelpPage));
    framework::SetDesktopIdentity(QString::fromLatin1(kDesktopId));
    SelectKorvaSettings();
    LoadStdProfileSettings(kRecentFiles);

    g_pDocument = std::make_unique<CKorvaDoc>();
    auto* docTemplate = new framework::CSingleDocTemplate(QString::fromLatin1(kDocTypeString), *g_pDocument);
    docTemplate->SetWindowClasses(IDR_MAINFRAME, [] { return new CMainFrame; }, [] { return new CKorvaView; });
    AddDocTemplate(docTemplate);

    framework::CCommandLineInfo cmdInfo;
    ParseCommandLine(cmdInfo);
    if (!ProcessShellCommand(cmdInfo))
        return false;
    m_pBackups = std::make_unique<CAutomaticBackups>(*g_pDocument, *GetView(), *m_pMainWnd);
    if (m_afterStart && !m_afterStart())
        return false;

    m_pMainWnd->show();
    m_pMainWnd->update();
    return true;
}

int CKorvaApp::ExitInstance()
{
    m_pStopWhenUploaded.reset();
    // A read of the device under way gives the link back before the document goes.
    m_pComparison.reset();
    m_pBackups.reset();
    // The window (with its view) goes first, then the template and the document, which
    // closes its port.
    delete m_pMainWnd;
    m_pMainWnd = nullptr;
    AddDocTemplate(nullptr);
    g_pDocument.reset();
    return framework::CWinApp::ExitInstance();
}

CKorvaDoc* CKorvaApp::GetDocument() const
{
    return g_pDocument.get();
}

CKorvaView* CKorvaApp::GetView() const
{
    return m_pMainWnd ? dynamic_cast<CKorvaView*>(m_pMainWnd->GetActiveView()) : nullptr;
}

void CKorvaApp::OnAppAbout()
{
    CAboutDialog aboutDlg(m_pMainWnd);
    aboutDlg.DoModal();
}

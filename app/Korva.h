#pragma once
// The application object: start-up, the document template and the About command.
#include "WinApp.h"

#include <functional>
#include <memory>

class QTimer;

class CAutomaticBackups;
class CDeviceComparison;
class CKorvaDoc;
class CKorvaView;

class CKorvaApp : public framework::CWinApp {
public:
    static constexpr unsigned kRecentFiles = 4;
    // The help page built into the program.
    static constexpr const char* kHelpPage = ":/help/korva-help.html";

    CKorvaApp();
    ~CKorvaApp() override;

    bool InitInstance() override;
    int ExitInstance() override;
    // An upload under way finishes first, so that the device is never left with part of it.
    void OnStopSignal() override;
    void OnAppAbout();
    // File, "Capture history..." and "View data..." (DataCommands.cpp).
    void OnFileCaptureHistory();
    void OnFileViewData();
    // Menu "?": "Transfer log..." and "Copy support report" (DataCommands.cpp).
    void OnTransferLog();
    void OnCopySupportReport();
    // "Compare with device", next to the transfers: enabled while working storage holds data,
    // the device is identified and the controller rests.
    void OnCompareWithDevice();
    bool CanCompareWithDevice() const;
    // The comparison under way or last made; nullptr before the first.
    CDeviceComparison* Comparison() const { return m_pComparison.get(); }
    // Adjustment, "Automatic backups"; nullptr before the window stands.
    CAutomaticBackups* Backups() const { return m_pBackups.get(); }
    CKorvaDoc* GetDocument() const;
    CKorvaView* GetView() const;

    // Runs once the window stands, before it is shown; false ends the start-up.
    std::function<bool()> m_afterStart;

private:
    void EndAtOnce();

    // Looks whether the upload a stop signal waits for has ended; made when it is needed.
    std::unique_ptr<QTimer> m_pStopWhenUploaded;
    std::unique_ptr<CDeviceComparison> m_pComparison;
    std::unique_ptr<CAutomaticBackups> m_pBackups;
};

// The one application object, made before start-up.
extern CKorvaApp theApp;

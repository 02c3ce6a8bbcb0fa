#pragma once
// The application object: start-up, the document template and the About command.
#include "WinApp.h"

#include <functional>

class CKorvaDoc;

class CKorvaApp : public framework::CWinApp {
public:
    static constexpr const char* kRegistryKey = "Local AppWizard-Generated Applications";
    static constexpr unsigned kRecentFiles = 4;
    // The help page built into the program.
    static constexpr const char* kHelpPage = ":/help/korva-help.html";

    CKorvaApp();

    bool InitInstance() override;
    int ExitInstance() override;
    void OnAppAbout();
    CKorvaDoc* GetDocument() const;

    // Runs once the window stands, before it is shown; false ends the start-up.
    std::function<bool()> m_afterStart;
};

// The one application object, made before start-up.
extern CKorvaApp theApp;

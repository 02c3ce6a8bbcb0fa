#pragma once
// "Compare with device": reads the device's data of the kind working storage holds into a
// buffer of its own (CReadBack) and shows them beside working storage, as it stood when the
// command was given, in the comparison window: "identical", or how many lines differ. The status
// bar tells the progress meanwhile; a device that sends nothing is told in a box.
#include "CompareWnd.h"

#include <QObject>
#include <QString>

#include <memory>

class CKorvaDoc;
class CKorvaView;
class CReadBack;
namespace framework { class CFrameWnd; }

class CDeviceComparison {
public:
    CDeviceComparison(CKorvaDoc& doc, CKorvaView& view, framework::CFrameWnd& frame);
    ~CDeviceComparison();

    // False, with nothing sent, when the controller is busy.
    bool Start();
    bool IsRunning() const;
    // The window of the last comparison; nullptr before it ends or when it showed none.
    CCompareWnd* Window() const { return m_pWindow; }

private:
    void ShowProgress();
    void OnRead(const CReadBack& read);

    CKorvaDoc& m_doc;
    framework::CFrameWnd& m_frame;
    CCompareSide m_stored;
    std::unique_ptr<CReadBack> m_pRead;
    CCompareWnd* m_pWindow = nullptr;
    // The window's end is not heard of once the comparison is gone.
    QObject m_context;
};

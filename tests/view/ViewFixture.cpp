#include "ViewFixture.h"

#include "CmdTarget.h"
#include "resource.h"

#include <QApplication>

#include <cstdlib>

void ViewTest::SetUp()
{
    unsetenv("V24_COM1");
    unsetenv("V24_COM2");
    CKorvaView::ResetProgramWide();
    CKorvaDoc::ResetIdleCountdown();
    doc = std::make_unique<CKorvaDoc>();
    doc->OnNewDocument();
    view = std::make_unique<CKorvaView>();
    view->SetDocument(doc.get());
    view->resize(500, 150);
    view->m_fnOnTransferEnd = [this](const CTransferEnd& end) {
        ends.push_back(end);
        boxesBeforeEnd.push_back(boxes.boxes.size());
    };
}

void ViewTest::ExpectEndToldByLastBox(TransferOutcome outcome, int32_t code)
{
    ASSERT_FALSE(ends.empty());
    EXPECT_EQ(ends.back().nOutcome, outcome);
    EXPECT_EQ(ends.back().nCode, code);
    EXPECT_EQ(view->LastTransferEnd().nOutcome, outcome);
    // Recorded before the box that tells the user was shown.
    EXPECT_EQ(boxesBeforeEnd.back() + 1, boxes.boxes.size());
}

void ViewTest::TearDown()
{
    view.reset();
    doc.reset();
    device.reset();
    unsetenv("V24_COM1");
    unsetenv("V24_COM2");
}

void ViewTest::StartDevice(const sim::Settings& settings)
{
    device = std::make_unique<SimDevice>(settings);
}

void ViewTest::PointPortNowhere(const std::string& port)
{
    setenv(("V24_" + port).c_str(), dir.file("no-such-port").c_str(), 1);
}

bool ViewTest::Command(unsigned id)
{
    return framework::ExecuteCommand(*view, id);
}

bool ViewTest::Enabled(unsigned id)
{
    return framework::IsCommandEnabled(*view, id);
}

::testing::AssertionResult ViewTest::ShowedOnlyMessage(const QString& text) const
{
    if (boxes.boxes.size() != 1)
        return ::testing::AssertionFailure() << boxes.boxes.size() << " message boxes";
    const framework::MessageBoxRequest& box = boxes.boxes[0];
    if (box.text != text || box.caption != QApplication::applicationName() || box.type != framework::MB_OK)
        return ::testing::AssertionFailure() << "\"" << box.text.toStdString() << "\" captioned \""
                                             << box.caption.toStdString() << "\", type " << box.type;
    return ::testing::AssertionSuccess();
}

std::vector<unsigned> ViewTest::EnabledCommands()
{
    std::vector<unsigned> enabled;
    for (unsigned id : kTransferCommands) {
        if (Enabled(id))
            enabled.push_back(id);
    }
    return enabled;
}

void ViewTest::RequestFromFarEnd(PtyFarEnd& farEnd, unsigned command, const std::string& request)
{
    ASSERT_TRUE(Command(ID_FILE_NEW));
    Tick(1);
    ASSERT_TRUE(Command(command));
    Tick(10);
    ASSERT_EQ(farEnd.receive(request.size() + 2), request + "\r\n");
}

void ViewTest::LoadLines(const std::vector<std::string>& lines)
{
    SetData(*doc, AsBufferLines(lines));
    doc->m_nLineCount = static_cast<int32_t>(lines.size());
    doc->ResetCursors();
}

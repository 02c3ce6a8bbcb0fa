#include "FaultFixture.h"

#include "FileDialog.h"
#include "StringTable.h"
#include "resource.h"

#include <cstdlib>
#include <poll.h>
#include <stdexcept>
#include <unistd.h>

CPluggableDevice::CPluggableDevice(std::string linkPath) : m_linkPath(std::move(linkPath))
{
    PointLinkAt(m_linkPath + ".unplugged");
}

CPluggableDevice::~CPluggableDevice()
{
    Unplug();
}

void CPluggableDevice::PlugIn(const sim::Settings& settings)
{
    Unplug();
    m_line = OpenDeviceLine("");
    m_log.clear();
    m_engine = std::make_unique<sim::Engine>(m_line->releaseMaster(), settings);
    m_engine->start();
    if (!PointLinkAt(m_line->slavePath()))
        throw std::runtime_error("cannot point " + m_linkPath + " at " + m_line->slavePath());
}

void CPluggableDevice::Unplug()
{
    // The link goes first: the terminal's number is free for any other process once closed.
    PointLinkAt(m_linkPath + ".unplugged");
    if (m_engine) {
        // The log outlives the device, whose side of the line closes with it.
        m_log = m_engine->log();
        m_engine.reset();
    }
    m_line.reset();
}

bool CPluggableDevice::PointLinkAt(const std::string& target)
{
    // A new link renamed over the old one, so that the name never stands empty.
    const std::string fresh = m_linkPath + ".new";
    ::unlink(fresh.c_str());
    return ::symlink(target.c_str(), fresh.c_str()) == 0 && ::rename(fresh.c_str(), m_linkPath.c_str()) == 0;
}

std::vector<sim::LogEntry> CPluggableDevice::Log() const
{
    return m_engine ? m_engine->log() : m_log;
}

std::vector<std::string> CPluggableDevice::Commands() const
{
    return LogTexts(Log(), sim::LogEntry::Kind::Command);
}

std::vector<std::string> CPluggableDevice::DataLines() const
{
    return LogTexts(Log(), sim::LogEntry::Kind::DataLine);
}

bool CPluggableDevice::WaitForDataLines(size_t count, int timeoutMs) const
{
    return WaitUntil([&] { return DataLines().size() >= count; }, timeoutMs, 2);
}

bool CPluggableDevice::WaitUntilLineHeld(int timeoutMs) const
{
    // The terminal's side is shared by every descriptor open on it, the program's included.
    return WaitUntil([&] {
        pollfd line{m_line ? m_line->slave() : -1, POLLOUT, 0};
        return ::poll(&line, 1, 0) == 0;
    }, timeoutMs, 2);
}

CFileDialogAnswer::CFileDialogAnswer(const std::string& path, std::function<void()> beforeAnswer)
{
    framework::SetFileDialogHandler([path, beforeAnswer](const framework::FileDialogRequest&) {
        if (beforeAnswer)
            beforeAnswer();
        return QString::fromStdString(path);
    });
}

CFileDialogAnswer::~CFileDialogAnswer()
{
    framework::SetFileDialogHandler({});
}

void FaultTest::SetUp()
{
    ViewTest::SetUp();
    UseDocumentTemplate();
    setenv("V24_COM1", dir.file("com1").c_str(), 1);
}

void FaultTest::TearDown()
{
    docTemplate.reset();
    ViewTest::TearDown();
}

void FaultTest::UseDocumentTemplate()
{
    docTemplate = std::make_unique<framework::CSingleDocTemplate>(QString::fromLatin1(kDocTypeString), *doc);
}

void FaultTest::Download(unsigned command, int maxTicks)
{
    const int32_t requestState = State();
    ASSERT_TRUE(Command(command));
    ASSERT_NE(State(), requestState);
    TickWhileState(State(), maxTicks);
    ASSERT_EQ(State(), kStateReceiving);
    TickWhileState(kStateReceiving, maxTicks);
}

void FaultTest::OpenDataFile(const std::string& path)
{
    ASSERT_TRUE(doc->OnOpenDocument(QString::fromStdString(path)));
    doc->SetPathName(QString::fromStdString(path));
    ASSERT_EQ(State(), kStateCaptured);
    const size_t shown = boxes.texts.size();
    Tick(1);
    ASSERT_EQ(boxes.texts.size(), shown + 1);
    ASSERT_EQ(boxes.texts.back(), kCapturedMessage);
    boxes.texts.pop_back();
    boxes.boxes.pop_back();
    ASSERT_EQ(EnabledCommands(), std::vector<unsigned>{ID_PUT_DATA});
}

void FaultTest::Upload(int maxTicks)
{
    ASSERT_TRUE(Command(ID_PUT_DATA));
    ASSERT_EQ(State(), kStateUpload);
    TickWhileState(kStateUpload, maxTicks);
}

void FaultTest::ExpectNewEmptyDocumentAfterNextTick()
{
    Tick(1);
    EXPECT_EQ(State(), kStateIdle);
    EXPECT_EQ(doc->m_nDataSize, 0);
    EXPECT_EQ(doc->GetLineCount(), 0);
    EXPECT_FALSE(doc->IsModified());
    EXPECT_EQ(EnabledCommands(), kDeviceCommands);
}

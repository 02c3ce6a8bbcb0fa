// The port taken by someone else: another process holding the device file exclusively, and a
// second program instance on the same port. The search goes on silently and finds the device
// once the port is free; the instance that holds the port works undisturbed.
#include "FaultFixture.h"

#include "resource.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

constexpr int kSearchCycle = 400;

// Another process that opens the device file and locks it exclusively, as the port library's
// exclusive open does, until released. The child uses plain system calls only, as a child of
// a process with threads must.
class CPortHolder {
public:
    explicit CPortHolder(const std::string& devicePath)
    {
        int release[2];
        int report[2];
        if (::pipe(release) != 0 || ::pipe(report) != 0)
            return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::close(release[1]);
            ::close(report[0]);
            const int fd = ::open(devicePath.c_str(), O_RDWR | O_NOCTTY);
            const char held = fd >= 0 && ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 'y' : 'n';
            [[maybe_unused]] ssize_t n = ::write(report[1], &held, 1);
            char c;
            while (::read(release[0], &c, 1) < 0 && errno == EINTR) {
            }
            ::_exit(0);
        }
        ::close(release[0]);
        ::close(report[1]);
        m_release = release[1];
        char held = 'n';
        m_bHolds = m_pid > 0 && ::read(report[0], &held, 1) == 1 && held == 'y';
        ::close(report[0]);
    }
    ~CPortHolder() { Release(); }
    CPortHolder(const CPortHolder&) = delete;
    CPortHolder& operator=(const CPortHolder&) = delete;

    bool Holds() const { return m_bHolds; }

    // The process ends, and with it its lock.
    void Release()
    {
        if (m_release >= 0)
            ::close(m_release);
        m_release = -1;
        if (m_pid > 0)
            ::waitpid(m_pid, nullptr, 0);
        m_pid = -1;
    }

private:
    pid_t m_pid = -1;
    int m_release = -1;
    bool m_bHolds = false;
};

}  // namespace

using PortContentionTest = FaultTest;

TEST_F(PortContentionTest, PortHeldByAnotherProcessIsSearchedSilentlyAndFoundOnceFreed)
{
    plug.PlugIn();
    CPortHolder holder(dir.file("com1"));
    ASSERT_TRUE(holder.Holds());

    Tick(3 * kSearchCycle);
    EXPECT_EQ(State(), kStateSearch);
    EXPECT_EQ(doc->m_bPortOpen, 0);
    EXPECT_TRUE(plug.Commands().empty());

    holder.Release();
    TickWhileState(kStateSearch, 2 * kSearchCycle);
    ASSERT_EQ(State(), kStateIdentified);
    Tick(1);
    EXPECT_EQ(EnabledCommands(), kDeviceCommands);
    EXPECT_EQ(plug.Commands(), std::vector<std::string>{"R"});
    EXPECT_TRUE(boxes.texts.empty());
}

// Two instances in one process share the message boxes, so that a box of either is seen.
TEST_F(PortContentionTest, SecondInstanceOnThePortNeverIdentifiesAndShowsNothingWhileTheFirstDownloads)
{
    plug.PlugIn();
    auto doc2 = std::make_unique<CKorvaDoc>();
    doc2->OnNewDocument();
    auto view2 = std::make_unique<CKorvaView>();
    view2->SetDocument(doc2.get());
    const auto tickBoth = [&](int count) {
        for (int i = 0; i < count; ++i) {
            Tick(1);
            view2->OnTimer(kTimer);
        }
    };

    tickBoth(kTicksToIdentify + 1);
    ASSERT_EQ(State(), kStateIdle);
    EXPECT_EQ(view2->m_bIdentified, 0);
    tickBoth(3 * kSearchCycle);
    EXPECT_EQ(doc2->GetTransferState(), kStateSearch);
    EXPECT_EQ(view2->m_bIdentified, 0);

    ASSERT_TRUE(Command(ID_ADJUSTMENT_DATA));
    for (int tick = 0; tick < 1000 && State() != kStateIdle; ++tick)
        tickBoth(1);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kCapturedMessage});
    EXPECT_EQ(Data(*doc), AsBufferLines(AdjustmentLines()));
    EXPECT_EQ(plug.Commands(), (std::vector<std::string>{"R", "DD"}));
    EXPECT_EQ(doc2->GetTransferState(), kStateSearch);
    EXPECT_EQ(view2->m_bIdentified, 0);
    EXPECT_EQ(doc2->m_nDataSize, 0);

    // Once the first lets go, the second finds the device.
    doc->ClosePort();
    for (int tick = 0; tick < 2 * kSearchCycle && doc2->GetTransferState() == kStateSearch; ++tick)
        view2->OnTimer(kTimer);
    EXPECT_EQ(doc2->GetTransferState(), kStateIdentified);
    EXPECT_EQ(boxes.texts, std::vector<QString>{kCapturedMessage});
    view2.reset();
    doc2.reset();
}

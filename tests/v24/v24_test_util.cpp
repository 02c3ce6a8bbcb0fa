#include "v24_test_util.h"

#include <mutex>
#include <thread>

namespace v24test {

void CloseAllPorts()
{
    for (int32_t h = 0; h < PORT_MAX; ++h)
        PortClose(h);
    PortSetMessagePoster(nullptr);
    PortSetTap(nullptr, nullptr);
}

void PtyTest::SetUp()
{
    h = PortOpen("COM7", 1);
    ASSERT_GE(h, 0);
    ASSERT_EQ(PortSetTimeout(h, 100), 0);
}

void FakeTest::SetUp()
{
    line = &fake.addLine("\\\\.\\COM1");
    previous = v24::SetCommPlatform(&fake);
}

void FakeTest::TearDown()
{
    CloseAllPorts();
    v24::SetCommPlatform(previous);
}

int32_t FakeTest::openCom1(int32_t exclusive)
{
    int32_t h = PortOpen("COM1", exclusive);
    EXPECT_GE(h, 0);
    if (h >= 0)
        PortSetTimeout(h, 50);
    return h;
}

namespace {
std::mutex g_postMutex;
std::vector<Post> g_posts;

void RecordPost(PortWindow window, uint32_t message, intptr_t wParam, intptr_t)
{
    std::lock_guard<std::mutex> lock(g_postMutex);
    g_posts.push_back({window, message, wParam});
}
} // namespace

void StartRecordingPosts()
{
    {
        std::lock_guard<std::mutex> lock(g_postMutex);
        g_posts.clear();
    }
    PortSetMessagePoster(RecordPost);
}

std::vector<Post> Posts()
{
    std::lock_guard<std::mutex> lock(g_postMutex);
    return g_posts;
}

} // namespace v24test

// VEQ.INI is written through the safe write: the new choice has its name, and its folder is
// synced after it, so that a crash at the wrong moment leaves the old choice, never an empty
// file that would silently mean COM1.
#include "PortFile.h"

#include "SyncRecorder.h"
#include "TempDir.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

TEST(PortFileWriteTest, TheChoiceIsSyncedDownToItsFolder)
{
    TempWorkDir dir;
    WriteWholeFile(dir.file(kPortFileName), "COM3");
    CSyncRecorder recorder(dir.file(kPortFileName));
    ASSERT_TRUE(WritePortFile(15));
    ASSERT_FALSE(recorder.Syncs().empty());
    EXPECT_EQ(recorder.Syncs().back(), std::make_pair(RealPath(dir.path()), std::string("COM16")));
    EXPECT_EQ(FileNames(dir.path()), std::vector<std::string>{kPortFileName});
    EXPECT_EQ(ReadPortFile(), 15);
}

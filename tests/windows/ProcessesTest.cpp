#include "windows/Processes.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

TEST(LoadedPrograms, ListsEveryProcessWithItsFileName)
{
    FakeEnvironment env;
    for (std::uint32_t id = 1; id <= 1500; ++id) {
        env.platform.processes.emplace_back(id, "/usr/bin/p" + std::to_string(id));
    }
    CLoadedPrograms loaded;
    RefreshLoadedPrograms(loaded);
    RefreshLoadedPrograms(loaded);
    ASSERT_EQ(loaded.size(), 1500u);
    EXPECT_EQ(loaded[1499]->ProcessId, 1500);
    EXPECT_EQ(loaded[1499]->ModulePath, "/usr/bin/p1500");
    EXPECT_EQ(loaded[1499]->FileName, "p1500");
    EXPECT_EQ(GetProcessFileName(7), "p7");
    EXPECT_EQ(GetProcessModulePath(0), "");
    EXPECT_EQ(GetProcessModulePath(99999), "");
}

#include "services/InstanceLock.h"

#include "FakeEnvironment.h"

#include <gtest/gtest.h>

TEST(InstanceLock, OnlyTheFirstHolderAcquiresAName)
{
    FakeEnvironment env;
    auto first = std::make_unique<CInstanceLock>(env.platform);
    CInstanceLock second(env.platform);
    EXPECT_TRUE(first->Acquire("QuorvelRunning"));
    EXPECT_EQ(first->Name(), "QuorvelRunning");
    EXPECT_FALSE(second.Acquire("QuorvelRunning"));
    EXPECT_EQ(second.Name(), "");
    EXPECT_TRUE(second.Acquire("OtherName"));

    first.reset(); // ends with its holder
    EXPECT_TRUE(second.Acquire("QuorvelRunning"));
}

TEST(InstanceLock, AcquiringAgainReleasesTheFirstHandle)
{
    FakeEnvironment env;
    CInstanceLock guard(env.platform);
    EXPECT_TRUE(guard.Acquire("QuorvelRunning"));
    EXPECT_TRUE(guard.Acquire("QuorvelRunning"));
    EXPECT_EQ(platform::FakePlatform::HeldMutexes().count("QuorvelRunning"), 1u);
    guard.Release();
    EXPECT_EQ(platform::FakePlatform::HeldMutexes().count("QuorvelRunning"), 0u);
    guard.Release(); // nothing held: nothing happens
    EXPECT_EQ(platform::FakePlatform::HeldMutexes().count("QuorvelRunning"), 0u);
    EXPECT_TRUE(guard.Acquire("QuorvelRunning"));
}

#include "framework/SaveQueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <condition_variable>
#include <mutex>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

namespace {

// Saves that write their number into a log, one at a time; the first may be held until released.
class Saves
{
public:
    SaveQueue::Job Save(int number, bool held = false)
    {
        return [this, number, held] {
            if (++running_ > 1) {
                overlapped_ = true;
            }
            if (held) {
                std::unique_lock lock(mutex_);
                started_ = true;
                changed_.notify_all();
                changed_.wait(lock, [this] { return released_; });
            }
            {
                std::lock_guard lock(mutex_);
                written_.push_back(number);
            }
            --running_;
        };
    }
    void WaitUntilHeld()
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return started_; });
    }
    void Release()
    {
        std::lock_guard lock(mutex_);
        released_ = true;
        changed_.notify_all();
    }
    std::vector<int> Written()
    {
        std::lock_guard lock(mutex_);
        return written_;
    }
    bool Overlapped() const { return overlapped_; }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool started_ = false;
    bool released_ = false;
    std::vector<int> written_;
    std::atomic<int> running_ = 0;
    std::atomic<bool> overlapped_ = false;
};

} // namespace

TEST(SaveQueue, SavesRunOneAtATimeInTheOrderAskedAndAWaitingSaveComesLast)
{
    Saves saves;
    SaveQueue queue;
    queue.Post(saves.Save(1, true), nullptr);
    saves.WaitUntilHeld();
    queue.Post(saves.Save(2), nullptr);
    queue.Post(saves.Save(3), nullptr);
    // Asked for while the first is under way: it waits for all three, then runs alone.
    std::thread user([&] { queue.Run(saves.Save(4)); });
    saves.Release();
    user.join();
    EXPECT_EQ(saves.Written(), (std::vector<int>{1, 2, 3, 4}));
    EXPECT_FALSE(saves.Overlapped());

    queue.Post(saves.Save(5), nullptr);
    queue.WaitIdle();
    EXPECT_EQ(saves.Written().back(), 5);
}

TEST(SaveQueue, TheEndWaitsForEverySaveAskedFor)
{
    Saves saves;
    std::thread releaser;
    {
        SaveQueue queue;
        queue.Post(saves.Save(1, true), nullptr);
        queue.Post(saves.Save(2), nullptr);
        saves.WaitUntilHeld();
        // Released only once the queue is ending.
        releaser = std::thread([&] { saves.Release(); });
    }
    releaser.join();
    EXPECT_EQ(saves.Written(), (std::vector<int>{1, 2}));
}

TEST(SaveQueue, AFailureGoesToItsSaveAloneAndTheNextSavesRun)
{
    SaveQueue queue;
    const auto fail = [] { throw std::runtime_error("disk full"); };
    std::string posted;
    std::mutex mutex;
    queue.Post(fail, [&](std::exception_ptr error) {
        try {
            std::rethrow_exception(error);
        } catch (const std::runtime_error& problem) {
            std::lock_guard lock(mutex);
            posted = problem.what();
        }
    });
    bool succeeded = false;
    queue.Post([] {}, [&](std::exception_ptr error) { succeeded = !error; });
    EXPECT_THROW(queue.Run(fail), std::runtime_error);
    // Run waited for both posted saves.
    EXPECT_EQ(posted, "disk full");
    EXPECT_TRUE(succeeded);
    bool ran = false;
    queue.Run([&] { ran = true; });
    EXPECT_TRUE(ran);
}

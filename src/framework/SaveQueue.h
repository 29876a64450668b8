#pragma once

#include <condition_variable>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

// Runs saves one at a time on a thread of its own, in the order they were asked for: no two saves
// run at once, and a save never overtakes one asked for before it. A save writes what it was
// given when it was asked for (a snapshot), so the asking thread goes on at once.
class SaveQueue
{
public:
    using Job = std::function<void()>;
    // Runs on the queue's thread after its job, with what the job threw (null when nothing).
    using Done = std::function<void(std::exception_ptr)>;

    SaveQueue() = default;
    // Waits for every save asked for.
    ~SaveQueue();
    SaveQueue(const SaveQueue&) = delete;
    SaveQueue& operator=(const SaveQueue&) = delete;

    void Post(Job job, Done done);
    // Runs job on this thread once every save asked for before it is done; rethrows what it
    // threw.
    void Run(Job job);
    // Returns once every save asked for so far is done.
    void WaitIdle();

private:
    struct Task
    {
        Job job;
        Done done;
    };
    void Work();

    std::mutex mutex_;
    std::condition_variable changed_;
    std::deque<Task> tasks_;
    bool busy_ = false;
    bool stopping_ = false;
    std::thread thread_;
};

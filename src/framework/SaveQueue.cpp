#include "framework/SaveQueue.h"

SaveQueue::~SaveQueue()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    changed_.notify_all();
    if (thread_.joinable()) {
        thread_.join();
    }
}

void SaveQueue::Post(Job job, Done done)
{
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back({std::move(job), std::move(done)});
        // Started with the first save: a queue that never saves costs no thread.
        if (!thread_.joinable()) {
            thread_ = std::thread([this] { Work(); });
        }
    }
    changed_.notify_all();
}

void SaveQueue::Run(Job job)
{
    // On this thread, which waits anyway: a program that only saves this way starts no thread.
    {
        std::unique_lock lock(mutex_);
        changed_.wait(lock, [this] { return tasks_.empty() && !busy_; });
        busy_ = true;
    }
    const auto finished = [this] {
        {
            std::lock_guard lock(mutex_);
            busy_ = false;
        }
        changed_.notify_all();
    };
    try {
        job();
    } catch (...) {
        finished();
        throw;
    }
    finished();
}

void SaveQueue::WaitIdle()
{
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return tasks_.empty() && !busy_; });
}

void SaveQueue::Work()
{
    std::unique_lock lock(mutex_);
    for (;;) {
        // Stopping still finishes every save asked for.
        changed_.wait(
            lock, [this] { return (!tasks_.empty() && !busy_) || (tasks_.empty() && stopping_); });
        if (tasks_.empty()) {
            return;
        }
        Task task = std::move(tasks_.front());
        tasks_.pop_front();
        busy_ = true;
        lock.unlock();
        std::exception_ptr error;
        try {
            task.job();
        } catch (...) {
            error = std::current_exception();
        }
        if (task.done) {
            task.done(error);
        }
        lock.lock();
        busy_ = false;
        changed_.notify_all();
    }
}

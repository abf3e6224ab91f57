#include "owner_thread.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>

bool OwnerThread::Start(const std::function<void()>& loop) {
    std::lock_guard<std::mutex> lock(mutex_);
    if (started_) return !closed_;
    started_ = true;
    wake_ = eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK);  // close-on-exec: started programs get no copy
    if (wake_ < 0) {
        closed_ = true;
        return false;
    }
    std::thread thread(loop);
    owner_ = thread.get_id();
    thread.detach();  // runs until the process ends
    return true;
}

void OwnerThread::Wake() {
    const uint64_t one = 1;
    if (write(wake_, &one, sizeof one) < 0) {
    }
}

bool OwnerThread::Run(const std::function<void()>& fn, int startLimitMs) {
    if (OnThread()) {
        fn();
        return true;
    }
    auto task = std::make_shared<Task>();
    task->fn = &fn;
    std::unique_lock<std::mutex> lock(mutex_);
    if (!started_ || closed_) return false;
    tasks_.push_back(task);
    Wake();
    auto started = [&] { return task->state != Task::Queued; };
    if (startLimitMs < 0)
        changed_.wait(lock, started);
    else
        changed_.wait_for(lock, std::chrono::milliseconds(startLimitMs), started);
    if (task->state == Task::Queued) task->state = Task::Dropped;  // never runs: fn lives on our stack
    changed_.wait(lock, [&] { return task->state == Task::Done || task->state == Task::Dropped; });
    return task->state == Task::Done;
}

void OwnerThread::RunQueued() {
    uint64_t count;
    if (read(wake_, &count, sizeof count) < 0) {
    }
    std::deque<std::shared_ptr<Task>> tasks;
    {
        std::lock_guard<std::mutex> lock(mutex_);
        tasks.swap(tasks_);
    }
    for (auto& task : tasks) {
        {
            std::lock_guard<std::mutex> lock(mutex_);
            if (task->state != Task::Queued) continue;
            task->state = Task::Running;
        }
        (*task->fn)();
        std::lock_guard<std::mutex> lock(mutex_);
        task->state = Task::Done;
        changed_.notify_all();
    }
}

void OwnerThread::Close() {
    std::lock_guard<std::mutex> lock(mutex_);
    closed_ = true;
    for (auto& task : tasks_)
        if (task->state == Task::Queued) task->state = Task::Dropped;
    tasks_.clear();
    changed_.notify_all();
}

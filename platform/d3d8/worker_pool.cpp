#include "platform/d3d8/worker_pool.h"

#include <system_error>

namespace vimsa::d3d8 {

WorkerPool::WorkerPool(uint32_t threads) {
    for (uint32_t i = 1; i < threads; ++i) {
        // A thread that cannot start leaves its share to the others.
        try {
            workers_.emplace_back([this, i] { Work(i); });
        } catch (const std::system_error&) {
            break;
        }
    }
}

WorkerPool::~WorkerPool() {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        stopping_ = true;
    }
    start_.notify_all();
    for (std::thread& t : workers_)
        t.join();
}

void WorkerPool::Run(const std::function<void(uint32_t)>& job) {
    if (workers_.empty()) {
        job(0);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(mutex_);
        job_ = &job;
        running_ = static_cast<uint32_t>(workers_.size());
        ++generation_;
    }
    start_.notify_all();
    job(0);
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return running_ == 0; });
    job_ = nullptr;
}

void WorkerPool::Work(uint32_t index) {
    uint64_t seen = 0;
    for (;;) {
        const std::function<void(uint32_t)>* job = nullptr;
        {
            std::unique_lock<std::mutex> lock(mutex_);
            start_.wait(lock, [&] { return stopping_ || generation_ != seen; });
            if (stopping_) return;
            seen = generation_;
            job = job_;
        }
        (*job)(index);
        {
            std::lock_guard<std::mutex> lock(mutex_);
            --running_;
        }
        done_.notify_one();
    }
}

}  // namespace vimsa::d3d8

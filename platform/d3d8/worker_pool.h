#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace vimsa::d3d8 {

// Threads that run one job together with the calling thread. The rasteriser
// hands them its tiles; everything else in the device stays on the thread
// that calls it.
class WorkerPool {
public:
    // `threads` counts the caller: 1 runs every job on the caller alone.
    explicit WorkerPool(uint32_t threads);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    uint32_t Threads() const { return static_cast<uint32_t>(workers_.size()) + 1; }
    // Runs job(i) for i = 0 .. Threads() - 1, each on its own thread (the
    // caller takes 0), and returns when all have finished.
    void Run(const std::function<void(uint32_t)>& job);

private:
    void Work(uint32_t index);

    std::vector<std::thread> workers_;
    std::mutex mutex_;
    std::condition_variable start_;
    std::condition_variable done_;
    const std::function<void(uint32_t)>* job_ = nullptr;
    uint64_t generation_ = 0;
    uint32_t running_ = 0;
    bool stopping_ = false;
};

}  // namespace vimsa::d3d8

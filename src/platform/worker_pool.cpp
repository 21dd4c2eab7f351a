#include "platform/worker_pool.h"

#include <algorithm>

#include "base/threads.h"

namespace tavrik {

WorkerPool::WorkerPool(int threads) {
  if (threads <= 0) threads = static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
  threads = kHaveThreads ? std::min(threads, 16) : 1;
  workers_.reserve(static_cast<std::size_t>(threads - 1));
  for (int i = 1; i < threads; ++i) workers_.emplace_back([this] { work(); });
}

WorkerPool::~WorkerPool() {
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  for (std::thread& worker : workers_) worker.join();
}

int WorkerPool::takeParts(const std::function<void(int)>& part, int count) {
  int taken = 0;
  for (int i = next_.fetch_add(1); i < count; i = next_.fetch_add(1), ++taken) part(i);
  return taken;
}

void WorkerPool::run(int count, const std::function<void(int)>& part) {
  if (count <= 0) return;
  if (workers_.empty() || count == 1) {
    for (int i = 0; i < count; ++i) part(i);
    return;
  }
  {
    std::lock_guard<std::mutex> lock(mutex_);
    part_ = &part;
    count_ = count;
    done_ = 0;
    next_.store(0);
    ++job_;
  }
  wake_.notify_all();
  const int mine = takeParts(part, count);
  std::unique_lock<std::mutex> lock(mutex_);
  done_ += mine;
  // A worker that joined the job may still hold it after the last part is done; the next job must not
  // start under it.
  finished_.wait(lock, [this, count] { return done_ == count && active_ == 0; });
  part_ = nullptr;
}

void WorkerPool::work() {
  std::uint64_t seen = 0;
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this, &seen] { return stopping_ || job_ != seen; });
    if (stopping_) return;
    seen = job_;
    // Woken after the job was over: nothing to do.
    if (!part_) continue;
    const std::function<void(int)>& part = *part_;
    const int count = count_;
    ++active_;
    lock.unlock();
    const int taken = takeParts(part, count);
    lock.lock();
    done_ += taken;
    --active_;
    if (done_ == count_ && active_ == 0) finished_.notify_one();
  }
}

}  // namespace tavrik

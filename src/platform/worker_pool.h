// A few threads, started once, that share out the parts of a job with the thread that asks for it.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

namespace tavrik {

class WorkerPool {
 public:
  // threads: how many run the parts of a job, the asking thread included; 0 means one per core.
  explicit WorkerPool(int threads = 0);
  ~WorkerPool();
  WorkerPool(const WorkerPool&) = delete;
  WorkerPool& operator=(const WorkerPool&) = delete;

  int threads() const { return static_cast<int>(workers_.size()) + 1; }

  // Runs part(0) to part(count - 1), each once and in no set order, on the pool's threads and the
  // calling one; returns when every part is done. One job at a time.
  void run(int count, const std::function<void(int)>& part);

 private:
  void work();
  int takeParts(const std::function<void(int)>& part, int count);

  std::mutex mutex_;
  std::condition_variable wake_, finished_;
  const std::function<void(int)>* part_ = nullptr;
  int count_ = 0;
  int done_ = 0;    // parts of the job done
  int active_ = 0;  // workers inside the job
  std::uint64_t job_ = 0;
  bool stopping_ = false;
  std::atomic<int> next_{0};
  std::vector<std::thread> workers_;
};

}  // namespace tavrik

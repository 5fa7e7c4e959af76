#include "archive/compress_workers.h"

#include <algorithm>

namespace kv::archive {

CompressWorkers::CompressWorkers(std::size_t count) {
  const std::size_t n = std::max<std::size_t>(count, 1);
  threads_.reserve(n);
  for (std::size_t i = 0; i < n; ++i) threads_.emplace_back([this] { Work(); });
}

CompressWorkers::~CompressWorkers() {
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    jobs_.clear();  // nobody waits for them any more
    ending_ = true;
  }
  wake_.notify_all();
  for (std::thread& t : threads_) t.join();
}

std::future<DeflatedBlock> CompressWorkers::Submit(std::function<DeflatedBlock()> job) {
  std::packaged_task<DeflatedBlock()> task(std::move(job));
  std::future<DeflatedBlock> result = task.get_future();
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    jobs_.push_back(std::move(task));
  }
  wake_.notify_one();
  return result;
}

std::size_t CompressWorkers::DefaultCount() {
  const unsigned processors = std::thread::hardware_concurrency();
  return std::clamp<std::size_t>(processors, 1, 8);
}

void CompressWorkers::Work() {
  for (;;) {
    std::packaged_task<DeflatedBlock()> task;
    {
      std::unique_lock<std::mutex> lock(mutex_);
      wake_.wait(lock, [this] { return ending_ || !jobs_.empty(); });
      if (jobs_.empty()) return;  // ending, nothing left
      task = std::move(jobs_.front());
      jobs_.pop_front();
    }
    task();  // a job's exception goes into its future
  }
}

}  // namespace kv::archive

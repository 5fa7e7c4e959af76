#pragma once
// CompressWorkers: the threads that deflate blocks while a commit writes. Jobs run in the
// order they were handed in, each on whichever worker is free; a job's result (or what it
// threw) comes back through its future. The workers touch nothing but what a job carries,
// so the archive, the events and the streams stay on the committing thread.
#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include "archive/compress.h"

namespace kv::archive {

class CompressWorkers {
 public:
  // Starts `count` worker threads (at least one).
  explicit CompressWorkers(std::size_t count);
  // Drops the jobs not yet begun, lets the running ones finish and ends the threads.
  ~CompressWorkers();
  CompressWorkers(const CompressWorkers&) = delete;
  CompressWorkers& operator=(const CompressWorkers&) = delete;

  std::size_t Count() const { return threads_.size(); }
  std::future<DeflatedBlock> Submit(std::function<DeflatedBlock()> job);

  // How many threads a commit uses by default: the processors of the machine, at most eight.
  static std::size_t DefaultCount();

 private:
  void Work();

  std::mutex mutex_;
  std::condition_variable wake_;
  std::deque<std::packaged_task<DeflatedBlock()>> jobs_;
  bool ending_ = false;
  std::vector<std::thread> threads_;
};

}  // namespace kv::archive

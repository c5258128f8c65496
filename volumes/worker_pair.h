// WorkerPair: two workers that run one task at a time, each on its own share. The searches
// split their work between two workers whose shares are fixed by the work, not by timing, so
// what they find is the same on every run and every machine; this class only decides where
// the two shares run. A search of many small batches (the direction searches hand over four
// cells at a time, some thousand times) pays for its helper thread once, not per batch.
//
// Contract (stated once, here):
// - run(task) calls task(0) and task(1) and returns when both have returned. With `threaded`
//   (and a helper thread to be had) task(0) runs on the helper thread and task(1) on the
//   caller's, at once; otherwise both run on the caller's, task(0) first. Callers must not
//   depend on which: the two calls may overlap, so each writes only its own worker's state.
// - A task that throws does not stop the other; run rethrows the first failure in worker order.
// - run is not reentrant, and one object serves one caller thread.
#pragma once

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <functional>
#include <mutex>
#include <thread>

class WorkerPair {
 public:
  explicit WorkerPair(bool threaded = true);
  ~WorkerPair();
  WorkerPair(const WorkerPair&) = delete;
  WorkerPair& operator=(const WorkerPair&) = delete;

  void run(const std::function<void(std::size_t)>& task);

 private:
  void serve();

  std::thread helper_;
  std::mutex mutex_;
  std::condition_variable wake_;
  std::condition_variable done_;
  const std::function<void(std::size_t)>* task_ = nullptr;
  std::exception_ptr failure_;  // the helper's, for the task just run
  std::size_t issued_ = 0;      // tasks handed to the helper
  std::size_t finished_ = 0;    // tasks it has finished
  bool stopping_ = false;
};

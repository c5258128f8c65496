// WorkerPair: one helper thread woken per task through a condition variable (see the header).
#include "volumes/worker_pair.h"

#include <system_error>

WorkerPair::WorkerPair(bool threaded) {
  if (!threaded)
    return;
  try {
    helper_ = std::thread([this] { serve(); });
  } catch (const std::system_error&) {
    // No thread to be had: both shares run on the caller's, which gives the same results.
  }
}

WorkerPair::~WorkerPair() {
  if (!helper_.joinable())
    return;
  {
    const std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  helper_.join();
}

void WorkerPair::serve() {
  std::unique_lock<std::mutex> lock(mutex_);
  for (;;) {
    wake_.wait(lock, [this] { return stopping_ || issued_ > finished_; });
    if (stopping_)
      return;
    const std::function<void(std::size_t)>& task = *task_;
    lock.unlock();
    std::exception_ptr failure;
    try {
      task(0);
    } catch (...) {
      failure = std::current_exception();
    }
    lock.lock();
    failure_ = failure;
    ++finished_;
    done_.notify_one();
  }
}

void WorkerPair::run(const std::function<void(std::size_t)>& task) {
  std::exception_ptr first;
  std::exception_ptr second;
  if (!helper_.joinable()) {
    try {
      task(0);
    } catch (...) {
      first = std::current_exception();
    }
  } else {
    {
      const std::lock_guard<std::mutex> lock(mutex_);
      task_ = &task;
      ++issued_;
    }
    wake_.notify_one();
  }
  try {
    task(1);
  } catch (...) {
    second = std::current_exception();
  }
  if (helper_.joinable()) {
    std::unique_lock<std::mutex> lock(mutex_);
    done_.wait(lock, [this] { return finished_ == issued_; });
    first = failure_;
    failure_ = nullptr;
  }
  if (first)
    std::rethrow_exception(first);
  if (second)
    std::rethrow_exception(second);
}

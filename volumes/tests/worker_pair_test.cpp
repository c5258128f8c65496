// WorkerPair: every run calls both workers once, over many short runs in a row (the hand-over
// the direction searches make some thousand times), threaded or not, and a failure of either
// reaches the caller without stopping the other.
#include "volumes/worker_pair.h"

#include <gtest/gtest.h>

#include <array>
#include <stdexcept>
#include <string>

namespace {

TEST(WorkerPair, EveryRunCallsBothWorkersOnce) {
  for (const bool threaded : {true, false}) {
    WorkerPair pair(threaded);
    std::array<std::size_t, 2> calls{};
    std::array<std::size_t, 2> lastRun{};
    for (std::size_t run = 1; run <= 20000; ++run) {
      pair.run([&](std::size_t w) {
        ++calls[w];
        lastRun[w] = run;
      });
      ASSERT_EQ(lastRun[0], run);  // both done before run returns
      ASSERT_EQ(lastRun[1], run);
    }
    EXPECT_EQ(calls[0], 20000u);
    EXPECT_EQ(calls[1], 20000u);
  }
}

TEST(WorkerPair, FailuresReachTheCallerInWorkerOrder) {
  for (const bool threaded : {true, false}) {
    WorkerPair pair(threaded);
    for (const int failing : {0, 1, 2}) {  // worker 0, worker 1, both
      std::array<bool, 2> ran{};
      try {
        pair.run([&](std::size_t w) {
          ran[w] = true;
          if (failing == 2 || static_cast<std::size_t>(failing) == w)
            throw std::runtime_error("worker " + std::to_string(w));
        });
        ADD_FAILURE() << "no failure reported";
      } catch (const std::runtime_error& e) {
        EXPECT_EQ(std::string(e.what()), failing == 1 ? "worker 1" : "worker 0");
      }
      EXPECT_TRUE(ran[0] && ran[1]);
    }
    std::array<bool, 2> after{};  // the pair still works after a failure
    pair.run([&](std::size_t w) { after[w] = true; });
    EXPECT_TRUE(after[0] && after[1]);
  }
}

}  // namespace

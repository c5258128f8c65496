// WorkerPair: every run calls both workers once, over many short runs in a row (the hand-over
// the direction searches make some thousand times), threaded or not, and a failure of either
// reaches the caller without stopping the other; and the direction search on it gives the same
// result on two threads as on one.
#include "volumes/worker_pair.h"

#include <gtest/gtest.h>

#include <array>
#include <chrono>
#include <cmath>
#include <stdexcept>
#include <string>
#include <thread>

#include "volumes/axis_search.h"

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

// The direction search's batches on two threads and on one: the same cells, values and
// direction, bit for bit, with an estimator that, like the capsule's, reads its worker's copy
// of the best so far (merged by settle in worker order) and skips work where its bound shows
// nothing better, and with worker 1 delayed by varying amounts so that any dependence on
// timing would show.
TEST(DirectionSearch, SameResultOnTwoThreadsAsOnOne) {
  const std::array<Vector3d, 3> axes{normalized(Vector3d(1.0, 0.2, -0.3)),
                                     normalized(Vector3d(-0.4, 1.0, 0.5)),
                                     normalized(Vector3d(0.1, -0.6, 1.0))};
  // A smooth function of the direction with several near minima, Lipschitz with 2 * 9.
  const auto f = [&](const Vector3d& u) {
    double v = 3.0;
    for (std::size_t k = 0; k < 3; ++k)
      v += (1.0 + 2.0 * static_cast<double>(k)) * std::pow(dot(u, axes[k]), 2);
    return v;
  };
  const auto search = [&](bool threaded) {
    std::array<double, 2> workerBest{INFINITY, INFINITY};
    double settled = INFINITY;
    std::size_t delay = 0;
    const axis_search::Estimator estimate = [&](std::size_t worker, const Vector3d& u, double theta,
                                                const axis_search::Candidates*,
                                                axis_search::Candidates&) {
      if (worker == 1) {
        const std::size_t pauses = delay++ % 5;
        for (std::size_t k = 0; k < pauses; ++k)
          std::this_thread::sleep_for(std::chrono::microseconds(20));
      }
      const double bound = f(u) - 18.0 * theta;
      if (bound >= workerBest[worker])
        return axis_search::CellEstimate{workerBest[worker], bound, bound};
      const double value = f(u);
      workerBest[worker] = std::min(workerBest[worker], value);
      return axis_search::CellEstimate{value, bound, value};
    };
    const auto settle = [&] {
      for (const double b : workerBest)
        settled = std::min(settled, b);
      workerBest = {settled, settled};
    };
    return axis_search::searchDirections(estimate, settle, 3000, threaded);
  };
  const axis_search::SearchResult one = search(false);
  for (int run = 0; run < 3; ++run) {
    const axis_search::SearchResult two = search(true);
    EXPECT_EQ(two.value, one.value);
    EXPECT_EQ(two.direction.x, one.direction.x);
    EXPECT_EQ(two.direction.y, one.direction.y);
    EXPECT_EQ(two.direction.z, one.direction.z);
    EXPECT_EQ(two.report.cells, one.report.cells);
    EXPECT_EQ(two.report.optimalityGap, one.report.optimalityGap);
  }
  EXPECT_GT(one.report.cells, 48u);  // it split cells, so batches of children were handed over
}

// Tests of running an import in a child process: results cross the pipe bit for bit, and a
// crash, an endless loop, a blocked child, a runaway allocation or an exception each end as
// the one error line that says so, with nothing printed by the child.
#include "loading/isolated_import.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <atomic>
#include <bit>
#include <cstdlib>
#include <random>
#include <stdexcept>

#include "loading/tests/model_files.h"

namespace {

ImportLimits quickLimits() {
  ImportLimits limits;
  limits.cpuSeconds = 1;
  limits.wallSeconds = 20;
  limits.addressSpaceBytes = std::uint64_t{1} << 30;
  return limits;
}

TEST(IsolatedImport, PointsAndErrorsCrossBitForBit) {
  // More points than a pipe buffers, with every kind of bit pattern a float can have.
  std::mt19937 random(11);
  std::uniform_int_distribution<std::uint32_t> anyBits;
  LoadResult sent;
  sent.points.resize(1'000'003);
  for (Vector3& p : sent.points) {
    p = {std::bit_cast<float>(anyBits(random)), std::bit_cast<float>(anyBits(random)), -0.0f};
  }
  for (std::uint32_t t = 0; t < 400'000; ++t) {
    sent.triangles.push_back({t, 1'000'002 - t, 2 * t});
  }
  const LoadResult received = runIsolated("big", importLimitsFor(0), [&] { return sent; });
  ASSERT_TRUE(received.ok()) << received.error;
  EXPECT_EQ(bits(received.points), bits(sent.points));
  EXPECT_EQ(received.triangles, sent.triangles);

  const LoadResult failed = runIsolated("f.obj", importLimitsFor(0), [] {
    return LoadResult{{}, "f.obj: broken"};
  });
  EXPECT_EQ(failed.error, "f.obj: broken");
  EXPECT_TRUE(failed.points.empty());
}

TEST(IsolatedImport, ATriangleBeyondThePointsBecomesAnErrorLine) {
  const LoadResult result = runIsolated("bad.ply", importLimitsFor(0), [] {
    return LoadResult{{{1, 2, 3}, {4, 5, 6}, {7, 8, 9}}, {}, {{0, 1, 2}, {2, 3, 0}}};
  });
  EXPECT_EQ(result.error, "bad.ply: the model reader sent triangle 2 with vertex 3 of 3 points");
  EXPECT_TRUE(result.points.empty());
  EXPECT_TRUE(result.triangles.empty());
}

TEST(IsolatedImport, EachWayAChildCanDieBecomesItsErrorLine) {
  EXPECT_EQ(runIsolated("a.dae", quickLimits(), []() -> LoadResult { std::abort(); }).error,
            "a.dae: the model reader crashed on it (Aborted)");
  EXPECT_EQ(runIsolated("loop.x", quickLimits(),
                        []() -> LoadResult {
                          std::atomic<unsigned> spins{0};
                          for (;;) {
                            spins.fetch_add(1, std::memory_order_relaxed);
                          }
                        })
                .error,
            "loop.x: reading it took more than 1 s of processor time");
  ImportLimits shortWait = quickLimits();
  shortWait.wallSeconds = 1;
  EXPECT_EQ(runIsolated("wait.x", shortWait,
                        []() -> LoadResult {
                          ::pause();
                          return {};
                        })
                .error,
            "wait.x: reading it took longer than 1 s");
  EXPECT_EQ(runIsolated("x.fbx", quickLimits(),
                        []() -> LoadResult { throw std::runtime_error("reader gave up"); })
                .error,
            "x.fbx: reader gave up");
  EXPECT_EQ(runIsolated("quit.x", quickLimits(), []() -> LoadResult { std::_Exit(3); }).error,
            "quit.x: the model reader failed on it (exit status 3)");
}

TEST(IsolatedImport, ARunawayAllocationEndsAtTheAddressSpaceLimit) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than any limit would leave";
#endif
  const LoadResult result = runIsolated("huge.ply", quickLimits(), [] {
    std::vector<Vector3> points(std::size_t{1} << 31);  // 24 GiB
    return LoadResult{std::move(points), {}};
  });
  EXPECT_EQ(result.error, "huge.ply: ran out of memory while reading it");
}

TEST(IsolatedImport, TheChildPrintsNothing) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  const LoadResult result = runIsolated("noisy.x", quickLimits(), [] {
    std::printf("reader chatter\n");
    std::fflush(stdout);
    std::fprintf(stderr, "reader warning\n");
    return LoadResult{{{1, 2, 3}}, {}};
  });
  const std::string out = testing::internal::GetCapturedStdout();
  const std::string err = testing::internal::GetCapturedStderr();
  ASSERT_TRUE(result.ok()) << result.error;
  EXPECT_EQ(out, "");
#if !defined(__SANITIZE_ADDRESS__)
  EXPECT_EQ(err, "");
#endif
}

}  // namespace

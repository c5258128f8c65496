// InlineVector against std::vector: the same random sequences of changes leave the same
// elements, whether they stay inline or spill to the heap, through copies and moves too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <random>
#include <span>
#include <utility>
#include <vector>

#include "geometry/vector3.h"
#include "hull/convex_hull.h"
#include "hull/inline_vector.h"

namespace {

using Small = InlineVector<std::int32_t, 3>;

void expectSame(const Small& small, const std::vector<std::int32_t>& reference) {
  ASSERT_EQ(small.size(), reference.size());
  ASSERT_EQ(small.empty(), reference.empty());
  ASSERT_GE(small.capacity(), small.size());
  ASSERT_EQ(small.end() - small.begin(), static_cast<std::ptrdiff_t>(small.size()));
  for (std::size_t i = 0; i < reference.size(); ++i)
    ASSERT_EQ(small[i], reference[i]) << "at " << i;
  ASSERT_TRUE(small == reference);
}

TEST(InlineVector, RandomChangesLeaveTheElementsStdVectorLeaves) {
  std::mt19937 rng(7);
  for (int run = 0; run < 500; ++run) {
    Small small;
    std::vector<std::int32_t> reference;
    for (int step = 0; step < 40; ++step) {
      const auto value = static_cast<std::int32_t>(rng() % 1000);
      switch (rng() % 10) {
        case 0:
        case 1:
        case 2:
          small.push_back(value);
          reference.push_back(value);
          break;
        case 3:
          // An element of the array itself, pushed just as the array must grow.
          if (!reference.empty()) {
            small.push_back(small.front());
            reference.push_back(reference.front());
          }
          break;
        case 4:
          if (!reference.empty()) {
            small.pop_back();
            reference.pop_back();
          }
          break;
        case 5: {
          const std::size_t count = rng() % 7;
          small.resize(count, value);
          reference.resize(count, value);
          break;
        }
        case 6: {
          const std::vector<std::int32_t> loop(rng() % 7, value);
          small.assign(loop.begin(), loop.end());
          reference = loop;
          break;
        }
        case 7:
          // An element of the array itself as the fill value, as the array may grow.
          if (!reference.empty()) {
            const std::size_t count = rng() % 13;
            small.resize(count, small.front());
            reference.resize(count, reference.front());
          }
          break;
        case 8: {
          Small copy = small;
          Small moved = std::move(copy);
          small = moved;
          moved = std::move(small);
          small = std::move(moved);
          const Small& self = small;
          small = self;
          break;
        }
        default:
          small.clear();
          reference.clear();
          break;
      }
      expectSame(small, reference);
    }
  }
}

TEST(InlineVector, ACopyIsIndependentOfItsSourceInlineAndOnTheHeap) {
  for (const std::size_t count : {std::size_t{2}, std::size_t{3}, std::size_t{9}}) {
    Small source;
    for (std::size_t i = 0; i < count; ++i)
      source.push_back(static_cast<std::int32_t>(i));
    Small copy = source;
    copy[0] = 99;
    EXPECT_EQ(source[0], 0);
    Small moved = std::move(copy);
    EXPECT_EQ(moved[0], 99);
    EXPECT_EQ(moved.size(), count);
    EXPECT_TRUE(copy.empty());  // NOLINT(bugprone-use-after-move): a moved-from array is empty
    EXPECT_FALSE(moved == source);
  }
}

TEST(InlineVector, FacetLoopsHandOutContiguousVertices) {
  // A span and glVertex3fv take the loop by address: elements must be contiguous, a
  // triangle's inline and a longer loop's on the heap alike.
  Facet f = triangleFacet(0, {0, 0, 0}, {1, 0, 0}, {0, 1, 0});
  const std::span<const Vector3> triangle(f.vertices);
  EXPECT_EQ(&triangle[2], &f.vertices[2]);
  const std::vector<Vector3> hexagon = {{0, 0, 0}, {2, 0, 0}, {3, 1, 0},
                                        {2, 2, 0}, {0, 2, 0}, {-1, 1, 0}};
  const auto sameLoop = [&](const InlineVector<Vector3, 3>& loop) {
    return std::equal(
        loop.begin(), loop.end(), hexagon.begin(), hexagon.end(),
        [](const Vector3& a, const Vector3& b) { return a.x == b.x && a.y == b.y && a.z == b.z; });
  };
  f.setVertices(hexagon);
  EXPECT_TRUE(sameLoop(f.vertices));
  EXPECT_EQ(f.triangleIndices.size(), 12u);
  const Facet copy = f;
  EXPECT_TRUE(sameLoop(copy.vertices));
  EXPECT_NE(copy.vertices.data(), f.vertices.data());
}

}  // namespace

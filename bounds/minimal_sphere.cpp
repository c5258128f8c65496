// Minimal enclosing sphere by randomised incremental construction (Welzl's idea in its
// iterative "move to front by restarting" form): a shuffled scan that merges every point
// lying outside the working sphere into a support set of at most four points, restarting
// whenever the sphere grows.
#include "bounds/minimal_sphere.h"

#include "bounds/exact_minimal_sphere.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <memory_resource>
#include <utility>
#include <vector>

bool sphereSeedPending = true;

namespace {

// Marks the merged point in a candidate's new support layout.
constexpr std::int8_t NEW_POINT = -1;

// One sphere tried by a support routine: it passes through the support points named in
// `subset` (in slot order) and then the merged point, and must enclose every other support
// point. `layout` gives the new support set slot by slot: an old slot index or NEW_POINT.
struct Candidate {
  std::int8_t subsetSize;
  std::int8_t subset[3];
  std::int8_t newCount;
  std::int8_t layout[4];
};

constexpr std::int8_t Q = NEW_POINT;

constexpr Candidate CANDIDATES_2[] = {
    {1, {0}, 2, {0, Q}},
    {1, {1}, 2, {Q, 1}},
};
constexpr Candidate FALLBACK_2 = {2, {0, 1}, 3, {0, 1, Q}};

constexpr Candidate CANDIDATES_3[] = {
    {1, {0}, 2, {0, Q}},       {1, {1}, 2, {Q, 1}},       {1, {2}, 2, {2, Q}},
    {2, {0, 1}, 3, {0, 1, Q}}, {2, {0, 2}, 3, {0, Q, 2}}, {2, {1, 2}, 3, {Q, 1, 2}},
};
constexpr Candidate FALLBACK_3 = {3, {0, 1, 2}, 4, {0, 1, 2, Q}};

constexpr Candidate CANDIDATES_4[] = {
    {1, {0}, 2, {0, Q}},
    {1, {1}, 2, {Q, 1}},
    {1, {2}, 2, {2, Q}},
    {1, {3}, 2, {3, Q}},
    {2, {0, 1}, 3, {0, 1, Q}},
    {2, {0, 2}, 3, {0, Q, 2}},
    {2, {0, 3}, 3, {0, 3, Q}},
    {2, {1, 2}, 3, {Q, 1, 2}},
    {2, {1, 3}, 3, {3, 1, Q}},
    {2, {2, 3}, 3, {3, Q, 2}},
    {3, {0, 1, 2}, 4, {0, 1, 2, Q}},
    {3, {0, 1, 3}, 4, {0, 1, Q, 3}},
    {3, {0, 2, 3}, 4, {0, Q, 2, 3}},
    {3, {1, 2, 3}, 4, {Q, 1, 2, 3}},
};

// The support points of a set, reached through the visiting order.
struct SupportPoints {
  const Vector3* at[4] = {nullptr, nullptr, nullptr, nullptr};
  int count = 0;

  SupportPoints(VisitingOrder order, const SupportSet& support) : count(support.count) {
    for (int s = 0; s < count; ++s) {
      at[s] = order[static_cast<std::size_t>(support.slots[s])];
    }
  }
};

Sphere build(const Candidate& c, const SupportPoints& s, const Vector3& q) {
  switch (c.subsetSize) {
    case 1:
      return diametralSphere(*s.at[c.subset[0]], q);
    case 2:
      return circumsphere3(*s.at[c.subset[0]], *s.at[c.subset[1]], q);
    default:
      return circumsphere4(*s.at[c.subset[0]], *s.at[c.subset[1]], *s.at[c.subset[2]], q);
  }
}

bool inSubset(const Candidate& c, int slot) {
  for (int i = 0; i < c.subsetSize; ++i) {
    if (c.subset[i] == slot) {
      return true;
    }
  }
  return false;
}

void adopt(const Candidate& c, int k, SupportSet& support) {
  const SupportSet old = support;
  support.count = c.newCount;
  for (int i = 0; i < c.newCount; ++i) {
    support.slots[i] = c.layout[i] == NEW_POINT ? k : old.slots[c.layout[i]];
  }
}

struct Choice {
  const Candidate* chosen = nullptr;  // the qualifying candidate of smallest squared radius
  Sphere sphere;
  // Among the finite candidates that do not qualify, the one whose farthest other support
  // point lies outside by the smallest factor on the squared radius (earliest on ties).
  const Candidate* nearest = nullptr;
  Sphere nearestSphere;
};

Choice choose(std::span<const Candidate> table, const SupportPoints& s, const Vector3& q) {
  Choice result;
  float best = FLOAT_INFINITY;
  float nearestExcess = FLOAT_INFINITY;
  bool first = true;
  for (const Candidate& c : table) {
    const Sphere candidate = build(c, s, q);
    const bool comparable = first || candidate.radius < best;
    first = false;
    if (!comparable) {
      continue;
    }
    bool enclosesOthers = true;
    float excess = 0.0f;
    for (int slot = 0; slot < s.count; ++slot) {
      if (inSubset(c, slot)) {
        continue;
      }
      if (!encloses(candidate, *s.at[slot])) {
        enclosesOthers = false;
        const Vector3 d = *s.at[slot] - candidate.center;
        const float ratio = dot(d, d) / candidate.radius;
        if (!(ratio <= excess)) {
          excess = ratio;
        }
      }
    }
    if (enclosesOthers) {
      best = candidate.radius;
      result.chosen = &c;
      result.sphere = candidate;
    } else if (std::isfinite(candidate.radius) && excess < nearestExcess) {
      nearestExcess = excess;
      result.nearest = &c;
      result.nearestSphere = candidate;
    }
  }
  return result;
}

// Merges q = order[k] by the candidate table; fallback, where the support size has one, is
// the sphere through every support point and q.
Sphere extendFromTable(std::span<const Candidate> table, const Candidate* fallback, int k,
                       VisitingOrder order, SupportSet& support) {
  const SupportPoints s(order, support);
  const Vector3& q = *order[static_cast<std::size_t>(k)];
  const Choice choice = choose(table, s, q);
  if (choice.chosen != nullptr) {
    adopt(*choice.chosen, k, support);
    return choice.sphere;
  }
  if (fallback != nullptr) {
    // A degenerate fall-back (+inf) is returned as it is, and the scan takes it because it
    // exceeds every finite squared radius.
    adopt(*fallback, k, support);
    return build(*fallback, s, q);
  }
  // No candidate of the four-point table qualifies. With exact arithmetic one always does
  // when q lies outside the sphere of the four support points, so only rounding gets here.
  // Return the finite candidate that misses its other support points by the smallest
  // factor: it passes through q and its own subset, so the support set written with it
  // describes it. The four diametral candidates are always finite, so one exists unless the
  // input holds NaN or overflows; then the support set is left as it was and the sphere
  // through q alone is returned, which the scan never takes (its squared radius 0 is not
  // above any working one). Either way the scan adopts a sphere only on a strict increase of
  // the squared radius, so it cannot cycle and ends after finitely many restarts.
  if (choice.nearest != nullptr) {
    adopt(*choice.nearest, k, support);
    return choice.nearestSphere;
  }
  return sphereAtPoint(q);
}

using SupportRoutine = Sphere (*)(int, VisitingOrder, SupportSet&);
constexpr SupportRoutine SUPPORT_ROUTINES[4] = {extendSupport1, extendSupport2, extendSupport3,
                                                extendSupport4};

}  // namespace

bool encloses(const Sphere& working, const Vector3& p) {
  const Vector3 d = p - working.center;
  const float squaredDistance = dot(d, d);
  const float limit = SPHERE_CONTAINMENT_SCALE * working.radius;
  return squaredDistance <= limit;
}

Sphere sphereAtPoint(const Vector3& p) {
  return {p, 0.0f};
}

Sphere diametralSphere(const Vector3& a, const Vector3& b) {
  const Vector3 d = b - a;
  return {(a + b) * 0.5f, dot(d, d) * 0.25f};
}

Sphere circumsphere3(const Vector3& a, const Vector3& b, const Vector3& c) {
  const Vector3 u = a - c;
  const Vector3 v = b - c;
  const float uu = dot(u, u);
  const float uv = dot(u, v);
  const float vv = dot(v, v);
  const float det = uu * vv - uv * uv;  // |u x v|^2
  if (std::fabs(det) <= SPHERE_EPSILON) {
    return {Vector3::ZERO, FLOAT_INFINITY};
  }
  const float h = 0.5f / det;
  const float s = vv * (uu - uv) * h;  // weight of a
  const float t = uu * (vv - uv) * h;  // weight of b
  const float w = 1.0f - s - t;        // weight of c
  const Vector3 fromC = v * t + u * s;
  return {c * w + (b * t + a * s), dot(fromC, fromC)};
}

Sphere circumsphere4(const Vector3& a, const Vector3& b, const Vector3& c, const Vector3& d) {
  const Vector3 e0 = a - d;
  const Vector3 e1 = b - d;
  const Vector3 e2 = c - d;
  const float m00 = dot(e0, e0);
  const float m01 = dot(e0, e1);
  const float m02 = dot(e0, e2);
  const float m11 = dot(e1, e1);
  const float m12 = dot(e1, e2);
  const float m22 = dot(e2, e2);

  const float c00 = m11 * m22 - m12 * m12;
  const float c01 = m12 * m02 - m22 * m01;
  const float c02 = m12 * m01 - m11 * m02;
  const float c11 = m00 * m22 - m02 * m02;
  const float c12 = m02 * m01 - m00 * m12;
  const float c22 = m00 * m11 - m01 * m01;
  const float det = m02 * c02 + m01 * c01 + m00 * c00;  // (e0 . (e1 x e2))^2
  if (std::fabs(det) <= SPHERE_EPSILON) {
    return {Vector3::ZERO, FLOAT_INFINITY};
  }

  // Solve M w = (m00, m11, m22) / 2 with the symmetric inverse of M.
  const float invDet = 1.0f / det;
  const float i00 = c00 * invDet;
  const float i01 = c01 * invDet;
  const float i02 = c02 * invDet;
  const float i11 = c11 * invDet;
  const float i12 = c12 * invDet;
  const float i22 = c22 * invDet;
  const float r0 = m00 * 0.5f;
  const float r1 = m11 * 0.5f;
  const float r2 = m22 * 0.5f;
  const float w0 = i00 * r0 + i01 * r1 + i02 * r2;
  const float w1 = i01 * r0 + i11 * r1 + i12 * r2;
  const float w2 = i02 * r0 + i12 * r1 + i22 * r2;
  const float w3 = 1.0f - w0 - w1 - w2;

  const Vector3 fromD = e0 * w0 + e1 * w1 + e2 * w2;
  return {a * w0 + b * w1 + c * w2 + d * w3, dot(fromD, fromD)};
}

Sphere extendSupport1(int k, VisitingOrder order, SupportSet& support) {
  const Vector3& s0 = *order[static_cast<std::size_t>(support.slots[0])];
  support.count = 2;
  support.slots[1] = k;
  return diametralSphere(s0, *order[static_cast<std::size_t>(k)]);
}

Sphere extendSupport2(int k, VisitingOrder order, SupportSet& support) {
  return extendFromTable(CANDIDATES_2, &FALLBACK_2, k, order, support);
}

Sphere extendSupport3(int k, VisitingOrder order, SupportSet& support) {
  return extendFromTable(CANDIDATES_3, &FALLBACK_3, k, order, support);
}

Sphere extendSupport4(int k, VisitingOrder order, SupportSet& support) {
  return extendFromTable(CANDIDATES_4, nullptr, k, order, support);
}

namespace {

// A point counts as held when it lies within the coincidence threshold of a support point
// or the working sphere encloses it.
bool held(VisitingOrder order, const Sphere& working, const SupportSet& support, const Vector3& q) {
  // Both tests are pure, so the cheaper one that usually decides goes first.
  if (encloses(working, q))
    return true;
  for (int s = 0; s < support.count; ++s) {
    const Vector3 d = q - *order[static_cast<std::size_t>(support.slots[s])];
    if (dot(d, d) < SPHERE_EPSILON)
      return true;
  }
  return false;
}

// The scan: merges every point outside the working sphere and restarts at the first
// position whenever the sphere grows. It ends: a restart needs a strictly larger squared
// radius (NaN never compares larger), and every candidate is a sphere through at most four of
// the n points, so the radii form a finite set.
void scan(VisitingOrder order, Sphere& working, SupportSet& support) {
  const int n = static_cast<int>(order.size());
  int k = 1;
  while (k < n) {
    const Vector3& q = *order[static_cast<std::size_t>(k)];
    if (held(order, working, support, q)) {
      ++k;
      continue;
    }
    const SupportSet previous = support;
    const Sphere candidate = SUPPORT_ROUTINES[support.count - 1](k, order, support);
    if (candidate.radius > working.radius) {
      working = candidate;
      k = 0;
    } else {
      // The working sphere stays, so its support set must stay too: a set rewritten for a
      // sphere that was not taken would no longer lie on the working sphere, and every later
      // merge built on it could leave points far outside the result.
      support = previous;
      ++k;
    }
  }
}

// Takes out of the visiting order every point whose bits equal those of a point at an earlier
// position, keeping the order of the rest. The scan's result does not change: between restarts
// the working sphere and support set stay as they are (a merge that is not taken restores the
// support set), so a repeat meets the state its first occurrence met and the same pure tests
// give the same outcome: held, or a merge that again comes out no larger. The repeat of the
// point at position 0 before the first restart is held as coincident with that support point.
// Every vertex of a hull appears once per facet around it, so this spares most of the scan.
void dropRepeats(std::pmr::vector<const Vector3*>& order) {
  int shift = 60;  // the table holds 2^(64 - shift) slots, at least twice the points
  while ((std::size_t{1} << (64 - shift)) < 2 * order.size())
    --shift;
  const std::size_t capacity = std::size_t{1} << (64 - shift);
  std::pmr::vector<const Vector3*> table(capacity, nullptr, order.get_allocator());
  const auto bits = [](const Vector3* p) {
    return std::array<std::uint32_t, 3>{std::bit_cast<std::uint32_t>(p->x),
                                        std::bit_cast<std::uint32_t>(p->y),
                                        std::bit_cast<std::uint32_t>(p->z)};
  };
  std::size_t kept = 0;
  for (const Vector3* p : order) {
    const std::array<std::uint32_t, 3> b = bits(p);
    // Multiplicative hashing: the top bits of the product depend on every input bit (whole
    // numbers in float leave the low mantissa bits zero).
    const std::uint64_t h =
        ((std::uint64_t{b[0]} << 32 | b[1]) ^ (std::uint64_t{b[2]} << 16)) * 0x9e3779b97f4a7c15ull;
    bool repeat = false;
    for (std::size_t j = static_cast<std::size_t>(h >> shift);; j = (j + 1) & (capacity - 1)) {
      if (table[j] == nullptr) {
        table[j] = p;
        break;
      }
      if (bits(table[j]) == b) {
        repeat = true;
        break;
      }
    }
    if (!repeat)
      order[kept++] = p;
  }
  order.resize(kept);
}

bool isFinitePoint(const Vector3& p) {
  return std::isfinite(p.x) && std::isfinite(p.y) && std::isfinite(p.z);
}

}  // namespace

namespace {

// minimalSphere of n points, visited through `place(k)`, the address of point k; `exact()`
// gives exactMinimalSphere of all n points in their order, for the rare final replacement.
template <class Place, class Exact>
Sphere minimalSphereOf(int n, Place place, Exact exact) {
  if (sphereSeedPending) {
    std::srand(SPHERE_GENERATOR_SEED);
    sphereSeedPending = false;
  }
  Sphere working;  // centre origin, squared radius 1: the answer for no points
  if (n >= 1) {
    // The order and the table of dropRepeats of the program's hulls fit a block on the stack.
    std::array<std::byte, 8192> block;
    std::pmr::monotonic_buffer_resource arena(block.data(), block.size(),
                                              std::pmr::new_delete_resource());
    std::pmr::vector<const Vector3*> storage(static_cast<std::size_t>(n), &arena);
    for (int k = 0; k < n; ++k) {
      storage[static_cast<std::size_t>(k)] = place(k);
    }
    for (int k = n - 1; k >= 1; --k) {
      const int j = std::rand() % (k + 1);
      if (j != k) {
        std::swap(storage[static_cast<std::size_t>(k)], storage[static_cast<std::size_t>(j)]);
      }
    }
    dropRepeats(storage);
    const VisitingOrder order(storage);

    working = sphereAtPoint(*order[0]);
    SupportSet support;  // count 1, slot 0 = position 0
    scan(order, working, support);

    // A point the scan passed because its merge came out no larger is still outside: the
    // containment factor lets a smaller candidate qualify when a support point lies just
    // beyond it, and the scan then moves on. Only then is the sphere computed anew, exactly;
    // where the scan left nothing out, nothing changes. The check is the scan's own, so a
    // point it skipped as coincident with a support point stays skipped; points with a
    // non-finite coordinate are never held and are not looked at.
    for (const Vector3* p : order) {
      const Vector3& q = *p;
      if (isFinitePoint(q) && !held(order, working, support, q)) {
        const ExactSphere replacement = exact();
        working = {replacement.center, replacement.squaredRadius};
        break;
      }
    }
  }
  return {working.center, static_cast<float>(std::sqrt(static_cast<double>(working.radius)))};
}

}  // namespace

Sphere minimalSphere(const Vector3* points, int n) {
  return minimalSphereOf(
      n, [points](int k) { return &points[k]; },
      [points, n] {
        return exactMinimalSphere(std::span<const Vector3>(points, static_cast<std::size_t>(n)));
      });
}

// The scan visits the facets' own vertex arrays; only the rare exact replacement gathers them.
void fitSphereToHull(const ConvexHull& hull, Sphere& sphere) {
  std::size_t count = 0;
  for (const Facet& facet : hull.facets)
    count += facet.vertices.size();
  std::array<std::byte, 4096> block;
  std::pmr::monotonic_buffer_resource arena(block.data(), block.size(),
                                            std::pmr::new_delete_resource());
  std::pmr::vector<const Vector3*> places(&arena);
  places.reserve(count);
  for (const Facet& facet : hull.facets) {
    for (const Vector3& v : facet.vertices)
      places.push_back(&v);
  }
  sphere = minimalSphereOf(
      static_cast<int>(count), [&places](int k) { return places[static_cast<std::size_t>(k)]; },
      [&hull, count] {
        std::vector<Vector3> gathered;
        gathered.reserve(count);
        for (const Facet& facet : hull.facets)
          gathered.insert(gathered.end(), facet.vertices.begin(), facet.vertices.end());
        return exactMinimalSphere(gathered);
      });
}

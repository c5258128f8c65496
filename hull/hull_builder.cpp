// The indexed build: the literal growth of the hull (see convex_hull.h) with every scan of the
// facet list replaced by an index that yields the same answer, in the same order.
//
// - Facets live in slots that are reused; list order is id order, so "the first facet" is the
//   one of smallest id, and the facet list is put together, sorted by id, only at the end.
// - The first facet with outside points comes from a queue in id order (facets get outside
//   points only when they are made, and ids only grow).
// - Planes sit in one contiguous array, a record per slot. Every facet is tested against
//   every eye point with the same float operations in the same order as the literal stage,
//   except those that a group bound proves unable to see it (VisibilityIndex below), which
//   the literal test would not have found either.
// - Outside sets are point indices in one pool, handed on once per step by a per-point stamp.
// - Sides are found through a hash index on their two vertices (see hull_builder.h for when
//   that equals the literal coordinate comparison, and the fallback when it does not).
#include "hull/hull_builder.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <functional>
#include <limits>
#include <memory_resource>
#include <utility>

#include "hull/convex_hull.h"

namespace {

constexpr std::uint32_t NONE = std::numeric_limits<std::uint32_t>::max();

// Working storage of one build. A small build takes it all from one block on the stack (see
// buildIndexed), so that it makes no allocation beyond those of the facets it hands back.
template <class T>
using Scratch = std::pmr::vector<T>;

// Gives the memory of v back (to the block, or to the heap for large builds).
template <class T>
void release(Scratch<T>& v) {
  Scratch<T>(v.get_allocator()).swap(v);
}

std::uint64_t mix(std::uint64_t k) {
  k ^= k >> 33;
  k *= 0xff51afd7ed558ccdull;
  k ^= k >> 33;
  k *= 0xc4ceb9fe1a85ec53ull;
  k ^= k >> 33;
  return k;
}

// Open addressing with linear probing from 64-bit keys to 32-bit values (NONE marks an empty
// slot, so it is never stored); erasing shifts the following run back, leaving no tombstones.
class FlatMap {
 public:
  // Empty, and without memory until the first insert.
  FlatMap() = default;

  std::uint32_t* find(std::uint64_t key) {
    if (size_ == 0)
      return nullptr;
    for (std::size_t i = home(key);; i = (i + 1) & mask_) {
      if (values_[i] == NONE)
        return nullptr;
      if (keys_[i] == key)
        return &values_[i];
    }
  }

  // The value stored under key, after storing value there when the key was absent.
  std::pair<std::uint32_t*, bool> insert(std::uint64_t key, std::uint32_t value) {
    if (2 * (size_ + 1) > values_.size())
      grow();
    for (std::size_t i = home(key);; i = (i + 1) & mask_) {
      if (values_[i] == NONE) {
        keys_[i] = key;
        values_[i] = value;
        ++size_;
        return {&values_[i], true};
      }
      if (keys_[i] == key)
        return {&values_[i], false};
    }
  }

  // Room for count more keys: until then, inserts move no entry, so that pointers from find
  // and insert stay valid while nothing is erased.
  void reserve(std::size_t count) {
    while (2 * (size_ + count) > values_.size())
      grow();
  }

  // Erases the entry whose value find or insert pointed at.
  void erase(std::uint32_t* value) {
    std::size_t hole = static_cast<std::size_t>(value - values_.data());
    values_[hole] = NONE;
    --size_;
    for (std::size_t j = (hole + 1) & mask_; values_[j] != NONE; j = (j + 1) & mask_) {
      const std::size_t k = home(keys_[j]);
      const bool stays = hole <= j ? (hole < k && k <= j) : (hole < k || k <= j);
      if (stays)
        continue;
      keys_[hole] = keys_[j];
      values_[hole] = values_[j];
      values_[j] = NONE;
      hole = j;
    }
  }

 private:
  std::size_t home(std::uint64_t key) const { return static_cast<std::size_t>(mix(key)) & mask_; }

  void reset(std::size_t capacity) {
    keys_.assign(capacity, 0);
    values_.assign(capacity, NONE);
    mask_ = capacity - 1;
    size_ = 0;
  }

  void grow() {
    std::vector<std::uint64_t> keys = std::move(keys_);
    std::vector<std::uint32_t> values = std::move(values_);
    reset(std::max<std::size_t>(16, 2 * values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) {
      if (values[i] != NONE)
        insert(keys[i], values[i]);
    }
  }

  std::vector<std::uint64_t> keys_;
  std::vector<std::uint32_t> values_;
  std::size_t mask_ = 0;
  std::size_t size_ = 0;
};

// Heads of the side chains by vertex pair: a dense table for small inputs (no hashing, one
// allocation), a FlatMap otherwise.
class SideIndex {
 public:
  SideIndex(std::size_t points, std::pmr::memory_resource* memory)
      : n_(points <= DENSE_POINTS ? points : 0), dense_(n_ * n_, NONE, memory) {}

  std::uint32_t* find(std::uint64_t key) {
    if (n_ == 0)
      return map_.find(key);
    std::uint32_t& head = dense_[denseIndex(key)];
    return head == NONE ? nullptr : &head;
  }
  std::pair<std::uint32_t*, bool> insert(std::uint64_t key, std::uint32_t value) {
    if (n_ == 0)
      return map_.insert(key, value);
    std::uint32_t& head = dense_[denseIndex(key)];
    const bool inserted = head == NONE;
    if (inserted)
      head = value;
    return {&head, inserted};
  }
  // Erases the head that find or insert pointed at.
  void erase(std::uint32_t* head) {
    if (n_ == 0)
      map_.erase(head);
    else
      *head = NONE;
  }
  // Until count more inserts, heads stay where find and insert found them.
  void reserve(std::size_t count) {
    if (n_ == 0)
      map_.reserve(count);
  }

 private:
  static constexpr std::size_t DENSE_POINTS = 64;
  std::size_t denseIndex(std::uint64_t key) const {
    return static_cast<std::size_t>(key >> 32) * n_ + static_cast<std::size_t>(key & 0xffffffffu);
  }
  std::size_t n_;
  Scratch<std::uint32_t> dense_;
  FlatMap map_;
};

// The points without their later copies (exact coordinates, -0 equal to +0, as the hull's
// point sets compare them). A copy is classified like its original against every plane and
// follows it into every outside set, and handing points on keeps only the first of equals:
// the first occurrence is the only one that ever matters. Empty when there are no copies.
Scratch<Vector3> withoutCopies(const std::vector<Vector3>& points,
                               std::pmr::memory_resource* memory) {
  std::size_t capacity = 16;
  while (capacity < 2 * points.size())
    capacity *= 2;
  Scratch<std::uint32_t> table(capacity, NONE, memory);
  const auto hash = [](const Vector3& p) {
    std::uint64_t h = 0;
    for (int k = 0; k < 3; ++k)
      h = mix(h ^ std::bit_cast<std::uint32_t>(p[k] + 0.0f));
    return static_cast<std::size_t>(h);
  };
  Scratch<Vector3> unique(memory);
  bool copies = false;
  for (std::size_t i = 0; i < points.size(); ++i) {
    const Vector3& p = points[i];
    bool copy = false;
    for (std::size_t j = hash(p) & (capacity - 1);; j = (j + 1) & (capacity - 1)) {
      if (table[j] == NONE) {
        table[j] = static_cast<std::uint32_t>(i);
        break;
      }
      const Vector3& q = points[table[j]];
      if (q.x == p.x && q.y == p.y && q.z == p.z) {
        copy = true;
        break;
      }
    }
    if (copy && !copies) {
      copies = true;
      unique.assign(points.begin(), points.begin() + static_cast<std::ptrdiff_t>(i));
    } else if (!copy && copies) {
      unique.push_back(p);
    }
  }
  return unique;
}

// Two distinct points whose sides the literal comparison would take as one: each squared
// coordinate difference below EDGE_MATCH_TOLERANCE, that is each difference below about
// 0.001. Vertices go into cells of CELL per axis; a point's partners lie in the cells its
// coordinates reach within REACH (generously above 0.001). Beyond 2^40 distinct floats are
// far apart, so a coordinate there is its own cell.
class NearVertexGrid {
 public:
  NearVertexGrid(std::span<const Vector3> points, std::pmr::memory_resource* memory)
      : points_(points), next_(points.size() <= FEW ? 0 : points.size(), memory), few_(memory) {
    few_.reserve(points.size() <= FEW ? points.size() : 0);
  }

  // Adds vertex i; true when an earlier, distinct vertex lies within the matching tolerance.
  bool addHasNear(std::uint32_t i) {
    const Vector3& p = points_[i];
    if (points_.size() <= FEW) {
      // Few points: comparing with each earlier vertex is cheaper than any grid.
      const bool near = std::any_of(few_.begin(), few_.end(), [&](std::uint32_t j) {
        return j != i && nearlyEqual(points_[j], p, EDGE_MATCH_TOLERANCE);
      });
      few_.push_back(i);
      return near;
    }
    std::array<std::int64_t, 3> lo{};
    std::array<std::int64_t, 3> hi{};
    std::array<std::int64_t, 3> own{};
    for (int k = 0; k < 3; ++k) {
      const Reach r = reach(p[k]);
      lo[static_cast<std::size_t>(k)] = r.first;
      hi[static_cast<std::size_t>(k)] = r.last;
      own[static_cast<std::size_t>(k)] = r.own;
    }
    bool near = false;
    for (std::int64_t x = lo[0]; x <= hi[0] && !near; ++x) {
      for (std::int64_t y = lo[1]; y <= hi[1] && !near; ++y) {
        for (std::int64_t z = lo[2]; z <= hi[2] && !near; ++z) {
          const std::uint32_t* head = cells_.find(cellKey(x, y, z));
          for (std::uint32_t j = head ? *head : NONE; j != NONE && !near; j = next_[j])
            near = j != i && nearlyEqual(points_[j], p, EDGE_MATCH_TOLERANCE);
        }
      }
    }
    auto [head, inserted] = cells_.insert(cellKey(own[0], own[1], own[2]), i);
    next_[i] = inserted ? NONE : *head;
    *head = i;
    return near;
  }

 private:
  static constexpr std::size_t FEW = 64;
  static constexpr double CELL = 0.01;
  static constexpr double REACH = 0.0015;
  static constexpr double FAR = 1099511627776.0;  // 2^40

  struct Reach {
    std::int64_t first;
    std::int64_t last;
    std::int64_t own;  // the cell of the coordinate itself
  };
  static Reach reach(float c) {
    const double x = c;
    if (std::fabs(x) >= FAR) {
      const auto own = static_cast<std::int64_t>(std::bit_cast<std::uint32_t>(c)) + (1ll << 60);
      return {own, own, own};
    }
    return {static_cast<std::int64_t>(std::floor((x - REACH) / CELL)),
            static_cast<std::int64_t>(std::floor((x + REACH) / CELL)),
            static_cast<std::int64_t>(std::floor(x / CELL))};
  }
  static std::uint64_t cellKey(std::int64_t x, std::int64_t y, std::int64_t z) {
    // Cells that share a key share a chain; the exact test sorts them out.
    return mix(static_cast<std::uint64_t>(x)) ^ (mix(static_cast<std::uint64_t>(y)) * 3) ^
           (mix(static_cast<std::uint64_t>(z)) * 7);
  }

  std::span<const Vector3> points_;
  Scratch<std::uint32_t> next_;
  FlatMap cells_;
  Scratch<std::uint32_t> few_;
};

// Facets grouped by the direction of their normals, so that one test can show that a whole
// group cannot see a point. The directions are cut by a cube map: each of its six faces is a
// quadtree down to a leaf level that deepens as the hull grows; every facet sits in the leaf of
// its normal, and every node keeps bounds of its facets that hold whatever they are made of:
// a box around the normal components, a point c, and the range of r = offset - dot(n, c).
//
// The literal test is d = fl(fl(fl(nz ez + ny ey) + nx ex) - offset), seen when d < -HULL_EPSILON.
// For a facet of the node, d equals dot(n, e) - offset = dot(n, e - c) - r up to the rounding of
// four float operations, at most 4u (|n| |e| + |offset|) with u = 2^-24 (plus the underflow of
// three products, below 1e-44), while nothing overflows. The node bound takes the smallest
// dot(n, e - c) over the box, less the largest r, less twice that rounding and a margin for the
// rounding of its own double arithmetic; when that stays at or above -HULL_EPSILON, no facet of
// the node can see e. Facets with a not-a-number plane never see anything and stay out; facets
// with an infinite plane component are tested at every step.
class VisibilityIndex {
 public:
  explicit VisibilityIndex(const Scratch<Plane>& planes) : planes_(planes) {}

  void add(std::uint32_t s) {
    if (s >= leaf_.size()) {
      leaf_.resize(s + 1, NONE);
      position_.resize(s + 1, NONE);
    }
    const Plane& p = planes_[s];
    const std::array<float, 4> f = {p.normal.x, p.normal.y, p.normal.z, p.offset};
    if (std::any_of(f.begin(), f.end(), [](float v) { return std::isnan(v); }))
      return;
    if (std::any_of(f.begin(), f.end(), [](float v) { return std::isinf(v); })) {
      leaf_[s] = ALWAYS;
      always_.push_back(s);
      return;
    }
    if (nodes_.empty())
      resetLevels(0);
    if (++count_ > LEAF_TARGET * nodes_.back().size())
      relevel();
    insert(s);
  }

  void remove(std::uint32_t s) {
    if (s >= leaf_.size() || leaf_[s] == NONE)
      return;
    if (leaf_[s] == ALWAYS) {
      std::erase(always_, s);
      leaf_[s] = NONE;
      return;
    }
    // The leaf's last member takes the place of the one that leaves.
    const std::uint32_t leaf = leaf_[s];
    std::vector<Member>& members = members_[leaf];
    members[position_[s]] = members.back();
    position_[members.back().slot] = position_[s];
    members.pop_back();
    leaf_[s] = NONE;
    --count_;
    std::uint32_t index = leaf;
    for (std::size_t l = levels(); l-- > 0; index = parentIndex(index, l))
      nodes_[l][index].dirty = true;
  }

  // Gives back all memory; the index is empty afterwards and takes no more facets.
  void release() {
    nodes_ = decltype(nodes_)();
    members_ = decltype(members_)();
    leaf_ = decltype(leaf_)();
    position_ = decltype(position_)();
    always_ = decltype(always_)();
  }

  // Calls visit(s, plane of s) for every facet that the node bounds cannot rule out for eye.
  template <class Visit>
  void forEachCandidate(const Vector3& eye, Visit visit) {
    for (const std::uint32_t s : always_)
      visit(s, planes_[s]);
    const double reach = std::max({std::fabs(eye.x), std::fabs(eye.y), std::fabs(eye.z)});
    const bool bounded = reach <= 1e30;  // far below float overflow in every product and sum
    const std::array<double, 3> e = {eye.x, eye.y, eye.z};
    for (std::uint32_t root = 0; root < 6; ++root)
      descend(0, root, e, reach, bounded, visit);
  }

 private:
  static constexpr std::uint32_t ALWAYS = NONE - 1;
  static constexpr std::size_t LEAF_TARGET = 24;        // facets per leaf before the leaves split
  static constexpr double ROUNDING = 8.0 / 16777216.0;  // twice 4u, u = 2^-24
  static constexpr double DOUBLE_MARGIN = 1e-12;        // far above the double rounding here
  static constexpr double UNDERFLOW_MARGIN = 1e-36;

  // The fields a test reads come first and fill one cache line; the rest are read only when
  // the node changes. lo, hi and c are floats: lo and hi are float normal components anyway,
  // and c may be any point, so the bounds hold for the rounded one as well.
  struct alignas(64) Bounds {
    std::array<float, 3> lo{};
    std::array<float, 3> hi{};
    std::array<float, 3> c{};
    // What ruledOut needs, gathered from the fields below by derive when they change: a
    // node is ruled out when sum_k min(lo_k d_k, hi_k d_k) >= threshold + slope * reach.
    double threshold = 0.0;
    double slope = 0.0;
    bool boundable = false;  // every magnitude small enough for the rounding bound
    bool used = false;
    bool dirty = false;
    bool derived = false;
    bool hasC = false;

    double rLo = 0.0;
    double rHi = 0.0;
    double sumAbsNormal = 0.0;  // largest |nx| + |ny| + |nz|
    double absOffset = 0.0;     // largest |offset|
    double absC = 0.0;          // largest |c| component here and in every node merged in
  };

  std::size_t levels() const { return nodes_.size(); }

  static std::uint32_t parentIndex(std::uint32_t index, std::size_t level) {
    // index = face * 4^level + v * 2^level + u
    const std::uint32_t side = 1u << level;
    const std::uint32_t face = index / (side * side);
    const std::uint32_t v = (index / side) % side;
    const std::uint32_t u = index % side;
    const std::uint32_t parentSide = side / 2;
    return face * parentSide * parentSide + (v / 2) * parentSide + u / 2;
  }

  // The four nodes one level down under the node index, in (v, u) order.
  static std::array<std::uint32_t, 4> childrenOf(std::uint32_t index, std::size_t level) {
    const std::uint32_t side = 1u << level;
    const std::uint32_t face = index / (side * side);
    const std::uint32_t v = (index / side) % side;
    const std::uint32_t u = index % side;
    const std::uint32_t childSide = 2 * side;
    const std::uint32_t first = face * childSide * childSide + 2 * v * childSide + 2 * u;
    return {first, first + 1, first + childSide, first + childSide + 1};
  }

  void resetLevels(std::size_t depth) {
    nodes_.clear();
    for (std::size_t l = 0; l <= depth; ++l)
      nodes_.emplace_back(6u << (2 * l));
    members_.assign(nodes_.back().size(), {});
  }

  // One more level: every facet goes into its new leaf.
  void relevel() {
    std::vector<std::uint32_t> slots;
    for (const std::vector<Member>& members : members_) {
      for (const Member& m : members)
        slots.push_back(m.slot);
    }
    resetLevels(levels());
    for (const std::uint32_t s : slots)
      insert(s);
  }

  std::uint32_t leafOf(double x, double y, double z) const {
    const double a[3] = {std::fabs(x), std::fabs(y), std::fabs(z)};
    const double n[3] = {x, y, z};
    int major = 0;
    if (a[1] > a[major])
      major = 1;
    if (a[2] > a[major])
      major = 2;
    // A zero normal (its squares passed the float range before normalising) points nowhere;
    // any leaf holds it, as node bounds hold whatever their facets are. The cells below would
    // divide by zero.
    if (!(a[major] > 0.0))
      return 0;
    const std::uint32_t face = 2 * static_cast<std::uint32_t>(major) + (n[major] < 0 ? 1 : 0);
    const std::size_t depth = levels() - 1;
    const std::uint32_t side = 1u << depth;
    const auto cell = [&](double t) {
      const double q = (t / a[major] + 1.0) * 0.5 * side;
      return static_cast<std::uint32_t>(std::clamp(q, 0.0, side - 1.0));
    };
    const std::uint32_t u = cell(n[(major + 1) % 3]);
    const std::uint32_t v = cell(n[(major + 2) % 3]);
    return face * side * side + v * side + u;
  }

  void insert(std::uint32_t s) {
    const Vector3& n = planes_[s].normal;
    const std::uint32_t leaf = leafOf(n.x, n.y, n.z);
    leaf_[s] = leaf;
    position_[s] = static_cast<std::uint32_t>(members_[leaf].size());
    members_[leaf].push_back({planes_[s], s});
    std::uint32_t index = leaf;
    for (std::size_t l = levels(); l-- > 0; index = parentIndex(index, l))
      widen(nodes_[l][index], planes_[s]);
  }

  static void widen(Bounds& b, const Plane& p) {
    const std::array<double, 3> n = {p.normal.x, p.normal.y, p.normal.z};
    const double offset = p.offset;
    if (!b.hasC) {
      // The point of the facet's plane nearest the origin: r is about zero for the facet.
      // (Clamped into float range: any c will do, and beyond it the offset is too large for
      // the node to be boundable anyway.)
      constexpr double FLOAT_MAX = std::numeric_limits<float>::max();
      for (std::size_t k = 0; k < 3; ++k)
        b.c[k] = static_cast<float>(std::clamp(offset * n[k], -FLOAT_MAX, FLOAT_MAX));
      for (const float ck : b.c)
        b.absC = std::max(b.absC, std::fabs(static_cast<double>(ck)));
      b.hasC = true;
    }
    const double r = offset - (n[0] * b.c[0] + n[1] * b.c[1] + n[2] * b.c[2]);
    const double sumAbs = std::fabs(n[0]) + std::fabs(n[1]) + std::fabs(n[2]);
    b.derived = false;
    if (!b.used) {
      b.lo = b.hi = {p.normal.x, p.normal.y, p.normal.z};
      b.rLo = b.rHi = r;
      b.sumAbsNormal = sumAbs;
      b.absOffset = std::fabs(offset);
      b.used = true;
      return;
    }
    for (std::size_t k = 0; k < 3; ++k) {
      b.lo[k] = std::min(b.lo[k], p.normal[static_cast<int>(k)]);
      b.hi[k] = std::max(b.hi[k], p.normal[static_cast<int>(k)]);
    }
    b.rLo = std::min(b.rLo, r);
    b.rHi = std::max(b.rHi, r);
    b.sumAbsNormal = std::max(b.sumAbsNormal, sumAbs);
    b.absOffset = std::max(b.absOffset, std::fabs(offset));
  }

  // Widens parent by child: there r' = r + dot(n, c - c') for the child's normals n.
  static void merge(Bounds& parent, const Bounds& child) {
    if (!child.used)
      return;
    parent.derived = false;
    if (!parent.hasC) {
      parent.c = child.c;
      parent.hasC = true;
    }
    parent.absC = std::max(parent.absC, child.absC);
    double shiftLo = 0.0;
    double shiftHi = 0.0;
    for (std::size_t k = 0; k < 3; ++k) {
      const double delta = static_cast<double>(child.c[k]) - parent.c[k];
      shiftLo += std::min(child.lo[k] * delta, child.hi[k] * delta);
      shiftHi += std::max(child.lo[k] * delta, child.hi[k] * delta);
    }
    const double rLo = child.rLo + shiftLo;
    const double rHi = child.rHi + shiftHi;
    if (!parent.used) {
      parent.lo = child.lo;
      parent.hi = child.hi;
      parent.rLo = rLo;
      parent.rHi = rHi;
      parent.sumAbsNormal = child.sumAbsNormal;
      parent.absOffset = child.absOffset;
      parent.used = true;
      return;
    }
    for (std::size_t k = 0; k < 3; ++k) {
      parent.lo[k] = std::min(parent.lo[k], child.lo[k]);
      parent.hi[k] = std::max(parent.hi[k], child.hi[k]);
    }
    parent.rLo = std::min(parent.rLo, rLo);
    parent.rHi = std::max(parent.rHi, rHi);
    parent.sumAbsNormal = std::max(parent.sumAbsNormal, child.sumAbsNormal);
    parent.absOffset = std::max(parent.absOffset, child.absOffset);
  }

  // Brings a node whose facets left up to date: a leaf from its facets, a node from its
  // children. c stays, so a refreshed node is as tight as the facets in it allow.
  void refresh(std::size_t level, std::uint32_t index) {
    Bounds& b = nodes_[level][index];
    if (!b.dirty)
      return;
    b.dirty = false;
    b.used = false;
    if (level + 1 == levels()) {
      for (const Member& m : members_[index])
        widen(b, m.plane);
      return;
    }
    for (const std::uint32_t child : childrenOf(index, level)) {
      refresh(level + 1, child);
      merge(b, nodes_[level + 1][child]);
    }
  }

  // The bound of the class comment, as lowest - rounding - margin >= -HULL_EPSILON with
  //   lowest   = sum_k min(lo_k d_k, hi_k d_k) - rHi, d = e - c,
  //   rounding = ROUNDING (sumAbsNormal reach + absOffset),
  //   margin   = DOUBLE_MARGIN (sumAbsNormal (reach + 2 absC) + absOffset + max |r|)
  //              + UNDERFLOW_MARGIN,
  // its terms regrouped by their factor of reach (the regrouping changes the double result by
  // far less than DOUBLE_MARGIN allows for).
  static void derive(Bounds& b) {
    b.derived = true;
    b.boundable = b.sumAbsNormal <= 4.0 && b.absOffset <= 1e38 && b.absC <= 1e38;
    b.slope = (ROUNDING + DOUBLE_MARGIN) * b.sumAbsNormal;
    b.threshold = b.rHi + ROUNDING * b.absOffset +
                  DOUBLE_MARGIN * (2.0 * b.sumAbsNormal * b.absC + b.absOffset +
                                   std::max(std::fabs(b.rLo), std::fabs(b.rHi))) +
                  UNDERFLOW_MARGIN - static_cast<double>(HULL_EPSILON);
  }

  // True when no facet of the node can see e (see the class comment).
  static bool ruledOut(Bounds& b, const std::array<double, 3>& e, double reach) {
    if (!b.derived)
      derive(b);
    if (!b.boundable)
      return false;
    double lowest = 0.0;
    for (std::size_t k = 0; k < 3; ++k) {
      const double d = e[k] - b.c[k];
      lowest += std::min(static_cast<double>(b.lo[k]) * d, static_cast<double>(b.hi[k]) * d);
    }
    return lowest >= b.threshold + b.slope * reach;
  }

  template <class Visit>
  void descend(std::size_t level, std::uint32_t index, const std::array<double, 3>& e, double reach,
               bool bounded, Visit& visit) {
    refresh(level, index);
    Bounds& b = nodes_[level][index];
    if (!b.used || (bounded && ruledOut(b, e, reach)))
      return;
    if (level + 1 == levels()) {
      for (const Member& m : members_[index])
        visit(m.slot, m.plane);
      return;
    }
    for (const std::uint32_t child : childrenOf(index, level))
      descend(level + 1, child, e, reach, bounded, visit);
  }

  const Scratch<Plane>& planes_;            // by slot
  std::vector<std::vector<Bounds>> nodes_;  // per level, face * 4^level + v * 2^level + u
  // A leaf's facets with copies of their planes, side by side: the test of a leaf reads one
  // contiguous array. Order within a leaf is free (the seen facets are put in list order).
  struct Member {
    Plane plane;
    std::uint32_t slot;
  };
  std::vector<std::vector<Member>> members_;  // per leaf
  std::vector<std::uint32_t> leaf_;           // per slot: its leaf, NONE or ALWAYS
  std::vector<std::uint32_t> position_;       // per slot: its place among its leaf's members
  std::vector<std::uint32_t> always_;
  std::size_t count_ = 0;
};

struct Slot {
  std::int32_t id = -1;  // -1 while the slot is free
  std::array<std::uint32_t, 3> v{};
  std::array<std::int32_t, 3> neighbor{-1, -1, -1};
  std::array<std::uint32_t, 3> neighborSlot{};  // where neighbor[k] lived when it was linked
  std::uint32_t seenIn = 0;                     // the last visibility test that saw the facet
  std::uint32_t outBegin = 0;
  std::uint32_t outCount = 0;
  std::uint32_t farthest = NONE;
  float farthestDistance = 0.0f;
  bool offered = false;  // the literal build computed the plane when it made the facet
};

struct PointState {
  std::uint32_t stamp = 0;  // the last step that handed the point on
  bool usedEye = false;     // an eye point of a step that added facets
  bool vertex = false;      // checked into the near-vertex grid
};

struct HorizonSide {
  std::uint32_t start;
  std::uint32_t end;
  std::int32_t neighbor;
};

class Builder {
 public:
  Builder(ConvexHull& hull, std::span<const Vector3> points, std::size_t inputCount,
          std::pmr::memory_resource* memory)
      : memory_(memory),
        hull_(hull),
        points_(points),
        facetLimit_(2 * inputCount),
        appendOnly_(points.size() <= APPEND_ONLY_POINTS),
        sides_(points.size(), memory),
        grid_(points, memory),
        pointState_(points.size(), memory) {
    // At most 2n facets live at once; small inputs get all their room at the start.
    const std::size_t room = std::min<std::size_t>(2 * points.size() + 4, 4096);
    slots_.reserve(room);
    planes_.reserve(room);
    sideNext_.reserve(4 * room);
    const std::size_t stepRoom = std::min<std::size_t>(room, 256);
    for (Scratch<std::uint32_t>* list : {&visible_, &orphans_, &newSlots_, &freeSlots_})
      list->reserve(stepRoom);
    horizon_.reserve(stepRoom);
    orphanPoints_.reserve(stepRoom);
    pool_.reserve(std::min<std::size_t>(8 * points.size(), 4096));
    eyesUsed_.reserve(stepRoom);
    eyeFacets_.reserve(stepRoom);
  }

  void run() {
    startWithSimplex();
    std::uint32_t step = 0;
    for (;;) {
      const std::uint32_t first = firstFacetWithOutsidePoints();
      if (first == NONE)
        break;
      const std::uint32_t eye = slots_[first].farthest;
      findVisible(points_[eye]);
      collectHorizon();
      collectOrphans(++step);
      // A closed triangulated hull of v vertices has 2v - 4 facets, so a step that would pass
      // 2n facets can only come from a surface that no longer closes (far beyond the range
      // the absolute tolerances suit, planes are mostly rounding). The build ends there; the
      // points still outside stay behind their facets.
      if (live_ - visible_.size() + horizon_.size() > facetLimit_)
        break;
      if (!horizon_.empty()) {
        pointState_[eye].usedEye = true;
        eyesUsed_.push_back(eye);
        addVertex(eye);
      }
      // Earlier eye points lie on the facets they span; rounding must not bring one back.
      std::erase_if(orphans_, [this](std::uint32_t i) { return pointState_[i].usedEye; });
      orphanPoints_.clear();
      for (const std::uint32_t i : orphans_)
        orphanPoints_.push_back(points_[i]);

      for (const std::uint32_t s : visible_)
        freeSlot(s);
      compactPool();
      newSlots_.clear();
      for (const HorizonSide& side : horizon_)
        addFacetFromSide(side, eye);
      linkNew();
      ++hull_.expansionSteps;
    }
    finish();
  }

 private:
  void startWithSimplex() {
    const SimplexCorners corners = chooseSimplexCorners(points_);
    hull_.interiorPoint = corners.interiorPoint;
    std::array<std::uint32_t, 4> c{};
    for (std::size_t k = 0; k < 4; ++k)
      c[k] = static_cast<std::uint32_t>(corners.index[k]);
    const std::array<std::array<std::uint32_t, 3>, 4> loops = {
        {{c[0], c[1], c[2]}, {c[1], c[0], c[3]}, {c[2], c[1], c[3]}, {c[0], c[2], c[3]}}};
    for (const std::uint32_t i : c)
      addVertex(i);
    newSlots_.clear();
    for (const auto& loop : loops)
      newSlots_.push_back(makeSlot(loop));
    linkNew();
    for (const std::uint32_t s : newSlots_)
      offer(s, nullptr, points_.data(), points_.size());
  }

  // The slot of the first facet in list order that has outside points, or NONE. Outside sets
  // are filled only when a facet is made, so a facet passed over never qualifies again: a
  // queue holds the facets made with outside points. They join it as they are made, so in
  // list order: the first live one is the answer.
  std::uint32_t firstFacetWithOutsidePoints() {
    while (eyeHead_ < eyeFacets_.size() &&
           slots_[eyeFacets_[eyeHead_].second].id != eyeFacets_[eyeHead_].first)
      ++eyeHead_;
    if (eyeHead_ == eyeFacets_.size())
      return NONE;
    // Entries passed over are dropped now and then, so that the queue stays about as long
    // as the live facets it names.
    if (eyeHead_ >= 4096 && 2 * eyeHead_ >= eyeFacets_.size()) {
      eyeFacets_.erase(eyeFacets_.begin(), eyeFacets_.begin() + eyeHead_);
      eyeHead_ = 0;
    }
    return eyeFacets_[eyeHead_].second;
  }

  // A vertex joins the hull: from the first pair within the matching tolerance on, sides are
  // linked by the literal scan.
  void addVertex(std::uint32_t i) {
    if (literal_ || pointState_[i].vertex)
      return;
    pointState_[i].vertex = true;
    literal_ = grid_.addHasNear(i);
  }

  std::uint32_t makeSlot(const std::array<std::uint32_t, 3>& loop) {
    std::uint32_t s;
    if (appendOnly_ || freeSlots_.empty()) {
      s = static_cast<std::uint32_t>(slots_.size());
      slots_.emplace_back();
      planes_.emplace_back();
      sideNext_.insert(sideNext_.end(), 4, NONE);
    } else {
      s = freeSlots_.back();
      freeSlots_.pop_back();
    }
    // Field by field: a whole-struct assignment goes through a temporary on the stack whose
    // reload stalls on the stores just made.
    Slot& f = slots_[s];
    f.id = hull_.nextFacetId++;
    f.v = loop;
    f.neighbor = {-1, -1, -1};
    f.seenIn = 0;
    f.outBegin = 0;
    f.outCount = 0;
    f.farthest = NONE;
    f.farthestDistance = 0.0f;
    f.offered = false;
    const std::array<Vector3, 3> corners = {points_[loop[0]], points_[loop[1]], points_[loop[2]]};
    const Plane plane = planeOfPolygon(corners);
    planes_[s] = plane;
    if (indexed_)
      visibility_.add(s);
    ++live_;
    return s;
  }

  void freeSlot(std::uint32_t s) {
    Slot& f = slots_[s];
    if (!literal_) {
      for (int k = 0; k < 3; ++k)
        removeSide(s, k);
    }
    liveOutside_ -= f.outCount;
    if (indexed_)
      visibility_.remove(s);
    f.id = -1;
    // A not-a-number offset keeps the free slot from ever seeing a point.
    planes_[s] = {Vector3::ZERO, std::numeric_limits<float>::quiet_NaN()};
    if (!appendOnly_)
      freeSlots_.push_back(s);
    --live_;
  }

  static std::uint64_t sideKey(const Slot& f, int k) {
    const std::uint32_t a = f.v[static_cast<std::size_t>(k)];
    const std::uint32_t b = f.v[static_cast<std::size_t>((k + 1) % 3)];
    return (static_cast<std::uint64_t>(std::min(a, b)) << 32) | std::max(a, b);
  }

  // The head of the side's chain, valid until the index changes otherwise than by inserts
  // within its reserve.
  std::uint32_t* addSide(std::uint32_t s, int k) {
    const std::uint32_t entry = sideEntry(s, k);
    auto [head, inserted] = sides_.insert(sideKey(slots_[s], k), entry);
    sideNext_[entry] = inserted ? NONE : *head;
    *head = entry;
    return head;
  }

  void removeSide(std::uint32_t s, int k) {
    const std::uint32_t entry = sideEntry(s, k);
    const std::uint64_t key = sideKey(slots_[s], k);
    std::uint32_t* head = sides_.find(key);
    if (*head == entry) {
      if (sideNext_[entry] == NONE)
        sides_.erase(head);
      else
        *head = sideNext_[entry];
      return;
    }
    std::uint32_t previous = *head;
    while (sideNext_[previous] != entry)
      previous = sideNext_[previous];
    sideNext_[previous] = sideNext_[entry];
  }

  // Links each new facet in turn, as linkNeighbors does: for each side the first facet in
  // list order (smallest id) other than itself that holds it, and there the first such side.
  void linkNew() {
    if (!literal_) {
      // With room reserved, no insert moves a head: each chain is read where its insert left
      // it, without a second lookup.
      sides_.reserve(3 * newSlots_.size());
      sideHeads_.clear();
      for (const std::uint32_t s : newSlots_) {
        for (int k = 0; k < 3; ++k)
          sideHeads_.push_back(addSide(s, k));
      }
      const std::uint32_t* const* head = sideHeads_.data();
      for (const std::uint32_t s : newSlots_) {
        const std::int32_t id = slots_[s].id;
        for (int k = 0; k < 3; ++k) {
          // The smallest (id, entry) among the other facets' entries: ids are not negative
          // here, and within one facet entries go by side.
          std::uint64_t best = NO_SIDE;
          for (std::uint32_t e = **head++; e != NONE; e = sideNext_[e]) {
            const std::int32_t other = slots_[e >> 2].id;
            const std::uint64_t key = std::uint64_t{static_cast<std::uint32_t>(other)} << 32 | e;
            best = other != id ? std::min(best, key) : best;
          }
          if (best != NO_SIDE) {
            const auto e = static_cast<std::uint32_t>(best);
            link(s, static_cast<std::size_t>(k), e >> 2, e & 3);
          }
        }
      }
      return;
    }
    const Scratch<std::uint32_t> order = slotsInListOrder();
    for (const std::uint32_t s : newSlots_) {
      Slot& f = slots_[s];
      for (std::size_t k = 0; k < 3; ++k) {
        const Edge e = edge(f, k);
        bool linked = false;
        for (const std::uint32_t o : order) {
          Slot& g = slots_[o];
          if (g.id == f.id)
            continue;
          for (std::size_t j = 0; j < 3 && !linked; ++j) {
            if (sidesMatch(e, edge(g, j))) {
              link(s, k, o, j);
              linked = true;
            }
          }
          if (linked)
            break;
        }
      }
    }
  }

  // Side k of the facet in slot s and side j of the one in slot t name each other.
  void link(std::uint32_t s, std::size_t k, std::uint32_t t, std::size_t j) {
    slots_[s].neighbor[k] = slots_[t].id;
    slots_[s].neighborSlot[k] = t;
    slots_[t].neighbor[j] = slots_[s].id;
    slots_[t].neighborSlot[j] = s;
  }

  // The occupied slots by ascending id: the order of the literal facet list.
  Scratch<std::uint32_t> slotsInListOrder() const {
    // Placed by id: ids are below nextFacetId, at most the number of facets ever made.
    Scratch<std::uint32_t> byId(static_cast<std::size_t>(hull_.nextFacetId), NONE, memory_);
    for (std::uint32_t s = 0; s < slots_.size(); ++s) {
      if (slots_[s].id >= 0)
        byId[static_cast<std::size_t>(slots_[s].id)] = s;
    }
    std::erase(byId, NONE);
    return byId;
  }

  const Plane& planeOf(std::uint32_t s) const { return planes_[s]; }

  Edge edge(const Slot& f, std::size_t k) const {
    return {points_[f.v[k]], points_[f.v[(k + 1) % 3]], f.neighbor[k]};
  }

  // Offers the points to the facet in slot s as Facet::offerPoint does, one by one in order.
  void offer(std::uint32_t s, const std::uint32_t* indices, const Vector3* points,
             std::size_t count) {
    Slot& f = slots_[s];
    f.offered = f.offered || count > 0;
    f.outBegin = static_cast<std::uint32_t>(pool_.size());
    const Plane plane = planeOf(s);
    // About a third of the points offered are kept, with no pattern a branch could learn:
    // every index is written and only the kept ones are counted. The farthest point needs
    // d < -HULL_EPSILON and d < farthestDistance; as farthestDistance starts at 0, that is
    // d < min(farthestDistance, -HULL_EPSILON), and a not-a-number d passes neither test.
    pool_.resize(f.outBegin + count);
    std::uint32_t* out = pool_.data() + f.outBegin;
    std::size_t kept = 0;
    for (std::size_t i = 0; i < count; ++i) {
      const float d = dot(plane.normal, points[i]) - plane.offset;
      const std::uint32_t index = indices ? indices[i] : static_cast<std::uint32_t>(i);
      out[kept] = index;
      kept += d < -HULL_EPSILON ? 1 : 0;
      if (d < std::min(f.farthestDistance, -HULL_EPSILON)) {
        f.farthestDistance = d;
        f.farthest = index;
      }
    }
    pool_.resize(f.outBegin + kept);
    f.outCount = static_cast<std::uint32_t>(kept);
    liveOutside_ += f.outCount;
    if (f.outCount > 0)
      eyeFacets_.push_back({f.id, s});
  }

  // Every facet that the visibility index cannot rule out is tested as classify does:
  // d = dot(normal, eye) - offset, seen when d < -HULL_EPSILON (never for a not-a-number d).
  void findVisible(const Vector3& eye) {
    validBefore_ = hull_.nextFacetId;
    const Plane* planes = planes_.data();
    visible_.clear();
    const auto test = [&](std::uint32_t s, const Plane& plane) {
      const float d = dot(plane.normal, eye) - plane.offset;
      if (d < -HULL_EPSILON)
        visible_.push_back(s);
    };
    // A small hull is cheaper to test whole, in one contiguous pass, than to index.
    if (!indexed_ && live_ > INDEX_FROM) {
      indexed_ = true;
      for (std::uint32_t s = 0; s < slots_.size(); ++s) {
        if (slots_[s].id >= 0)
          visibility_.add(s);
      }
    }
    if (indexed_) {
      visibility_.forEachCandidate(eye, test);
    } else {
      // Every slot is written and only the seen ones are kept: no branch to mispredict.
      visible_.resize(slots_.size());
      std::uint32_t* out = visible_.data();
      std::size_t seen = 0;
      for (std::uint32_t s = 0; s < slots_.size(); ++s) {
        const float d = dot(planes[s].normal, eye) - planes[s].offset;
        out[seen] = s;
        seen += d < -HULL_EPSILON ? 1 : 0;
      }
      visible_.resize(seen);
    }
    // Seen slots come in slot order, which is list order unless slots are reused.
    if (!appendOnly_)
      std::sort(visible_.begin(), visible_.end(),
                [this](std::uint32_t a, std::uint32_t b) { return slots_[a].id < slots_[b].id; });
    ++visibilityTests_;
    for (const std::uint32_t s : visible_)
      slots_[s].seenIn = visibilityTests_;
  }

  void collectHorizon() {
    horizon_.clear();
    for (const std::uint32_t s : visible_) {
      const Slot& f = slots_[s];
      for (std::size_t k = 0; k < 3; ++k) {
        // Across the side lies a facet that sees the eye point only if the link is live (the
        // slot still holds that id) and this test saw it.
        const Slot& g = slots_[f.neighborSlot[k]];
        if (f.neighbor[k] < 0 || g.id != f.neighbor[k] || g.seenIn != visibilityTests_)
          horizon_.push_back({f.v[k], f.v[(k + 1) % 3], f.neighbor[k]});
      }
    }
  }

  void collectOrphans(std::uint32_t step) {
    orphans_.clear();
    for (const std::uint32_t s : visible_) {
      const Slot& f = slots_[s];
      for (std::uint32_t i = f.outBegin; i < f.outBegin + f.outCount; ++i) {
        const std::uint32_t p = pool_[i];
        if (pointState_[p].stamp != step) {
          pointState_[p].stamp = step;
          orphans_.push_back(p);
        }
      }
    }
  }

  void addFacetFromSide(const HorizonSide& side, std::uint32_t eye) {
    std::uint32_t a = side.start;
    std::uint32_t b = side.end;
    const Vector3& e = points_[eye];
    // classify(orientation plane, interior point) == Back, inlined: Back is d < -epsilon (a
    // not-a-number d is not Back).
    Vector3 normal = cross(points_[a] - e, points_[b] - e);
    normal.normalize();
    if (dot(normal, hull_.interiorPoint) - dot(normal, e) < -HULL_EPSILON)
      std::swap(a, b);
    const std::uint32_t s = makeSlot({a, b, eye});
    newSlots_.push_back(s);
    offer(s, orphans_.data(), orphanPoints_.data(), orphans_.size());
  }

  // Outside sets of removed facets leave gaps in the pool; close them once they outweigh
  // the sets still in use.
  void compactPool() {
    if (pool_.size() < 2 * liveOutside_ + 4096)
      return;
    Scratch<std::uint32_t> pool(memory_);
    pool.reserve(2 * liveOutside_);
    for (Slot& f : slots_) {
      if (f.id < 0 || f.outCount == 0)
        continue;
      const auto begin = pool_.begin() + f.outBegin;
      f.outBegin = static_cast<std::uint32_t>(pool.size());
      pool.insert(pool.end(), begin, begin + f.outCount);
    }
    pool_ = std::move(pool);
  }

  void finish() {
    const Scratch<std::uint32_t> order = slotsInListOrder();
    // The facet list is the larger part of the result: what only the growth needed goes
    // first, so that the two never take memory side by side.
    sides_ = SideIndex(0, memory_);
    release(sideNext_);
    grid_ = NearVertexGrid({}, memory_);
    visibility_.release();
    release(pool_);
    release(pointState_);
    release(freeSlots_);
    release(eyeFacets_);
    release(orphans_);
    release(orphanPoints_);
    hull_.facets.reserve(order.size());
    for (const std::uint32_t s : order) {
      const Slot& f = slots_[s];
      Facet& facet = hull_.facets.emplace_back(
          triangleFacet(f.id, points_[f.v[0]], points_[f.v[1]], points_[f.v[2]]));
      for (std::size_t k = 0; k < 3; ++k)
        facet.edges[k].neighbor = f.neighbor[k];
      // The literal build computes a plane when it first offers the facet a point, and for
      // every facet in the list at each visibility test.
      if (f.offered || f.id < validBefore_) {
        facet.plane = planeOf(s);
        facet.planeValid = true;
      }
      if (f.farthest != NONE) {
        facet.farthestPoint = points_[f.farthest];
        facet.farthestDistance = f.farthestDistance;
      }
    }
  }

 public:
  // The eye points of the steps that added facets, in order.
  std::vector<Vector3> usedEyePoints() const {
    std::vector<Vector3> eyes;
    for (const std::uint32_t eye : eyesUsed_)
      eyes.push_back(points_[eye]);
    return eyes;
  }

 private:
  std::pmr::memory_resource* memory_;
  ConvexHull& hull_;
  std::span<const Vector3> points_;
  std::size_t facetLimit_;
  std::int32_t validBefore_ = 0;

  // Small builds never reuse a slot, so that slot order is list order (a dead slot is tested
  // for visibility at every step, but never seen); larger ones reuse free slots.
  static constexpr std::size_t APPEND_ONLY_POINTS = 32;
  const bool appendOnly_;
  Scratch<Slot> slots_{memory_};
  Scratch<std::uint32_t> freeSlots_{memory_};
  std::size_t live_ = 0;
  Scratch<Plane> planes_{memory_};  // by slot: one record, so a facet's test is one load
  VisibilityIndex visibility_{planes_};
  static constexpr std::size_t INDEX_FROM = 1024;  // live facets
  bool indexed_ = false;

  Scratch<std::uint32_t> pool_{memory_};
  std::size_t liveOutside_ = 0;
  using EyeFacet = std::pair<std::int32_t, std::uint32_t>;  // id, slot
  Scratch<EyeFacet> eyeFacets_{memory_};  // by ascending id; live ones from eyeHead_ on
  std::size_t eyeHead_ = 0;

  SideIndex sides_;
  // Side k of the facet in slot s is entry 4 s + k, so that slot and side come by shifts.
  static std::uint32_t sideEntry(std::uint32_t s, int k) {
    return s << 2 | static_cast<std::uint32_t>(k);
  }
  static constexpr std::uint64_t NO_SIDE = std::numeric_limits<std::uint64_t>::max();
  Scratch<std::uint32_t> sideNext_{memory_};    // entry -> next entry with that side
  Scratch<std::uint32_t*> sideHeads_{memory_};  // of the new facets' sides, in order
  bool literal_ = false;
  NearVertexGrid grid_;

  Scratch<PointState> pointState_;
  Scratch<std::uint32_t> eyesUsed_{memory_};

  Scratch<std::uint32_t> visible_{memory_};
  std::uint32_t visibilityTests_ = 0;
  Scratch<HorizonSide> horizon_{memory_};
  Scratch<std::uint32_t> orphans_{memory_};
  Scratch<Vector3> orphanPoints_{memory_};
  Scratch<std::uint32_t> newSlots_{memory_};
};

}  // namespace

void buildIndexed(ConvexHull& hull, const std::vector<Vector3>& points) {
  // A build of up to SMALL_BUILD points (the program's own clouds among them) works in a block
  // on the stack: the arena hands out memory by moving a pointer and never gives it back
  // before the end, which suits a short build; larger builds use the heap, where memory that
  // a growing array leaves behind is returned at once.
  constexpr std::size_t SMALL_BUILD = 64;
  std::array<std::byte, 32768> block;
  std::pmr::monotonic_buffer_resource arena(block.data(), block.size(),
                                            std::pmr::new_delete_resource());
  std::pmr::memory_resource* memory =
      points.size() <= SMALL_BUILD ? &arena : std::pmr::new_delete_resource();
  const Scratch<Vector3> unique = withoutCopies(points, memory);
  const std::span<const Vector3> distinct =
      unique.empty() ? std::span<const Vector3>(points) : std::span<const Vector3>(unique);
  Builder builder(hull, distinct, points.size(), memory);
  builder.run();
  // Only the stages read the set of earlier eye points; it is made when one first does.
  hull.pendingEyePoints_ = builder.usedEyePoints();
}

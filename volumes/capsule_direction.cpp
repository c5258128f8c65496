// Lower bounds of one direction's capsule: the pairs, and the Lagrangian certificate of a local
// solution, its weights by a projected gradient and Phi's maximum by a guarded Newton
// iteration (see capsule_direction.h for the argument).
#include "volumes/capsule_direction.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace capsule_direction {

namespace {

constexpr double PI = 3.14159265358979323846;
constexpr double INF = std::numeric_limits<double>::infinity();
constexpr double EPS = std::numeric_limits<double>::epsilon();

double sq(double v) {
  return v * v;
}

// Euclidean projection of v[0..n) onto the simplex {v >= 0, sum v = 1}, n <= 9.
void projectSimplex(double* v, int n) {
  if (n <= 0 || n > 9)
    return;
  // Descending by insertion: nine values at most.
  std::array<double, 9> s{};
  for (int k = 0; k < n; ++k) {
    int j = k;
    for (; j > 0 && s[static_cast<std::size_t>(j - 1)] < v[k]; --j)
      s[static_cast<std::size_t>(j)] = s[static_cast<std::size_t>(j - 1)];
    s[static_cast<std::size_t>(j)] = v[k];
  }
  double sum = 0.0, tau = 0.0;
  for (int k = 0; k < n; ++k) {
    sum += s[static_cast<std::size_t>(k)];
    const double t = (sum - 1.0) / (k + 1);
    if (s[static_cast<std::size_t>(k)] - t > 0.0)
      tau = t;
  }
  for (int k = 0; k < n; ++k)
    v[k] = std::max(0.0, v[k] - tau);
}

// Phi and its derivatives at (x, y) for radius r (capsule_direction.h); false where some
// weighted end's chord is not real (outside the set where Phi is concave).
struct PhiAt {
  double value = 0.0, gx = 0.0, gy = 0.0, hxx = 0.0, hxy = 0.0, hyy = 0.0;
  double leastChord = INF;  // the smallest weighted w, over r
  double gradientError = 0.0;
};
bool evaluate(const Weights& c, double scale, double r, double x, double y, double room,
              PhiAt& out) {
  out = PhiAt{};
  const double r2 = r * r;
  for (std::size_t k = 0; k < c.sites.size(); ++k) {
    const Site& s = c.sites[k];
    const double nu = c.chordWeight(k), kappa = c.rim[k];
    const double dx = s.x - x, dy = s.y - y;
    const double d2 = dx * dx + dy * dy;
    if (kappa > 0.0) {
      out.value += kappa * (r2 - d2 + room);
      out.gx += 2.0 * kappa * dx;
      out.gy += 2.0 * kappa * dy;
      out.hxx -= 2.0 * kappa;
      out.hyy -= 2.0 * kappa;
      out.gradientError += 2.0 * kappa * 8.0 * EPS * scale;
    }
    if (!(nu > 0.0))
      continue;
    const double w2 = r2 - d2;
    if (!(w2 > 0.0))
      return false;
    const double w = std::sqrt(w2);
    // w from above, for the value; the gradient (q - c) / w is exact up to w's error.
    out.value += nu * std::sqrt(w2 + room);
    out.gx += nu * dx / w;
    out.gy += nu * dy / w;
    const double w3 = w2 * w;
    out.hxx -= nu * (1.0 / w + dx * dx / w3);
    out.hyy -= nu * (1.0 / w + dy * dy / w3);
    out.hxy -= nu * dx * dy / w3;
    out.leastChord = std::min(out.leastChord, w / r);
    out.gradientError += nu * std::sqrt(d2) / w * (room / w2 + 8.0 * EPS);
  }
  return true;
}

// The weights of the sites active at the axis (cx, cy) and radius r whose pulls on the axis
// balance best (capsule_direction.h), from the candidate tops, bottoms and rim sites (nine in
// all at most).
Weights weigh(std::span<const Site> tops, std::span<const Site> bottoms, std::span<const Site> rims,
              double cx, double cy, double r, double scale) {
  Weights out;
  if (tops.empty() || bottoms.empty() || tops.size() + bottoms.size() + rims.size() > 9)
    return out;
  // The active ends and rim of the local solution, and the pulls of their terms on the axis:
  // (q - c) / w for an end, 2 (q - c) / r for a rim site (its weight then kappa r).
  const double near = 1e-7 * scale;
  const auto chord = [&](const Site& s) {
    return std::sqrt(std::max(0.0, r * r - sq(s.x - cx) - sq(s.y - cy)));
  };
  double s1 = -INF, s0 = INF;
  for (const Site& s : tops)
    s1 = std::max(s1, s.t - chord(s));
  for (const Site& s : bottoms)
    s0 = std::min(s0, s.t + chord(s));
  struct Term {
    Site site;
    double px, py;  // the pull
    int group;      // 0 top, 1 bottom, 2 rim
  };
  std::array<Term, 9> terms{};
  int n = 0;
  const auto push = [&](const Site& s, double w, int group) {
    const double f = 1.0 / std::max(w, 1e-9 * r);
    terms[static_cast<std::size_t>(n++)] = {s, (s.x - cx) * f, (s.y - cy) * f, group};
  };
  // An end on the rim (w near 0) pulls without bound: in the limit its weight vanishes
  // while weight / w stays finite, so it acts as a rim term along the same direction. It is
  // taken as one, unless it is its side's only end.
  const double steep = 1e-3 * r;
  const auto onRim = [&](const Site& s) {
    return std::sqrt(sq(s.x - cx) + sq(s.y - cy)) >= r - near;
  };
  std::array<Site, 9> rimSites{};
  int rimCount = 0;
  for (const Site& s : rims)
    if (onRim(s))
      rimSites[static_cast<std::size_t>(rimCount++)] = s;
  const auto end = [&](std::span<const Site> side, double sign, double level, int group) {
    int active = 0;
    for (const Site& s : side)
      active += std::fabs(s.t - sign * chord(s) - level) <= near;
    for (const Site& s : side) {
      if (!(std::fabs(s.t - sign * chord(s) - level) <= near))
        continue;
      if (chord(s) < steep && active > 1) {
        bool known = false;
        for (int k = 0; k < rimCount; ++k)
          known = known || (rimSites[static_cast<std::size_t>(k)].x == s.x &&
                            rimSites[static_cast<std::size_t>(k)].y == s.y);
        if (!known && rimCount < 9 && onRim(s))
          rimSites[static_cast<std::size_t>(rimCount++)] = s;
        continue;
      }
      push(s, chord(s), group);
    }
  };
  end(tops, 1.0, s1, 0);
  end(bottoms, -1.0, s0, 1);
  for (int k = 0; k < rimCount && n < 9; ++k)
    push(rimSites[static_cast<std::size_t>(k)], 0.5 * r, 2);
  // Weights with the pulls' sum nearest zero: projected gradient on 1/2 |G|^2, the tops' and
  // the bottoms' weights on their simplices, the rim's nonnegative. The top and bottom of
  // largest key start with all the weight.
  std::array<double, 9> v{};
  bool topSet = false, bottomSet = false;
  double lip = 0.0;
  for (int k = 0; k < n; ++k) {
    const Term& t = terms[static_cast<std::size_t>(k)];
    lip += sq(t.px) + sq(t.py);
    if (t.group == 0 && !topSet)
      v[static_cast<std::size_t>(k)] = 1.0, topSet = true;
    if (t.group == 1 && !bottomSet)
      v[static_cast<std::size_t>(k)] = 1.0, bottomSet = true;
  }
  if (!topSet || !bottomSet)
    return out;
  const double step = 1.0 / std::max(lip, 1e-300);
  std::array<double, 9> groupValues{};
  double lastNorm = INF;
  for (int it = 0; it < 400; ++it) {
    double gx = 0.0, gy = 0.0;
    for (int k = 0; k < n; ++k) {
      gx += v[static_cast<std::size_t>(k)] * terms[static_cast<std::size_t>(k)].px;
      gy += v[static_cast<std::size_t>(k)] * terms[static_cast<std::size_t>(k)].py;
    }
    // Done at zero, or where the residual has stopped falling (no weights reach zero).
    const double norm = sq(gx) + sq(gy);
    if (norm < 1e-28 || (it % 16 == 0 && norm > lastNorm * (1.0 - 1e-2)))
      break;
    if (it % 16 == 0)
      lastNorm = norm;
    for (int k = 0; k < n; ++k) {
      const Term& t = terms[static_cast<std::size_t>(k)];
      v[static_cast<std::size_t>(k)] -= step * (t.px * gx + t.py * gy);
    }
    for (int group = 0; group < 2; ++group) {
      int m = 0;
      for (int k = 0; k < n; ++k)
        if (terms[static_cast<std::size_t>(k)].group == group)
          groupValues[static_cast<std::size_t>(m++)] = v[static_cast<std::size_t>(k)];
      projectSimplex(groupValues.data(), m);
      m = 0;
      for (int k = 0; k < n; ++k)
        if (terms[static_cast<std::size_t>(k)].group == group)
          v[static_cast<std::size_t>(k)] = groupValues[static_cast<std::size_t>(m++)];
    }
    for (int k = 0; k < n; ++k)
      if (terms[static_cast<std::size_t>(k)].group == 2)
        v[static_cast<std::size_t>(k)] = std::max(0.0, v[static_cast<std::size_t>(k)]);
  }
  // The argument needs each side's weights to sum to one; the projection leaves them so up
  // to rounding, and dividing by the sum puts that rounding at the last bit.
  double topSum = 0.0, bottomSum = 0.0;
  for (int k = 0; k < n; ++k) {
    const Term& t = terms[static_cast<std::size_t>(k)];
    if (t.group == 0)
      topSum += v[static_cast<std::size_t>(k)];
    else if (t.group == 1)
      bottomSum += v[static_cast<std::size_t>(k)];
  }
  if (!(topSum > 0.0) || !(bottomSum > 0.0))
    return out;
  for (int k = 0; k < n; ++k) {
    const Term& t = terms[static_cast<std::size_t>(k)];
    const double weight = v[static_cast<std::size_t>(k)];
    if (!(weight > 0.0))
      continue;
    out.sites.push_back(t.site);
    if (t.group == 2) {
      out.lift.push_back(0.0);
      out.rim.push_back(weight / r);
    } else {
      const double nu = weight / (t.group == 0 ? topSum : bottomSum);
      out.lift.push_back(t.group == 0 ? nu : -nu);
      out.rim.push_back(0.0);
      out.a += (t.group == 0 ? nu : -nu) * t.site.t;
    }
  }
  out.valid = true;
  return out;
}

}  // namespace

double capsuleVolume(double r, double length) {
  return PI * r * r * length + 4.0 / 3.0 * PI * r * r * r;
}

Certificate certificate(std::span<const Site> tops, std::span<const Site> bottoms,
                        std::span<const Site> rims, std::span<const Site> support, double cx,
                        double cy, double r, double scale) {
  Certificate c;
  c.scale = scale;
  // The disc needs the support only; the weights check their own sites (weigh).
  if (support.empty() || support.size() > 3 || !(r > 0.0))
    return c;
  c.cx = c.hintX = cx;
  c.cy = c.hintY = cy;
  c.r = r;
  // The disc of feasible axes from the support, weighted by the barycentric coordinates of
  // its circumcentre (clipped to the triangle): the spread S is then the radius^2.
  std::array<double, 3> beta{1.0, 0.0, 0.0};
  if (support.size() == 2) {
    beta = {0.5, 0.5, 0.0};
  } else if (support.size() == 3) {
    const Site &a = support[0], &b = support[1], &d = support[2];
    const double bx = b.x - a.x, by = b.y - a.y, dx = d.x - a.x, dy = d.y - a.y;
    const double cr = bx * dy - by * dx;
    beta = {0.5, 0.5, 0.0};
    if (std::fabs(cr) > 0.0) {
      const double b2 = bx * bx + by * by, d2 = dx * dx + dy * dy;
      const double ox = (dy * b2 - by * d2) / (2.0 * cr), oy = (bx * d2 - dx * b2) / (2.0 * cr);
      // o = a + s (b - a) + t (d - a)
      const double s = (ox * dy - oy * dx) / cr, t = (bx * oy - by * ox) / cr;
      const std::array<double, 3> bc{std::max(0.0, 1.0 - s - t), std::max(0.0, s),
                                     std::max(0.0, t)};
      const double sum = bc[0] + bc[1] + bc[2];
      if (sum > 0.0 && std::isfinite(sum))
        beta = {bc[0] / sum, bc[1] / sum, bc[2] / sum};
    }
  }
  const auto spreadOf = [&](const std::array<double, 3>& weights, double& x, double& y) {
    x = y = 0.0;
    for (std::size_t k = 0; k < support.size(); ++k) {
      x += weights[k] * support[k].x;
      y += weights[k] * support[k].y;
    }
    double spread = 0.0;
    for (std::size_t k = 0; k < support.size(); ++k)
      spread += weights[k] * (sq(support[k].x - x) + sq(support[k].y - y));
    return spread;
  };
  c.spread = spreadOf(beta, c.c0x, c.c0y);
  // A triangle obtuse to rounding clips its circumcentre's weights; a side's midpoint can then
  // hold more.
  if (support.size() == 3)
    for (std::size_t k = 0; k < 3; ++k) {
      std::array<double, 3> half{0.5, 0.5, 0.5};
      half[k] = 0.0;
      double x = 0.0, y = 0.0;
      const double spread = spreadOf(half, x, y);
      if (spread > c.spread) {
        c.spread = spread;
        c.c0x = x;
        c.c0y = y;
      }
    }

  c.weights = weigh(tops, bottoms, rims, cx, cy, r, scale);
  c.valid = c.weights.valid;
  return c;
}

namespace {

// The bound of L*(r) over every direction within theta of the certificate's, to second
// order (capsule_direction.h): with c' the maximum of Phi at the centre and the sites turned
// by phi <= theta in the plane of u and a tangent b, A - Phi(c') changes by b.V phi at first
// order and by at most M phi^2 / 2 beyond it, and Phi's maximum lies above Phi(c') by at
// most |g|^2 / (2 m), g its gradient at c' after the turn and m its strong concavity.
double turnedLength(const Certificate& c, const Weights& w, double r, double theta, double x,
                    double y, double phiValue, double g0) {
  double vx = 0.0, vy = 0.0, curve = 0.0, turn = 0.0, concavity = 0.0, rims = 0.0;
  for (std::size_t k = 0; k < w.sites.size(); ++k) {
    const Site& q = w.sites[k];
    const double ex = q.x - x, ey = q.y - y;
    const double d = std::sqrt(ex * ex + ey * ey);
    const double rho = std::sqrt(q.x * q.x + q.y * q.y + q.t * q.t);
    // The farthest the site can be from c' after the turn, and its smallest chord there.
    const double far = d + theta * rho;
    vx += w.lift[k] * q.x;
    vy += w.lift[k] * q.y;
    curve += std::fabs(w.lift[k]) * rho;
    const double nu = w.chordWeight(k), kappa = w.rim[k];
    if (nu > 0.0) {
      const double w2 = r * r - far * far;
      if (!(w2 > 0.0))
        return 0.0;
      const double least = std::sqrt(w2), now = std::sqrt(r * r - d * d);
      vx -= nu * q.t * ex / now;
      vy -= nu * q.t * ey / now;
      curve += nu * (rho * far / least + rho * rho * r * r / (w2 * least));
      turn += nu * rho * r * r / (w2 * least);
      concavity += nu / r;
    }
    if (kappa > 0.0) {
      vx -= 2.0 * kappa * q.t * ex;
      vy -= 2.0 * kappa * q.t * ey;
      curve += kappa * (2.0 * rho * rho + 2.0 * far * rho);
      turn += 2.0 * kappa * rho;
      rims += 2.0 * kappa;
    }
  }
  concavity += rims;
  const double gradient = g0 + theta * turn;
  const double length = w.a - phiValue - std::sqrt(vx * vx + vy * vy) * theta -
                        0.5 * curve * theta * theta - gradient * gradient / (2.0 * concavity);
  const double margin = 64.0 * EPS * c.scale * (10.0 + gradient);
  return std::max(0.0, length - margin);
}

// The bound of L*(r) from the weights w: the maximum of Phi by Newton steps, halved until they
// stay where Phi is concave and rise, from (x, y) where it is inside the domain, else from
// the higher of the certificate's axis and the disc's centre; (x, y) is left at the maximum.
double boundWith(const Certificate& c, const Weights& w, double r, double theta, double& x,
                 double& y) {
  const double room = 16.0 * EPS * c.scale * c.scale;
  const double spreadLow = c.spread * (1.0 - 1e-12) - room;
  const double discRadius = std::sqrt(std::max(0.0, r * r - spreadLow));
  PhiAt at, next;
  bool started = evaluate(w, c.scale, r, x, y, room, at);
  const std::array<std::array<double, 2>, 2> starts{{{c.cx, c.cy}, {c.c0x, c.c0y}}};
  for (std::size_t k = 0; k < starts.size() && !started; ++k)
    if (evaluate(w, c.scale, r, starts[k][0], starts[k][1], room, next) &&
        (!started || next.value > at.value)) {
      x = starts[k][0];
      y = starts[k][1];
      at = next;
      started = true;
    }
  if (!started)
    return 0.0;
  for (int it = 0; it < 16; ++it) {
    const double det = at.hxx * at.hyy - at.hxy * at.hxy;
    if (!(det > 0.0))
      break;
    const double dx = -(at.hyy * at.gx - at.hxy * at.gy) / det;
    const double dy = -(at.hxx * at.gy - at.hxy * at.gx) / det;
    // Newton's decrement: about what a full step could still gain. The bound's tangent term
    // is first order in the gradient, the decrement second, so it goes down to 1e-20 of the
    // hull's size, which leaves the gradient near 1e-10 (and the bound is valid wherever
    // the iteration stops; each step past 1e-10 is quadratic, so few).
    if (at.gx * dx + at.gy * dy < 1e-20 * c.scale)
      break;
    bool moved = false;
    for (double alpha = 1.0; alpha > 1e-6; alpha *= 0.5) {
      const double nx = x + alpha * dx, ny = y + alpha * dy;
      if (evaluate(w, c.scale, r, nx, ny, room, next) && next.value >= at.value) {
        moved = !(nx == x && ny == y);
        x = nx;
        y = ny;
        at = next;
        break;
      }
    }
    if (!moved)
      break;
  }
  // The tangent's gradient is trusted only away from a chord's end, where it is steep.
  if (at.leastChord < 1e-4)
    return 0.0;
  const double g = std::sqrt(at.gx * at.gx + at.gy * at.gy);
  if (theta > 0.0)
    return turnedLength(c, w, r, theta, x, y, at.value, g);
  const double reach = std::sqrt(sq(c.c0x - x) + sq(c.c0y - y)) + discRadius;
  const double tangent = at.gx * (c.c0x - x) + at.gy * (c.c0y - y) + g * discRadius;
  const double length = w.a - at.value - tangent - at.gradientError * reach;
  // Room for the rounding of A, the sums and the tangent, at the hull's scale.
  const double margin = 64.0 * EPS * c.scale * (10.0 + g);
  return std::max(0.0, length - margin);
}

}  // namespace

double certifiedLength(const Certificate& c, double r, double theta) {
  if (!c.valid)
    return 0.0;
  const double room = 16.0 * EPS * c.scale * c.scale;
  if (theta == 0.0 && r * r < c.spread * (1.0 - 1e-12) - room)
    return INF;
  double x = c.hinted ? c.hintX : c.cx, y = c.hinted ? c.hintY : c.cy;
  // The weights are the local solution's multipliers, exact at its radius only; elsewhere
  // they still bound, less tightly the farther the radius is.
  const double best = boundWith(c, c.weights, r, theta, x, y);
  c.hintX = x;
  c.hintY = y;
  c.hinted = true;
  return best;
}

double directionBound(double rLo, std::span<const Pair> all, const Certificate* cert, double theta,
                      LengthOracle* exact, double known) {
  rLo = std::max(0.0, rLo);
  // Raised past the radius below which the certificate claims no axis (certifiedLength's
  // infinity) by more than the square root's and the square's rounding, so that the lowest
  // radius is never taken for one that holds nothing.
  if (cert && cert->valid && theta == 0.0)
    rLo = std::max(rLo, std::sqrt(std::max(0.0, cert->spread * (1.0 - 1e-12) -
                                                    16.0 * EPS * cert->scale * cert->scale)) *
                            (1.0 + 4.0 * EPS));
  // The length term rises with both dt and d, so a pair another matches or beats in both
  // never gives the largest: only the others are kept (the same maximum, fewer roots).
  std::array<Pair, 64> kept;
  std::size_t count = 0;
  for (std::size_t a = 0; a < all.size() && all.size() <= kept.size(); ++a) {
    bool dominated = false;
    for (std::size_t b = 0; b < all.size() && !dominated; ++b)
      dominated = b != a && all[b].dt >= all[a].dt && all[b].d >= all[a].d &&
                  (all[b].dt > all[a].dt || all[b].d > all[a].d || b < a);
    if (!dominated)
      kept[count++] = all[a];
  }
  const std::span<const Pair> pairs = count == 0 ? all : std::span<const Pair>(kept.data(), count);
  // The certificate costs a Newton iteration a radius: it is used only where it beats the
  // pairs at its own axis's radius.
  bool useCert = false;
  const auto length = [&](double r) {
    double l = 0.0;
    for (const Pair& q : pairs)
      l = std::max(l, q.dt - 2.0 * std::sqrt(std::max(0.0, r * r - 0.25 * q.d * q.d)));
    if (useCert)
      l = std::max(l, certifiedLength(*cert, r, theta));
    if (exact)
      l = std::max(l, exact->length(r, theta));
    return l;
  };
  if (cert && cert->valid) {
    const double pairsOnly = length(cert->r);
    useCert = certifiedLength(*cert, cert->r, theta) > pairsOnly;
  }
  // Above rTop the sphere of radius r alone holds more than h0, so the bound is at most h0
  // and only [rLo, rTop] is searched. h0 is the bound's own value at rLo, or the known
  // capsule's volume where that is larger.
  const double h0 = std::max(capsuleVolume(rLo, length(rLo)), std::isfinite(known) ? known : 0.0);
  const double rTop = std::cbrt(3.0 * h0 / (4.0 * PI));
  if (!(rTop > rLo))
    return h0;
  struct Span {
    double a, b, bound;
  };
  std::vector<Span> spans;
  double upper = h0;
  const auto make = [&](double a, double b) {
    const double l = length(b);
    upper = std::min(upper, capsuleVolume(b, l));
    return Span{a, b, PI * a * a * l + 4.0 / 3.0 * PI * a * a * a};
  };
  constexpr int START = 8;
  for (int k = 0; k < START; ++k)
    spans.push_back(make(rLo + (rTop - rLo) * k / START, rLo + (rTop - rLo) * (k + 1) / START));
  for (int it = 0; it < 48; ++it) {
    const auto low = std::min_element(
        spans.begin(), spans.end(), [](const Span& s, const Span& t) { return s.bound < t.bound; });
    if (low->bound >= upper * (1.0 - 1e-6))
      break;
    const double a = low->a, b = low->b, m = 0.5 * (a + b);
    *low = make(a, m);
    spans.push_back(make(m, b));
  }
  double lowest = upper;
  for (const Span& s : spans)
    lowest = std::min(lowest, s.bound);
  return lowest;
}

double tiltedBound(double centreBound, double theta, double rLo, double rho, double best) {
  if (!(rLo > 0.0) || !(centreBound > 0.0))
    return 0.0;
  // The ball's part too: what is left of `best` for the cylinder's part falls as r rises.
  const double ball = 4.0 / 3.0 * PI * rLo * rLo * rLo;
  const double hMax = std::min(rho, std::max(0.0, best - ball) / (2.0 * PI * rLo * rLo));
  const double k = 1.0 + theta * hMax / rLo;
  return std::min(best, centreBound / (k * k * k));
}

}  // namespace capsule_direction

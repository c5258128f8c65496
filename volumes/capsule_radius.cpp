// The shortest segment of one direction and radius by a logarithmic barrier method, in the
// units of the radius around the start point (see capsule_radius.h).
#include "volumes/capsule_radius.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

namespace capsule_direction {

namespace {

constexpr double INF = std::numeric_limits<double>::infinity();

using Vec4 = std::array<double, 4>;
using Mat4 = std::array<std::array<double, 4>, 4>;

// The sites in the radius's units around the start point, heights around their middle.
struct Scaled {
  std::vector<double> x, y, t;
};

// The barrier's terms of one site at the point z = (x, y, s0, s1): false where z is not
// strictly inside the site's three constraints.
struct Slacks {
  double rim, top, bottom, w;  // 1 - d^2, s1 - t + w, t + w - s0, and w
};
bool slacks(const Scaled& s, std::size_t k, const Vec4& z, Slacks& out) {
  const double dx = z[0] - s.x[k], dy = z[1] - s.y[k];
  out.rim = 1.0 - (dx * dx + dy * dy);
  if (!(out.rim > 0.0))
    return false;
  out.w = std::sqrt(out.rim);
  out.top = z[3] - s.t[k] + out.w;
  out.bottom = s.t[k] + out.w - z[2];
  return out.top > 0.0 && out.bottom > 0.0;
}

// The barrier's gradient and Hessian at z (inside).
void derivatives(const Scaled& s, const Vec4& z, double m, Vec4& g, Mat4& h) {
  g = {0.0, 0.0, -1.0 / m, 1.0 / m};
  h = {};
  Slacks sl{};
  for (std::size_t k = 0; k < s.x.size(); ++k) {
    slacks(s, k, z, sl);
    const double dx = z[0] - s.x[k], dy = z[1] - s.y[k];
    // Rim: -log(1 - d^2).
    const double e = sl.rim;
    g[0] += 2.0 * dx / e;
    g[1] += 2.0 * dy / e;
    h[0][0] += 2.0 / e + 4.0 * dx * dx / (e * e);
    h[1][1] += 2.0 / e + 4.0 * dy * dy / (e * e);
    h[0][1] += 4.0 * dx * dy / (e * e);
    // Ends: -log(u) with u = s1 - t + w or t + w - s0; grad w = -delta / w and
    // Hess w = -(I / w + delta delta^T / w^3), so Hess(-log u) = grad u grad u^T / u^2 -
    // Hess u / u.
    const double w = sl.w, w3 = w * w * w;
    const double wx = -dx / w, wy = -dy / w;
    const double cxx = 1.0 / w + dx * dx / w3, cyy = 1.0 / w + dy * dy / w3, cxy = dx * dy / w3;
    for (int side = 0; side < 2; ++side) {
      const double u = side == 0 ? sl.top : sl.bottom;
      const Vec4 du = side == 0 ? Vec4{wx, wy, 0.0, 1.0} : Vec4{wx, wy, -1.0, 0.0};
      for (int i = 0; i < 4; ++i) {
        g[i] -= du[i] / u;
        for (int j = i; j < 4; ++j)
          h[i][j] += du[i] * du[j] / (u * u);
      }
      h[0][0] += cxx / u;
      h[1][1] += cyy / u;
      h[0][1] += cxy / u;
    }
  }
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < i; ++j)
      h[i][j] = h[j][i];
}

// Solves h x = b for a symmetric positive definite h (Cholesky); false where it is not.
bool solve(Mat4 h, Vec4 b, Vec4& x) {
  for (int j = 0; j < 4; ++j) {
    double d = h[j][j];
    for (int k = 0; k < j; ++k)
      d -= h[j][k] * h[j][k];
    if (!(d > 0.0))
      return false;
    h[j][j] = std::sqrt(d);
    for (int i = j + 1; i < 4; ++i) {
      double v = h[i][j];
      for (int k = 0; k < j; ++k)
        v -= h[i][k] * h[j][k];
      h[i][j] = v / h[j][j];
    }
  }
  for (int i = 0; i < 4; ++i) {
    for (int k = 0; k < i; ++k)
      b[i] -= h[i][k] * b[k];
    b[i] /= h[i][i];
  }
  for (int i = 3; i >= 0; --i) {
    for (int k = i + 1; k < 4; ++k)
      b[i] -= h[k][i] * b[k];
    b[i] /= h[i][i];
  }
  x = b;
  return true;
}

}  // namespace

RadiusSolution shortestSegment(std::span<const Site> sites, double r, double cx, double cy,
                               double m0) {
  RadiusSolution out;
  if (sites.empty() || !(r > 0.0) || !std::isfinite(r))
    return out;
  double tLo = INF, tHi = -INF;
  for (const Site& q : sites) {
    tLo = std::min(tLo, q.t);
    tHi = std::max(tHi, q.t);
  }
  const double tm = 0.5 * (tLo + tHi);
  Scaled s;
  for (const Site& q : sites) {
    s.x.push_back((q.x - cx) / r);
    s.y.push_back((q.y - cy) / r);
    s.t.push_back((q.t - tm) / r);
  }
  // The start: the given axis point, each end past the sites' extreme by about the slack
  // of the path at the first weight (half a radius from the first weight 1).
  const double margin = 0.5 * std::min(1.0, m0 * 6.0);
  Vec4 z{0.0, 0.0, INF, -INF};
  Slacks sl{};
  for (std::size_t k = 0; k < s.x.size(); ++k) {
    const double d2 = s.x[k] * s.x[k] + s.y[k] * s.y[k];
    if (!(d2 < 1.0))
      return out;
    const double w = std::sqrt(1.0 - d2);
    z[3] = std::max(z[3], s.t[k] - w + margin);
    z[2] = std::min(z[2], s.t[k] + w - margin);
  }
  const double constraints = 3.0 * static_cast<double>(s.x.size());
  double m = m0;
  bool last = m * constraints < 1e-8;
  for (int steps = 0; steps < 200;) {
    // Damped Newton steps on the barrier at weight m (the step 1 / (1 + sqrt(decrement)) of
    // self-concordant barriers where the decrement is above 4, else the full step, halved
    // while it leaves the domain) until the point is near the path; then m falls twentyfold.
    // No value of the barrier is needed.
    for (int inner = 0; inner < 40 && steps < 200; ++inner, ++steps) {
      Vec4 g, dz;
      Mat4 h;
      derivatives(s, z, m, g, h);
      const Vec4 minus{-g[0], -g[1], -g[2], -g[3]};
      if (!solve(h, minus, dz))
        break;
      const double decrement = -(g[0] * dz[0] + g[1] * dz[1] + g[2] * dz[2] + g[3] * dz[3]);
      if (!(decrement > 1e-20))
        break;
      double alpha = decrement > 4.0 ? 1.0 / (1.0 + std::sqrt(decrement)) : 1.0;
      bool moved = false;
      for (; alpha > 1e-12; alpha *= 0.5) {
        const Vec4 next{z[0] + alpha * dz[0], z[1] + alpha * dz[1], z[2] + alpha * dz[2],
                        z[3] + alpha * dz[3]};
        bool inside = true;
        for (std::size_t k = 0; k < s.x.size() && inside; ++k)
          inside = slacks(s, k, next, sl);
        if (inside) {
          moved = !(next == z);
          z = next;
          break;
        }
      }
      // Near enough to the path for the next weight, except at the last one, where the
      // multipliers are read.
      if (!moved || decrement < (last ? 1e-9 : 1e-2) || (last && inner >= 8))
        break;
    }
    if (last)
      break;
    m *= 0.05;
    last = m * constraints < 1e-8;
  }
  // The multipliers of the path's point: m / slack for each constraint.
  std::vector<double> lambda(s.x.size()), mu(s.x.size()), kappa(s.x.size());
  double lambdaSum = 0.0, muSum = 0.0;
  for (std::size_t k = 0; k < s.x.size(); ++k) {
    if (!slacks(s, k, z, sl))
      return out;
    lambda[k] = m / sl.top;
    mu[k] = m / sl.bottom;
    kappa[k] = m / sl.rim;
    lambdaSum += lambda[k];
    muSum += mu[k];
  }
  // Small ones are dropped: the weights stay a certificate (any are).
  double topKept = 0.0, bottomKept = 0.0;
  for (std::size_t k = 0; k < s.x.size(); ++k) {
    slacks(s, k, z, sl);
    if (lambda[k] < 1e-12 * lambdaSum)
      lambda[k] = 0.0;
    if (mu[k] < 1e-12 * muSum)
      mu[k] = 0.0;
    if (kappa[k] < 1e-12)
      kappa[k] = 0.0;
    topKept += lambda[k];
    bottomKept += mu[k];
  }
  if (!(topKept > 0.0) || !(bottomKept > 0.0))
    return out;
  // An end whose chord is short (below STEEP of r) enters by the tangent of its square root
  // at the solution (Weights::chord), which holds everywhere, also where the chord is not
  // real: the bound's maximisation then never meets its steep end.
  constexpr double STEEP = 1e-2;
  Weights& w = out.weights;
  const auto push = [&](const Site& q, double lift, double kappaScaled, double chord0) {
    w.sites.push_back(q);
    w.lift.push_back(lift);
    w.a += lift * q.t;
    const double nu = std::fabs(lift);
    if (nu > 0.0 && chord0 < STEEP) {
      // In the radius's units: nu w' <= nu / (2 w0') (1 - d'^2) + nu w0' / 2.
      w.rim.push_back((kappaScaled + nu / (2.0 * chord0)) / r);
      w.chord.push_back(0.0);
      w.a -= nu * chord0 / 2.0 * r;
    } else {
      w.rim.push_back(kappaScaled / r);
      w.chord.push_back(nu);
    }
  };
  for (std::size_t k = 0; k < s.x.size(); ++k) {
    slacks(s, k, z, sl);
    if (lambda[k] > 0.0 || kappa[k] > 0.0)
      push(sites[k], lambda[k] / topKept, kappa[k], sl.w);
    if (mu[k] > 0.0)
      push(sites[k], -mu[k] / bottomKept, 0.0, sl.w);
  }
  w.valid = true;
  out.valid = true;
  out.cx = cx + r * z[0];
  out.cy = cy + r * z[1];
  out.s0 = tm + r * z[2];
  out.s1 = tm + r * z[3];
  out.gap = r * m * constraints;
  return out;
}

Certificate solvedCertificate(const Certificate& frame, RadiusSolution solve, double r) {
  Certificate c = frame;
  c.valid = solve.valid;
  c.weights = std::move(solve.weights);
  c.cx = c.hintX = solve.cx;
  c.cy = c.hintY = solve.cy;
  c.hinted = false;
  c.r = r;
  return c;
}

}  // namespace capsule_direction

// SymmetricEigen3: Householder tridiagonalisation, implicit-shift QL and selection sort,
// all in single precision (see the header for the contract).
#include "geometry/symmetric_eigen3.h"

#include <cmath>
#include <utility>

namespace {

// Sweeps allowed for one eigenvalue before the QL stage gives up.
constexpr int MAX_QL_SWEEPS = 32;

// Overwrites the 3x3 block in place: the row storage keeps its size and is never reallocated.
using Row = float[3];
template <class Rows>
void setRows(Rows& rows, const Row& r0, const Row& r1, const Row& r2) {
  for (int j = 0; j < 3; ++j) {
    rows[0][j] = r0[j];
    rows[1][j] = r1[j];
    rows[2][j] = r2[j];
  }
}

// The stages work on any rows type indexed as rows[i][j]: the class's nested vectors, and the
// fixed array of solveSymmetric3, which so gets the same operations in the same order.

template <class Rows>
void tridiagonalizeRows(Rows& rows, std::span<float> diagonal, std::span<float> subdiagonal);
template <class Rows>
bool reduceQLRows(int n, std::span<float> d, std::span<float> e, Rows& z);
template <class Rows>
void sortIncreasingRows(int n, std::span<float> d, Rows& z);

}  // namespace

SymmetricEigen3::SymmetricEigen3(int n)
    : size(n),
      rows(static_cast<std::size_t>(n), std::vector<float>(static_cast<std::size_t>(n))),
      diagonal(static_cast<std::size_t>(n)),
      subdiagonal(static_cast<std::size_t>(n)) {}

void SymmetricEigen3::solve() {
  tridiagonalize(rows, diagonal, subdiagonal);
  reduceQL(size, diagonal, subdiagonal, rows);  // non-convergence is deliberately not reported
  sortIncreasing(size, diagonal, rows);
}

void SymmetricEigen3::tridiagonalize(Rows& rows, std::span<float> diagonal,
                                     std::span<float> subdiagonal) {
  tridiagonalizeRows(rows, diagonal, subdiagonal);
}

bool SymmetricEigen3::reduceQL(int n, std::span<float> d, std::span<float> e, Rows& z) {
  return reduceQLRows(n, d, e, z);
}

void SymmetricEigen3::sortIncreasing(int n, std::span<float> d, Rows& z) {
  sortIncreasingRows(n, d, z);
}

void solveSymmetric3(Matrix3Rows& rows, std::array<float, 3>& diagonal) {
  std::array<float, 3> subdiagonal{};
  tridiagonalizeRows(rows, diagonal, subdiagonal);
  reduceQLRows(3, diagonal, subdiagonal, rows);  // non-convergence is deliberately not reported
  sortIncreasingRows(3, diagonal, rows);
}

namespace {

template <class Rows>
void tridiagonalizeRows(Rows& rows, std::span<float> diagonal, std::span<float> subdiagonal) {
  // Upper triangle only.
  const float a00 = rows[0][0];
  const float a01 = rows[0][1];
  const float a02 = rows[0][2];
  const float a11 = rows[1][1];
  const float a12 = rows[1][2];
  const float a22 = rows[2][2];

  diagonal[0] = a00;
  subdiagonal[2] = 0.0f;
  if (a02 == 0.0f) {
    // Already tridiagonal. A not-a-number a02 compares unequal and takes the reflection.
    diagonal[1] = a11;
    diagonal[2] = a22;
    subdiagonal[0] = a01;
    subdiagonal[1] = a12;
    setRows(rows, {1.0f, 0.0f, 0.0f}, {0.0f, 1.0f, 0.0f}, {0.0f, 0.0f, 1.0f});
    return;
  }

  // Reflect (a01, a02) onto (L, 0): rows 1 and 2 of the reflection are (u, v), (v, -u).
  const float length = std::sqrt(a01 * a01 + a02 * a02);
  const float inverse = 1.0f / length;
  const float u = a01 * inverse;
  const float v = a02 * inverse;
  const float q = 2.0f * u * a12 + v * (a22 - a11);
  diagonal[1] = a11 + v * q;
  diagonal[2] = a22 - v * q;
  subdiagonal[0] = length;
  subdiagonal[1] = a12 - u * q;
  setRows(rows, {1.0f, 0.0f, 0.0f}, {0.0f, u, v}, {0.0f, v, -u});
}

template <class Rows>
bool reduceQLRows(int n, std::span<float> d, std::span<float> e, Rows& z) {
  for (int l = 0; l < n; ++l) {
    int sweeps = 0;
    for (;;) {
      // First m at which e[m] is negligible beside its two diagonal neighbours. The sum is
      // compared in double: rounding it to float would declare e[m] negligible as soon as
      // it falls below half an ulp of dd, a coarser test than the exact one.
      int m = l;
      for (; m <= n - 2; ++m) {
        const float dd = std::fabs(d[m]) + std::fabs(d[m + 1]);
        if (static_cast<double>(std::fabs(e[m])) + static_cast<double>(dd) ==
            static_cast<double>(dd)) {
          break;
        }
      }
      if (m == l)
        break;  // d[l] has converged

      // Implicit shift from the trailing 2x2 block at l; the root is taken with the sign
      // of g (g = 0 counts as positive) so that g + r does not cancel.
      float g = (d[l + 1] - d[l]) / (2.0f * e[l]);
      float r = std::sqrt(g * g + 1.0f);
      g = g >= 0.0f ? d[m] - d[l] + e[l] / (g + r) : d[m] - d[l] + e[l] / (g - r);
      float s = 1.0f;
      float c = 1.0f;
      float p = 0.0f;
      for (int i = m - 1; i >= l; --i) {
        const float f = s * e[i];
        const float b = c * e[i];
        // Divide by the larger of f and g so the ratio stays at most 1 in magnitude.
        if (std::fabs(f) >= std::fabs(g)) {
          c = g / f;
          r = std::sqrt(c * c + 1.0f);
          e[i + 1] = f * r;
          s = 1.0f / r;
          c = c * s;
        } else {
          s = f / g;
          r = std::sqrt(s * s + 1.0f);
          e[i + 1] = g * r;
          c = 1.0f / r;
          s = s * c;
        }
        g = d[i + 1] - p;
        r = (d[i] - g) * s + 2.0f * c * b;
        p = s * r;
        d[i + 1] = g + p;
        g = c * r - b;
        for (int k = 0; k < n; ++k) {
          const float t = z[k][i + 1];
          z[k][i + 1] = s * z[k][i] + c * t;
          z[k][i] = c * z[k][i] - s * t;
        }
      }
      d[l] = d[l] - p;
      e[l] = g;
      e[m] = 0.0f;

      if (++sweeps >= MAX_QL_SWEEPS)
        return false;
    }
  }
  return true;
}

template <class Rows>
void sortIncreasingRows(int n, std::span<float> d, Rows& z) {
  for (int i = 0; i < n - 1; ++i) {
    int k = i;
    float smallest = d[i];
    for (int j = i + 1; j < n; ++j) {
      if (d[j] < smallest) {
        k = j;
        smallest = d[j];
      }
    }
    if (k != i) {
      std::swap(d[i], d[k]);
      for (int row = 0; row < n; ++row)
        std::swap(z[row][i], z[row][k]);
    }
  }
}

}  // namespace

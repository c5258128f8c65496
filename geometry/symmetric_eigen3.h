// SymmetricEigen3: eigenvalues and eigenvectors of a real symmetric 3x3 matrix.
//
// The classical method for small symmetric matrices: one Householder reflection reduces
// the matrix to tridiagonal form, the QL algorithm with implicit shifts diagonalises it
// while accumulating its plane rotations into the eigenvector matrix, and a selection sort
// orders the eigenvalues increasingly, carrying the eigenvectors along.
//
// Contract (stated once, here):
// - Every stored value and every intermediate is a 32-bit float. The one exception is the
//   QL convergence test, |e[m]| + dd == dd with dd = |d[m]| + |d[m+1]| formed in float,
//   which is evaluated in double so that the sum is not rounded back to float first.
// - Usage: construct with n (always 3 here), write rows[i][j] for every i, j, call solve(),
//   then read eigenvalue k as diagonal[k] and its eigenvector as the column
//   (rows[0][k], rows[1][k], rows[2][k]).
// - After solve() the values are in increasing order when they are all numbers; the
//   columns are orthonormal up to rounding, carry no sign convention and are not
//   renormalised, and may form a left-handed frame (the reflection has determinant -1).
// - The reflection squares a01 and a02 without scaling: when a02 != 0 and a01^2 + a02^2
//   is subnormal in float (both entries below about 1e-19 in magnitude) the reflection, and
//   so the frame, is not orthogonal. Moment matrices of point clouds at ordinary scales never come
//   near that.
// - Only the upper triangle (a00, a01, a02, a11, a12, a22) is read; entries below the
//   diagonal are ignored.
// - Nothing is checked or reported: not-a-number entries flow through to the results, and
//   a QL stage that does not converge in 32 sweeps for one eigenvalue stops early; solve()
//   sorts the values as they stand and the caller cannot tell.
// - The storage, the QL stage and the sort work for any n; the reduction handles exactly
//   the leading 3x3 block, so only n = 3 is meaningful for solve().
#pragma once

#include <array>
#include <span>
#include <vector>

class SymmetricEigen3 {
 public:
  using Rows = std::vector<std::vector<float>>;

  int size;
  Rows rows;                       // input matrix; on output the eigenvectors, one per column
  std::vector<float> diagonal;     // output eigenvalues; the tridiagonal diagonal meanwhile
  std::vector<float> subdiagonal;  // work space: the tridiagonal off-diagonal, e[i] couples
                                   // d[i] and d[i+1]

  explicit SymmetricEigen3(int n);
  SymmetricEigen3(const SymmetricEigen3&) = delete;
  SymmetricEigen3(SymmetricEigen3&&) = delete;
  SymmetricEigen3& operator=(const SymmetricEigen3&) = delete;
  SymmetricEigen3& operator=(SymmetricEigen3&&) = delete;
  ~SymmetricEigen3() = default;

  // tridiagonalize, reduceQL (its result ignored), sortIncreasing, in this order.
  void solve();

  // Stages of solve, public so that tests can drive them one at a time.

  // Householder reduction of the 3x3 matrix in rows: fills diagonal[0..2] and
  // subdiagonal[0..2] (subdiagonal[2] = 0) and replaces rows by the reflection used, or by
  // the identity when a02 is exactly 0.
  static void tridiagonalize(Rows& rows, std::span<float> diagonal, std::span<float> subdiagonal);
  // Diagonalises the tridiagonal (diagonal, subdiagonal) of order n, applying every plane
  // rotation to the columns of rows. Returns false, leaving later eigenvalues untreated, as
  // soon as one eigenvalue has taken 32 sweeps.
  static bool reduceQL(int n, std::span<float> diagonal, std::span<float> subdiagonal, Rows& rows);
  // Selection sort of diagonal[0..n-1] into increasing order, exchanging columns of rows
  // alongside. Strict comparison: the first of equal values wins and a not-a-number
  // candidate is never replaced, nor does one replace a candidate.
  static void sortIncreasing(int n, std::span<float> diagonal, Rows& rows);
};

// solve() on a fixed 3x3 matrix without allocating: write rows[i][j], call, then read the
// eigenvalues from diagonal and the eigenvectors from the columns of rows. The results are
// those of SymmetricEigen3(3) on the same input, bit for bit (the same stages run on both).
using Matrix3Rows = std::array<std::array<float, 3>, 3>;
void solveSymmetric3(Matrix3Rows& rows, std::array<float, 3>& diagonal);

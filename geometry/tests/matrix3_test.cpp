// Tests of Matrix3: the identity by default, and columns read and written across the rows.
#include "geometry/matrix3.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string text(const Matrix3& m) {
  std::ostringstream os;
  os << m[0] << " | " << m[1] << " | " << m[2];
  return os.str();
}

TEST(Matrix3, DefaultIsIdentityAndColumnsCrossTheRows) {
  EXPECT_EQ(text(Matrix3{}), "1 0 0 | 0 1 0 | 0 0 1");
  Matrix3 m({1, 2, 3}, {4, 5, 6}, {7, 8, 9});
  const Vector3 c1 = m.column(1);
  m.setColumn(1, m.column(2));
  m.setColumn(2, c1);
  EXPECT_EQ(text(m), "1 3 2 | 4 6 5 | 7 9 8");
  EXPECT_EQ(text(Matrix3::zero()), "0 0 0 | 0 0 0 | 0 0 0");
}

}  // namespace

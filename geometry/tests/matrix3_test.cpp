#include "geometry/matrix3.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

std::string text(const Matrix3& m) {
  std::ostringstream os;
  os << m[0] << " | " << m[1] << " | " << m[2];
  return os.str();
}

TEST(Matrix3, DefaultIsIdentity) { EXPECT_EQ(text(Matrix3{}), "1 0 0 | 0 1 0 | 0 0 1"); }

TEST(Matrix3, ColumnsReadAndWriteAcrossRows) {
  Matrix3 m({1, 2, 3}, {4, 5, 6}, {7, 8, 9});
  const Vector3 c1 = m.column(1);
  EXPECT_EQ(c1.x, 2.0f);
  EXPECT_EQ(c1.y, 5.0f);
  EXPECT_EQ(c1.z, 8.0f);
  m.setColumn(1, Vector3::ZERO);
  EXPECT_EQ(text(m), "1 0 3 | 4 0 6 | 7 0 9");
  // Writing a column back unchanged is the identity for every column.
  for (int i = 0; i < 3; ++i) {
    Matrix3 copy = m;
    copy.setColumn(i, copy.column(i));
    EXPECT_EQ(text(copy), text(m));
  }
  EXPECT_EQ(text(Matrix3::zero()), "0 0 0 | 0 0 0 | 0 0 0");
}

}  // namespace

// Box fitting by area-weighted facet moments and a symmetric eigen decomposition, with the
// box report. Every sum starts at zero and runs in facet list order.
#include "bounds/box_fit.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <iostream>
#include <memory_resource>
#include <string_view>
#include <utility>

#include "bounds/report_text.h"

#include "geometry/matrix3.h"
#include "geometry/symmetric_eigen3.h"

namespace {

Vector3 facetNormal(const Vector3& p0, const Vector3& p1, const Vector3& p2) {
  return cross(p1 - p0, p2 - p0);
}

}  // namespace

void fitBoxToHull(const ConvexHull& hull, OBB& box, std::ostream& out) {
  // Pass 1: total area and the reference point. Each facet's |normal| is kept for pass 2,
  // which needs the same value.
  std::array<std::byte, 4096> block;
  std::pmr::monotonic_buffer_resource arena(block.data(), block.size(),
                                            std::pmr::new_delete_resource());
  std::pmr::vector<float> normalLength(&arena);
  normalLength.reserve(hull.facets.size());
  int n = 0;
  float area = 0.0f;
  Vector3 weighted;
  for (const Facet& facet : hull.facets) {
    const Vector3& p0 = facet.vertices[0];
    const Vector3& p1 = facet.vertices[1];
    const Vector3& p2 = facet.vertices[2];
    const Vector3 s = (p0 + p1) + p2;
    const Vector3 normal = facetNormal(p0, p1, p2);
    normalLength.push_back(std::sqrt(dot(normal, normal)));
    const float a = normalLength.back() * 0.5f;
    area = area + a;
    weighted = weighted + s * a;
    n = n + 1;
  }
  // The divisor keeps the facet count: c is the weighted centroid mean divided by n. The box
  // still encloses every vertex, because its centre is placed from the extents alone.
  const Vector3 c = weighted * (1.0f / ((static_cast<float>(n) * area) * 3.0f));

  // Pass 2: moment matrix, each facet's (d0 + d1 + d2)(d0 + d1 + d2)^T as nine ordered outer
  // products, weighted by the facet's share of the area.
  Matrix3 moments = Matrix3::zero();
  const float inverseArea = 1.0f / area;
  for (std::size_t f = 0; f < hull.facets.size(); ++f) {
    const Facet& facet = hull.facets[f];
    const Vector3& p0 = facet.vertices[0];
    const Vector3& p1 = facet.vertices[1];
    const Vector3& p2 = facet.vertices[2];
    const Vector3 d[3] = {p0 - c, p1 - c, p2 - c};
    Matrix3 contribution = Matrix3::zero();
    for (int i = 0; i < 3; ++i) {
      for (int j = 0; j < 3; ++j) {
        for (int r = 0; r < 3; ++r) {
          for (int s = 0; s < 3; ++s) {
            contribution[r][s] = contribution[r][s] + d[i][r] * d[j][s];
          }
        }
      }
    }
    const float w = (normalLength[f] * inverseArea) * 0.5f;
    for (int col = 0; col < 3; ++col) {
      contribution.setColumn(col, contribution.column(col) * w);
    }
    for (int r = 0; r < 3; ++r) {
      for (int s = 0; s < 3; ++s) {
        moments[r][s] = moments[r][s] + contribution[r][s];
      }
    }
  }
  // A uniform factor: it changes only the eigenvalues, which are not used.
  const float normalisation = 1.0f / (static_cast<float>(n) * 12.0f);
  for (int col = 0; col < 3; ++col) {
    moments.setColumn(col, moments.column(col) * normalisation);
  }

  // Pass 3: the axes are the eigenvector columns, taken as they are (the fixed-size solve is
  // SymmetricEigen3's, without its allocations).
  Matrix3Rows rows{};
  for (std::size_t i = 0; i < 3; ++i) {
    for (std::size_t j = 0; j < 3; ++j) {
      rows[i][j] = moments[static_cast<int>(i)][static_cast<int>(j)];
    }
  }
  std::array<float, 3> eigenvalues{};
  solveSymmetric3(rows, eigenvalues);
  Vector3 axis[3];
  for (std::size_t k = 0; k < 3; ++k) {
    axis[k] = {rows[0][k], rows[1][k], rows[2][k]};
  }

  // Pass 4: extents along each axis over every vertex of every facet.
  Vector3 lo = Vector3::POSITIVE_INFINITY;
  Vector3 hi = -Vector3::POSITIVE_INFINITY;
  for (const Facet& facet : hull.facets) {
    if (facet.vertices.empty()) {
      continue;
    }
    for (const Vector3& v : facet.vertices) {
      for (int k = 0; k < 3; ++k) {
        const float t = dot(v - c, axis[k]);
        if (t < lo[k]) {
          lo[k] = t;
        }
        if (t > hi[k]) {
          hi[k] = t;
        }
      }
    }
  }

  Vector3 center = c;
  for (int k = 0; k < 3; ++k) {
    box.halfLengths[k] = (hi[k] - lo[k]) * 0.5f;
    center = center + axis[k] * ((lo[k] + hi[k]) * 0.5f);
    box.axes[k] = axis[k];
  }
  box.center = center;

  // Pass 5: the report.
  writeBoxReport(out, box);
}

// The report as the stream would write it: line one with its line feed and no flush, then each
// line written whole and flushed, as std::endl does. Where the stream's float formatting is not
// the default, the stream writes the numbers itself.
void writeBoxReport(std::ostream& out, const OBB& box) {
  if (!formatsFloatsByDefault(out)) {
    out << "Constructed OBB " << '\n';
    out << "Axis 0 " << box.axes[0] << std::endl;
    out << "Axis 1 " << box.axes[1] << std::endl;
    out << "Axis 2 " << box.axes[2] << std::endl;
    out << "Center " << box.center << std::endl;
    out << "Lengths " << box.halfLengths << std::endl;
    return;
  }
  out.write("Constructed OBB \n", 17);
  const std::pair<std::string_view, const Vector3*> lines[] = {{"Axis 0 ", &box.axes[0]},
                                                               {"Axis 1 ", &box.axes[1]},
                                                               {"Axis 2 ", &box.axes[2]},
                                                               {"Center ", &box.center},
                                                               {"Lengths ", &box.halfLengths}};
  for (const auto& [label, v] : lines) {
    char line[80];
    char* end = std::copy(label.begin(), label.end(), line);
    for (int k = 0; k < 3; ++k) {
      if (k > 0)
        *end++ = ' ';
      end = formatFloat(end, line + sizeof line, (*v)[k]);
    }
    *end++ = '\n';
    out.write(line, end - line);
    out.flush();
  }
}

void fitBoxToHull(const ConvexHull& hull, OBB& box) {
  fitBoxToHull(hull, box, std::cout);
}

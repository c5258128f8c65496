// bvcloud: prints the demo's random cloud for a seed as a point list (three numbers a line),
// so that bvfit and scripts can measure exactly the clouds bvdemo --seed shows.
//
//   bvcloud SEED [COUNT]     (COUNT defaults to the demo's 20 points)
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "viewer/point_cloud.h"

int main(int argc, char** argv) {
  if (argc < 2 || argc > 3) {
    std::cerr << "usage: bvcloud SEED [COUNT]\n";
    return 2;
  }
  const unsigned long seed = std::stoul(argv[1]);
  const int count = argc == 3 ? std::stoi(argv[2]) : POINT_COUNT;
  std::srand(static_cast<unsigned int>(seed));
  std::vector<Vector3> points;
  appendRandomPoints(points, count);
  for (const Vector3& p : points)
    std::cout << p.x << ' ' << p.y << ' ' << p.z << '\n';
  return 0;
}

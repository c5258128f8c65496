// bvcloud: prints the demo's random cloud for a seed as a point list (three numbers a line),
// so that bvfit and scripts can measure exactly the clouds bvdemo --seed shows.
//
//   bvcloud SEED [COUNT]     (COUNT defaults to the demo's 20 points)
//
// SEED is a whole number from 0 to 4294967295 and COUNT one from 1 to MAX_CLOUD_POINTS, as
// bvdemo's --seed and --points take them; anything else is a usage error (status 2), with no
// points printed.
#include <climits>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "viewer/command_line.h"
#include "viewer/point_cloud.h"

int main(int argc, char** argv) {
  const auto usage = [](const std::string& problem) {
    if (!problem.empty())
      std::cerr << "bvcloud: " << problem << '\n';
    std::cerr << "usage: bvcloud SEED [COUNT]\n";
    return 2;
  };
  if (argc < 2 || argc > 3)
    return usage("");
  const auto seed = wholeNumber(argv[1], 0, UINT_MAX);
  if (!seed)
    return usage("SEED must be a whole number from 0 to " + std::to_string(UINT_MAX) + ", got \"" +
                 argv[1] + "\"");
  const auto count = argc == 3 ? wholeNumber(argv[2], 1, MAX_CLOUD_POINTS)
                               : std::optional<std::uint64_t>(POINT_COUNT);
  if (!count)
    return usage("COUNT must be a whole number from 1 to " + std::to_string(MAX_CLOUD_POINTS) +
                 ", got \"" + argv[2] + "\"");
  std::srand(static_cast<unsigned int>(*seed));
  std::vector<Vector3> points;
  appendRandomPoints(points, static_cast<int>(*count));
  for (const Vector3& p : points)
    std::cout << p.x << ' ' << p.y << ' ' << p.z << '\n';
  return 0;
}

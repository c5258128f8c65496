// The minimum-volume box of a model file or point list, printed from the installed package.
#include <bvkit/bounds/bounding_volumes.h>
#include <bvkit/loading/model_loader.h>

#include <iostream>

int main(int argc, char** argv) {
  if (argc != 2) {
    std::cerr << "usage: minimum_box FILE\n";
    return 2;
  }
  const LoadResult loaded = loadPoints(argv[1]);
  if (!loaded.ok()) {
    std::cerr << loaded.error << "\n";
    return 2;
  }
  const BoundingVolumesResult result = computeBoundingVolumes(loaded.points);
  if (!result.ok()) {
    std::cerr << argv[1] << ": " << result.error << "\n";
    return 2;
  }
  const OrientedBox& box = result.volumes.comparison.minimumBox;
  std::cout << "points " << loaded.points.size() << "\ncenter " << box.center << "\n";
  for (int k = 0; k < 3; ++k) {
    std::cout << "axis " << k << " " << box.axes[k] << " half length " << box.halfLengths[k]
              << "\n";
  }
  std::cout << "volume " << box.volume << "\n";
  return 0;
}

// Vertices shared by exact coordinates through a hash map; edges sorted and made unique.
#include "volumes/hull_graph.h"

#include <algorithm>
#include <unordered_map>

#include "hull/point_set.h"

namespace {

class GraphBuilder {
 public:
  void addLoop(std::span<const Vector3> loop) {
    std::vector<std::int32_t> indices;
    for (const Vector3& p : loop) {
      const auto [it, inserted] =
          index_.try_emplace(p, static_cast<std::int32_t>(graph_.vertices.size()));
      if (inserted)
        graph_.vertices.push_back(p);
      if (indices.empty() || indices.back() != it->second)
        indices.push_back(it->second);
    }
    while (indices.size() > 1 && indices.back() == indices.front())
      indices.pop_back();
    for (std::size_t i = 0; i < indices.size() && indices.size() > 1; ++i) {
      const std::int32_t a = indices[i];
      const std::int32_t b = indices[(i + 1) % indices.size()];
      graph_.edges.push_back({std::min(a, b), std::max(a, b)});
    }
    std::vector<std::int32_t> distinct = indices;
    std::sort(distinct.begin(), distinct.end());
    if (std::unique(distinct.begin(), distinct.end()) - distinct.begin() >= 3)
      graph_.facets.push_back(std::move(indices));
  }

  HullGraph finish() {
    std::sort(graph_.edges.begin(), graph_.edges.end());
    graph_.edges.erase(std::unique(graph_.edges.begin(), graph_.edges.end()), graph_.edges.end());
    return std::move(graph_);
  }

 private:
  HullGraph graph_;
  std::unordered_map<Vector3, std::int32_t, ExactPointHash, ExactPointEqual> index_;
};

}  // namespace

HullGraph gatherHullGraph(const ConvexHull& hull) {
  GraphBuilder builder;
  for (const Facet& facet : hull.facets)
    builder.addLoop(facet.vertices);
  return builder.finish();
}

HullGraph hullGraphFromLoops(std::span<const std::vector<Vector3>> loops) {
  GraphBuilder builder;
  for (const std::vector<Vector3>& loop : loops)
    builder.addLoop(loop);
  return builder.finish();
}

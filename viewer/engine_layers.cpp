// Immediate-mode drawing of the engines' layers, recorded on first use.
#include "viewer/engine_layers.h"

#include <GL/freeglut.h>

#include <chrono>
#include <iostream>

#include "viewer/comparison_layers.h"
#include "viewer/engine_scene.h"

EngineLayerSource engineLayerSource;

namespace {

constexpr float FACE_ALPHA = 0.25f;
constexpr float EDGE_ALPHA = 0.9f;

unsigned int engineListBase = 0;

void recordLayer(unsigned int list, const EngineLayerMesh& layer, const LayerColour& colour) {
  glNewList(list, GL_COMPILE);
  glDisable(GL_DEPTH_TEST);
  glColor4f(colour[0], colour[1], colour[2], FACE_ALPHA);
  glBegin(GL_TRIANGLES);
  for (const auto& triangle : layer.mesh.triangles) {
    for (const std::uint32_t v : triangle)
      glVertex3fv(&layer.mesh.vertices[v].x);
  }
  glEnd();
  glEnable(GL_DEPTH_TEST);
  glColor4f(colour[0], colour[1], colour[2], EDGE_ALPHA);
  glBegin(GL_LINES);
  for (const auto& [a, b] : layer.creases) {
    glVertex3fv(&layer.mesh.vertices[a].x);
    glVertex3fv(&layer.mesh.vertices[b].x);
  }
  glEnd();
  glEndList();
}

void fitAndRecord() {
  std::cerr << "bvdemo: fitting the engines' volumes (capsule, cylinder, ellipsoid, k-DOPs, "
               "reduced hulls)...\n";
  const auto start = std::chrono::steady_clock::now();
  const EngineVolumes volumes = engineLayerSource.fit();
  const std::chrono::duration<double> took = std::chrono::steady_clock::now() - start;
  std::cerr << "bvdemo: the engines' volumes took " << took.count() << " s\n";
  const std::vector<EngineLayerMesh> layers = engineScene(volumes, engineLayerSource.normalisation);
  engineListBase = glGenLists(static_cast<GLsizei>(layers.size()));
  for (std::size_t i = 0; i < layers.size(); ++i)
    recordLayer(engineListBase + static_cast<unsigned int>(i), layers[i], ENGINE_LAYERS[i].colour);
  for (LegendLine& line : engineLegendLines(volumes, engineLayerSource.hullVolume))
    legendText.push_back(std::move(line));
}

}  // namespace

void drawEngineLayers(const ViewState& view) {
  if (!anyEngineLayerShown(view) || !engineLayerSource.fit)
    return;
  if (engineListBase == 0)
    fitAndRecord();
  const bool shown[] = {
      view.showCapsule,           view.showCylinder,          view.showEllipsoid,
      view.kdopLayer == 1,        view.kdopLayer == 2,        view.kdopLayer == 3,
      view.reducedHullLayer == 1, view.reducedHullLayer == 2, view.reducedHullLayer == 3};
  for (unsigned int k = 0; k < ENGINE_LAYERS.size(); ++k) {
    if (shown[k])
      glCallList(engineListBase + k);
  }
}

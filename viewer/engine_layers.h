// The engines' layers (keys c, y, e, k, r): their display lists, fitted and recorded the first
// time one of them is shown, so that opening a large model does not wait for their searches.
//
// The driver sets engineLayerSource before the main loop. drawEngineLayers, called by the
// display callback after the comparison layers, does nothing while no engine layer is on.
// The first time one is on it calls source.fit (the window waits; bvdemo says so on standard
// error), records one list per ENGINE_LAYERS entry and appends their legend lines to
// legendText; later calls only draw. Without a source (fit empty) nothing is ever drawn.
// Each list: the mesh's triangles translucent (alpha 0.25) with the depth test off, as the
// comparison layers' faces, then its creases depth-tested, in the layer's colour. Nothing
// here draws from rand().
#pragma once

#include <functional>

#include "bounds/bounding_volumes.h"
#include "viewer/view_state.h"

struct EngineLayerSource {
  std::function<EngineVolumes()> fit;
  Normalisation normalisation;  // from the model's units to the scene's frame
  double hullVolume = 0;        // for the legend's ratios
};

extern EngineLayerSource engineLayerSource;

void drawEngineLayers(const ViewState& view);

#pragma once
// Preparing the scene once a GL context exists, and drawing the hex field.

#include "map/editor_tick.h"
#include "model/asset_set.h"

#include <string>

// Once, with the window's context current: initial editor, camera and bob
// state, the layers zeroed and the map file loaded, every model's textures
// created in this context, the fixed render state. Returns 1.
int initSceneState(SharedSceneState& shared, AssetSet& assets, const std::string& mapPath);

// The fixed GL state: texturing, smooth shading, clear values, depth test,
// the light that moves with the eye, back-face culling. Call while the
// model-view matrix is the identity.
void setupRenderState();

// One frame of the whole field from a snapshot of the shared state. Does not
// swap. Returns 1.
int drawSceneFrom(const SceneState& scene, const AssetSet& assets);

// Which land model (0..6) a hex of this height shows.
int landModelForHeight(float height);

// Height and water as used to place a hex: a value that is not finite counts
// as 0 and a finite one is limited to +-1,000, so one hostile value cannot
// spoil the placement of the hexes drawn after it.
float placementValue(float value);

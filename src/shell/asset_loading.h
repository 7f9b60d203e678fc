#pragma once
// Loading the asset set: the eleven fixed models, then the numbered object
// and unit series, from data/ below the working directory.

#include "model/asset_set.h"

// Loads every model of `set` in the fixed order, asking
// shellHooks.probeModelFile which numbered files exist. False at the first
// model that fails; the models loaded so far stay in the set.
bool loadAssetSetInto(AssetSet& set);

// Loads the process-wide set (program_state.h).
bool loadAssetSet();

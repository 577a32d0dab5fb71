#pragma once

#include <array>

#include "engine/core/capacities.h"
#include "engine/core/tables.h"

// The layered models of a Res2dInv inversion result: what the Sondo writer's
// model file and the table window take from it.
namespace tarvo {

// A layered inversion model under every station of the dataset, as the
// reader of inversion results fills it.
struct TInversionModel {
  int LayerCount = 0;                                  // 1..MaxModelLayers
  std::array<float, MaxModelLayers + 1> LayerDepth{};  // [k]: depth of the bottom of layer k; [0] is the surface
  Table<FixedTable<float, MaxModelLayers>> Resistivity;  // entry st: layers 1..LayerCount under station st

  // True when the model gives every layer under stations 1..stationCount.
  bool Covers(int stationCount) const {
    return LayerCount >= 1 && LayerCount <= MaxModelLayers && Resistivity.Size() >= stationCount;
  }
};

// The current model and the stored models of the time steps of a time-lapse
// inversion, with the iteration they come from.
struct TInversionModels {
  TInversionModel Current;
  BoundedTable<TInversionModel, MaxTimeSteps> TimeSets;
  int ChosenIteration = 0;  // the iteration the operator chose, 0 none; it enables "Synthetic curves"
  int LastIteration = 0;    // the last iteration of the result file read
};

}  // namespace tarvo

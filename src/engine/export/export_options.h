#pragma once

#include <string>

// The options of the Converter menu that the writers of inversion and
// modelling files read. The topography key, the x shift and the comment memo
// are dataset state (TDataset::TopoDistanceType, XShift, Memo).
namespace tarvo {

struct ExportOptions {
  bool WithoutIP = false;        // "Save without IP"
  bool ModelRefinement = true;   // "Model refinement"
  std::string IPUnit = "msec";   // caption of the checked "IP caption" item
};

}  // namespace tarvo

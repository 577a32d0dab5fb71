#pragma once

#include <string>

#include "engine/core/dataset.h"

// What the main window's information panel shows about the dataset, as
// texts. The window and tarvo-cli show the same summary.
namespace tarvo {

struct DatasetSummary {
  bool loaded = false;           // nothing else is filled when false
  std::string operatorName;      // "Operator"
  std::string comments;          // not for resistivity-only data
  int docType = 0, vueType = 0, fileStatus = 0, alpha = 0;  // Syscal header numbers (alpha / 256)
  bool absValues = false;
  int electrodes = 0;            // "Electrodes - "
  std::string unitSpacing;       // "2, m" or "???"
  std::string quadripoles;       // "Quadripoles "
  std::string sequence;          // "SEQ - "
  std::string line, area;
  bool hasArray = false;         // the array fields below are filled
  std::string arrayName;         // "Type of array  - "
  std::string spacingLabel;      // "R=AB/2"
  std::string lengthLabel;       // "AB/2 length"
  std::string levelRange;        // "(8) from 1.5 to 30"
  bool showOverlapping = false;
  int overlapping = 0;
  std::string dataPoints;        // "Data points - 30" or empty
  std::string state;             // "Read Only" or empty
  int badPoints = 0;             // BadCount - MergedCount
};

DatasetSummary BuildSummary(const TDataset& ds);

}  // namespace tarvo

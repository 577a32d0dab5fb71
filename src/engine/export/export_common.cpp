#include "engine/export/export_common.h"

namespace tarvo {

std::string UnderscoredSequenceTitle(const TDataset& ds) {
  std::string title = ds.SeqHeader.TitleText();
  if (title.size() >= 8) {
    title[0] = '_';
    return title;
  }
  return "_" + title;
}

}  // namespace tarvo

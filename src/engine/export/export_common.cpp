#include "engine/export/export_common.h"

#include <filesystem>
#include <memory>
#include <set>

namespace tarvo {

std::string UnderscoredSequenceTitle(const TDataset& ds) {
  std::string title = ds.SeqHeader.TitleText();
  if (title.size() >= 8) {
    title[0] = '_';
    return title;
  }
  return "_" + title;
}

TargetChooser TargetsBeside(const std::string& path) {
  auto used = std::make_shared<std::set<std::string>>();
  return [path, used](const SaveDialogDescription& dialog) -> std::optional<std::string> {
    std::string target = path;
    if (!used->empty()) {
      const std::filesystem::path folder = std::filesystem::path(path).parent_path();
      const std::string extension = "." + dialog.defaultExt;
      target = (folder / (dialog.proposedName + extension)).string();
      for (int n = 2; used->count(target) != 0; ++n) {
        target = (folder / (dialog.proposedName + "_" + std::to_string(n) + extension)).string();
      }
    }
    used->insert(target);
    return target;
  };
}

}  // namespace tarvo

#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"

// The sequence template tarvo.bin of the program directory: a Syscal document
// header and sequence header that give valid Syscal headers to data that do
// not come from a Syscal file.
namespace tarvo {

inline constexpr const char* TemplateFileName = "tarvo.bin";

// Reads the template's two headers into FileHeader and SeqHeader and sets
// DataKind to a sequence. Returns false, after telling the operator, when
// the file is missing, short or not a Syscal file.
bool LoadTemplate(TDataset& ds, const std::string& templatePath, Messenger& messenger);

// The bytes of the template the project ships (document header followed by
// sequence header); the build writes them to tarvo.bin next to the programs.
std::vector<std::uint8_t> MakeTemplateBytes();

}  // namespace tarvo

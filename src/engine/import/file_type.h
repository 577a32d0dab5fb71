#pragma once

#include <string>

#include "engine/import/open_command.h"

// The file type of a file named without a dialog (on the command line, or
// dropped on the main window): by its extension, and for the column text
// exports that several readers take, by their first line.
namespace tarvo {

// The filter of a text export by its first line: a Prosys export names its
// columns ("Spa.1" ...) and is read as Prosys text, or in Syscal-Pro mode
// when `syscalPro` is set; an ElectreII sequence starts with the "#" of its
// electrode table. Nothing when the file cannot be read or fits neither.
const OpenFilter* FilterByContent(const std::string& path, bool syscalPro = false);

// FilterByExtension, then FilterByContent.
const OpenFilter* FilterForFile(const std::string& path, bool syscalPro = false);

}  // namespace tarvo

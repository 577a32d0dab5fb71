#pragma once

#include <string>

#include "engine/import/open_command.h"

// The file type of a file named without a dialog (on the command line, or
// dropped on the main window): by its extension, and where an extension
// has several meanings or none, by the file's first lines.
namespace tarvo {

// The filter of a text export by its first lines: the unified data format
// starts with its electrode count and the "#" line of its columns; a Prosys
// export names its columns ("Spa.1", "xA (m)" ...) and is read as Prosys
// text, or in Syscal-Pro mode when `syscalPro` is set; an ElectreII sequence
// starts with the "#" of its electrode table. Nothing when the file cannot
// be read or fits none.
const OpenFilter* FilterByContent(const std::string& path, bool syscalPro = false);

// The filter for a file: ".bin" and ".binx" files are Syscal Pro binaries
// unless they begin as the older Syscal files; ".ohm" files are ABEM LUND
// data and ".dat" files Res2dInv data unless they start as the unified data
// format; other extensions as FilterByExtension says; then FilterByContent.
const OpenFilter* FilterForFile(const std::string& path, bool syscalPro = false);

// True when the file starts as the unified data format: a line holding only
// the electrode count (a "#" comment may follow it), then a line of column
// names that starts with "#" or, when the count line had its comment, the
// first electrode.
bool StartsAsUnifiedData(const std::string& path);

}  // namespace tarvo

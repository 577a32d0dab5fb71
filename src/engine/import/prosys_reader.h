#pragma once

#include <string_view>

#include "engine/core/dataset.h"
#include "engine/import/read_result.h"

// Reader of the column text exported by the Prosys software for the Syscal
// meters: a title line naming the columns ("Spa.1" .. "Spa.4", "Rho", "Dev.",
// "M", "Vp", "In", "Sp", "M1" .. "M20") and one data line per reading.
namespace tarvo {

enum class ProsysMode {
  Plain,      // the data lines in file order
  SyscalPro,  // the data lines put in the order of the ElectreII sequence they were measured with
};

// Reads the file of `source` into `ds` (read_result.h). Success is DataKind
// 3.5 (with "Vp" and "In" columns) or 5, with PointCount points grouped into
// one set per array type, numbered from source.firstSet + 1. In Syscal-Pro
// mode the operator is asked for the sequence file through env.chooser (none
// or a cancelled choice reads the file in plain mode) and about quadripoles
// that have no data. A refused file has been told to the operator.
bool ReadProsys(const ReadSource& source, TDataset& ds, ReadEnvironment& env, ProsysMode mode);

// The two modes as readers of the open dialog.
bool ReadProsysText(const ReadSource& source, TDataset& ds, ReadEnvironment& env);
bool ReadSyscalProText(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

// True when the line is the title line of a Prosys export: three of its
// titles, one an electrode position, are titles the reader knows (in any
// of their spellings).
bool IsProsysTitleLine(std::string_view line);

// The first not yet matched quadripole of ds.Quads whose electrodes lie at
// the point's abscissas (current electrodes in either order, potential
// electrodes in either order); it is marked matched (Flag 0). Returns its
// index, 0 when none matches.
int MatchQuadripole(TDataset& ds, const TDataPoint& point);

}  // namespace tarvo

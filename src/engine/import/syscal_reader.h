#pragma once

#include <cstdint>
#include <span>

#include "engine/core/dataset.h"
#include "engine/core/syscal_records.h"
#include "engine/import/read_result.h"

// Reader of the Syscal binary sequence (.seq) and data files. ABEM files
// reach it too and are handed over by the last letter of their name.
namespace tarvo {

// Reads the file of `source` into `ds` (read_result.h): by default as the
// last letter of its name says (ABEM data and protocols are handed over), or
// as source.format names. Success is a loaded DataKind; a refused file has
// been told to the operator.
bool ReadInstrumentFile(const ReadSource& source, TDataset& ds, ReadEnvironment& env);

// Recomputes the points' values from the raw measurement records and
// recounts the bad points.
void SyscalToValues(TDataset& ds);

// What the start of a file says about its two Syscal headers.
enum class SyscalHeaderStatus {
  Ok,         // both headers decoded
  NotSyscal,  // the file does not begin with "_DOC_"
  Short,      // "_DOC_" is there but the file ends inside the headers
};

// Size of the two headers that open every Syscal file.
inline constexpr std::size_t SyscalHeadersSize = TFileHeader::Size + TSeqHeader::Size;

// Decodes the document and sequence headers at the start of `bytes`. The
// outputs are written only when the result is Ok.
SyscalHeaderStatus DecodeSyscalHeaders(std::span<const std::uint8_t> bytes, TFileHeader& fileHeader,
                                       TSeqHeader& seqHeader);

}  // namespace tarvo

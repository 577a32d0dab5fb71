#include "engine/import/syscal_template.h"

#include <algorithm>

#include "engine/core/byte_io.h"
#include "engine/core/syscal_records.h"
#include "engine/core/text_file.h"
#include "engine/import/syscal_reader.h"

namespace tarvo {

bool LoadTemplate(TDataset& ds, const std::string& templatePath, Messenger& messenger) {
  std::vector<std::uint8_t> bytes;
  const FileReadResult read = ReadFileBytes(templatePath, bytes);
  // A file that does not even hold a document header cannot be read as one.
  if (!read.ok || bytes.size() < TFileHeader::Size) {
    messenger.Error("File \"" + templatePath + "\" not found");
    return false;
  }

  TFileHeader fileHeader;
  TSeqHeader seqHeader;
  if (DecodeSyscalHeaders(bytes, fileHeader, seqHeader) != SyscalHeaderStatus::Ok) {
    messenger.Error("Bad input SysCal file");
    return false;
  }
  ds.FileHeader = fileHeader;
  ds.SeqHeader = seqHeader;
  ds.DataKind = DataKindSequence;
  return true;
}

std::vector<std::uint8_t> MakeTemplateBytes() {
  // A current-layout document with neutral values: no operator, no comment,
  // signed resistivities, Alpha 0, and an empty sequence.
  TFileHeader fileHeader;
  std::copy(TFileHeader::MagicText.begin(), TFileHeader::MagicText.end(), fileHeader.Magic.begin());
  fileHeader.DocType = DocTypeCurrent;
  const TSeqHeader seqHeader;

  std::vector<std::uint8_t> bytes;
  bytes.reserve(SyscalHeadersSize);
  ByteWriter out(bytes);
  fileHeader.Encode(out);
  seqHeader.Encode(out);
  return bytes;
}

}  // namespace tarvo

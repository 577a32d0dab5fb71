#include "engine/import/abem_lund_reader.h"
#include "engine/import/electre_reader.h"
#include "engine/import/inversion_result_reader.h"
#include "engine/import/open_command.h"
#include "engine/import/prosys_reader.h"
#include "engine/import/res2dinv_reader.h"
#include "engine/import/sensinv_reader.h"
#include "engine/import/syscal_pro_binary_reader.h"
#include "engine/import/syscal_reader.h"
#include "engine/import/unified_reader.h"

namespace tarvo {

ReaderTable DefaultReaders() {
  ReaderTable readers;
  readers.instrument = [](TDataset& ds, InstrumentFormat format, ReadEnvironment& env) {
    ReadInstrumentFile(ds, env, format);
  };
  readers.text[3] = ReadSensInv;
  readers.text[4] = ReadRes2dInv;
  readers.text[7] = [](TDataset& ds, int firstSet, ReadEnvironment& env) {
    ReadProsys(ds, firstSet, env, ProsysMode::Plain);
  };
  readers.text[8] = [](TDataset& ds, int firstSet, ReadEnvironment& env) {
    ReadElectreII(ds, firstSet, env, ElectreMode::Normal);
  };
  readers.text[9] = [](TDataset& ds, int firstSet, ReadEnvironment& env) {
    ReadProsys(ds, firstSet, env, ProsysMode::SyscalPro);
  };
  readers.text[10] = ReadSyscalProBinary;
  readers.text[11] = ReadAbemLund;
  readers.text[12] = ReadUnifiedData;
  // A Res2dInv ".inv" file holds the data and the inversion results read after them.
  readers.inversionResults = [](TDataset& ds, ReadEnvironment& env) { ReadInvResult(ds, ds.FileName, {}, env); };
  return readers;
}

}  // namespace tarvo

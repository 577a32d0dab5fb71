#include "engine/import/inversion_result_reader.h"
#include "engine/import/open_command.h"

namespace tarvo {

ReaderTable DefaultReaders() {
  ReaderTable readers;
  for (const OpenFilter& f : OpenFilters) readers.byFilter[static_cast<std::size_t>(f.index)] = f.reader;
  // A Res2dInv ".inv" file holds the data and the inversion results read after them.
  readers.inversionResults = [](TDataset& ds, const std::string& fileName, ReadEnvironment& env) {
    ReadInvResult(ds, fileName, {}, env);
  };
  return readers;
}

}  // namespace tarvo

// tarvo-make-template: writes the sequence template tarvo.bin that the
// program reads from its own directory. Run by the build.
#include <cstdio>
#include <fstream>
#include <iostream>

#include "engine/import/syscal_template.h"

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::cerr << "Usage: tarvo-make-template OUTPUT\n";
    return 2;
  }
  const auto bytes = tarvo::MakeTemplateBytes();
  std::ofstream out(argv[1], std::ios::binary | std::ios::trunc);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  out.close();
  if (!out) {
    std::cerr << "tarvo-make-template: cannot write " << argv[1] << "\n";
    std::remove(argv[1]);
    return 1;
  }
  return 0;
}

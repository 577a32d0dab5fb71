// tarvo-cli: the headless face of the Tarvo engine, for batch work and
// scripting.
#include <cstdio>
#include <cstring>
#include <iostream>
#include <string_view>

#include "version.h"

namespace {

constexpr int ExitOk = 0;
constexpr int ExitUsage = 2;

void PrintUsage(std::ostream& out) {
  out << "Usage: tarvo-cli [--help] [--version]\n"
         "\n"
         "Headless processing of multi-electrode resistivity and IP survey files.\n"
         "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "  -V, --version  show the version and exit\n";
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    PrintUsage(std::cerr);
    return ExitUsage;
  }
  const std::string_view arg = argv[1];
  if (arg == "-h" || arg == "--help") {
    PrintUsage(std::cout);
    return ExitOk;
  }
  if (arg == "-V" || arg == "--version") {
    std::cout << "tarvo-cli " << tarvo::VersionText << " (" << tarvo::ReleaseDate << ")\n";
    return ExitOk;
  }
  std::cerr << "tarvo-cli: unknown command or option '" << arg << "'\n";
  PrintUsage(std::cerr);
  return ExitUsage;
}

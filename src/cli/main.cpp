// tarvo-cli: the headless face of the Tarvo engine, for batch work and
// scripting.
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/configuration_command.h"
#include "cli/convert_command.h"
#include "cli/generate_command.h"
#include "cli/info_command.h"
#ifdef TARVO_CLI_PLOT
#include "cli/plot_command.h"
#endif
#include "cli/transform_command.h"
#include "engine/version.h"

namespace {

constexpr int ExitOk = 0;
constexpr int ExitUsage = 2;

void PrintUsage(std::ostream& out) {
  out << "Usage: tarvo-cli COMMAND [OPTIONS]\n"
         "       tarvo-cli --help | --version\n"
         "\n"
         "Headless processing of multi-electrode resistivity and IP survey files.\n"
         "\n"
         "Commands:\n"
         "  info FILE... [--type TYPE] [--append FILE...] [--read-only]\n"
         "               [--sequence FILE] [--missing abort|ignore] [--points] [--json]\n"
         "               [--injections]\n"
         "      Read the files as the Open command does and print the summary of the\n"
         "      dataset; --points adds the data table, --json prints one JSON object,\n"
         "      --injections lists a sequence's quadripoles by current injection.\n"
         "      TYPE: syscal, syscal-seq, sensinv2d, res2dinv, abem-amp, abem-protocol,\n"
         "      prosys, electre2, syscal-pro (by default the file's extension decides).\n"
         "  generate -o FILE.seq|FILE.txt [--electrodes N] [--array ARRAY] [--step 1|2]\n"
         "               [--item AM/MN]...\n"
         "      Make a new measurement sequence and save it as a Syscal sequence file\n"
         "      (.seq) or as ElectreII text (.txt);\n"
         "      ARRAY: pole-dipole, half-wenner, wenner-alpha, wenner-beta, schlumberger,\n"
         "      dipole-dipole (generate --help tells more).\n"
         "  convert FILE... --to TARGET -o OUT [reading options of info]\n"
         "               [--max-q N] [--min-v MV] [--min-i MA] [--min-ip M] [--max-ip M]\n"
         "               [--no-model-refinement] [--topo-key 1|2] [--ip-unit TEXT]\n"
         "               [--without-ip] [--shift M] [--reciprocal] [--cable short32|long32]\n"
         "      Read the files as info does and write them for an inversion program,\n"
         "      leaving out the points that fail the thresholds (defaults: 1 %, 0, 0,\n"
         "      -100, 100). TARGET: res2dinv, res2dinv-general, res2dinv-timelapse,\n"
         "      sondo, sensinv2d, res2dmod. --shift adds M metres to every x.\n"
         "      Sequence targets write the last set for an instrument, without the\n"
         "      thresholds: syscal-seq (Syscal sequence, or a Syscal data file with its\n"
         "      current quality codes), electre2-seq (ElectreII text), abem-org (ABEM\n"
         "      .org, .up and .dwn; --cable defaults to long32 beyond 9 levels).\n"
         "      --reciprocal (syscal-seq, electre2-seq) swaps A,B with M,N.\n"
         "  transform FILE... --op OP [--op OP]... -o OUT [reading options of info]\n"
         "               [--set K] [--reciprocal]\n"
         "      Read the files as info does, rewrite the sequence or the data with the\n"
         "      operations in the order given and write OUT (.seq, .txt or .dat). OP:\n"
         "      exchange-ab, exchange-mn, amn2mnb, shift64, extract (set K), merge\n"
         "      (transform --help tells more).\n"
         "  plot FILE... -o OUT.png|OUT.svg [--ip] [--size WxH] [--levels FILE.lvl]\n"
         "               [--colors N] [reading options of info]\n"
         "      Read the files as info does and draw the gridded pseudosection as a\n"
         "      filled colour map with axes, title and colour scale (plot --help tells\n"
         "      more).\n"
         "  configuration FILE... -o OUT.png|OUT.svg [--size WxH] [--ip] [--no-map]\n"
         "               [--no-points] [--set K] [--shift M] [--max-q N] [reading options]\n"
         "      Read the files as info does and draw the picture of the array\n"
         "      configuration window: electrodes, data points and bad points over the\n"
         "      colour map (configuration --help tells more).\n"
         "\n"
         "Options:\n"
         "  -h, --help     show this help and exit\n"
         "  -V, --version  show the version and exit\n"
         "\n"
         "Messages go to standard error. Exit status: 0 success, 1 failed command,\n"
         "2 usage error.\n";
}

// The directory of this program, where the sequence template tarvo.bin lives.
std::string ProgramDirectory(const char* argv0) {
  std::error_code ec;
  const auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (!ec) return self.parent_path().string();
  return std::filesystem::absolute(argv0, ec).parent_path().string();
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc < 2) {
    PrintUsage(std::cerr);
    return ExitUsage;
  }
  const std::string_view command = argv[1];
  if (command == "-h" || command == "--help") {
    PrintUsage(std::cout);
    return ExitOk;
  }
  if (command == "-V" || command == "--version") {
    std::cout << "tarvo-cli " << tarvo::VersionText << " (" << tarvo::ReleaseDate << ")\n";
    return ExitOk;
  }
  const std::vector<std::string> args(argv + 2, argv + argc);
  if (command == "info") return tarvo::cli::RunInfo(args, ProgramDirectory(argv[0]));
  if (command == "convert") return tarvo::cli::RunConvert(args, ProgramDirectory(argv[0]));
  if (command == "transform") return tarvo::cli::RunTransform(args, ProgramDirectory(argv[0]));
  if (command == "generate") return tarvo::cli::RunGenerate(args, ProgramDirectory(argv[0]));
  if (command == "plot" || command == "configuration") {
#ifdef TARVO_CLI_PLOT
    if (command == "configuration") return tarvo::cli::RunConfiguration(args, ProgramDirectory(argv[0]));
    return tarvo::cli::RunPlot(args, ProgramDirectory(argv[0]));
#else
    std::cerr << "tarvo-cli: " << command << " is not part of this build (it was built without the drawing library)\n";
    return 1;
#endif
  }

  std::cerr << "tarvo-cli: unknown command or option '" << command << "'\n";
  PrintUsage(std::cerr);
  return ExitUsage;
}

// tarvo-cli: the headless face of the Tarvo engine, for batch work and
// scripting.
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>
#include <vector>

#include "cli/configuration_command.h"
#include "cli/convert_command.h"
#include "cli/edit_command.h"
#include "cli/filter_command.h"
#include "cli/generate_command.h"
#include "cli/info_command.h"
#ifdef TARVO_CLI_PLOT
#include "cli/plot_command.h"
#endif
#include "cli/table_command.h"
#include "cli/optimise_command.h"
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
         "               [--sequence FILE] [--missing abort|ignore] [--iteration N]\n"
         "               [--points] [--json] [--injections] [--reciprocal]\n"
         "      Read the files as the Open command does and print the summary of the\n"
         "      dataset; --points adds the data table, --json prints one JSON object,\n"
         "      --injections lists a sequence's quadripoles by current injection,\n"
         "      --reciprocal the normal/reciprocal pairs, their errors and error models.\n"
         "      TYPE: syscal, syscal-seq, sensinv2d, res2dinv, abem-amp, abem-protocol,\n"
         "      prosys, electre2, syscal-pro, syscal-pro-bin, abem-lund, unified (by\n"
         "      default the file's extension, or its first lines, decide).\n"
         "      A Res2dInv inversion result (FILE.inv) also gives its model: the layers,\n"
         "      the mean model and, with --points, the model under every station;\n"
         "      --iteration N chooses the iteration (default: the last).\n"
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
         "               [--reciprocal-max P] [--with-errors | --with-linear-errors]\n"
         "               [--one-per-pair]\n"
         "               [--max-decay-misfit P]\n"
         "      Read the files as info does and write them for an inversion program,\n"
         "      leaving out the points that fail the thresholds (defaults: 1 %, 0, 0,\n"
         "      -100, 100; --reciprocal-max P rejects both readings of a pair whose\n"
         "      reciprocal error exceeds P %, off by default; --max-decay-misfit P\n"
         "      rejects IP readings whose windows depart from a power-law decay by more\n"
         "      than P % or change sign, off by default; --with-errors gives every\n"
         "      reading the error of the power-law model fitted over the pairs, which\n"
         "      formats with an error column write; --one-per-pair writes each good\n"
         "      pair once, the mean of its readings with the pair's error). TARGET: res2dinv,\n"
         "      res2dinv-general, res2dinv-timelapse, sondo, sensinv2d, res2dmod, unified,\n"
         "      res2dinv-panel (the mean panel of two sets in the old Res2dInv format).\n"
         "      --shift adds M metres to every x.\n"
         "      Sequence targets write the last set for an instrument, without the\n"
         "      thresholds: syscal-seq (Syscal sequence, or a Syscal data file with its\n"
         "      current quality codes), electre2-seq (ElectreII text), abem-org (ABEM\n"
         "      .org, .up and .dwn; --cable defaults to long32 beyond 9 levels).\n"
         "      --reciprocal (syscal-seq, electre2-seq) swaps A,B with M,N.\n"
         "      --synthetic-from FILE.inv [--noise P] [--seed S] first replaces the\n"
         "      apparent resistivities by those the inversion calculated (\"Synthetic\n"
         "      curves\"), with P % Gaussian noise (default 0; --seed S repeats it).\n"
         "  edit FILE... EDIT... --to TARGET -o OUT [options of convert]\n"
         "      Read the files, apply the table window's electrode edits (EDIT:\n"
         "      --delete-electrodes LIST, --broken-electrode ROW, --topography FILE\n"
         "      [--square], --scale K, --mirror) and write them as convert does\n"
         "      (edit --help tells more).\n"
         "  filter FILE... --median [--ip] --to TARGET -o OUT [options of convert]\n"
         "               [--set K] [--window-c N] [--window-p N] [--window-x N] ...\n"
         "      Run the median filter of \"Filtering\" on one set (by default the last):\n"
         "      the apparent resistivity taken apart into 1D part, electrode effects and\n"
         "      residual, each smoothed (--ip: the chargeability smoothed), and write\n"
         "      the filtered data as convert does (filter --help tells more).\n"
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
         "  table FILE... (--electrodes | --spacings [--level K] | --ves X | --station X\n"
         "               | --model [--layer L] [--difference | --mean] | --sp K | --decay N)\n"
         "               -o OUT.tsv|OUT.xlsx|- [reading options of info]\n"
         "      Write a table of the table window as its copy commands give it: the\n"
         "      electrodes, the points of level K (or the level list), the VES curve\n"
         "      or the inversion model under the station nearest to X, one layer of the\n"
         "      model (--difference: its change in % against the first time set), or\n"
         "      the mean model; --sp K: line K of the SP window with the mean of the\n"
         "      lines, --decay N: the decay chart's copy of point N. Text is\n"
         "      tab-separated with CR LF; a .xlsx workbook\n"
         "      without --layer holds every layer, one sheet each.\n"
         "  optimise SEQ --channels N [--rest R] [--no-dummies] [--no-sort]\n"
         "               -o OUT.seq|OUT.txt [--json] [--readings] [reading options of info]\n"
         "      Group the sequence's quadripoles into the readings of a multichannel\n"
         "      instrument (N = 1..20 dipoles per reading, one chain of consecutive\n"
         "      potential electrodes), write them as a Syscal sequence (.seq) or as\n"
         "      ElectreII text (.txt) and print quadripoles, injections, dummy dipoles,\n"
         "      rest conflicts and the lower bound (optimise --help tells more).\n"
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
         "2 usage error, 3 read with errors, data kept: a file was cut short or held\n"
         "more than the program takes (\"Short file ...\", \"Only first N data points\n"
         "...\"), the command worked on what was read and reported the error.\n";
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
  if (command == "edit") return tarvo::cli::RunEdit(args, ProgramDirectory(argv[0]));
  if (command == "filter") return tarvo::cli::RunFilter(args, ProgramDirectory(argv[0]));
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
  if (command == "table") return tarvo::cli::RunTable(args, ProgramDirectory(argv[0]));
  if (command == "optimise") return tarvo::cli::RunOptimise(args, ProgramDirectory(argv[0]));

  std::cerr << "tarvo-cli: unknown command or option '" << command << "'\n";
  PrintUsage(std::cerr);
  return ExitUsage;
}

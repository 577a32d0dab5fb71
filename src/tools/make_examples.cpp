// Writes the example files of examples/ from one analytic earth model (see
// example_model.h): Syscal sequences and data, Res2dInv files (Wenner with
// topography, general array with chargeability, time-lapse, and an inversion
// result), a Prosys export with IP windows and the ElectreII sequence it was
// measured with, a SensInv2D triplet, an ABEM AMP data file and an ABEM
// protocol. A few readings are made noisy or rejected so that the bad-point
// test has work.
//
// Usage: tarvo-make-examples OUTPUT_DIRECTORY
#include <cmath>
#include <cstdint>
#include <exception>
#include <filesystem>
#include <iostream>
#include <vector>

#include "engine/core/byte_io.h"
#include "engine/core/syscal_records.h"
#include "tools/example_model.h"

namespace {

using tarvo::TElectrode;
using tarvo::TFileHeader;
using tarvo::TQuadripole;
using tarvo::TSeqHeader;
using tarvo::TSyscalRecord;
using namespace tarvo::examples;

std::vector<std::uint8_t> SyscalFile(const std::vector<Quad>& quads, const char* title, bool withData) {
  std::vector<std::uint8_t> bytes;
  tarvo::ByteWriter out(bytes);

  TFileHeader fh;
  tarvo::SetFieldText(fh.Magic, "_DOC_");
  fh.SetOperatorText("Tarvo example");
  fh.SetCommentsText("Two-layer earth 100/20 Ohm.m, interface 6 m");
  fh.DocType = tarvo::DocTypeCurrent;
  fh.Encode(out);

  TSeqHeader sh;
  sh.ElectrodeTotal = ElectrodeCount;
  sh.QuadCount = static_cast<int>(quads.size());
  sh.SetTitleText(title);
  sh.Area = 1;
  sh.Line = 1;
  sh.Encode(out);

  for (int e = 1; e <= ElectrodeCount; ++e) {
    TElectrode el;
    el.Number = static_cast<std::int16_t>(e);
    el.X = static_cast<float>(X(e));
    el.Encode(out);
  }
  for (const Quad& q : quads) {
    TQuadripole tq{static_cast<std::int16_t>(q.a), static_cast<std::int16_t>(q.b), static_cast<std::int16_t>(q.m),
                   static_cast<std::int16_t>(q.n), 1, static_cast<float>(K(q))};
    tq.Encode(out);
  }
  if (!withData) return bytes;

  Noise noise;
  for (std::size_t i = 0; i < quads.size(); ++i) {
    TSyscalRecord r;
    double v = VoltagemV(quads[i]);
    double dev = 0.2 + 0.3 * std::fabs(noise.Next());
    if (i % 37 == 11) {  // a noisy reading
      v *= 1.0 + 0.4 * noise.Next();
      dev = 4.0 + 3.0 * std::fabs(noise.Next());
    } else {
      v *= 1.0 + 0.002 * noise.Next();
    }
    r.V = static_cast<float>(v);
    r.I = i % 53 == 40 ? 0.0f : static_cast<float>(CurrentmA);  // an electrode that did not inject
    r.Dev = static_cast<std::int16_t>(std::lround(dev));
    r.Encode(out);
  }
  return bytes;
}

}  // namespace

int main(int argc, char* argv[]) {
  if (argc != 2) {
    std::cerr << "usage: tarvo-make-examples OUTPUT_DIRECTORY\n";
    return 2;
  }
  try {
    const std::filesystem::path dir = argv[1];
    std::filesystem::create_directories(dir);
    const auto wenner = WennerQuads(1, 9);
    const auto dipole = DipoleDipoleQuads(1, 6);
    Write(dir / "wenner32.seq", SyscalFile(wenner, "WennerA", false));
    Write(dir / "wenner32.001", SyscalFile(wenner, "WennerA", true));
    Write(dir / "dipole32.seq", SyscalFile(dipole, "ABMN", false));
    Write(dir / "dipole32.001", SyscalFile(dipole, "ABMN", true));

    WriteRes2dInvWennerTopography(dir);
    WriteRes2dInvGeneralIP(dir);
    WriteRes2dInvTimeLapse(dir);
    WriteRes2dInvResult(dir);
    WriteProsysExport(dir);
    WriteElectreSequence(dir);
    WriteSensInv(dir);
    WriteAbemAmp(dir);
    WriteAbemProtocol(dir);
  } catch (const std::exception& e) {
    std::cerr << "tarvo-make-examples: " << e.what() << '\n';
    return 1;
  }
  return 0;
}

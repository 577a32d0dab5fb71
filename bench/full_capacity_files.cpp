#include "full_capacity_files.h"

#include <cstdio>

namespace tarvo::bench {

namespace {

std::string Fixed(double v, int decimals) {
  char text[64];
  std::snprintf(text, sizeof text, "%.*f", decimals, v);
  return text;
}

void WriteOrThrow(const std::filesystem::path& path, const std::string& bytes) {
  if (!WriteFileWhole(path.string(), bytes).ok) throw std::runtime_error("cannot write " + path.string());
}

// Appends every part to text.
template <class... Parts>
void Append(std::string& text, const Parts&... parts) {
  (text.append(parts), ...);
}

}  // namespace

std::string SyscalBytes(const std::vector<BenchQuad>& quads, bool withData, int electrodes) {
  std::vector<std::uint8_t> bytes;
  ByteWriter out(bytes);
  TFileHeader fh;
  SetFieldText(fh.Magic, "_DOC_");
  fh.DocType = DocTypeCurrent;
  fh.Encode(out);
  TSeqHeader sh;
  sh.ElectrodeTotal = static_cast<std::int16_t>(electrodes);
  sh.QuadCount = static_cast<int>(quads.size());
  sh.SetTitleText("ABMN");
  sh.Encode(out);
  for (int e = 1; e <= electrodes; ++e) {
    TElectrode el;
    el.Number = static_cast<std::int16_t>(e);
    el.X = static_cast<float>(ElectrodeX(e));
    el.Encode(out);
  }
  const auto i16 = [](int v) { return static_cast<std::int16_t>(v); };
  for (const BenchQuad& q : quads) {
    TQuadripole tq{i16(q.a), i16(q.b), i16(q.m), i16(q.n), 1, static_cast<float>(QuadK(q))};
    tq.Encode(out);
  }
  if (withData) {
    for (std::size_t i = 0; i < quads.size(); ++i) {
      TSyscalRecord r;
      r.I = static_cast<float>(CurrentmA);
      r.V = static_cast<float>(QuadRho(quads[i], i) * CurrentmA / QuadK(quads[i]));
      r.Dev = static_cast<std::int16_t>(i % 2);
      r.Encode(out);
    }
  }
  return std::string(bytes.begin(), bytes.end());
}

std::string ProsysText(const std::vector<BenchQuad>& quads) {
  std::string text = "Spa.1\tSpa.2\tSpa.3\tSpa.4\tRho \tDev.\t M  \tSp  \tVp  \tIn  ";
  for (int k = 1; k <= IPWindows; ++k) {
    std::string title = "M";
    title += std::to_string(k);
    title.resize(4, ' ');
    Append(text, "\t", title);
  }
  text += "\r\n";
  for (std::size_t i = 0; i < quads.size(); ++i) {
    const BenchQuad& q = quads[i];
    const double rho = QuadRho(q, i);
    const double vp = rho * CurrentmA / QuadK(q);
    const double m = 5.0 + 0.02 * (ElectrodeX(q.n) - ElectrodeX(q.a));
    std::string line;
    for (const int e : {q.a, q.b, q.m, q.n}) Append(line, Fixed(ElectrodeX(e), 2), "\t");
    Append(line, Fixed(rho, 2), "\t", Fixed(i % 37 == 11 ? 6.5 : 0.3, 2), "\t", Fixed(m, 2), "\t",
           Fixed(8.0 + 0.01 * static_cast<double>(i % 50), 2), "\t", Fixed(vp, 3), "\t", Fixed(CurrentmA, 3));
    for (int k = 1; k <= IPWindows; ++k) Append(line, "\t", Fixed(m * 1.5 / (1.0 + 0.1 * k), 2));
    Append(text, line, "\r\n");
  }
  return text;
}

std::string ElectreText(const std::vector<BenchQuad>& quads, int electrodes) {
  std::string text = "# X Y Z\r\n";
  for (int e = 1; e <= electrodes; ++e) {
    Append(text, std::to_string(e), " ", Fixed(ElectrodeX(e), 2), " 0.00 0.00\r\n");
  }
  text += "# A\tB\tM\tN\r\n";
  for (std::size_t i = 0; i < quads.size(); ++i) {
    const BenchQuad& q = quads[i];
    Append(text, std::to_string(i + 1), "\t", std::to_string(q.a), "\t", std::to_string(q.b), "\t",
           std::to_string(q.m), "\t", std::to_string(q.n), "\r\n");
  }
  return text;
}

std::string AmpText(const std::vector<BenchQuad>& quads) {
  const auto header = [](std::string label, const std::string& value) {
    label.resize(31, ' ');
    return label + value + "\r\n";
  };
  std::string text;
  text += header("Comment:", "Full-capacity dipole-dipole line");
  text += header("Instrument ID:", "Tarvo bench");
  text += header("Date & Time:", "2026-12-10 10:30:00");
  text += header("Base station:", "0.00    0.00");
  text += header("Rows header/data/topography:", "12  " + std::to_string(quads.size()) + "  0");
  text += header("Acquisition mode:", "1");
  text += header("Measurement method:", "Section");
  text += header("Electrode layout:", "5");  // dipole-dipole
  text += header("Co-ordinate type:", "X");
  text += header("Smallest electrode spacing:", Fixed(ElectrodeStep, 2));
  text += "\r\n";
  text += "No. Time A(x) B(x) M(x) N(x) I(mA) Voltage(V) App.R.(ohmm) Error(%)\r\n";
  for (std::size_t i = 0; i < quads.size(); ++i) {
    const BenchQuad& q = quads[i];
    const double rho = QuadRho(q, i);
    const double volts = rho * CurrentmA / QuadK(q) / 1000.0;
    Append(text, std::to_string(i + 1), " ", Fixed(6.5 * static_cast<double>(i + 1), 1));
    for (const int e : {q.a, q.b, q.m, q.n}) Append(text, " ", Fixed(ElectrodeX(e), 2));
    Append(text, " ", Fixed(CurrentmA, 1), " ", Fixed(volts, 6), " ", Fixed(rho, 3), " ",
           Fixed(i % 37 == 11 ? 6.0 : 0.2, 1), "\r\n");
  }
  return text;
}

std::string ProtocolText(const std::vector<BenchQuad>& quads) {
  std::string text = "Tarvo bench protocol: dipole-dipole, full capacity\r\nDipDip61\r\n";
  for (const BenchQuad& q : quads) {
    Append(text, std::to_string(q.a), " ", std::to_string(q.b), " ", std::to_string(q.m), " ",
           std::to_string(q.n), "\r\n");
  }
  return text;
}

// Usual format, dipole-dipole with the x of the array middle, one
// resistivity column per time step.
std::string TimeLapseText(const std::vector<BenchQuad>& quads) {
  const std::size_t lines = static_cast<std::size_t>(FixturePoints / TimeSteps);
  std::string text = "Full-capacity time-lapse dipole-dipole\r\n" + Fixed(ElectrodeStep, 1) + "\r\n3\r\n" +
                     std::to_string(lines) + "\r\n1\r\n0\r\nTime-lapse data\r\nNumber of time sets\r\n" +
                     std::to_string(TimeSteps) + "\r\nTime unit\r\ndays\r\n";
  for (int t = 2; t <= TimeSteps; ++t) {
    text += "Time of set " + std::to_string(t) + "\r\n" + std::to_string(7 * (t - 1)) + "\r\n";
  }
  for (std::size_t i = 0; i < lines; ++i) {
    const BenchQuad& q = quads[i];
    const double middle = (ElectrodeX(q.a) + ElectrodeX(q.n)) / 2.0;
    const double a = ElectrodeX(q.b) - ElectrodeX(q.a);
    Append(text, Fixed(middle, 2), " ", Fixed(a, 2), " ", std::to_string((q.m - q.b) / (q.b - q.a)));
    for (int t = 0; t < TimeSteps; ++t) Append(text, " ", Fixed(QuadRho(q, i, t), 3));
    text += "\r\n";
  }
  return text + "0\r\n0\r\n0\r\n0\r\n";
}

std::string ScaledProsysFile(int points, int electrodes) {
  const std::string path =
      (Files().dir / ("scale_" + std::to_string(points) + "_" + std::to_string(electrodes) + "_prosys.txt")).string();
  if (!std::filesystem::exists(path)) WriteOrThrow(path, ProsysText(ScaledQuads(points, electrodes)));
  return path;
}

FullCapacityFiles MakeFullCapacityFiles() {
  FullCapacityFiles f;
  f.dir = std::filesystem::temp_directory_path() / "tarvo-bench";
  std::filesystem::create_directories(f.dir);
  const auto path = [&](const char* name) { return (f.dir / name).string(); };

  const std::vector<std::uint8_t> templ = MakeTemplateBytes();
  f.templatePath = path("tarvo.bin");
  WriteOrThrow(f.templatePath, std::string(templ.begin(), templ.end()));

  const auto quads = FullCapacityQuads();
  WriteOrThrow(path("full.001"), SyscalBytes(quads, true));
  WriteOrThrow(path("full.seq"), SyscalBytes(quads, false));
  WriteOrThrow(path("full_prosys.txt"), ProsysText(quads));
  WriteOrThrow(path("full_seq.txt"), ElectreText(quads));
  WriteOrThrow(path("full.amp"), AmpText(quads));
  // A protocol of more electrodes than the standard layout's takes the
  // positions of data loaded before: this one stays on the layout.
  WriteOrThrow(path("full.org"), ProtocolText(FullCapacityQuads(AbemLayoutElectrodes, 0)));
  WriteOrThrow(path("full_tl.dat"), TimeLapseText(quads));

  const std::string tl = path("full_tl.dat");
  const std::string prosys = path("full_prosys.txt");
  const std::string electre = path("full_seq.txt");
  f.readers = {
      {"Open/Syscal001", path("full.001"), 1, {path("full.001")}, ""},
      {"Open/SyscalSeq", path("full.seq"), 2, {path("full.seq")}, ""},
      {"Open/Prosys", prosys, 7, {prosys}, ""},
      {"Open/SyscalPro", prosys, 9, {prosys, electre}, electre},
      {"Open/ElectreII", electre, 8, {electre}, ""},
      {"Open/AbemAmp", path("full.amp"), 5, {path("full.amp"), f.templatePath}, ""},
      {"Open/AbemProtocol", path("full.org"), 6, {path("full.org"), f.templatePath}, ""},
      {"Open/Res2dInvTimeLapse", tl, Res2dInvFilterIndex, {tl}, ""},
  };

  // The Res2dInv and SensInv2D files are what the writers make of the
  // Syscal data: the same points, each format's own way.
  TDataset ds;
  const std::string error = ReadCase(f.readers.front(), f.templatePath, ds);
  if (!error.empty()) throw std::runtime_error(error);
  NullMessenger messenger;
  const ExportOptions options;
  for (const auto& [name, file, sender] :
       {std::tuple{"Open/Res2dInvUsual", "full_usual.dat", Res2dInvSender::aRes2dInv},
        std::tuple{"Open/Res2dInvGeneral", "full_general.dat", Res2dInvSender::aRes2dInv_new}}) {
    TDataset copy;
    ReadCase(f.readers.front(), f.templatePath, copy);
    copy.Memo.clear();
    const Res2dInvPlan plan = PrepareRes2dInv(copy, sender, options, ".dat");
    WriteOrThrow(path(file), Res2dInvFileText(copy, plan, options, messenger));
    f.readers.push_back({name, path(file), Res2dInvFilterIndex, {path(file)}, ""});
  }
  PrepareSensInv2D(ds);
  const SensInvTexts sens = SensInv2DText(ds);
  WriteOrThrow(path("full.gem"), sens.Geometry);
  WriteOrThrow(path("full.sen"), sens.Configurations);
  WriteOrThrow(path("full.imp"), sens.Resistances);
  f.readers.push_back({"Open/SensInv2D", path("full.imp"), 3, {path("full.imp"), path("full.gem"), path("full.sen")}, ""});
  return f;
}

}  // namespace tarvo::bench

#pragma once

#include <cstdio>
#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/syscal_records.h"

// Every field of a dataset as lines of text ("Points[3].Rho = ..."), so that
// two datasets can be compared whole and a difference names the field. Floats
// are written exactly (hexadecimal), records of the Syscal files as their
// bytes. Table storage beyond the entries in use is included: a failed read
// that leaves a stale entry behind shows. Observers are not part of the data.
namespace tarvo::test {

class DatasetDump {
public:
  explicit DatasetDump(const TDataset& ds) { Dump(ds); }

  std::vector<std::string> Lines() const { return lines_; }

private:
  std::vector<std::string> lines_;

  static std::string Num(double v) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%a", v);
    return buffer;
  }
  static std::string Num(float v) { return Num(static_cast<double>(v)); }
  static std::string Num(int v) { return std::to_string(v); }
  static std::string Num(unsigned v) { return std::to_string(v); }
  static std::string Num(bool v) { return v ? "true" : "false"; }
  static std::string Num(std::uint8_t v) { return std::to_string(v); }
  static std::string Num(std::int8_t v) { return std::to_string(v); }
  static std::string Num(std::int16_t v) { return std::to_string(v); }
  static std::string Num(const std::string& v) { return "\"" + v + "\""; }

  template <class Record>
  static std::string Bytes(const Record& r) {
    static const char* digits = "0123456789abcdef";
    std::string text;
    for (std::uint8_t b : EncodeRecord(r)) {
      text += digits[b >> 4];
      text += digits[b & 15];
    }
    return text;
  }

  void Put(const std::string& name, const std::string& value) { lines_.push_back(name + " = " + value); }
  template <class T>
  void Put(const std::string& name, const T& value) {
    Put(name, Num(value));
  }
  template <class T>
  void PutList(const std::string& name, const std::vector<T>& values) {
    Put(name + ".size", static_cast<int>(values.size()));
    for (std::size_t i = 0; i < values.size(); ++i) Put(name + "[" + std::to_string(i) + "]", values[i]);
  }
  // A bounded table: its storage and the value unwritten entries read as.
  template <class T, int N, class F>
  void PutBounded(const std::string& name, const BoundedTable<T, N>& t, F&& put) {
    Put(name + ".allocated", t.Allocated());
    for (int i = 1; i <= t.Allocated(); ++i) put(name + "[" + std::to_string(i) + "]", t[i]);
    if (t.Allocated() < N) put(name + ".unwritten", t[N]);
  }
  template <class T, int N>
  void PutBounded(const std::string& name, const BoundedTable<T, N>& t) {
    PutBounded(name, t, [this](const std::string& n, const T& v) { Put(n, v); });
  }

  void PutPoint(const std::string& n, const TDataPoint& p) {
    Put(n + ".Rho", p.Rho);
    Put(n + ".X", p.X);
    Put(n + ".Spacing", p.Spacing);
    Put(n + ".MN", p.MN);
    Put(n + ".Dev", p.Dev);
    Put(n + ".Q", p.Q);
    Put(n + ".Level", p.Level);
    Put(n + ".PointType", p.PointType);
    Put(n + ".ElectrodeCount", p.ElectrodeCount);
    Put(n + ".Station", p.Station);
    Put(n + ".Number", p.Number);
    Put(n + ".LineNo", p.LineNo);
    Put(n + ".XA", p.XA);
    Put(n + ".XB", p.XB);
    Put(n + ".XM", p.XM);
    Put(n + ".XN", p.XN);
    Put(n + ".ZA", p.ZA);
    Put(n + ".ZB", p.ZB);
    Put(n + ".ZM", p.ZM);
    Put(n + ".ZN", p.ZN);
    Put(n + ".I", p.I);
    Put(n + ".V", p.V);
    Put(n + ".IP", p.IP);
    Put(n + ".SP", p.SP);
    for (int w = 1; w <= MaxIPWindows; ++w) Put(n + ".M" + std::to_string(w), p.M[w]);
    Put(n + ".R", p.R);
    Put(n + ".Err", p.Err);
  }

  void PutModel(const std::string& n, const TInversionModel& m) {
    Put(n + ".LayerCount", m.LayerCount);
    for (std::size_t k = 0; k < m.LayerDepth.size(); ++k) Put(n + ".LayerDepth[" + std::to_string(k) + "]", m.LayerDepth[k]);
    Put(n + ".Resistivity.size", m.Resistivity.Size());
    for (int s = 1; s <= m.Resistivity.Size(); ++s) {
      for (int k = 1; k <= MaxModelLayers; ++k) {
        Put(n + ".Resistivity[" + std::to_string(s) + "][" + std::to_string(k) + "]", m.Resistivity[s][k]);
      }
    }
  }

  void PutWindows(const std::string& n, const TIPWindows& w) {
    for (std::size_t i = 0; i < w.IPWindowWidths.size(); ++i) {
      Put(n + ".Widths[" + std::to_string(i) + "]", w.IPWindowWidths[i]);
      Put(n + ".Centres[" + std::to_string(i) + "]", w.IPWindowCentres[i]);
    }
    Put(n + ".Source", static_cast<int>(w.Source));
  }

  void Dump(const TDataset& ds) {
    Put("Quads.size", ds.Quads.Size());
    for (int i = 1; i <= ds.Quads.Size(); ++i) Put("Quads[" + std::to_string(i) + "]", Bytes(ds.Quads[i]));
    PutBounded("Electrodes", ds.Electrodes, [this](const std::string& n, const TElectrode& e) { Put(n, Bytes(e)); });
    Put("FileHeader", Bytes(ds.FileHeader));
    Put("SeqHeader", Bytes(ds.SeqHeader));
    Put("SyscalRaw.size", ds.SyscalRaw.Size());
    for (int i = 1; i <= ds.SyscalRaw.Size(); ++i) Put("SyscalRaw[" + std::to_string(i) + "]", Bytes(ds.SyscalRaw[i]));

    Put("Points.size", ds.Points.Size());
    for (int i = 1; i <= ds.Points.Size(); ++i) PutPoint("Points[" + std::to_string(i) + "]", ds.Points[i]);
    Put("PointCount", ds.PointCount);
    Put("PointsMerged", ds.PointsMerged);

    PutBounded("Sets", ds.Sets, [this](const std::string& n, const TSetEntry& s) {
      Put(n, std::to_string(s.First) + " " + std::to_string(s.Last) + " " + std::to_string(s.Type));
    });
    Put("SetCount", ds.SetCount);
    PutBounded("SetFileHeaders", ds.SetFileHeaders, [this](const std::string& n, const TFileHeader& h) { Put(n, Bytes(h)); });
    PutBounded("SetSeqHeaders", ds.SetSeqHeaders, [this](const std::string& n, const TSeqHeader& h) { Put(n, Bytes(h)); });
    PutList("SetNames", ds.SetNames);
    Put("SelectedSetEntry", ds.SelectedSetEntry);

    Put("ArrayType", ds.ArrayType);
    Put("SequenceSetCount", ds.SequenceSetCount);
    Put("DataKind", ds.DataKind);
    Put("HasIP", ds.HasIP);
    Put("HasSP", ds.HasSP);
    Put("IPWindowCount", ds.IPWindowCount);
    Put("IPWindowTimes.Known", ds.IPWindowTimes.Known);
    Put("IPWindowTimes.Delay", ds.IPWindowTimes.Delay);
    for (int w = 1; w <= MaxIPWindows; ++w) Put("IPWindowTimes.Widths[" + std::to_string(w) + "]", ds.IPWindowTimes.Widths[w]);
    Put("HasErrors", ds.HasErrors);
    const TRemoteElectrodes& r = ds.RemoteElectrodes;
    Put("RemoteElectrodes", Num(r.HasB) + " " + Num(r.HasN) + " " + Num(r.XB) + " " + Num(r.ZB) + " " + Num(r.XN) +
                                " " + Num(r.ZN));
    Put("ReadOnlyData", ds.ReadOnlyData);
    Put("FileName", ds.FileName);
    Put("TimeSetCount", ds.TimeSetCount);
    Put("BaseSetCount", ds.BaseSetCount);
    PutBounded("TimeSetTimes", ds.TimeSetTimes);
    Put("PointsPerTime", ds.PointsPerTime);
    Put("TypesPresent", ds.TypesPresent.to_string());
    Put("TypeGroupCount", ds.TypeGroupCount);
    Put("BadCount", ds.BadCount);
    Put("MergedCount", ds.MergedCount);
    Put("XShift", ds.XShift);

    PutBounded("Stations", ds.Stations);
    Put("StationCount", ds.StationCount);
    PutBounded("LevelSpacing", ds.LevelSpacing);
    PutBounded("LevelMN", ds.LevelMN);
    Put("LevelCount", ds.LevelCount);
    Put("LevelDupCount", ds.LevelDupCount);
    PutBounded("ElectrodePos", ds.ElectrodePos);
    Put("ElectrodePosCount", ds.ElectrodePosCount);
    PutBounded("ElectrodePosNumber", ds.ElectrodePosNumber);
    PutBounded("ElectrodePosZ", ds.ElectrodePosZ);
    PutBounded("ElectrodePosFlag", ds.ElectrodePosFlag);
    PutBounded("ElectrodeXZ", ds.ElectrodeXZ,
               [this](const std::string& n, const ElectrodeXZEntry& e) { Put(n, Num(e.X) + " " + Num(e.Z)); });
    Put("ElectrodeXZCount", ds.ElectrodeXZCount);
    Put("ElectrodeXZSquare", ds.ElectrodeXZSquare);
    Put("ElectrodeNumbersAvailable", ds.ElectrodeNumbersAvailable);
    PutBounded("TypedAltitude", ds.TypedAltitude, [this](const std::string& n, const std::optional<double>& a) {
      Put(n, a ? Num(*a) : std::string("none"));
    });

    PutList("Reciprocals.Partner", ds.Reciprocals.Partner);
    PutList("Reciprocals.Error", ds.Reciprocals.Error);
    PutList("Reciprocals.IPDifference", ds.Reciprocals.IPDifference);
    PutList("Reciprocals.Sign", ds.Reciprocals.Sign);
    Put("Reciprocals.PairCount", ds.Reciprocals.PairCount);
    PutList("DecayFits.Misfit", ds.DecayFits.Misfit);
    Put("IPParameters.TimeIndex", ds.IPParameters.TimeIndex);
    Put("IPParameters.TypeIndex", ds.IPParameters.TypeIndex);
    PutWindows("IPParameters.Windows", ds.IPParameters.Windows);

    const AcceptanceThresholds& t = ds.Thresholds;
    Put("Thresholds", Num(t.ErrorLimit) + " " + Num(t.MinVoltage) + " " + Num(t.MinCurrent) + " " + Num(t.MinIP) +
                          " " + Num(t.MaxIP) + " " + Num(t.MaxReciprocalError) + " " + Num(t.MaxDecayMisfit));
    PutList("Memo", ds.Memo);
    Put("TopoDistanceType", ds.TopoDistanceType);
    Put("HasModel", ds.HasModel);
    PutModel("Models.Current", ds.Models.Current);
    Put("Models.TimeSets.allocated", ds.Models.TimeSets.Allocated());
    for (int k = 1; k <= ds.Models.TimeSets.Allocated(); ++k) {
      PutModel("Models.TimeSets[" + std::to_string(k) + "]", ds.Models.TimeSets[k]);
    }
    Put("Models.ChosenIteration", ds.Models.ChosenIteration);
    Put("Models.LastIteration", ds.Models.LastIteration);
  }
};

// The lines in which two datasets differ ("field: a | b"); empty when they
// are the same.
inline std::vector<std::string> DatasetDifferences(const TDataset& a, const TDataset& b) {
  const std::vector<std::string> x = DatasetDump(a).Lines();
  const std::vector<std::string> y = DatasetDump(b).Lines();
  std::vector<std::string> differences;
  const std::size_t n = std::max(x.size(), y.size());
  for (std::size_t i = 0; i < n && differences.size() < 20; ++i) {
    const std::string left = i < x.size() ? x[i] : "(none)";
    const std::string right = i < y.size() ? y[i] : "(none)";
    if (left != right) differences.push_back(left + " | " + right);
  }
  return differences;
}

}  // namespace tarvo::test

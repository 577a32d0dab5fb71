#pragma once

#include <cstdint>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/import/read_environment.h"

// Reader of a Res2dInv inversion result (".inv") for the survey line that is
// loaded: the resistivity blocks of a chosen iteration become a layered model
// under every station (ds.Models, one per time step of a time-lapse line),
// and, for "Synthetic curves", the apparent resistivities the inversion
// calculated replace the measured ones, optionally with Gaussian noise.
namespace tarvo {

// Lines that open the parts of the file the reader looks for.
inline constexpr const char* IterationTitle = "ITERATION ";  // followed by the iteration number
inline constexpr const char* LayerCountTitle = "NUMBER OF LAYERS";
inline constexpr const char* CalculatedTitle = "CALCULATED APPARENT RESISTIVITY";
inline constexpr const char* TimeSeriesTitle = "Type of time series inversion (0=simultaneous,1=sequential)";
inline constexpr const char* SyntheticMemoLine = "2D Syntetic data from Res2Dinv";

struct InvResultOptions {
  bool synthetic = false;                  // replace Rho by the calculated apparent resistivities
  std::optional<std::uint64_t> noiseSeed;  // seed of the noise; none: the clock's time
};

struct InvResultOutcome {
  bool modelRead = false;  // ds.Models holds the model of the chosen iteration; HasModel is set
  int replaced = 0;        // data points whose Rho took a calculated value
  bool synthetic = false;  // every data point took its calculated value
  int noiseLevel = 0;      // percent
  int lastIteration = 0;   // iterations the file holds; 0: it has no model at all
};

// Reads the result file at `path` for the loaded line. Unless synthetic, the
// chosen iteration is asked again (the number dialog opens with the last
// iteration); in synthetic mode a chosen iteration that the file has is kept.
// Every failure is told to the operator and ends the read; a model is
// installed only when it was read whole, so a failed read leaves the model
// loaded before as it was.
InvResultOutcome ReadInvResult(TDataset& ds, const std::string& path, const InvResultOptions& options,
                               ReadEnvironment& env);

// The model resistivity at x of one layer of blocks: boundaries[i] is the
// right edge of block i + 1 (the last block has none), resistivities one per
// block. On a boundary (within 0.01) the geometric mean of the two blocks.
double RhoAt(const std::vector<double>& boundaries, const std::vector<double>& resistivities, double x);

// A normally distributed value of the given mean and standard deviation
// (the polar method) from a generator of uniform 64-bit numbers.
class GaussianNoise {
public:
  explicit GaussianNoise(std::uint64_t seed);
  double Next(double mean, double deviation);

private:
  double Uniform();  // in [0, 1)
  std::mt19937_64 engine_;
};

}  // namespace tarvo

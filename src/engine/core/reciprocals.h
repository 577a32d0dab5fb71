#pragma once

#include <optional>
#include <vector>

#include "engine/core/dataset.h"

// Normal and reciprocal readings. A quadripole measured twice, once as
// A B M N and once with the current and potential pairs exchanged (M N A B,
// either polarity), gives the honest estimate of a reading's error: the
// disagreement between the two. Pairs are found after every read; the
// acceptance thresholds can then reject pairs that disagree too much, and an
// error model fitted over the pairs gives every reading an error estimate
// for the inversion programs that weight data by it.
namespace tarvo {

// The value a pair is compared on: the resistance V / I where the data
// carry V and I (and I is not zero), otherwise the apparent resistivity.
double ReciprocalValue(const TDataset& ds, int i);

// The value of point i's partner, with the sign it would have in point i's
// electrode order (see TReciprocalPairs::Sign). i must be paired.
double PartnerValue(const TDataset& ds, int i);

// Reciprocal error of two readings in percent:
// |Rn - Rr| / ((|Rn| + |Rr|) / 2) * 100; 0 when both are 0.
double ReciprocalErrorPercent(double normal, double reciprocal);

// Pairs every point of measured data with the first point not yet paired
// whose current and potential electrodes are its potential and current
// electrodes (polarity either way), positions compared within ApproxEqual.
// Points are taken in index order; a point without a partner stays unpaired.
// Sequences and empty data give no pairs. Stores the result in
// ds.Reciprocals.
void PairReciprocals(TDataset& ds);

// An error model |dR| = f(R) fitted over the pairs: dR is the difference of
// the pair's values, R their mean magnitude.
struct TErrorModel {
  enum class Kind { PowerLaw, Linear };
  Kind Form = Kind::PowerLaw;
  double A = 0;  // power law: |dR| = A * R^B; linear: |dR| = A + B * R
  double B = 0;
  int PairsUsed = 0;

  // The modelled |dR| at a value of magnitude r.
  double At(double r) const;
};

// Least squares on logarithms (pairs with dR = 0 or R = 0 are left out) for
// the power law; ordinary least squares for the linear form. Nothing when
// fewer than two pairs (or, for the power law, fewer than two distinct
// values of R) take part.
std::optional<TErrorModel> FitErrorModel(const TDataset& ds, TErrorModel::Kind form);

// Summary of the reciprocal errors of the pairs (each pair once).
struct TReciprocalStatistics {
  int Pairs = 0;
  double Mean = 0;     // percent
  double Median = 0;   // percent
  double Maximum = 0;  // percent
  int AboveThreshold = 0;  // pairs above the "Max reciprocal error, %" threshold (0 when it is off)
};

TReciprocalStatistics ReciprocalStatistics(const TDataset& ds);

// The error estimate of every reading from a model, in percent of the
// reading's own value: 100 * model(|R|) / |R| (0 where R is 0). Entry 0 unused.
std::vector<float> ModelledErrors(const TDataset& ds, const TErrorModel& model);

// Gives every reading the model's error estimate (ModelledErrors) as its
// error in percent, so that the writers with an error column write them.
// Readings whose value is 0 keep 0.
void ApplyErrorModel(TDataset& ds, const TErrorModel& model);

// Keeps one reading per pair for the exports: where both readings of a pair
// are good, the first takes the mean of the two (resistance or apparent
// resistivity, chargeability and its windows) and the pair's reciprocal
// error as its error in percent, and the second is marked deleted. Pairs
// with a bad reading are left as they are. Returns the number of pairs
// merged and recounts the bad points; the pairing itself is kept.
int AverageReciprocalPairs(TDataset& ds);

// What the reciprocal-error chart shows: per pair its mean magnitude R and
// |dR|, and the pairs' errors in bins of `binWidth` percent from 0 (the last
// bin takes every larger error).
struct TReciprocalChart {
  std::vector<double> MeanValue, Difference;  // one entry per pair
  double BinWidth = 1;
  std::vector<int> Bins;  // Bins[k]: pairs with k*BinWidth <= e < (k+1)*BinWidth
};

TReciprocalChart ReciprocalChartData(const TDataset& ds, double binWidth = 1, int maxBins = 50);

}  // namespace tarvo

#pragma once

// Capacities of the survey dataset. Every table bound, reader check and
// overflow message takes its number from here, so raising a capacity is a
// change of one line.
namespace tarvo {

inline constexpr int MaxPoints = 500;              // data points, quadripoles, raw Syscal records
inline constexpr int MaxElectrodes = 161;          // electrodes of an instrument layout
inline constexpr int MaxElectrodePositions = 61;   // distinct electrode abscissas used by the data
inline constexpr int MaxStations = 1200;           // distinct point positions of a pseudosection
inline constexpr int MaxLevels = 100;              // distinct spacing/MN pairs
inline constexpr int MaxSets = 64;                 // sets (files, array types or time steps)
inline constexpr int MaxTimeSteps = 20;            // time steps of a time-lapse file
inline constexpr int MaxIPWindows = 20;            // IP decay windows per point
inline constexpr int ArrayTypeCount = 8;           // array-type codes 1..8
inline constexpr int MaxColors = 101;              // entries of the colour table of the maps
inline constexpr int MaxContourBounds = 101;       // bounds of one set of contour levels

}  // namespace tarvo

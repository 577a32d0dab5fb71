#pragma once

// Capacities of the survey dataset. Every table bound, reader check and
// overflow message takes its number from here, so raising a capacity is a
// change of one line. The tables are bounded by these numbers but hold only
// what is in use (tables.h: BoundedTable), and the value grids are sized to
// the stations and levels of the data, so a small file costs little memory.
namespace tarvo {

inline constexpr int MaxPoints = 100000;           // data points, quadripoles, raw Syscal records
inline constexpr int MaxElectrodes = 4096;         // electrodes of an instrument layout
inline constexpr int MaxElectrodePositions = 4096; // distinct electrode abscissas used by the data, topography points
inline constexpr int MaxStations = 16384;          // distinct point positions of a pseudosection
inline constexpr int MaxLevels = 2000;             // distinct spacing/MN pairs
inline constexpr int MaxSets = 1024;               // sets (files, array types or time steps)
inline constexpr int MaxTimeSteps = 100;           // time steps of a time-lapse file
inline constexpr int MaxIPWindows = 20;            // IP decay windows per point (the instruments record at most 20)
inline constexpr int ArrayTypeCount = 8;           // array-type codes 1..8
inline constexpr int MaxColors = 101;              // entries of the colour table of the maps
inline constexpr int MaxContourBounds = 101;       // bounds of one set of contour levels
inline constexpr int MaxModelLayers = 31;          // layers of an inversion model (layer depths 0..31)

// Limits of file formats that store their counts in 16 bits: a Syscal
// sequence or data file counts its quadripoles and electrodes in signed
// 16-bit fields.
inline constexpr int MaxSyscalFileQuadripoles = 32767;
inline constexpr int MaxSyscalFileElectrodes = 32767;

}  // namespace tarvo

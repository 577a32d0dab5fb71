#pragma once

#include <cmath>

// What the dataset holds. The value is a 32-bit float because the instrument
// text exports with voltage and current are told apart from instrument data
// by the half (3.5); consumers ask the named questions below instead of
// comparing the number themselves.
namespace tarvo {

inline constexpr float DataKindNone = 0.0f;            // nothing loaded
inline constexpr float DataKindHeaderOnly = 1.0f;      // Syscal header read, nothing else yet
inline constexpr float DataKindSequence = 2.0f;        // quadripoles without measurements; Rho holds K
inline constexpr float DataKindInstrument = 3.0f;      // instrument data with V and I
inline constexpr float DataKindTextWithVI = 3.5f;      // text data with V and I
inline constexpr float DataKindResistivityOnly = 5.0f; // apparent resistivities only

inline bool IsLoaded(float kind) { return kind != DataKindNone; }
// A sequence of planned quadripoles without measurements.
inline bool IsSequence(float kind) { return kind == DataKindSequence; }
// Measured data of any kind (instrument, text with V and I, resistivities only).
inline bool HasMeasurements(float kind) { return kind > DataKindSequence; }
// Measured data that carries voltage and current (instrument or text).
inline bool HasVoltageAndCurrent(float kind) { return std::trunc(kind) == DataKindInstrument; }

}  // namespace tarvo

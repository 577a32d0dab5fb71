#pragma once

#include <string>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/display/pseudo_panel.h"
#include "engine/display/section_options.h"
#include "engine/display/value_grid.h"

// The panels of the pseudo-section panels windows: one per set (or per
// array type, or per time step), with chargeability panels beside them, on
// common colour and horizontal ranges; and the two panels derived from a
// pair, the logarithmic difference and the mean.
namespace tarvo {

inline constexpr int MaxPanels = 20;

// Appends a panel unless there are MaxPanels already (false then).
bool AddPanel(std::vector<PseudoPanel>& panels, const std::string& title, std::unique_ptr<ValueGrid> values,
              std::unique_ptr<ValueGrid> raw, int owner, int scaleType, const GridDescriptor& descriptor);

// 1 + the number of sets from the second on whose type differs from the
// previous set's.
int TypeGroupCount(const TDataset& ds);

// The set-list title of set p: the list entry up to its first "." (or,
// without one, its first " ") when that is not the first character, else
// its first 8 characters.
std::string SetListTitle(const TDataset& ds, int p);

// Fills `panels` (cleared first) for the dataset: nothing unless it holds
// measured data. One panel per set when all sets are of one type or the
// data are time-lapse, else one per array type; each followed by its
// chargeability panel when the dataset has IP. Modal (the large window):
// the depth axes follow the options' "Scale", the manual range of "Levels
// from file" replaces the common resistivity range, and the options keep
// the range used. Returns the number of panels.
int BuildPanels(const TDataset& ds, const GridSettings& settings, SectionOptions& options, bool modal,
                std::vector<PseudoPanel>& panels);

// "D-transf": 100 ln(a / b) of the gap-filled values of panel 1 (a) and
// panel 2 (b) in the cells of panel 1 whose station and level (spacing and
// MN) panel 2 has too, both values above 1e-8; compacted. The raw grid is
// the difference grid too, so that posting shows its values. Scale
// symmetric, owner none, horizontal range of panel 1; the depth axis of
// the options' "Scale".
inline constexpr const char* DifferenceTitle = "D-transf";
PseudoPanel DifferencePanel(const TDataset& ds, const PseudoPanel& first, const PseudoPanel& second,
                            const SectionOptions& options);

// The mean command's captions for a window of two panels without IP, by
// the types of sets 1 and 2.
struct MeanCaptions {
  bool offered = false;
  std::string button;    // "&Mean" or "A&MNB"
  std::string checkBox;  // "Geom. mean &only" or "Mean &only"
};
MeanCaptions MeanCommandCaptions(const TDataset& ds);

// The mean of the sets: with one type group, set 1 and set 2 combined
// geometrically; otherwise every forward pole-dipole set against every
// reverse one, repeated points of one direction geometrically, the two
// directions arithmetically. With meanOnly only cells of both passes stay.
// The grid is compacted and gap-filled (raw: before gap filling).
struct MeanResult {
  std::unique_ptr<ValueGrid> values;
  std::unique_ptr<ValueGrid> raw;
  GridDescriptor descriptor;
  int typeGroups = 1;
  int arrayCode = 0;  // the array type the mean worked on
};
MeanResult ComputeMean(const TDataset& ds, const GridSettings& settings, bool meanOnly);

// The name and the array-type code the section-panel writer gets for the
// mean panel: "AMNB" with code 2 for two type groups, else the current
// sequence title with the mean's array type.
struct MeanSaveName {
  std::string name;
  int code = 0;
};
MeanSaveName MeanPanelSaveName(const TDataset& ds, const MeanResult& mean);
MeanSaveName MeanPanelSaveName(const TDataset& ds, int typeGroups, int arrayCode);

}  // namespace tarvo

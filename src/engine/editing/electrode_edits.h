#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/editing/topography_text.h"
#include "engine/import/open_command.h"

// The edits of the table window's "Electrodes" tab that change electrodes
// rather than single points: deleting and restoring electrodes, removing a
// broken electrode from a sequence, altitudes and topography, the distances
// and the direction of the profile. The multinodes are in multinodes.h.
//
// Edits that change the sequence's geometry derive the points again from it
// and rebuild the dataset as after a read (OpenCaller::RebuildAfterEdits);
// their outcome carries the open command's result for the windows.
namespace tarvo {

struct ElectrodeEditOutcome {
  bool changed = false;                // the dataset changed: the main window shows "Modified"
  std::vector<int> changedPoints;      // points whose marks changed (their rows are rewritten)
  std::optional<OpenResult> rebuild;   // the dataset was rebuilt as after a read
};

// Deletes the electrodes of rows `rows` (1-based rows of the electrode
// list) that are not deleted and restores those that are. A point that uses
// an electrode now deleted is marked deleted unless it is bad already; a
// point of a restored electrode that uses no deleted electrode any longer is
// unmarked when it carries the deleted mark (a point bad only by a
// threshold stays as it is). Rows outside the list are ignored; nothing
// happens without one. The bad points are recounted.
ElectrodeEditOutcome ToggleElectrodes(TDataset& ds, const std::vector<int>& rows);

// The broken-electrode command suits a one-set sequence whose electrode
// numbers are known.
bool BrokenElectrodeAllowed(const TDataset& ds);

// Removes the broken electrode of row r from the sequence after the
// operator's confirmation: the last electrode of the list is marked deleted
// and its points get Q 1; every electrode from r on takes over the cable
// number (and the layout entry) of the next one, so the quadripoles keep
// their places; the cable number of r is left out of the line (X 0, Y -5);
// the list loses its last electrode.
ElectrodeEditOutcome RemoveBrokenElectrode(TDataset& ds, int r, Messenger& messenger);

// Pasted altitudes: line k of the text gives the altitude of electrode row
// k in its second field; a first line without numbers is a header; a blank
// line or the end of the rows stops. Each altitude becomes the row's working
// altitude (and its ElectrodePosZ). Returns the number of rows set.
struct AltitudePaste {
  int rows = 0;
  ElectrodeEditOutcome outcome;
};
AltitudePaste PasteAltitudes(TDataset& ds, std::string_view text);

// A topography profile (positions as the window shows them, with the X
// shift) becomes the dataset's profile ElectrodeXZ, held without the shift,
// and every electrode's working altitude its altitude there: square
// interpolation when asked for and the profile has three points or more,
// else linear. A profile of fewer than two points changes nothing.
ElectrodeEditOutcome SetTopography(TDataset& ds, const TopographyTable& profile, bool square);

// The same from pasted text (ParsePastedTopography) or a file
// (ParseTopographyFile; a file that cannot be read or holds no profile is
// reported to the operator).
ElectrodeEditOutcome PasteTopography(TDataset& ds, std::string_view text, bool square);
ElectrodeEditOutcome LoadTopographyFile(TDataset& ds, const std::string& path, bool square, Messenger& messenger);

// "X x k" and "Mirror profile" work on the electrode layout of one
// instrument sequence or data file.
bool GeometryEditAllowed(const TDataset& ds);

// The multiplier box: a number other than 1 and above 0 enables "X x k".
std::optional<double> ParseMultiplier(std::string_view text);

// Multiplies every layout coordinate and every geometric factor by k, then
// derives the points again from the sequence and rebuilds the dataset.
ElectrodeEditOutcome MultiplyDistances(TDataset& ds, double k, Messenger& messenger);

// Mirrors the layout between the first and the last electrode position
// (X := last + first - X), then derives the points again and rebuilds.
ElectrodeEditOutcome MirrorProfile(TDataset& ds, Messenger& messenger);

// The rebuild of the dataset as after a read, without a file: the sets,
// stations, levels, electrodes and counts of the points in memory.
OpenResult RebuildAfterElectrodeEdit(TDataset& ds, Messenger& messenger);

// One step of undo for the electrode edits: the whole dataset as it was
// before the last edit.
class ElectrodeEditUndo {
public:
  void Remember(const TDataset& ds);
  void Remember(TDataset&& ds);
  bool CanUndo() const { return saved_.has_value(); }
  // Puts the remembered dataset back and forgets it; the observers, the
  // acceptance thresholds and the X shift, which the operator sets in the
  // windows, stay those of `ds`. False when nothing is remembered.
  bool Undo(TDataset& ds);
  void Forget() { saved_.reset(); }

private:
  std::optional<TDataset> saved_;
};

}  // namespace tarvo

#pragma once

#include <QObject>

#include "engine/display/display_state.h"

class QMenu;

namespace tarvo::gui {

class TMain;
class TSectionOptionDlg;

// The Contours menu of the main window: "11 colors", "Increase", "Decrease"
// and "Pale" change the shared colour table; "Min", "Max" and "Default"
// widen or restore the configuration window's range; "Section options ..."
// opens the section options dialog. The captions and enabling follow the
// colour table each time the menu opens; the maps redraw on the signals.
class ContourCommands : public QObject {
  Q_OBJECT

public:
  ContourCommands(TMain& main, DisplayState& display, TSectionOptionDlg* dialog);

  // The contour levels of the configuration window's map, whose ends the
  // captions of "Min" and "Max" show; none until that window draws a map.
  void SetConfigurationLevels(const ContourLevels* levels) { levels_ = levels; }

  // Captions, enabling and visibility as the menu shows them (run each time
  // it opens).
  void UpdateMenu();

  // The colour commands by their tag: 1 "11 colors", 2 "Increase", 3
  // "Decrease", 4 "Pale".
  void Reset1Click(int tag);
  // The range commands by their tag: 21 "Max", 22 "Min", 23 "Default".
  void Max1Click(int tag);

signals:
  void ColorsChanged();
  void RangeChanged();

private:
  TMain& main_;
  DisplayState& display_;
  const ContourLevels* levels_ = nullptr;
};

// Gives the Contours menu its work, adds "Section options ..." to it, and
// restores the range multipliers after every file read. `dialog` may be
// null (no "Section options ..." item then). The commands are owned by the
// main window.
ContourCommands* AttachContourCommands(TMain& main, DisplayState& display, TSectionOptionDlg* dialog);

}  // namespace tarvo::gui

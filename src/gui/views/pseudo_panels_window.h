#pragma once

#include <QMainWindow>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "engine/core/dataset.h"
#include "engine/core/messenger.h"
#include "engine/display/display_state.h"
#include "engine/display/pseudo_panels.h"
#include "engine/display/value_grid.h"

class QAction;
class QCheckBox;
class QDockWidget;
class QToolBar;
class QToolButton;

namespace tarvo::gui {

class TMain;
class TPseudoForm;
class TSectForm;
class TSectionOptionDlg;

// "Pseudo-sections": one pseudosection panel per set (or per array type),
// resistivity panels in the left dock site, chargeability panels in the
// right one, all on one colour and one horizontal range. The panels are
// dock widgets: they stack top to bottom in their site, can be floated
// and docked again. From a pair of sets the window derives the
// logarithmic difference ("D-transf") and the mean ("&Mean", or "A&MNB"
// for forward and reverse pole-dipole), which it writes for Res2dInv.
class TSectXform : public QMainWindow {
  Q_OBJECT

public:
  // Chooses the file of the section-panel writer; none when cancelled.
  using PanelFileChooser = std::function<std::optional<QString>(const QString& proposed, const QString& title)>;

  TSectXform(TDataset& dataset, DisplayState& display, QWidget* parent = nullptr);
  ~TSectXform() override;

  // The grid settings (interpolation width) of the main window.
  void SetGridSettings(std::function<GridSettings()> source) { gridSettings_ = std::move(source); }
  void SetOptionsDialog(TSectionOptionDlg* dialog) { optionsDialog_ = dialog; }
  void SetPanelFileChooser(PanelFileChooser chooser) { choosePanelFile_ = std::move(chooser); }
  TSectionOptionDlg* OptionsDialog() const { return optionsDialog_; }
  // Messages of the section-panel writer (message boxes when null).
  void SetMessenger(Messenger* messenger) { messenger_ = messenger; }

  // Fills the cleared window with the panels of the dataset and shows it
  // (window-modal with `modal`). Nothing happens unless the dataset holds
  // measured data.
  void BuildPanels(bool modal);
  // Releases every panel (the close rule).
  void ClearPanels();
  // Appends a panel; false when 20 exist.
  bool AddPanel(PseudoPanel panel);

  int PanelCount() const { return static_cast<int>(forms_.size()); }
  TPseudoForm* PanelForm(int k) const;   // 1..PanelCount
  QDockWidget* PanelDock(int k) const;
  QAction* PanelAction(int k) const;     // 1..20
  int MeanPanelIndex() const { return meanPanel_; }

  // The commands.
  void Action1Execute(int k);
  void sbCloseAllClick();
  void ToolButton27Click();  // Copy
  void ActionOptionExecute();
  void ActionDifExecute();
  void ActionAmnBExecute(bool fromCheckBox);
  QImage PanelsImage();      // what Copy puts on the clipboard

  QAction* Command(const char* name) const;
  QCheckBox* MeanBox() const { return meanBox_; }
  QToolButton* AmnbButton() const { return amnbBt_; }
  QWidget* AmnbPanel() const { return panelAMNB_; }
  // The mean command is offered: PanelAMNB shows in the tool bar.
  bool MeanOffered() const;
  QToolBar* ToolBar() const { return toolBar_; }

signals:
  // A click on a panel of a set (owner index: p, or -p for chargeability).
  void PanelClicked(int owner);
  // The operator closed the window.
  void ClosedByUser();

protected:
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  bool eventFilter(QObject* watched, QEvent* event) override;

  void FormShow();
  void FormResize();

  TDataset& dataset_;
  DisplayState& display_;

private:
  void BuildToolBar();
  void DockPanel(int k);
  void UpdateMeanCaptions();
  GridSettings CurrentGridSettings() const;

  std::function<GridSettings()> gridSettings_;
  TSectionOptionDlg* optionsDialog_ = nullptr;
  PanelFileChooser choosePanelFile_;
  Messenger* messenger_ = nullptr;
  std::unique_ptr<Messenger> boxes_;
  std::vector<TPseudoForm*> forms_;
  std::vector<QDockWidget*> docks_;
  std::vector<QAction*> actions_;  // Action1 .. Action20
  QToolBar* toolBar_ = nullptr;
  QToolBar* panelBar_ = nullptr;
  QWidget* panelAMNB_ = nullptr;
  QAction* panelAMNBAction_ = nullptr;  // PanelAMNB's place in the tool bar
  QToolButton* amnbBt_ = nullptr;
  QCheckBox* meanBox_ = nullptr;
  QWidget* centre_ = nullptr;
  int meanPanel_ = 0;
  int meanTypeGroups_ = 1;
  int meanArrayCode_ = 0;
  bool clearing_ = false;
};

// The same window without its tool bar, kept open beside the configuration
// window; it offers only the panels.
class TSmallSectXform : public TSectXform {
  Q_OBJECT

public:
  TSmallSectXform(TDataset& dataset, DisplayState& display, QWidget* parent = nullptr);
};

// The main window's reaction to a click on a panel: the set of the panel
// becomes the selected set, and the Res/IP mode shows resistivity (owner
// p > 0) or chargeability (owner -p).
void SelectPanelSet(TMain& main, int owner);

// Gives the main window its two "Section" commands: aMany opens the panels
// window modally, aManySmall shows or hides the small one beside the
// configuration window, which every read refills.
void AttachPanelsWindows(TMain& main, TSectXform& panels, TSmallSectXform& small, TSectForm& configuration,
                         TSectionOptionDlg* options);

}  // namespace tarvo::gui

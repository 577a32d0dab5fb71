#pragma once

#include <QImage>
#include <QWidget>

#include <functional>
#include <optional>
#include <vector>

#include "drawing/section_picture.h"
#include "engine/core/dataset.h"
#include "engine/display/display_state.h"
#include "engine/display/pseudo_panel.h"

class QAction;
class QActionGroup;
class QMenu;

namespace tarvo::gui {

// One pseudosection panel: a small form showing the panel it was given as
// a colour map with axes, colour scale and title, with the measured values
// posted on it on demand. The pseudo-section panels windows make one per
// panel; the median-filter windows use TPseudoMForm. A click (or double
// click) asks the host to select the panel's set, unless the panel's owner
// index is NoPanelOwner. Closing only hides the form.
class TPseudoForm : public QWidget {
  Q_OBJECT

public:
  // Chooses the file "Save data" writes; none when cancelled.
  using SaveChooser = std::function<std::optional<QString>(const QString& caption)>;

  TPseudoForm(const DisplayState& display, QWidget* parent = nullptr);
  ~TPseudoForm() override;

  // Takes the grids (the form owns them from now on) and the descriptor;
  // the scale type is 0 logarithmic, 1 symmetric, 2 linear.
  void SetData(std::unique_ptr<ValueGrid> values, std::unique_ptr<ValueGrid> raw, int owner, int scaleType,
               const GridDescriptor& descriptor);
  // Takes a panel that is made already (its ranges included).
  void SetPanel(PseudoPanel panel);
  PseudoPanel& Panel() { return panel_; }
  const PseudoPanel& Panel() const { return panel_; }
  // Releases the grids: the form then draws nothing.
  void ReleaseData();

  // The caption (drawn in the title line by the section options' rules)
  // and the hint, which is the same text.
  void SetTitle(const QString& title);
  QString Title() const;

  // The dataset whose line altitudes "Save data" writes.
  void SetDataset(const TDataset* ds) { dataset_ = ds; }
  void SetSaveChooser(SaveChooser chooser) { chooseSave_ = std::move(chooser); }
  // The host's action for this panel: checked while the form is shown.
  void SetOwnerAction(QAction* action) { ownerAction_ = action; }
  QAction* OwnerAction() const { return ownerAction_; }

  // The layout is made again at the next paint (after a change of the
  // options, the font or the ranges).
  void MarkDirty();

  void SetMode(PanelMode mode);
  void SetDigits(PostDigits digits);

  // The popup menu's commands.
  void Copy1Click();
  void Savedata1Click();
  QMenu* PopupMenu() const { return popup_; }

  // The form's picture at its size, as the clipboard gets it.
  QImage Image();
  // Paints the panel into any painter (the clipboard, a file, tests).
  void PaintPanel(QPainter& p, const QSize& size);
  drawing::PanelPicture& Picture() { return picture_; }

signals:
  // A click or double click on a panel that has an owner.
  void Clicked(int owner);
  void Closed();

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void showEvent(QShowEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

  // The median variant draws over the panel and takes the clicks itself.
  virtual void PaintOver(QPainter&) {}
  virtual bool LeftClick(const QPoint&) { return false; }

  const DisplayState& display_;

private:
  void BuildPopup();
  void PopupMenuPopup();

  PseudoPanel panel_;
  drawing::PanelPicture picture_;
  const TDataset* dataset_ = nullptr;
  QAction* ownerAction_ = nullptr;
  SaveChooser chooseSave_;
  QMenu* popup_ = nullptr;
  QMenu* values_ = nullptr;
  QActionGroup* modes_ = nullptr;
  QActionGroup* digits_ = nullptr;
};

// The panel of the median-filter windows: a TPseudoForm that can draw the
// filter's break lines (a black vertical line at each break station) and
// tells where the operator clicked, so that the window can toggle a break
// there. It knows nothing of the median window: the window sets the data,
// the range, the breaks and whether they apply, and listens to
// StationClicked.
class TPseudoMForm : public TPseudoForm {
  Q_OBJECT

public:
  explicit TPseudoMForm(const DisplayState& display, QWidget* parent = nullptr);

  // The grids with a logarithmic flag (resistivity); otherwise the panel is
  // linear when `chargeability`, symmetric when not.
  void SetData(std::unique_ptr<ValueGrid> values, std::unique_ptr<ValueGrid> raw, int owner, bool logarithmic,
               bool chargeability, const GridDescriptor& descriptor);
  // The colour range in use (the automatic range of SetData until then).
  void SetRange(ValueRange range);

  // Station indices (2..station count) that carry a break; at most 400.
  void SetBreaks(std::vector<int> stations);
  const std::vector<int>& Breaks() const { return breaks_; }
  // Break lines and clicks apply (the window's tag and its "1D part
  // calculation" choice decide).
  void SetBreaksActive(bool on);
  bool BreaksActive() const { return breaksActive_; }

  // The station and level of a click at `pos`: station k is the first from
  // the second on with the click between stations k - 1 and k; level the
  // nearest. Nothing outside the plot or without data.
  std::optional<std::pair<int, int>> StationAt(const QPoint& pos) const;

  static constexpr int MaxBreaks = 400;

signals:
  void StationClicked(int station, int level);

protected:
  void PaintOver(QPainter& p) override;
  bool LeftClick(const QPoint& pos) override;

private:
  std::vector<int> breaks_;
  bool breaksActive_ = true;
};

}  // namespace tarvo::gui

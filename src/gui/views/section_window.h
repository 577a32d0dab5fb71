#pragma once

#include <QImage>
#include <QPoint>
#include <QWidget>

#include <functional>

#include "drawing/configuration_picture.h"
#include "engine/core/dataset.h"
#include "engine/display/display_state.h"
#include "engine/display/section_view.h"

class QAction;
class QLabel;
class QMenu;
class QRubberBand;
class QToolButton;

namespace tarvo::gui {

class ContourCommands;
class TMain;
class TTableForm;
class TSectForm;

// The paint box of the configuration window: it paints what the window's
// view holds and hands clicks, drags and tool-tip requests to the window.
class SectionPaintBox : public QWidget {
  Q_OBJECT
public:
  explicit SectionPaintBox(TSectForm& form, QWidget* parent);

protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  bool event(QEvent* event) override;

private:
  TSectForm& form_;
  QRubberBand* band_ = nullptr;
  QPoint pressed_;
  bool dragging_ = false;
  bool pressedLeft_ = false;
};

// The array configuration window: the electrodes along the top, every data
// point at its station and level (over a colour map of measured data), the
// operator picking points and electrodes by mouse and marking quadripoles
// deleted. The table window and the main window keep their selection in
// step with it (AttachSectionWindow).
class TSectForm : public QWidget, private DatasetObserver {
  Q_OBJECT
public:
  // Created once at start-up: the first maps get 21 pale colours (the
  // shared table is increased and made pale here).
  TSectForm(TDataset& ds, DisplayState& display, QWidget* parent = nullptr);
  ~TSectForm() override;

  // What the main window decides about the drawing, asked before each
  // redraw (Res/IP, "Data points On/Off", the hidden last lines, the
  // interpolation width). The colour map switch is the window's own.
  void SetOptionsSource(std::function<SectionViewOptions()> source) { optionsSource_ = std::move(source); }

  // Left edge of the work area, top just under `mainWindow`, as wide as the
  // work area and as high as it leaves.
  void PlaceUnder(const QWidget& mainWindow);

  // The paint box was resized, or the data changed so much that nothing
  // picked stays valid (a read, a set selection, the Res/IP switch):
  // the panels are cleared, the markers hidden and the picture laid out anew.
  void FormResize();
  void Rebuild(bool newData = false);
  // "Redraw": the picture laid out anew, the pick kept.
  void Redraw();

  // A left click of the paint box at `pos`.
  void PaintBoxMouseDown(const QPoint& pos);
  // The table window's current data point and electrode, shown here.
  void ShowDataPoint(int index);
  void ShowElectrode(int n);
  // The rubber band of a left drag, in paint-box pixels.
  void SelectBand(const QRect& rect);

  void DeleteMClick();
  void DoubleClick();
  void UndoDelete();

  // "Map On/Off".
  void SetMapOn(bool on);
  // The colour table or the range multipliers changed: a shown map is
  // drawn again.
  void ColorsChanged();
  bool MapOn() const { return view_.Options().mapOn; }

  // The picture as the window shows it without its markers, at the paint
  // box's size.
  QImage PictureImage();
  // A .png or .svg file, written whole; false with the reason in `error`.
  bool SavePicture(const QString& path, QString* error = nullptr);
  // The bitmap and its SVG on the clipboard.
  void CopyPicture();
  void SavePictureAs();

  SectionView& View() { return view_; }
  SectionPaintBox* PaintBox() const { return paintBox_; }
  QLabel* RX_P() const { return rxP_; }
  QLabel* nD_p() const { return ndP_; }
  QLabel* El_P() const { return elP_; }
  QLabel* Roa_P() const { return roaP_; }
  QToolButton* DoubleSB() const { return doubleSB_; }
  QToolButton* DeleteSb() const { return deleteSb_; }
  QMenu* PopupMenu1() const { return popup_; }
  QAction* RemoveDoubleM() const { return removeDoubleM_; }
  QAction* DeleteM() const { return deleteM_; }
  QAction* Putinoder1() const { return putInOrder_; }
  QAction* UndoM() const { return undoM_; }

  // Paints the paint box: the picture, then the markers and the band.
  void PaintBoxPaint(QPainter& painter);
  // The tool tip for the point under `pos`, empty when none is near.
  QString ToolTipAt(const QPoint& pos);

signals:
  void Closed();
  void DataRowPicked(int index);     // the table window selects the point's row
  void ElectrodeRowPicked(int n);    // the table window selects the electrode's row
  void SequenceModified();           // a single-set sequence was edited
  void DoublePointsRemoved();        // the last set is to be selected in the set list

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void BadCountChanged() override;

  void BuildPanel();
  void BuildPopup();
  void SyncOptions();
  void LayOutIfDirty();
  void ShowState();
  void ApplyPick(const PickOutcome& outcome);

  QSize PictureSize() const;
  void PaintPicture(QPainter& painter);
  // The picture without markers as the paint box shows it, drawn again
  // only when the view laid out anew, its map image changed or the box's
  // pixel ratio did; a paint that only moves a marker copies it.
  const QImage& ShownPicture();

  TDataset& ds_;
  DisplayState& display_;
  SectionView view_;
  drawing::ConfigurationMapImage mapImage_;  // the last colour map, over the plot rectangle
  QImage picture_;
  bool pictureValid_ = false;
  std::uint64_t pictureScene_ = 0;
  std::uint64_t pictureMap_ = 0;
  bool pictureData_ = false;
  QFont pictureFont_;
  std::function<SectionViewOptions()> optionsSource_;
  SectionPaintBox* paintBox_ = nullptr;
  QLabel* rxP_ = nullptr;
  QLabel* ndP_ = nullptr;
  QLabel* elP_ = nullptr;
  QLabel* roaP_ = nullptr;
  QToolButton* doubleSB_ = nullptr;
  QToolButton* deleteSb_ = nullptr;
  QToolButton* rangeSB_ = nullptr;
  QMenu* popup_ = nullptr;
  QAction* removeDoubleM_ = nullptr;
  QAction* deleteM_ = nullptr;
  QAction* putInOrder_ = nullptr;
  QAction* deleteElectrodeM_ = nullptr;
  QAction* undoM_ = nullptr;
  QAction* saveM_ = nullptr;
  QAction* copyM_ = nullptr;
};

// Connects the configuration window to the main window and the table
// window: "Section On/Off", "Map On/Off" and "Redraw", every read, set
// selection, Res/IP switch, "Data points On/Off" and line hiding redraw it;
// a pick here selects the table's row, a row or electrode selected there is
// shown here, and the table's Delete key deletes as here. The colour
// commands of the Contours menu (when given) redraw its map, whose levels
// their "Min" and "Max" captions show.
void AttachSectionWindow(TMain& main, TTableForm& table, TSectForm& section, ContourCommands* contours = nullptr);

}  // namespace tarvo::gui

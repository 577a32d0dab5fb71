#include "gui/views/section_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QHelpEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QRubberBand>
#include <QScreen>
#include <QToolButton>
#include <QToolTip>
#include <QVBoxLayout>

#include <algorithm>

#include "engine/core/bad_points.h"
#include "drawing/configuration_picture.h"
#include "drawing/picture_output.h"
#include "engine/display/section_status.h"
#include "gui/editing/table_window.h"
#include "gui/shell/main_window.h"
#include "gui/views/contour_commands.h"

namespace tarvo::gui {

using drawing::MetricsOf;
using drawing::SectionBackground;
using drawing::SectionCurrentMarkerColor;
using drawing::SectionMarkerColor;
using drawing::SectionPotentialMarkerColor;

namespace {

QString Latin1(const std::string& s) { return QString::fromLatin1(s.data(), static_cast<qsizetype>(s.size())); }

// Points nearer than this to the mouse show their values.
constexpr double ToolTipRadius = 6;

QLabel* StatusPanel(const char* name, const QString& hint, QWidget* parent) {
  auto* label = new QLabel(parent);
  label->setObjectName(QString::fromLatin1(name));
  label->setFrameShape(QFrame::StyledPanel);
  label->setFrameShadow(QFrame::Sunken);
  label->setMargin(2);
  label->setToolTip(hint);
  label->setStatusTip(hint);
  label->setMinimumWidth(QFontMetrics(label->font()).horizontalAdvance(QStringLiteral("X=000.00 Ps.Z=00.00")));
  return label;
}

QRect Square(int x, int y, int size) { return QRect(x - size / 2, y - size / 2, size, size); }

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
__attribute__((target("avx"))) void ZeroUpperHalves() { __builtin_ia32_vzeroupper(); }
#endif

// What runs before a layout (the painting of the last picture, in library
// code built for AVX) can leave the upper halves of the vector registers in
// use; the grid's gap filling and the band fill, plain SSE arithmetic, then
// run several times slower (each instruction waits on those halves) until
// something clears them. The layout clears them first: a Redraw of the
// 20 000-point line took 20 ms with them in use and 5 ms without, under the
// same load.
void ClearUpperVectorHalves() {
#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
  static const bool avx = __builtin_cpu_supports("avx");
  if (avx) ZeroUpperHalves();
#endif
}

}  // namespace

// ---------------------------------------------------------------------------
// Paint box

SectionPaintBox::SectionPaintBox(TSectForm& form, QWidget* parent) : QWidget(parent), form_(form) {
  setObjectName(QStringLiteral("PaintBox"));
  setCursor(Qt::CrossCursor);
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(120, 60);
  band_ = new QRubberBand(QRubberBand::Rectangle, this);
}

void SectionPaintBox::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  form_.PaintBoxPaint(painter);
}

void SectionPaintBox::resizeEvent(QResizeEvent* event) {
  QWidget::resizeEvent(event);
  form_.FormResize();
}

void SectionPaintBox::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mousePressEvent(event);
  pressed_ = event->position().toPoint();
  pressedLeft_ = true;
  dragging_ = false;
  form_.PaintBoxMouseDown(pressed_);
}

void SectionPaintBox::mouseMoveEvent(QMouseEvent* event) {
  if (!pressedLeft_ || (event->buttons() & Qt::LeftButton) == 0) return QWidget::mouseMoveEvent(event);
  const QPoint pos = event->position().toPoint();
  if (!dragging_ && (pos - pressed_).manhattanLength() >= QApplication::startDragDistance()) {
    dragging_ = true;
    band_->show();
  }
  if (dragging_) band_->setGeometry(QRect(pressed_, pos).normalized());
}

void SectionPaintBox::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return QWidget::mouseReleaseEvent(event);
  if (dragging_) {
    band_->hide();
    form_.SelectBand(QRect(pressed_, event->position().toPoint()).normalized());
  }
  pressedLeft_ = false;
  dragging_ = false;
}

void SectionPaintBox::contextMenuEvent(QContextMenuEvent* event) { form_.PopupMenu1()->popup(event->globalPos()); }

bool SectionPaintBox::event(QEvent* event) {
  if (event->type() == QEvent::ToolTip) {
    auto* help = static_cast<QHelpEvent*>(event);
    const QString text = form_.ToolTipAt(help->pos());
    if (text.isEmpty()) {
      QToolTip::hideText();
      event->ignore();
    } else {
      QToolTip::showText(help->globalPos(), text, this);
    }
    return true;
  }
  return QWidget::event(event);
}

// ---------------------------------------------------------------------------
// The window

TSectForm::TSectForm(TDataset& ds, DisplayState& display, QWidget* parent)
    : QWidget(parent, Qt::Window), ds_(ds), display_(display), view_(ds) {
  setObjectName(QStringLiteral("TSectForm"));
  IncreaseColors(display_.Colors);
  PaleColors(display_.Colors);
  view_.SetColors(&display_.Colors, &display_.Multipliers);
  setWindowTitle(Latin1(view_.Caption()));
  BuildPanel();
  BuildPopup();
  view_.SetMetrics(MetricsOf(paintBox_->font()));
  ds_.Observers.push_back(this);
  resize(900, 360);
  ShowState();
}

TSectForm::~TSectForm() {
  auto& o = ds_.Observers;
  o.erase(std::remove(o.begin(), o.end(), static_cast<DatasetObserver*>(this)), o.end());
}

void TSectForm::BuildPanel() {
  auto* column = new QVBoxLayout(this);
  column->setContentsMargins(0, 0, 0, 0);
  column->setSpacing(0);

  auto* panel = new QFrame(this);
  panel->setObjectName(QStringLiteral("Panel"));
  auto* bar = new QHBoxLayout(panel);
  bar->setContentsMargins(2, 2, 2, 2);
  const auto button = [&](const char* name, const QString& caption, const QString& hint) {
    auto* b = new QToolButton(panel);
    b->setObjectName(QString::fromLatin1(name));
    b->setText(caption);
    b->setToolTip(hint);
    b->setStatusTip(hint);
    b->setAutoRaise(true);
    bar->addWidget(b);
    return b;
  };
  doubleSB_ = button("DoubleSB", tr("Double"), tr("Remove double points in SEQ file [^D]"));
  deleteSb_ = button("DeleteSb", tr("&Delete"), tr("Mark quadripole [Delete]"));
  rangeSB_ = button("RangeSB", tr("Range"), {});
  rangeSB_->setVisible(false);
  rxP_ = StatusPanel("RX_P", tr("Coordinate of pseudosection"), panel);
  ndP_ = StatusPanel("nD_p", tr("Number of quadripole"), panel);
  elP_ = StatusPanel("El_P", tr("Numbers of electrodes"), panel);
  roaP_ = StatusPanel("Roa_P", tr("App. resistivity"), panel);
  for (QLabel* p : {rxP_, ndP_, elP_, roaP_}) bar->addWidget(p, 1);
  connect(doubleSB_, &QToolButton::clicked, this, &TSectForm::DoubleClick);
  connect(deleteSb_, &QToolButton::clicked, this, &TSectForm::DeleteMClick);

  paintBox_ = new SectionPaintBox(*this, this);
  column->addWidget(panel);
  column->addWidget(paintBox_, 1);
}

void TSectForm::BuildPopup() {
  popup_ = new QMenu(this);
  popup_->setObjectName(QStringLiteral("PopupMenu1"));
  const auto item = [this](const char* name, const QString& caption, const QString& key) {
    auto* a = new QAction(caption, this);
    a->setObjectName(QString::fromLatin1(name));
    if (!key.isEmpty()) a->setShortcut(QKeySequence(key));
    a->setShortcutContext(Qt::WindowShortcut);
    popup_->addAction(a);
    addAction(a);  // the keys work wherever the focus is in this window
    return a;
  };
  removeDoubleM_ = item("RemoveDoubleM", tr("Remove double points"), QStringLiteral("Ctrl+D"));
  deleteM_ = item("DeleteM", tr("Delete quadripole"), QStringLiteral("Delete"));
  putInOrder_ = item("Putinoder1", tr("Put in oder"), QStringLiteral("Ctrl+O"));
  putInOrder_->setEnabled(false);
  putInOrder_->setStatusTip(tr("Put in oder (not available)"));
  // The electrode deletion of the table window's electrode grid.
  deleteElectrodeM_ = item("DelElectrode", tr("Delete electrode"), {});
  deleteElectrodeM_->setEnabled(false);
  deleteElectrodeM_->setStatusTip(tr("Delete selected electrodes (not available yet)"));
  popup_->addSeparator();
  undoM_ = item("UndoDeleteM", tr("Undo delete"), QStringLiteral("Ctrl+Z"));
  popup_->addSeparator();
  saveM_ = item("SavePictureM", tr("Save picture..."), {});
  copyM_ = item("CopyPictureM", tr("Copy picture"), QStringLiteral("Ctrl+C"));

  connect(removeDoubleM_, &QAction::triggered, this, &TSectForm::DoubleClick);
  connect(deleteM_, &QAction::triggered, this, &TSectForm::DeleteMClick);
  connect(undoM_, &QAction::triggered, this, &TSectForm::UndoDelete);
  connect(saveM_, &QAction::triggered, this, &TSectForm::SavePictureAs);
  connect(copyM_, &QAction::triggered, this, &TSectForm::CopyPicture);
}

void TSectForm::PlaceUnder(const QWidget& mainWindow) {
  const QRect main = mainWindow.frameGeometry();
  const QScreen* screen = mainWindow.screen() != nullptr ? mainWindow.screen() : QGuiApplication::primaryScreen();
  const QRect area = screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
  const int top = main.bottom() + 1;
  const int height = std::max(area.bottom() + 1 - top, 240);
  setGeometry(area.left(), top, area.width(), height);
}

void TSectForm::ShowState() {
  const SectionStatus& s = view_.Status();
  rxP_->setText(Latin1(s.RX_P));
  ndP_->setText(Latin1(s.nD_p));
  elP_->setText(Latin1(s.El_P));
  roaP_->setText(Latin1(s.Roa_P));
  deleteSb_->setEnabled(view_.DeleteEnabled());
  deleteM_->setEnabled(view_.DeleteEnabled());
  doubleSB_->setEnabled(view_.DoubleEnabled());
  removeDoubleM_->setEnabled(view_.DoubleEnabled());
  undoM_->setEnabled(view_.CanUndo());
  const bool picture = ds_.DataKind >= DataKindSequence;
  saveM_->setEnabled(picture);
  copyM_->setEnabled(picture);
}

void TSectForm::SyncOptions() {
  SectionViewOptions o = optionsSource_ ? optionsSource_() : view_.Options();
  o.mapOn = view_.Options().mapOn;
  view_.SetOptions(o);
}

void TSectForm::LayOutIfDirty() {
  SyncOptions();
  view_.SetMetrics(MetricsOf(paintBox_->font()));
  if (view_.Dirty() && view_.Width() != paintBox_->width()) view_.Resize(paintBox_->width(), paintBox_->height());
  if (view_.Dirty()) ClearUpperVectorHalves();
  if (view_.Refresh()) setWindowTitle(Latin1(view_.Caption()));
}

const QImage& TSectForm::ShownPicture() {
  const QImage& map = mapImage_.Update(view_);
  const qreal ratio = paintBox_->devicePixelRatioF();
  const QSize size = PictureSize();
  const bool withData = ds_.DataKind >= DataKindSequence;
  if (pictureValid_ && pictureScene_ == view_.SceneGeneration() && pictureMap_ == mapImage_.Generation() &&
      pictureData_ == withData && pictureFont_ == paintBox_->font() && picture_.devicePixelRatio() == ratio &&
      picture_.deviceIndependentSize().toSize() == size) {
    return picture_;
  }
  const QSize pixels = (QSizeF(size) * ratio).toSize();
  if (picture_.size() != pixels || picture_.format() != QImage::Format_RGB32) picture_ = QImage(pixels, QImage::Format_RGB32);
  picture_.setDevicePixelRatio(ratio);
  {
    QPainter p(&picture_);
    drawing::PaintConfigurationPicture(p, view_, paintBox_->font(), &map);
  }
  pictureValid_ = true;
  pictureScene_ = view_.SceneGeneration();
  pictureMap_ = mapImage_.Generation();
  pictureData_ = withData;
  pictureFont_ = paintBox_->font();
  return picture_;
}

void TSectForm::FormResize() {
  view_.Resize(paintBox_->width(), paintBox_->height());
  ShowState();
  paintBox_->update();
}

void TSectForm::Rebuild(bool newData) {
  view_.Reset(newData);
  if (view_.Width() != paintBox_->width() || view_.Height() != paintBox_->height()) {
    view_.Resize(paintBox_->width(), paintBox_->height());
  }
  setWindowTitle(Latin1(view_.Caption()));
  ShowState();
  paintBox_->update();
}

void TSectForm::Redraw() {
  view_.MarkDirty();
  paintBox_->update();
}

void TSectForm::PaintBoxPaint(QPainter& painter) {
  LayOutIfDirty();
  const QImage& picture = ShownPicture();
  painter.drawImage(QPoint(0, 0), picture);
  // A box larger than the laid-out picture (between a resize and its
  // layout) shows the background beyond it.
  const QSize shown = picture.deviceIndependentSize().toSize();
  if (paintBox_->width() > shown.width()) {
    painter.fillRect(QRect(shown.width(), 0, paintBox_->width() - shown.width(), paintBox_->height()), SectionBackground);
  }
  if (paintBox_->height() > shown.height()) {
    painter.fillRect(QRect(0, shown.height(), shown.width(), paintBox_->height() - shown.height()), SectionBackground);
  }
  if (ds_.DataKind < DataKindSequence) return;

  painter.setRenderHint(QPainter::Antialiasing, false);
  // The points of the rubber band.
  if (!view_.Band().empty()) {
    painter.setPen(QPen(SectionMarkerColor, 0));
    painter.setBrush(Qt::NoBrush);
    for (int i : view_.Band()) {
      int x = 0;
      int y = 0;
      if (view_.PointPixel(i, x, y)) painter.drawRect(Square(x, y, SectionView::ElectrodeMarkerSize).adjusted(0, 0, -1, -1));
    }
  }
  const auto& markers = view_.ElectrodeMarkers();
  for (int k = 0; k < 4; ++k) {
    const SectionMarker& m = markers[static_cast<std::size_t>(k)];
    if (!m.visible) continue;
    const bool current = k == SectionView::MarkerA || k == SectionView::MarkerB;
    painter.fillRect(Square(m.x, m.y, SectionView::ElectrodeMarkerSize),
                     current ? SectionCurrentMarkerColor : SectionPotentialMarkerColor);
  }
  const SectionMarker& m = view_.Marker();
  if (m.visible) {
    painter.setPen(QPen(Qt::black, 0));
    painter.setBrush(SectionMarkerColor);
    painter.drawRect(Square(m.x, m.y, SectionView::MarkerSize).adjusted(0, 0, -1, -1));
    painter.setBrush(Qt::NoBrush);
  }
}

QString TSectForm::ToolTipAt(const QPoint& pos) {
  if (ds_.DataKind < DataKindSequence) return {};
  LayOutIfDirty();
  const int i = view_.PointNear(pos.x(), pos.y(), ToolTipRadius);
  if (i == 0) return {};
  return Latin1(PointDescription(ds_, i, view_.Options().ipMode));
}

void TSectForm::ApplyPick(const PickOutcome& outcome) {
  ShowState();
  paintBox_->update();
  if (outcome.dataRow > 0) emit DataRowPicked(outcome.dataRow);
  if (outcome.electrodeRow > 0) emit ElectrodeRowPicked(outcome.electrodeRow);
}

void TSectForm::PaintBoxMouseDown(const QPoint& pos) {
  if (ds_.DataKind < DataKindSequence) return;
  LayOutIfDirty();
  ApplyPick(view_.MouseDown(pos.x(), pos.y()));
}

void TSectForm::ShowDataPoint(int index) {
  LayOutIfDirty();
  view_.ShowDataPoint(index);
  ShowState();
  paintBox_->update();
}

void TSectForm::ShowElectrode(int n) {
  LayOutIfDirty();
  view_.ShowElectrode(n);
  ShowState();
  paintBox_->update();
}

void TSectForm::SelectBand(const QRect& rect) {
  LayOutIfDirty();
  view_.SelectBand(rect.left(), rect.top(), rect.right(), rect.bottom());
  ShowState();
  paintBox_->update();
}

void TSectForm::DeleteMClick() {
  const SectionEdit edit = view_.Delete();
  if (edit.changed.empty()) return;
  ShowState();
  paintBox_->update();
  if (edit.modified) emit SequenceModified();
}

void TSectForm::UndoDelete() {
  const SectionEdit edit = view_.Undo();
  if (edit.changed.empty()) return;
  ShowState();
  paintBox_->update();
  if (edit.modified) emit SequenceModified();
}

void TSectForm::DoubleClick() {
  if (!view_.RemoveDoublePoints()) return;
  ShowState();
  paintBox_->update();
  emit DoublePointsRemoved();
}

void TSectForm::SetMapOn(bool on) {
  SectionViewOptions o = view_.Options();
  o.mapOn = on;
  view_.SetOptions(o);
  setWindowTitle(Latin1(view_.Caption()));
  paintBox_->update();
}

void TSectForm::ColorsChanged() {
  // The colour table may have changed in place: the map image is painted again.
  mapImage_.Invalidate();
  if (view_.ShowsMap()) Redraw();
}

QSize TSectForm::PictureSize() const { return {std::max(view_.Width(), 1), std::max(view_.Height(), 1)}; }

void TSectForm::PaintPicture(QPainter& painter) {
  drawing::PaintConfigurationPicture(painter, view_, paintBox_->font(), &mapImage_.Update(view_));
}

QImage TSectForm::PictureImage() {
  LayOutIfDirty();
  return drawing::RenderImage(PictureSize(), [this](QPainter& p, const QSize&) { PaintPicture(p); });
}

bool TSectForm::SavePicture(const QString& path, QString* error) {
  LayOutIfDirty();
  QString message;
  const bool saved = drawing::SavePicture(path, PictureSize(), windowTitle(),
                                          [this](QPainter& p, const QSize&) { PaintPicture(p); }, message);
  if (error != nullptr) *error = message;
  return saved;
}

void TSectForm::CopyPicture() {
  LayOutIfDirty();
  QGuiApplication::clipboard()->setMimeData(
      drawing::PictureMimeData(PictureSize(), windowTitle(), [this](QPainter& p, const QSize&) { PaintPicture(p); }));
}

void TSectForm::SavePictureAs() {
  const QString path = QFileDialog::getSaveFileName(this, tr("Save picture"), QString(),
                                                    tr("PNG image (*.png);;SVG drawing (*.svg)"));
  if (path.isEmpty()) return;
  QString error;
  if (!SavePicture(path, &error)) QMessageBox::critical(this, windowTitle(), error);
}

void TSectForm::BadCountChanged() {
  view_.MarkDirty();
  paintBox_->update();
}

void TSectForm::closeEvent(QCloseEvent* event) {
  QWidget::closeEvent(event);
  emit Closed();
}

// ---------------------------------------------------------------------------

void AttachSectionWindow(TMain& main, TTableForm& table, TSectForm& section, ContourCommands* contours) {
  if (contours != nullptr) {
    contours->SetConfigurationLevels(&section.View().Levels());
    QObject::connect(contours, &ContourCommands::ColorsChanged, &section, &TSectForm::ColorsChanged);
    QObject::connect(contours, &ContourCommands::RangeChanged, &section, &TSectForm::ColorsChanged);
  }
  section.SetOptionsSource([&main] {
    const ShellState& s = main.Shell();
    SectionViewOptions o;
    o.ipMode = s.IPMode;
    o.dataPoints = s.program.DataPointsOnOff;
    o.hiddenLastLines = s.HiddenLastLines;
    o.interpolationWidth = s.grid.InterpolationWidth;
    return o;
  });

  QAction* pano = main.Command(QStringLiteral("aPano"));
  main.ProvideCommand(QStringLiteral("aPano"), [&section, pano] {
    if (pano->isChecked()) {
      section.show();
      section.raise();
    } else {
      section.hide();
    }
  });
  QObject::connect(&section, &TSectForm::Closed, pano, [pano] { pano->setChecked(false); });
  // "Map On/Off": the colour map is on when the window is created.
  QAction* iso = main.Command(QStringLiteral("aIso"));
  iso->setChecked(section.MapOn());
  main.ProvideCommand(QStringLiteral("aIso"), [&section, iso] { section.SetMapOn(iso->isChecked()); });
  main.ProvideCommand(QStringLiteral("aRedraw"), [&main, &section] {
    if (main.Dataset().HasMeasurements() && section.MapOn()) section.Rebuild();
  });

  // Every read lays the window out anew, places it under the main window the
  // first time and shows it.
  QObject::connect(&main, &TMain::DatasetRead, &section, [&main, &section, pano, placed = false]() mutable {
    section.Rebuild(true);
    if (!IsLoaded(main.Dataset().DataKind)) return;
    if (!placed) section.PlaceUnder(main);
    placed = true;
    section.show();
    pano->setChecked(true);
  });
  QObject::connect(&main, &TMain::SetSelectionChanged, &section, [&section] { section.Rebuild(); });
  QObject::connect(&main, &TMain::IPModeChanged, &section, [&section] { section.Rebuild(); });
  QObject::connect(&main, &TMain::XShiftChanged, &section, [&section] { section.Rebuild(); });
  QObject::connect(&main, &TMain::RedrawRequested, &section, [&section] { section.Redraw(); });
  QObject::connect(&main, &TMain::HiddenLinesChanged, &section, [&section] { section.Redraw(); });
  QObject::connect(&main, &TMain::SettingsLoaded, &section, [&section] { section.Redraw(); });

  // Picks here select the table's rows; the table's selection shows here.
  QObject::connect(&section, &TSectForm::DataRowPicked, &table, &TTableForm::SelectDataRow);
  QObject::connect(&section, &TSectForm::ElectrodeRowPicked, &table, &TTableForm::SelectElectrodeRow);
  QObject::connect(&table, &TTableForm::DataPointSelected, &section, [&section](int index) {
    if (section.isVisible()) section.ShowDataPoint(index);
  });
  QObject::connect(&table, &TTableForm::ElectrodeSelected, &section, &TSectForm::ShowElectrode);
  QObject::connect(&table, &TTableForm::DeleteQuadripoleRequested, &section, [&table, &section] {
    // The table's Delete is for the row the operator sees selected there.
    const int row = table.SelectedDataIndex();
    if (row > 0 && row != section.View().SelectedPoint()) section.ShowDataPoint(row);
    section.DeleteMClick();
  });
  QObject::connect(&section, &TSectForm::SequenceModified, &main, [&main] { main.MarkModified(); });
  QObject::connect(&section, &TSectForm::DoublePointsRemoved, &main, [&main] {
    // The last set is selected in the set list, and the selection applied.
    auto* list = main.findChild<QListWidget*>(QStringLiteral("ListBox"));
    if (list != nullptr && main.Dataset().SetCount >= 1) list->setCurrentRow(main.Dataset().SetCount - 1);
  });
}

}  // namespace tarvo::gui

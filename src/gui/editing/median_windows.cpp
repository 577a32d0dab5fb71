#include "gui/editing/median_windows.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QCloseEvent>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QSlider>
#include <QSplitter>
#include <QTabWidget>
#include <QToolBar>
#include <QVBoxLayout>

#include <algorithm>
#include <cstring>
#include <memory>

#include "engine/core/positions.h"
#include "gui/shell/main_window.h"
#include "gui/views/graph_window.h"
#include "gui/views/pseudo_form.h"
#include "gui/views/section_option_dlg.h"

namespace tarvo::gui {

namespace {

QButtonGroup* RadioGroup(QWidget* parent, QVBoxLayout* into, const char* name, const QString& caption,
                         std::initializer_list<QString> items) {
  auto* box = new QGroupBox(caption, parent);
  box->setObjectName(QLatin1String(name));
  auto* layout = new QVBoxLayout(box);
  auto* group = new QButtonGroup(box);
  group->setObjectName(QLatin1String(name));
  int id = 0;
  for (const QString& item : items) {
    auto* b = new QRadioButton(item, box);
    layout->addWidget(b);
    group->addButton(b, id++);
  }
  into->addWidget(box);
  return group;
}

QSlider* TrackBar(QWidget* parent, const char* name, int low, int high) {
  auto* s = new QSlider(Qt::Horizontal, parent);
  s->setObjectName(QLatin1String(name));
  s->setRange(low, high);
  s->setPageStep(1);
  s->setTickPosition(QSlider::TicksBelow);
  s->setTickInterval(1);
  return s;
}

QPushButton* Push(QWidget* parent, const char* name, const QString& caption, const QString& hint = {}) {
  auto* b = new QPushButton(caption, parent);
  b->setObjectName(QLatin1String(name));
  if (!hint.isEmpty()) b->setToolTip(hint);
  return b;
}

// A panel action's caption shows the title as it reads (one ampersand).
QString ActionText(QString title) { return title.replace(QLatin1Char('&'), QStringLiteral("&&")); }

// The panel shows `grid`: the map gap-filled, the posted and saved values
// as the cells are (or `raw`, for a grid that is gap-filled already).
// Resistivity is logarithmic; otherwise the panel is linear for
// chargeability and symmetric (signed percentages) for resistivity.
void SetPanelGrid(TPseudoMForm& form, const DisplayState& display, const FilterGrid& grid, const FilterGrid* raw,
                  bool logarithmic, bool chargeability, double unitSpacing, const GridSettings& settings) {
  auto values = std::make_unique<ValueGrid>();
  auto measured = std::make_unique<ValueGrid>();
  GridDescriptor descriptor;
  bool ok = false;
  if (raw != nullptr) {
    GridDescriptor same;
    ok = ToValueGrid(grid, *values, descriptor) && ToValueGrid(*raw, *measured, same);
  } else {
    ok = ToPanelGrids(grid, logarithmic, unitSpacing, settings, *values, *measured, descriptor);
  }
  if (!ok) {
    form.ReleaseData();
    return;
  }
  form.SetData(std::move(values), std::move(measured), NoPanelOwner, logarithmic, chargeability, descriptor);
  form.Panel().LogDepth = display.Options.Scale == DepthScale::Logarithmic;
}

// Maximised: the work area of the screen, also where no window manager
// maximises.
void ShowMaximised(QDialog& d) {
  if (const QScreen* screen = d.screen()) d.setGeometry(screen->availableGeometry());
  d.setWindowState(d.windowState() | Qt::WindowMaximized);
}

// Whether the panel's cells before gap filling are those of `grid`.
bool ShowsCells(const TPseudoMForm& form, const FilterGrid& grid) {
  const PseudoPanel& panel = form.Panel();
  if (!panel.Raw || panel.Descriptor.StationCount != grid.StationCount || panel.Descriptor.LevelCount != grid.LevelCount ||
      panel.Raw->StationCount() != grid.StationCount || panel.Raw->LevelCount() != grid.LevelCount) {
    return false;
  }
  for (int s = 1; s <= grid.StationCount; ++s) {
    const float* shown = panel.Raw->Station(s);
    const float* cells = grid.Cells.data() + grid.Index(s, 1);
    // Bitwise: an empty cell is the same marker in both.
    if (std::memcmp(shown, cells, sizeof(float) * static_cast<std::size_t>(grid.LevelCount)) != 0) return false;
  }
  return true;
}

bool SameCurves(const std::vector<EffectSeries>& a, const std::vector<EffectSeries>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    if (a[k].Title != b[k].Title || a[k].Points != b[k].Points) return false;
  }
  return true;
}

class WaitCursor {
public:
  WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
  ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

// ---------------------------------------------------------------------------
// TmedianXform

TmedianXform::TmedianXform(TDataset& ds, DisplayState& display, MedianSettings& settings, QWidget* parent)
    : QDialog(parent), ds_(ds), display_(display), settings_(settings) {
  setObjectName(QStringLiteral("medianXform"));
  setWindowTitle(tr("Median"));
  setModal(true);
  BuildControls();
}

TmedianXform::~TmedianXform() = default;

void TmedianXform::BuildControls() {
  auto* outer = new QVBoxLayout(this);
  toolBar_ = new QToolBar(this);
  outer->addWidget(toolBar_);
  auto* option = toolBar_->addAction(tr("&Options"));
  option->setObjectName(QStringLiteral("ActionOption"));
  connect(option, &QAction::triggered, this, &TmedianXform::OptionClick);
  auto* close = toolBar_->addAction(tr("&Close"));
  close->setObjectName(QStringLiteral("Close"));
  connect(close, &QAction::triggered, this, &QDialog::close);
  toolBar_->addSeparator();
  for (int k = 0; k < 6; ++k) {
    auto* a = toolBar_->addAction(QString());
    a->setObjectName(QStringLiteral("Action%1").arg(k + 1));
    a->setCheckable(true);
    a->setVisible(false);
    connect(a, &QAction::triggered, this, [this, k](bool on) {
      TPseudoMForm* p = panels_[static_cast<std::size_t>(k)];
      if (p == nullptr) return;
      if (on) {
        p->show();
      } else {
        p->close();
      }
    });
    panelActions_[static_cast<std::size_t>(k)] = a;
  }
  toolBar_->addSeparator();
  actionGraph_ = toolBar_->addAction(tr("P&&C effects"));
  actionGraph_->setObjectName(QStringLiteral("Action_Graph"));
  actionGraph_->setCheckable(true);
  connect(actionGraph_, &QAction::triggered, this, [this] { GraphClick(); });
  actionGraphS_ = toolBar_->addAction(tr("Smoothed P&&C"));
  actionGraphS_->setObjectName(QStringLiteral("Action_GraphS"));
  actionGraphS_->setCheckable(true);
  actionGraphS_->setVisible(false);
  connect(actionGraphS_, &QAction::triggered, this, [this](bool on) {
    chartSmoothed_.clear();
    if (on) HandEffectsToChart(false, true);
  });

  auto* splitter = new QSplitter(Qt::Horizontal, this);
  splitter_ = splitter;
  left_ = new QWidget(splitter);
  left_->setObjectName(QStringLiteral("Panel"));
  leftPane_ = new QVBoxLayout(left_);
  leftPane_->setContentsMargins(0, 0, 0, 0);
  right_ = new QWidget(splitter);
  right_->setObjectName(QStringLiteral("Panel1"));
  rightPane_ = new QVBoxLayout(right_);
  rightPane_->setContentsMargins(0, 0, 0, 0);
  splitter->addWidget(left_);
  splitter->addWidget(right_);
  splitter->setStretchFactor(0, 1);
  splitter->setStretchFactor(1, 1);
  outer->addWidget(splitter, 1);

  pages_ = new QTabWidget(this);
  pages_->setObjectName(QStringLiteral("PageControl"));
  outer->addWidget(pages_);

  // "Decomposition"
  auto* decomposition = new QWidget(pages_);
  auto* d = new QHBoxLayout(decomposition);
  auto* dLeft = new QVBoxLayout;
  radioGroupAvr_ = RadioGroup(decomposition, dLeft, "RadioGroupAvr", tr("1D part calculation"),
                              {tr("Median"), tr("Mean"), tr("Mean in window")});
  d->addLayout(dLeft);
  auto* window1d = new QVBoxLayout;
  labelAvr_ = new QLabel(decomposition);
  labelAvr_->setObjectName(QStringLiteral("LabelAvr"));
  trackBarAvr_ = TrackBar(decomposition, "TrackBarAvr", 5, 60);
  window1d->addWidget(labelAvr_);
  window1d->addWidget(trackBarAvr_);
  d->addLayout(window1d, 1);
  auto* dButtons = new QVBoxLayout;
  go_ = Push(decomposition, "Go_", tr("Go"), tr("Make decomposition for new 1D paramert"));
  findAgain_ = Push(decomposition, "ActionPeff", tr("Find P&&C again"));
  findAgain_->setCheckable(true);
  dButtons->addWidget(go_);
  dButtons->addWidget(findAgain_);
  d->addLayout(dButtons);
  pages_->addTab(decomposition, tr("Decomposition"));

  // " Smoothing and reconstruction  "
  auto* smoothing = new QWidget(pages_);
  auto* s = new QHBoxLayout(smoothing);
  smoothingPages_ = new QTabWidget(smoothing);
  s->addWidget(smoothingPages_, 1);
  const auto effectPage = [&](const char* groupName, const char* barName, const char* labelName, QButtonGroup*& group,
                              QSlider*& bar, QLabel*& label) {
    auto* page = new QWidget(smoothingPages_);
    auto* row = new QHBoxLayout(page);
    auto* g = new QVBoxLayout;
    group = RadioGroup(page, g, groupName, tr("Method"), {tr("Median"), tr("Mean")});
    row->addLayout(g);
    auto* w = new QVBoxLayout;
    label = new QLabel(page);
    label->setObjectName(QLatin1String(labelName));
    bar = TrackBar(page, barName, 3, 13);
    w->addWidget(label);
    w->addWidget(bar);
    row->addLayout(w, 1);
    return page;
  };
  cPage_ = effectPage("MethodGroupC", "TrackBarC", "LabelWC", methodGroupC_, trackBarC_, labelWC_);
  pPage_ = effectPage("MethodGroupP", "TrackBarP", "LabelWP", methodGroupP_, trackBarP_, labelWP_);
  auto* rPage = new QWidget(smoothingPages_);
  {
    auto* row = new QHBoxLayout(rPage);
    auto* g = new QVBoxLayout;
    methodGroupR_ = RadioGroup(rPage, g, "MethodGroupR", tr("Method"), {tr("Median"), tr("Mean")});
    row->addLayout(g);
    auto* a = new QVBoxLayout;
    areaGroupR_ = RadioGroup(rPage, a, "AreaGroupR", tr("Area"), {tr("Rectangle"), tr("Cross")});
    row->addLayout(a);
    auto* w = new QVBoxLayout;
    labelRw_ = new QLabel(rPage);
    labelRw_->setObjectName(QStringLiteral("LabelRw"));
    trackBarX_ = TrackBar(rPage, "TrackBarX", 3, 11);
    trackBarY_ = TrackBar(rPage, "TrackBarY", 1, 9);
    w->addWidget(labelRw_);
    w->addWidget(trackBarX_);
    w->addWidget(trackBarY_);
    row->addLayout(w, 1);
  }
  smoothingPages_->addTab(cPage_, tr("C-effect"));
  smoothingPages_->addTab(pPage_, tr("P-effect"));
  smoothingPages_->addTab(rPage, tr("Residual"));
  auto* sButtons = new QVBoxLayout;
  smooth_ = Push(smoothing, "BitBtn2", tr("Smooth"));
  go1D_ = Push(smoothing, "Go_1D", tr("New 1D"), tr("Decomposition for 1D part for smoothed data"));
  sButtons->addWidget(smooth_);
  sButtons->addWidget(go1D_);
  s->addLayout(sButtons);
  pages_->addTab(smoothing, tr(" Smoothing and reconstruction  "));

  // "Saving"
  auto* saving = new QWidget(pages_);
  auto* v = new QHBoxLayout(saving);
  save_ = Push(saving, "SaveBitBtn", tr("Replace original data by smoothed "));
  v->addWidget(save_);
  v->addStretch(1);
  pages_->addTab(saving, tr("Saving"));

  connect(go_, &QPushButton::clicked, this, &TmedianXform::GoClick);
  connect(findAgain_, &QPushButton::clicked, this, &TmedianXform::FindEffectsClick);
  connect(smooth_, &QPushButton::clicked, this, &TmedianXform::SmoothClick);
  connect(go1D_, &QPushButton::clicked, this, &TmedianXform::New1DClick);
  connect(save_, &QPushButton::clicked, this, &TmedianXform::SaveClick);

  // The controls write the settings at once; the smoothing ones smooth
  // again once there is a smoothed section to update.
  const auto changed = [this](bool smoothAgain) {
    if (filling_) return;
    settings_.TypeWindow1d = radioGroupAvr_->checkedId();
    settings_.Window1d = trackBarAvr_->value();
    settings_.TypeWindowC = methodGroupC_->checkedId();
    settings_.WindowC = trackBarC_->value();
    settings_.TypeWindowP = methodGroupP_->checkedId();
    settings_.WindowP = trackBarP_->value();
    settings_.TypeWindowR = methodGroupR_->checkedId();
    settings_.TypeAreaR = areaGroupR_->checkedId();
    settings_.WindowX = trackBarX_->value();
    settings_.WindowY = trackBarY_->value();
    filter_.Settings() = settings_;
    UpdateLabels();
    ShowBreaks();
    if (smoothAgain && filter_.Smoothed()) SmoothClick();
  };
  connect(radioGroupAvr_, &QButtonGroup::idClicked, this, [changed](int) { changed(false); });
  connect(trackBarAvr_, &QSlider::valueChanged, this, [changed](int) { changed(false); });
  for (QButtonGroup* g : {methodGroupC_, methodGroupP_, methodGroupR_, areaGroupR_}) {
    connect(g, &QButtonGroup::idClicked, this, [changed](int) { changed(true); });
  }
  for (QSlider* t : {trackBarC_, trackBarP_, trackBarX_, trackBarY_}) {
    connect(t, &QSlider::valueChanged, this, [changed](int) { changed(true); });
  }
}

void TmedianXform::SettingsToControls() {
  filling_ = true;
  settings_.Clamp();
  radioGroupAvr_->button(settings_.TypeWindow1d)->setChecked(true);
  trackBarAvr_->setValue(settings_.Window1d);
  methodGroupC_->button(settings_.TypeWindowC)->setChecked(true);
  trackBarC_->setValue(settings_.WindowC);
  methodGroupP_->button(settings_.TypeWindowP)->setChecked(true);
  trackBarP_->setValue(settings_.WindowP);
  methodGroupR_->button(settings_.TypeWindowR)->setChecked(true);
  areaGroupR_->button(settings_.TypeAreaR)->setChecked(true);
  trackBarX_->setValue(settings_.WindowX);
  trackBarY_->setValue(settings_.WindowY);
  filling_ = false;
  UpdateLabels();
}

void TmedianXform::UpdateLabels() {
  labelAvr_->setText(tr(" Window with =  ") + QString::number(settings_.Window1d));
  labelWC_->setText(tr(" Window with =  ") + QString::number(settings_.WindowC));
  labelWP_->setText(tr(" Window with =  ") + QString::number(settings_.WindowP));
  labelRw_->setText(tr("dX=") + QString::number(settings_.WindowX) + tr(";  dY=") + QString::number(settings_.WindowY));
  trackBarAvr_->setEnabled(settings_.TypeWindow1d == MedianSettings::OneDMeanInWindow);
}

TPseudoMForm* TmedianXform::MakePanel(int number) {
  auto* p = new TPseudoMForm(display_, number <= 3 ? left_ : right_);
  p->setObjectName(QStringLiteral("Panel_%1").arg(number));
  p->setMinimumSize(120, 80);
  p->SetDataset(&ds_);
  p->SetOwnerAction(panelActions_[static_cast<std::size_t>(number - 1)]);
  // Breaks are set on the data, the 1D part and the residual only.
  p->SetBreaksActive(false);
  // Above the effect chart docked at the bottom of the pane.
  if (number <= 3) {
    leftPane_->insertWidget(number - 1, p, 1);
  } else {
    rightPane_->insertWidget(number - 4, p, 1);
  }
  connect(p, &TPseudoMForm::StationClicked, this, [this, number](int station, int) { PanelClicked(number, station); });
  return p;
}

void TmedianXform::ShowGrid(int number, const FilterGrid& grid, bool logarithmic) {
  TPseudoMForm* p = panels_[static_cast<std::size_t>(number - 1)];
  if (p == nullptr) return;
  // A part that came out as it was (the smoothed residual when only an
  // effect window moved) keeps its map.
  if (ShowsCells(*p, grid)) return;
  SetPanelGrid(*p, display_, grid, nullptr, logarithmic, false, unitSpacing_, grid_);
}

void TmedianXform::AddPanel(int number, const QString& title) {
  const std::size_t k = static_cast<std::size_t>(number - 1);
  if (panels_[k] == nullptr) panels_[k] = MakePanel(number);
  panels_[k]->SetTitle(title);
  panels_[k]->show();
  panelActions_[k]->setText(ActionText(title));
  panelActions_[k]->setVisible(true);
  panelActions_[k]->setChecked(true);
}

TPseudoMForm* TmedianXform::Panel(int number) const {
  return number >= 1 && number <= 6 ? panels_[static_cast<std::size_t>(number - 1)] : nullptr;
}
QAction* TmedianXform::PanelAction(int number) const {
  return number >= 1 && number <= 6 ? panelActions_[static_cast<std::size_t>(number - 1)] : nullptr;
}
QPushButton* TmedianXform::Button(const char* name) const { return findChild<QPushButton*>(QLatin1String(name)); }

bool TmedianXform::Prepare(const GridSettings& grid) {
  const int entry = FilterSetEntry(ds_);
  if (entry < 0) return false;
  grid_ = grid;
  if (!BuildFilterSetGrid(ds_, grid_, false, entry, set_)) return false;
  unitSpacing_ = UnitElectrodeSpacing(ds_);
  WaitCursor wait;
  SettingsToControls();
  // An array type without a scheme of its own (asymmetrical) takes scheme 0
  // every time, as tarvo-cli does, rather than whatever the last run had.
  filter_.Start(set_.Grid, set_.ArrayType, settings_);
  for (int k = 4; k <= 6; ++k) {
    if (panels_[static_cast<std::size_t>(k - 1)] != nullptr) panels_[static_cast<std::size_t>(k - 1)]->hide();
    panelActions_[static_cast<std::size_t>(k - 1)]->setVisible(false);
  }
  actionGraphS_->setVisible(false);
  chartSmoothed_.clear();
  AddPanel(1, QString::fromStdString(set_.Name));
  AddPanel(2, tr("1D-part"));
  AddPanel(3, tr("Difference"));
  // The data panel shows the set's grid and its measured cells; it stays
  // as it is for the whole run.
  SetPanelGrid(*panels_[0], display_, set_.Grid, &set_.Raw, true, false, unitSpacing_, grid_);
  actionGraph_->setVisible(true);
  actionGraph_->setChecked(true);
  // On showing: the first page, no "New 1D" yet, the tabs of the components there are.
  pages_->setCurrentIndex(0);
  go1D_->setEnabled(false);
  save_->setEnabled(false);
  smoothingPages_->setTabVisible(0, filter_.PoleCount() > 0);
  smoothingPages_->setTabVisible(1, filter_.DipoleCount() > 0);
  smoothingPages_->setCurrentIndex(filter_.PoleCount() > 0 ? 0 : filter_.DipoleCount() > 0 ? 1 : 2);
  ShowParts();
  return true;
}

void TmedianXform::RunResistivityFilter(const GridSettings& grid) {
  if (!Prepare(grid)) return;
  ShowMaximised(*this);
  // The left pane takes half the width, the right one the rest.
  const int half = std::max(splitter_->width(), width()) / 2;
  splitter_->setSizes({half, half});
  exec();
}

void TmedianXform::ShowParts() {
  const QString one = panels_[0]->Title();
  const QString two = tr("1D-part");
  ShowGrid(2, filter_.OneD(), true);
  QString residualTitle = one + QStringLiteral("-") + two;
  if (filter_.EffectsFound()) residualTitle = one + QStringLiteral(" - ") + two + QStringLiteral(" - ") + tr("P&C effects");
  ShowGrid(3, filter_.Residual(), false);
  panels_[2]->SetTitle(residualTitle);
  panelActions_[2]->setText(ActionText(residualTitle));
  ShowBreaks();
  findAgain_->setChecked(filter_.EffectsFound());
  actionGraph_->setChecked(filter_.EffectsFound());
  if (filter_.Smoothed()) ShowSmoothed();
  UnifyRanges();
  HandEffectsToChart(true, true);
}

void TmedianXform::ShowSmoothed() {
  if (panels_[3] == nullptr || !panelActions_[3]->isVisible()) {
    AddPanel(4, tr("Smoothed"));
    AddPanel(5, tr("Smoothed R"));
    AddPanel(6, tr("Removed part"));
    actionGraphS_->setVisible(true);
    actionGraphS_->setChecked(true);
  }
  ShowGrid(4, filter_.SmoothedData(), true);
  ShowGrid(5, filter_.SmoothedResidual(), false);
  ShowGrid(6, filter_.Removed(), false);
}

void TmedianXform::ShowBreaks() {
  const bool active = settings_.TypeWindow1d != MedianSettings::OneDMeanInWindow;
  for (int k = 0; k < 3; ++k) {
    TPseudoMForm* p = panels_[static_cast<std::size_t>(k)];
    if (p == nullptr) continue;
    p->SetBreaks(filter_.Boundaries());
    p->SetBreaksActive(active);
  }
}

void TmedianXform::UnifyRanges() {
  // The resistivity panels share one colour scale: the widest of their
  // automatic ranges. A panel whose range stays keeps its map.
  ValueRange common = panels_[0]->Panel().AutoRange;
  for (int k : {1, 3}) {
    TPseudoMForm* p = panels_[static_cast<std::size_t>(k)];
    if (p == nullptr || !panelActions_[static_cast<std::size_t>(k)]->isVisible()) continue;
    common.Low = std::min(common.Low, p->Panel().AutoRange.Low);
    common.High = std::max(common.High, p->Panel().AutoRange.High);
  }
  for (int k : {0, 1, 3}) {
    TPseudoMForm* p = panels_[static_cast<std::size_t>(k)];
    if (p == nullptr) continue;
    const ValueRange used = p->Panel().UsedRange;
    if (used.Low != common.Low || used.High != common.High) p->SetRange(common);
  }
}

void TmedianXform::HandEffectsToChart(bool effects, bool smoothed) {
  if (!chart_) return;
  if (effects && actionGraph_->isChecked()) chart_(filter_.EffectCurves(), false);
  if (smoothed && filter_.Smoothed() && actionGraphS_->isChecked()) {
    std::vector<EffectSeries> curves = filter_.SmoothedEffectCurves();
    if (!SameCurves(curves, chartSmoothed_)) {
      chart_(curves, true);
      chartSmoothed_ = std::move(curves);
    }
  }
}

void TmedianXform::GoClick() {
  WaitCursor wait;
  filter_.Settings() = settings_;
  filter_.Compute1DPart(MedianFilter::Source::Data);
  ShowParts();
}

void TmedianXform::FindEffectsClick() {
  WaitCursor wait;
  filter_.FindEffects();
  ShowParts();
}

void TmedianXform::GraphClick() {
  // The action's check state before the click decides: checked closes the
  // graph and takes the effects back into the residual.
  const bool wasChecked = !actionGraph_->isChecked();
  WaitCursor wait;
  if (wasChecked) {
    if (filter_.EffectsFound()) {
      filter_.ResetEffects();
      filter_.Compute1DPart(MedianFilter::Source::Data);
    }
    if (chart_) chart_({}, false);
  } else {
    filter_.FindEffects();
  }
  ShowParts();
  actionGraph_->setChecked(!wasChecked);
}

void TmedianXform::SmoothClick() {
  if (!filter_.EffectsFound()) return;
  WaitCursor wait;
  filter_.Settings() = settings_;
  if (!filter_.SmoothAndReconstruct()) return;
  save_->setEnabled(true);
  go1D_->setEnabled(true);
  // Smoothing changes the smoothed panels and their chart, nothing else.
  ShowSmoothed();
  UnifyRanges();
  HandEffectsToChart(false, true);
}

void TmedianXform::New1DClick() {
  WaitCursor wait;
  filter_.Settings() = settings_;
  filter_.Compute1DPart(MedianFilter::Source::Smoothed);
  filter_.SmoothAndReconstruct();
  ShowParts();
}

void TmedianXform::SaveClick() {
  if (!filter_.Smoothed()) return;
  WriteBackFiltered(ds_, set_, filter_.SmoothedData());
  save_->setEnabled(false);
  if (dataChanged_) dataChanged_();
}

void TmedianXform::OptionClick() {
  if (options_ == nullptr) return;
  options_->SetPanelFont(font());
  if (options_->exec() != QDialog::Accepted) return;
  setFont(options_->PanelFont());
  for (TPseudoMForm* p : panels_) {
    if (p != nullptr) {
      p->setFont(options_->PanelFont());
      p->Panel().LogDepth = display_.Options.Scale == DepthScale::Logarithmic;
      p->MarkDirty();
    }
  }
}

void TmedianXform::PanelClicked(int tag, int station) {
  if (tag > 3 || settings_.TypeWindow1d == MedianSettings::OneDMeanInWindow) return;
  WaitCursor wait;
  if (filter_.ToggleSegmentBoundary(station)) ShowParts();
}

void TmedianXform::closeEvent(QCloseEvent* event) {
  // The panels are hidden and let go of their grids until the next start.
  for (std::size_t k = 0; k < panels_.size(); ++k) {
    if (panels_[k] != nullptr) {
      panels_[k]->hide();
      panels_[k]->ReleaseData();
    }
    panelActions_[k]->setVisible(false);
  }
  actionGraphS_->setVisible(false);
  if (chart_) {
    chart_({}, false);
    chart_({}, true);
  }
  chartSmoothed_.clear();
  QDialog::closeEvent(event);
}

// ---------------------------------------------------------------------------
// TmedianIPform

TmedianIPform::TmedianIPform(TDataset& ds, DisplayState& display, MedianIPSettings& settings, QWidget* parent)
    : QDialog(parent), ds_(ds), display_(display), settings_(settings) {
  setObjectName(QStringLiteral("medianIPform"));
  setWindowTitle(tr("Median filtering for IP data"));
  setModal(true);
  auto* outer = new QVBoxLayout(this);
  auto* bar = new QToolBar(this);
  outer->addWidget(bar);
  auto* option = bar->addAction(tr("&Options"));
  option->setObjectName(QStringLiteral("ActionOption"));
  connect(option, &QAction::triggered, this, &TmedianIPform::OptionClick);
  auto* close = bar->addAction(tr("&Close"));
  close->setObjectName(QStringLiteral("Close"));
  close->setToolTip(tr("Close window"));
  connect(close, &QAction::triggered, this, &QDialog::close);
  bar->addSeparator();
  auto* pane = new QWidget(this);
  pane->setObjectName(QStringLiteral("Panel"));
  pane_ = new QVBoxLayout(pane);
  pane_->setContentsMargins(0, 0, 0, 0);
  outer->addWidget(pane, 1);
  const QString titles[] = {QString(), tr("Smoothed"), tr("Removed part")};
  for (int k = 0; k < 3; ++k) {
    auto* a = bar->addAction(titles[k]);
    a->setObjectName(QStringLiteral("Action%1").arg(k + 1));
    a->setCheckable(true);
    a->setVisible(false);
    panelActions_[static_cast<std::size_t>(k)] = a;
    auto* p = new TPseudoMForm(display_, pane);
    p->setObjectName(QStringLiteral("Panel_%1").arg(k + 1));
    p->setMinimumSize(120, 80);
    p->SetDataset(&ds_);
    p->SetOwnerAction(a);
    p->SetBreaksActive(false);  // no segments in chargeability
    p->SetTitle(titles[k]);
    p->hide();
    pane_->addWidget(p, 1);
    panels_[static_cast<std::size_t>(k)] = p;
    connect(a, &QAction::triggered, p, [p](bool on) {
      if (on) {
        p->show();
      } else {
        p->close();
      }
    });
  }

  auto* controls = new QHBoxLayout;
  auto* g = new QVBoxLayout;
  methodGroupR_ = RadioGroup(this, g, "MethodGroupR", tr("Method"), {tr("Median"), tr("Mean")});
  controls->addLayout(g);
  auto* a = new QVBoxLayout;
  areaGroupR_ = RadioGroup(this, a, "AreaGroupR", tr("Area"), {tr("Rectangle"), tr("Cross")});
  controls->addLayout(a);
  auto* w = new QVBoxLayout;
  labelRw_ = new QLabel(this);
  labelRw_->setObjectName(QStringLiteral("LabelRw"));
  trackBarX_ = TrackBar(this, "TrackBarX", 1, 9);
  trackBarX_->setToolTip(tr("Change window width"));
  trackBarY_ = TrackBar(this, "TrackBarY", 1, 9);
  trackBarY_->setToolTip(tr("Change window hight"));
  w->addWidget(labelRw_);
  w->addWidget(trackBarX_);
  w->addWidget(trackBarY_);
  controls->addLayout(w, 1);
  auto* buttons = new QVBoxLayout;
  smooth_ = Push(this, "BitBtn2", tr("Smooth"), tr("Smoothing of IP data"));
  save_ = Push(this, "SaveBitBtn", tr("Replace original data"), tr("Save smoothed IP data"));
  buttons->addWidget(smooth_);
  buttons->addWidget(save_);
  controls->addLayout(buttons);
  outer->addLayout(controls);

  connect(smooth_, &QPushButton::clicked, this, &TmedianIPform::SmoothClick);
  connect(save_, &QPushButton::clicked, this, &TmedianIPform::SaveClick);
  const auto changed = [this] {
    settings_.TypeWindowR = methodGroupR_->checkedId();
    settings_.TypeAreaR = areaGroupR_->checkedId();
    settings_.WindowX = trackBarX_->value();
    settings_.WindowY = trackBarY_->value();
    UpdateLabel();
  };
  connect(methodGroupR_, &QButtonGroup::idClicked, this, changed);
  connect(areaGroupR_, &QButtonGroup::idClicked, this, changed);
  connect(trackBarX_, &QSlider::valueChanged, this, changed);
  connect(trackBarY_, &QSlider::valueChanged, this, changed);
}

TmedianIPform::~TmedianIPform() = default;

void TmedianIPform::UpdateLabel() {
  labelRw_->setText(tr("dX=") + QString::number(settings_.WindowX) + tr(";  dY=") + QString::number(settings_.WindowY));
}

TPseudoMForm* TmedianIPform::Panel(int number) const {
  return number >= 1 && number <= 3 ? panels_[static_cast<std::size_t>(number - 1)] : nullptr;
}
QAction* TmedianIPform::PanelAction(int number) const {
  return number >= 1 && number <= 3 ? panelActions_[static_cast<std::size_t>(number - 1)] : nullptr;
}
QPushButton* TmedianIPform::Button(const char* name) const { return findChild<QPushButton*>(QLatin1String(name)); }

bool TmedianIPform::Prepare(const GridSettings& grid) {
  const int entry = FilterSetEntry(ds_);
  if (entry < 0) return false;
  grid_ = grid;
  if (!BuildFilterSetGrid(ds_, grid_, true, entry, set_)) return false;
  unitSpacing_ = UnitElectrodeSpacing(ds_);
  settings_.Clamp();
  {
    const QSignalBlocker b1(trackBarX_);
    const QSignalBlocker b2(trackBarY_);
    methodGroupR_->button(settings_.TypeWindowR)->setChecked(true);
    areaGroupR_->button(settings_.TypeAreaR)->setChecked(true);
    trackBarX_->setValue(settings_.WindowX);
    trackBarY_->setValue(settings_.WindowY);
  }
  UpdateLabel();
  smoothedOnce_ = false;
  parts_ = IPFilterParts{};
  const QString title = QString::fromStdString(set_.Name);
  ShowGrid(1, set_.Grid, &set_.Raw);
  panels_[0]->SetTitle(title);
  panels_[0]->show();
  panelActions_[0]->setText(ActionText(title));
  panelActions_[0]->setVisible(true);
  panelActions_[0]->setChecked(true);
  for (int k = 1; k < 3; ++k) {
    panels_[static_cast<std::size_t>(k)]->hide();
    panelActions_[static_cast<std::size_t>(k)]->setVisible(false);
  }
  save_->setEnabled(false);
  return true;
}

void TmedianIPform::RunIPFilter(const GridSettings& grid) {
  if (!Prepare(grid)) return;
  ShowMaximised(*this);
  exec();
}

void TmedianIPform::SmoothClick() {
  if (set_.Grid.Cells.empty()) return;
  WaitCursor wait;
  parts_ = SmoothIP(set_.Grid, settings_);
  save_->setEnabled(true);
  ShowGrid(2, parts_.Smoothed, nullptr);
  // The smoothed section takes the data's colour range; the removed part its own.
  panels_[1]->SetRange(panels_[0]->Panel().UsedRange);
  ShowGrid(3, parts_.Removed, nullptr);
  if (!smoothedOnce_) {
    for (int k = 1; k < 3; ++k) {
      panels_[static_cast<std::size_t>(k)]->show();
      panelActions_[static_cast<std::size_t>(k)]->setVisible(true);
      panelActions_[static_cast<std::size_t>(k)]->setChecked(true);
    }
    smoothedOnce_ = true;
  }
}

void TmedianIPform::SaveClick() {
  if (!smoothedOnce_) return;
  WriteBackFiltered(ds_, set_, parts_.Smoothed);
  save_->setEnabled(false);
  if (dataChanged_) dataChanged_();
}

void TmedianIPform::OptionClick() {
  if (options_ == nullptr) return;
  options_->SetPanelFont(font());
  if (options_->exec() != QDialog::Accepted) return;
  setFont(options_->PanelFont());
  for (TPseudoMForm* p : panels_) {
    p->setFont(options_->PanelFont());
    p->Panel().LogDepth = display_.Options.Scale == DepthScale::Logarithmic;
    p->MarkDirty();
  }
}

void TmedianIPform::ShowGrid(int number, const FilterGrid& grid, const FilterGrid* raw) {
  SetPanelGrid(*panels_[static_cast<std::size_t>(number - 1)], display_, grid, raw, false, true, unitSpacing_, grid_);
}

void TmedianIPform::closeEvent(QCloseEvent* event) {
  for (std::size_t k = 0; k < panels_.size(); ++k) {
    panels_[k]->hide();
    panels_[k]->ReleaseData();
    panelActions_[k]->setVisible(false);
  }
  QDialog::closeEvent(event);
}

// ---------------------------------------------------------------------------

void AttachMedianFilters(TMain& main, TmedianXform& resistivity, TmedianIPform& chargeability) {
  const auto changed = [&main] { emit main.RedrawRequested(); };
  resistivity.SetDataChanged(changed);
  chargeability.SetDataChanged(changed);
  main.ProvideCommand(QStringLiteral("aMedian"), [&main, &resistivity, &chargeability] {
    if (main.Shell().IPMode) {
      chargeability.RunIPFilter(main.Shell().grid);
    } else {
      resistivity.RunResistivityFilter(main.Shell().grid);
    }
  });
}

void AttachEffectsCharts(TmedianXform& median) {
  auto* effects = new TGraphForm;
  auto* smoothed = new TGraphForm;
  smoothed->SetTag(21);  // docks on the right, beside the smoothed panels
  effects->SetTitle(QObject::tr("P&C effects"));
  smoothed->SetTitle(QObject::tr("Smoothed P&C"));
  // The title bars of the two docked charts tell them apart.
  smoothed->setWindowTitle(QObject::tr("Smoothed P&C"));
  // Tall enough to read the curves beside the three panels of a pane.
  effects->setMinimumHeight(220);
  smoothed->setMinimumHeight(220);
  effects->DockInto(median.LeftPane());
  smoothed->DockInto(median.RightPane());
  effects->hide();
  smoothed->hide();
  median.SetEffectsChart([effects, smoothed](const std::vector<EffectSeries>& curves, bool isSmoothed) {
    TGraphForm* chart = isSmoothed ? smoothed : effects;
    chart->ClearSeries();
    int index = 0;
    for (const EffectSeries& curve : curves) {
      if (++index > TGraphForm::SeriesCount) break;
      QVector<double> x, y;
      for (const auto& [position, effect] : curve.Points) {
        x.push_back(position);
        y.push_back(effect);
      }
      chart->SetSeries(index, x, y, QString::fromStdString(curve.Title));
    }
    chart->show();
  });
}

}  // namespace tarvo::gui

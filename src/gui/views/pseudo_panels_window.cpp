#include "gui/views/pseudo_panels_window.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDockWidget>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QListWidget>
#include <QScreen>
#include <QSignalBlocker>
#include <QToolBar>
#include <QToolButton>

#include <algorithm>
#include <cstdlib>

#include "drawing/markup_painter.h"
#include "drawing/section_picture.h"
#include "engine/export/section_panel_writer.h"
#include "gui/shell/main_window.h"
#include "gui/shell/message_box_messenger.h"
#include "gui/views/pseudo_form.h"
#include "gui/views/section_option_dlg.h"
#include "gui/views/section_window.h"

namespace tarvo::gui {

namespace {

QString WithoutFirstAmpersand(QString caption) {
  const qsizetype at = caption.indexOf(QLatin1Char('&'));
  if (at >= 0) caption.remove(at, 1);
  return caption;
}

QAction* NamedAction(QObject* owner, const char* name, const QString& caption) {
  auto* a = new QAction(caption, owner);
  a->setObjectName(QString::fromLatin1(name));
  return a;
}

}  // namespace

TSectXform::TSectXform(TDataset& dataset, DisplayState& display, QWidget* parent)
    : QMainWindow(parent), dataset_(dataset), display_(display) {
  setObjectName(QStringLiteral("SectXform"));
  setWindowTitle(tr("Pseudo-sections"));
  setFont(drawing::PanelFont());
  resize(678, 282);
  setDockNestingEnabled(true);
  // The two dock sites share the whole client area: the central widget
  // takes no room.
  centre_ = new QWidget(this);
  centre_->setFixedWidth(0);
  setCentralWidget(centre_);
  BuildToolBar();
}

TSectXform::~TSectXform() { ClearPanels(); }

void TSectXform::BuildToolBar() {
  toolBar_ = addToolBar(tr("Panels"));
  toolBar_->setObjectName(QStringLiteral("ToolBar1"));
  toolBar_->setMovable(false);
  toolBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  auto* option = NamedAction(this, "ActionOption", tr("&Options"));
  connect(option, &QAction::triggered, this, &TSectXform::ActionOptionExecute);
  auto* close = NamedAction(this, "ActionClose", tr("&Close"));
  connect(close, &QAction::triggered, this, &QWidget::close);
  auto* closeAll = NamedAction(this, "sbCloseAll", tr("Close all"));
  connect(closeAll, &QAction::triggered, this, &TSectXform::sbCloseAllClick);
  auto* copy = NamedAction(this, "ToolButton27", tr("Copy"));
  connect(copy, &QAction::triggered, this, &TSectXform::ToolButton27Click);
  for (QAction* a : {option, close, closeAll, copy}) toolBar_->addAction(a);

  auto* spacer = new QWidget(toolBar_);
  spacer->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
  toolBar_->addWidget(spacer);
  panelAMNB_ = new QWidget(toolBar_);
  panelAMNB_->setObjectName(QStringLiteral("PanelAMNB"));
  auto* row = new QHBoxLayout(panelAMNB_);
  row->setContentsMargins(0, 0, 0, 0);
  auto* amnb = NamedAction(this, "ActionAmnB", tr("AmnB"));
  connect(amnb, &QAction::triggered, this, [this] { ActionAmnBExecute(false); });
  amnbBt_ = new QToolButton(panelAMNB_);
  amnbBt_->setObjectName(QStringLiteral("AMNBbt"));
  amnbBt_->setAutoRaise(true);
  amnbBt_->setDefaultAction(amnb);
  meanBox_ = new QCheckBox(tr("Mean only"), panelAMNB_);
  meanBox_->setObjectName(QStringLiteral("MeanBox"));
  meanBox_->setChecked(true);
  connect(meanBox_, &QCheckBox::clicked, this, [this] { ActionAmnBExecute(true); });
  row->addWidget(amnbBt_);
  row->addWidget(meanBox_);
  panelAMNBAction_ = toolBar_->addWidget(panelAMNB_);
  panelAMNBAction_->setObjectName(QStringLiteral("PanelAMNBAction"));
  panelAMNBAction_->setVisible(false);

  addToolBarBreak();
  panelBar_ = addToolBar(tr("Panel list"));
  panelBar_->setObjectName(QStringLiteral("PanelBar"));
  panelBar_->setMovable(false);
  panelBar_->setToolButtonStyle(Qt::ToolButtonTextOnly);
  for (int k = 1; k <= MaxPanels; ++k) {
    auto* a = new QAction(QStringLiteral("Action%1").arg(k), this);
    a->setObjectName(QStringLiteral("Action%1").arg(k));
    a->setCheckable(true);
    a->setVisible(false);
    connect(a, &QAction::triggered, this, [this, k] { Action1Execute(k); });
    actions_.push_back(a);
    panelBar_->addAction(a);
  }
  panelBar_->addSeparator();
  auto* dif = NamedAction(this, "ActionDif", tr("D-transf"));
  dif->setShortcut(QKeySequence(QStringLiteral("Ctrl+D")));
  dif->setToolTip(tr("D-transf [Ctrl-D]"));
  dif->setVisible(false);
  connect(dif, &QAction::triggered, this, &TSectXform::ActionDifExecute);
  panelBar_->addAction(dif);
  addAction(dif);
}

QAction* TSectXform::Command(const char* name) const { return findChild<QAction*>(QString::fromLatin1(name)); }

TPseudoForm* TSectXform::PanelForm(int k) const {
  return k >= 1 && k <= PanelCount() ? forms_[static_cast<std::size_t>(k - 1)] : nullptr;
}

QDockWidget* TSectXform::PanelDock(int k) const {
  return k >= 1 && k <= PanelCount() ? docks_[static_cast<std::size_t>(k - 1)] : nullptr;
}

QAction* TSectXform::PanelAction(int k) const {
  return k >= 1 && k <= MaxPanels ? actions_[static_cast<std::size_t>(k - 1)] : nullptr;
}

GridSettings TSectXform::CurrentGridSettings() const { return gridSettings_ ? gridSettings_() : GridSettings{}; }

bool TSectXform::AddPanel(PseudoPanel panel) {
  if (PanelCount() >= MaxPanels) return false;
  const int k = PanelCount() + 1;
  const QString title = drawing::Latin1(panel.Title);
  auto* dock = new QDockWidget(title, this);
  dock->setObjectName(QStringLiteral("PanelDock%1").arg(k));
  dock->setFeatures(QDockWidget::DockWidgetClosable | QDockWidget::DockWidgetMovable |
                    QDockWidget::DockWidgetFloatable);
  dock->installEventFilter(this);
  auto* form = new TPseudoForm(display_, dock);
  form->setObjectName(QStringLiteral("Panel%1").arg(k));
  form->SetDataset(&dataset_);
  form->SetOwnerAction(actions_[static_cast<std::size_t>(k - 1)]);
  form->SetPanel(std::move(panel));
  form->setFont(font());
  dock->setWidget(form);
  connect(form, &TPseudoForm::Clicked, this, &TSectXform::PanelClicked);
  forms_.push_back(form);
  docks_.push_back(dock);
  DockPanel(k);
  QAction* a = actions_[static_cast<std::size_t>(k - 1)];
  a->setText(title);
  a->setVisible(true);
  a->setChecked(true);
  return true;
}

void TSectXform::DockPanel(int k) {
  QDockWidget* dock = PanelDock(k);
  const bool ip = forms_[static_cast<std::size_t>(k - 1)]->Panel().Scale == MapScale::Linear && dataset_.SetCount > 1;
  dock->setFloating(false);
  addDockWidget(ip ? Qt::RightDockWidgetArea : Qt::LeftDockWidgetArea, dock, Qt::Vertical);
  dock->show();
}

void TSectXform::ClearPanels() {
  for (std::size_t i = 0; i < forms_.size(); ++i) {
    forms_[i]->SetOwnerAction(nullptr);
    forms_[i]->ReleaseData();
    actions_[i]->setVisible(false);
    actions_[i]->setChecked(false);
    removeDockWidget(docks_[i]);
    delete docks_[i];
  }
  forms_.clear();
  docks_.clear();
  meanPanel_ = 0;
}

void TSectXform::BuildPanels(bool modal) {
  if (!(dataset_.DataKind >= DataKindInstrument)) return;
  ClearPanels();
  std::vector<PseudoPanel> panels;
  tarvo::BuildPanels(dataset_, CurrentGridSettings(), display_.Options, modal, panels);
  for (PseudoPanel& p : panels) AddPanel(std::move(p));
  setWindowModality(modal ? Qt::ApplicationModal : Qt::NonModal);
  if (isVisible()) {
    FormShow();
  } else {
    show();
  }
  raise();
}

void TSectXform::Action1Execute(int k) {
  QDockWidget* dock = PanelDock(k);
  QAction* a = PanelAction(k);
  if (dock == nullptr || a == nullptr) return;
  if (dock->isVisible()) {
    dock->close();
    a->setChecked(false);
  } else {
    DockPanel(k);
    a->setChecked(true);
  }
}

void TSectXform::sbCloseAllClick() {
  for (int k = 1; k <= PanelCount(); ++k) {
    PanelDock(k)->close();
    PanelAction(k)->setChecked(false);
  }
}

QImage TSectXform::PanelsImage() {
  int top = 0;
  for (QToolBar* bar : {toolBar_, panelBar_}) {
    if (bar->isVisible()) top = std::max(top, bar->geometry().bottom() + 1);
  }
  return grab(QRect(0, top, width(), std::max(height() - top, 1))).toImage();
}

void TSectXform::ToolButton27Click() { QGuiApplication::clipboard()->setImage(PanelsImage()); }

void TSectXform::ActionOptionExecute() {
  if (optionsDialog_ == nullptr) return;
  optionsDialog_->SetPanelFont(font());
  if (optionsDialog_->exec() != QDialog::Accepted) return;
  const SectionOptions& o = display_.Options;
  if (o.LevelsFromFile) {
    for (TPseudoForm* form : forms_) {
      form->Panel().LogDepth = o.Scale == DepthScale::Logarithmic;
      if (form->Panel().Scale == MapScale::Logarithmic) form->Panel().UsedRange = ValueRange{o.ManualMin, o.ManualMax};
    }
  }
  setFont(optionsDialog_->PanelFont());
  for (TPseudoForm* form : forms_) {
    form->setFont(optionsDialog_->PanelFont());
    form->MarkDirty();
  }
}

void TSectXform::ActionDifExecute() {
  if (PanelCount() < 2 || dataset_.HasIP) return;
  PseudoPanel d = DifferencePanel(dataset_, PanelForm(1)->Panel(), PanelForm(2)->Panel(), display_.Options);
  const QString hint = drawing::Latin1(d.Hint);
  if (AddPanel(std::move(d))) PanelForm(PanelCount())->setToolTip(hint);
  Command("ActionDif")->setVisible(false);
  FormResize();
}

void TSectXform::ActionAmnBExecute(bool fromCheckBox) {
  QAction* amnb = Command("ActionAmnB");
  if (meanPanel_ == 0 || fromCheckBox) {
    MeanResult mean = ComputeMean(dataset_, CurrentGridSettings(), meanBox_->isChecked());
    meanTypeGroups_ = mean.typeGroups;
    meanArrayCode_ = mean.arrayCode;
    PseudoPanel panel;
    SetData(panel, std::move(mean.values), std::move(mean.raw), NoPanelOwner, ScaleTypeLogarithmic, mean.descriptor);
    panel.LogDepth = display_.Options.Scale == DepthScale::Logarithmic;
    if (TPseudoForm* form = PanelForm(meanPanel_)) {
      panel.Title = form->Panel().Title;
      panel.Hint = form->Panel().Hint;
      form->SetPanel(std::move(panel));
      return;
    }
    panel.Title = WithoutFirstAmpersand(amnb->text()).toStdString();
    panel.Hint = panel.Title;
    if (AddPanel(std::move(panel))) {
      meanPanel_ = PanelCount();
      amnb->setText(tr("&Save"));
      FormResize();
    }
    return;
  }
  TPseudoForm* form = PanelForm(meanPanel_);
  if (form == nullptr) return;
  const MeanSaveName save = MeanPanelSaveName(dataset_, meanTypeGroups_, meanArrayCode_);
  const SectionPanelInput input{form->Panel().Raw.get(), &form->Panel().Descriptor, save.name, save.code};
  const TargetChooser chooser = [this](const SaveDialogDescription& d) -> std::optional<std::string> {
    const QString proposed = QString::fromLocal8Bit(d.proposedName.c_str());
    const QString title = QString::fromLatin1(d.title.c_str());
    std::optional<QString> path;
    if (choosePanelFile_) {
      path = choosePanelFile_(proposed, title);
    } else {
      const QString chosen = QFileDialog::getSaveFileName(this, title, proposed, tr("Res2dInv data (*.dat)"));
      if (!chosen.isEmpty()) path = chosen;
    }
    if (!path || path->isEmpty()) return std::nullopt;
    return path->toLocal8Bit().toStdString();
  };
  if (messenger_ == nullptr && !boxes_) boxes_ = std::make_unique<MessageBoxMessenger>(this);
  WriteSectionPanel(dataset_, input, chooser, messenger_ != nullptr ? *messenger_ : *boxes_);
}

void TSectXform::UpdateMeanCaptions() {
  const bool pair = PanelCount() == 2 && !dataset_.HasIP;
  const MeanCaptions captions = MeanCommandCaptions(dataset_);
  const bool offered = pair && captions.offered;
  panelAMNBAction_->setVisible(offered);
  if (offered) {
    Command("ActionAmnB")->setText(QString::fromLatin1(captions.button.c_str()));
    meanBox_->setText(QString::fromLatin1(captions.checkBox.c_str()));
  }
}

bool TSectXform::MeanOffered() const { return panelAMNBAction_->isVisible(); }

void TSectXform::FormShow() {
  FormResize();
  Command("ActionDif")->setVisible(PanelCount() == 2 && !dataset_.HasIP);
  meanPanel_ = 0;
  UpdateMeanCaptions();
}

void TSectXform::FormResize() {
  // With chargeability of several sets both sites share the width;
  // otherwise the resistivity site takes it all.
  QDockWidget* left = nullptr;
  QDockWidget* right = nullptr;
  for (QDockWidget* d : docks_) {
    if (d->isFloating() || !d->isVisible()) continue;
    const Qt::DockWidgetArea area = dockWidgetArea(d);
    if (area == Qt::LeftDockWidgetArea && left == nullptr) left = d;
    if (area == Qt::RightDockWidgetArea && right == nullptr) right = d;
  }
  // The panels of a site share its height.
  for (const Qt::DockWidgetArea area : {Qt::LeftDockWidgetArea, Qt::RightDockWidgetArea}) {
    QList<QDockWidget*> stack;
    for (QDockWidget* d : docks_) {
      if (!d->isFloating() && d->isVisible() && dockWidgetArea(d) == area) stack.append(d);
    }
    if (stack.size() < 2) continue;
    QList<int> heights(stack.size(), std::max(centre_->height(), 1) / static_cast<int>(stack.size()));
    resizeDocks(stack, heights, Qt::Vertical);
  }
  if (dataset_.HasIP && dataset_.SetCount > 1 && left != nullptr && right != nullptr) {
    resizeDocks({left, right}, {width() / 2, width() - width() / 2}, Qt::Horizontal);
  } else if (left != nullptr) {
    resizeDocks({left}, {width()}, Qt::Horizontal);
  } else if (right != nullptr) {
    resizeDocks({right}, {width()}, Qt::Horizontal);
  }
}

void TSectXform::showEvent(QShowEvent* event) {
  QMainWindow::showEvent(event);
  FormShow();
  // The dock sites have their sizes once the window is laid out: the
  // resize rule runs again then.
  QMetaObject::invokeMethod(this, [this] { FormResize(); }, Qt::QueuedConnection);
}

void TSectXform::resizeEvent(QResizeEvent* event) {
  QMainWindow::resizeEvent(event);
  FormResize();
}

void TSectXform::closeEvent(QCloseEvent* event) {
  ClearPanels();
  QMainWindow::closeEvent(event);
  emit ClosedByUser();
}

bool TSectXform::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Close) {
    for (std::size_t i = 0; i < docks_.size(); ++i) {
      if (docks_[i] == watched) actions_[i]->setChecked(false);
    }
  }
  return QMainWindow::eventFilter(watched, event);
}

// ---------------------------------------------------------------------------

TSmallSectXform::TSmallSectXform(TDataset& dataset, DisplayState& display, QWidget* parent)
    : TSectXform(dataset, display, parent) {
  setObjectName(QStringLiteral("SmallSectXform"));
  setWindowFlag(Qt::Tool);
  QFont f(QStringLiteral("Times New Roman"));
  f.setPixelSize(11);
  setFont(f);
  // Only the panels: no tool bar.
  ToolBar()->hide();
  if (auto* bar = findChild<QToolBar*>(QStringLiteral("PanelBar"))) bar->hide();
}

// ---------------------------------------------------------------------------

void SelectPanelSet(TMain& main, int owner) {
  if (owner == NoPanelOwner || owner == 0) return;
  TDataset& ds = main.Dataset();
  auto* list = main.findChild<QListWidget*>(QStringLiteral("ListBox"));
  const int entry = std::abs(owner);
  if (list == nullptr || list->count() < entry) return;
  const bool wantIP = owner < 0;
  const bool ipShown = main.Shell().IPMode;
  // The mode already right: resistivity panels need resistivity shown (or
  // data without chargeability), chargeability panels chargeability.
  const bool modeRight = wantIP ? (ds.HasIP && ipShown) : (!ds.HasIP || !ipShown);
  QListWidgetItem* item = list->item(entry - 1);
  const bool selected = list->currentRow() == entry - 1 && item != nullptr && item->isSelected();
  if (selected && modeRight) return;
  if (!selected) {
    // The selection runs even for the entry last selected.
    ds.SelectedSetEntry = -1;
    {
      const QSignalBlocker block(list);
      list->clearSelection();
      list->setCurrentRow(-1);
    }
    list->setCurrentRow(entry - 1);
  }
  if (!modeRight) {
    if (QAction* ip = main.Command(QStringLiteral("acIP"))) ip->trigger();
  }
}

void AttachPanelsWindows(TMain& main, TSectXform& panels, TSmallSectXform& small, TSectForm& configuration,
                         TSectionOptionDlg* options) {
  for (TSectXform* w : {static_cast<TSectXform*>(&panels), static_cast<TSectXform*>(&small)}) {
    w->SetGridSettings([&main] { return main.Shell().grid; });
    w->SetOptionsDialog(options);
    w->SetMessenger(&main.OperatorMessenger());
    QObject::connect(w, &TSectXform::PanelClicked, &main, [&main](int owner) { SelectPanelSet(main, owner); });
  }
  main.ProvideCommand(QStringLiteral("aMany"), [&panels] {
    panels.ClearPanels();
    panels.BuildPanels(true);
  });

  QAction* manySmall = main.Command(QStringLiteral("aManySmall"));
  manySmall->setCheckable(true);
  manySmall->setChecked(true);
  const auto screenArea = [&configuration] {
    const QScreen* screen = configuration.screen() != nullptr ? configuration.screen() : QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1280, 1024);
  };
  main.ProvideCommand(QStringLiteral("aManySmall"), [&small, &configuration, manySmall, screenArea] {
    if (small.isVisible()) {
      small.hide();
      manySmall->setChecked(false);
      configuration.resize(screenArea().right() + 1 - configuration.x(), configuration.height());
      return;
    }
    small.ClearPanels();
    small.BuildPanels(false);
    manySmall->setChecked(true);
    if (small.x() > configuration.x()) configuration.resize(small.x() - configuration.x(), configuration.height());
  });
  QObject::connect(&small, &TSectXform::ClosedByUser, manySmall, [manySmall] { manySmall->setChecked(false); });

  QObject::connect(&main, &TMain::DatasetRead, &small, [&main, &small, &configuration, manySmall, screenArea] {
    const TDataset& ds = main.Dataset();
    const bool suits = ((ds.SetCount >= 2 && ds.SetCount <= 5) || ds.HasIP) && ds.DataKind > DataKindSequence;
    const QRect area = screenArea();
    if (suits && manySmall->isChecked()) {
      if (!small.isVisible()) {
        const int half = area.width() / 2;
        const QRect c = configuration.geometry();
        configuration.resize(area.width() - half, c.height());
        small.setGeometry(c.left() + configuration.width(), c.top(), half, c.height());
      }
      small.ClearPanels();
      small.BuildPanels(false);
      return;
    }
    configuration.resize(area.right() + 1 - configuration.x(), configuration.height());
    if (small.isVisible()) small.close();
  });
  main.ProvideCommand(QStringLiteral("aRedraw"), [&main, &small] {
    const TDataset& ds = main.Dataset();
    if (small.isVisible() && (ds.SetCount > 1 || ds.HasIP)) {
      small.ClearPanels();
      small.BuildPanels(false);
    }
  });
}

}  // namespace tarvo::gui

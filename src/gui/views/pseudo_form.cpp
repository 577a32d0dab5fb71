#include "gui/views/pseudo_form.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMenu>
#include <QMessageBox>
#include <QMimeData>
#include <QMouseEvent>
#include <QPainter>

#include <algorithm>

#include "drawing/markup_painter.h"
#include "drawing/picture_output.h"

namespace tarvo::gui {

TPseudoForm::TPseudoForm(const DisplayState& display, QWidget* parent) : QWidget(parent), display_(display) {
  setObjectName(QStringLiteral("PseudoForm"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMinimumSize(40, 40);
  setFocusPolicy(Qt::ClickFocus);
  BuildPopup();
}

TPseudoForm::~TPseudoForm() = default;

void TPseudoForm::BuildPopup() {
  popup_ = new QMenu(this);
  auto* copy = popup_->addAction(tr("&Copy"), this, &TPseudoForm::Copy1Click);
  copy->setObjectName(QStringLiteral("Copy1"));
  copy->setShortcut(QKeySequence(QStringLiteral("Ctrl+Ins")));
  auto* save = popup_->addAction(tr("Save data"), this, &TPseudoForm::Savedata1Click);
  save->setObjectName(QStringLiteral("Savedata1"));
  popup_->addSeparator();
  modes_ = new QActionGroup(this);
  const struct {
    const char* name;
    QString caption;
    PanelMode mode;
  } modes[] = {{"Map1", tr("Map"), PanelMode::Map},
               {"Post1", tr("Post"), PanelMode::Post},
               {"MapPost1", tr("Map && Post"), PanelMode::MapAndPost}};
  for (const auto& m : modes) {
    auto* a = popup_->addAction(m.caption);
    a->setObjectName(QString::fromLatin1(m.name));
    a->setCheckable(true);
    a->setChecked(m.mode == PanelMode::Map);
    modes_->addAction(a);
    connect(a, &QAction::triggered, this, [this, mode = m.mode] { SetMode(mode); });
  }
  values_ = popup_->addMenu(tr("Values ..."));
  values_->setObjectName(QStringLiteral("Values1"));
  digits_ = new QActionGroup(this);
  const struct {
    const char* name;
    QString caption;
    PostDigits digits;
  } digits[] = {{"Auto1", tr("Auto"), PostDigits::Auto},
                {"N21", QStringLiteral("2 "), PostDigits::Two},
                {"N11", QStringLiteral("1"), PostDigits::One}};
  for (const auto& d : digits) {
    auto* a = values_->addAction(d.caption);
    a->setObjectName(QString::fromLatin1(d.name));
    a->setCheckable(true);
    a->setChecked(d.digits == PostDigits::Auto);
    digits_->addAction(a);
    connect(a, &QAction::triggered, this, [this, value = d.digits] { SetDigits(value); });
  }
  connect(popup_, &QMenu::aboutToShow, this, &TPseudoForm::PopupMenuPopup);
}

void TPseudoForm::PopupMenuPopup() { values_->setEnabled(panel_.Mode != PanelMode::Map); }

void TPseudoForm::SetData(std::unique_ptr<ValueGrid> values, std::unique_ptr<ValueGrid> raw, int owner, int scaleType,
                          const GridDescriptor& descriptor) {
  tarvo::SetData(panel_, std::move(values), std::move(raw), owner, scaleType, descriptor);
  MarkDirty();
}

void TPseudoForm::SetPanel(PseudoPanel panel) {
  const PanelMode mode = panel_.Mode;
  const PostDigits digits = panel_.Digits;
  panel_ = std::move(panel);
  panel_.Mode = mode;
  panel_.Digits = digits;
  setWindowTitle(drawing::Latin1(panel_.Title));
  setToolTip(drawing::Latin1(panel_.Hint));
  MarkDirty();
}

void TPseudoForm::ReleaseData() {
  panel_.Values.reset();
  panel_.Raw.reset();
  panel_.Descriptor.StationCount = 0;
  MarkDirty();
}

void TPseudoForm::SetTitle(const QString& title) {
  const std::string text = title.toLatin1().toStdString();
  if (text == panel_.Title && text == panel_.Hint) return;
  panel_.Title = text;
  panel_.Hint = text;
  setWindowTitle(title);
  setToolTip(title);
  MarkDirty();
}

QString TPseudoForm::Title() const { return drawing::Latin1(panel_.Title); }

void TPseudoForm::MarkDirty() {
  picture_.MarkDirty();
  update();
}

void TPseudoForm::SetMode(PanelMode mode) {
  panel_.Mode = mode;
  const char* names[] = {"Map1", "Post1", "MapPost1"};
  if (auto* a = popup_->findChild<QAction*>(QString::fromLatin1(names[static_cast<int>(mode)]))) a->setChecked(true);
  MarkDirty();
}

void TPseudoForm::SetDigits(PostDigits digits) {
  panel_.Digits = digits;
  const char* names[] = {"Auto1", "N21", "N11"};
  if (auto* a = values_->findChild<QAction*>(QString::fromLatin1(names[static_cast<int>(digits)]))) a->setChecked(true);
  update();
}

void TPseudoForm::PaintPanel(QPainter& p, const QSize& size) {
  p.setFont(font());
  picture_.Paint(p, QRect(QPoint(0, 0), size), panel_, display_.Options, display_.Colors);
  PaintOver(p);
}

void TPseudoForm::paintEvent(QPaintEvent*) {
  QPainter p(this);
  PaintPanel(p, size());
}

void TPseudoForm::resizeEvent(QResizeEvent* event) {
  picture_.MarkDirty();
  QWidget::resizeEvent(event);
}

QImage TPseudoForm::Image() {
  // The clipboard's picture is drawn anew, so that it has its own map.
  drawing::PanelPicture picture;
  const QSize s = size();
  return drawing::RenderImage(s, [&](QPainter& p, const QSize& sz) {
    p.setFont(font());
    picture.Paint(p, QRect(QPoint(0, 0), sz), panel_, display_.Options, display_.Colors);
    PaintOver(p);
  });
}

void TPseudoForm::Copy1Click() { QGuiApplication::clipboard()->setImage(Image()); }

void TPseudoForm::Savedata1Click() {
  if (dataset_ == nullptr || !panel_.Values) return;
  std::optional<QString> path;
  if (chooseSave_) {
    path = chooseSave_(windowTitle());
  } else {
    QFileDialog dialog(this, windowTitle(), QString(), tr("Golden Software data (*.dat)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QString::fromLatin1(PanelDataExtension));
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) path = dialog.selectedFiles().front();
  }
  if (!path || path->isEmpty()) return;
  const FileReadResult written = SavePanelData(panel_, *dataset_, path->toLocal8Bit().toStdString());
  if (!written.ok) QMessageBox::critical(this, windowTitle(), QString::fromLocal8Bit(written.error.c_str()));
}

void TPseudoForm::showEvent(QShowEvent* event) {
  if (ownerAction_ != nullptr) ownerAction_->setChecked(true);
  QWidget::showEvent(event);
}

void TPseudoForm::hideEvent(QHideEvent* event) {
  QWidget::hideEvent(event);
}

void TPseudoForm::closeEvent(QCloseEvent* event) {
  if (ownerAction_ != nullptr) ownerAction_->setChecked(false);
  QWidget::closeEvent(event);
  emit Closed();
}

void TPseudoForm::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) {
    if (LeftClick(event->position().toPoint())) return;
    if (panel_.Owner != NoPanelOwner) emit Clicked(panel_.Owner);
  }
  QWidget::mousePressEvent(event);
}

void TPseudoForm::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton && panel_.Owner != NoPanelOwner) emit Clicked(panel_.Owner);
  QWidget::mouseDoubleClickEvent(event);
}

void TPseudoForm::contextMenuEvent(QContextMenuEvent* event) { popup_->exec(event->globalPos()); }

void TPseudoForm::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Insert && event->modifiers() == Qt::ControlModifier) {
    Copy1Click();
    return;
  }
  QWidget::keyPressEvent(event);
}

// ---------------------------------------------------------------------------

TPseudoMForm::TPseudoMForm(const DisplayState& display, QWidget* parent) : TPseudoForm(display, parent) {
  setObjectName(QStringLiteral("PseudoMForm"));
}

void TPseudoMForm::SetData(std::unique_ptr<ValueGrid> values, std::unique_ptr<ValueGrid> raw, int owner,
                           bool logarithmic, bool chargeability, const GridDescriptor& descriptor) {
  const int type = logarithmic ? ScaleTypeLogarithmic : chargeability ? ScaleTypeLinear : ScaleTypeSymmetric;
  TPseudoForm::SetData(std::move(values), std::move(raw), owner, type, descriptor);
}

void TPseudoMForm::SetRange(ValueRange range) {
  Panel().UsedRange = range;
  MarkDirty();
}

void TPseudoMForm::SetBreaks(std::vector<int> stations) {
  if (stations.size() > static_cast<std::size_t>(MaxBreaks)) stations.resize(static_cast<std::size_t>(MaxBreaks));
  breaks_ = std::move(stations);
  update();
}

void TPseudoMForm::SetBreaksActive(bool on) {
  breaksActive_ = on;
  update();
}

void TPseudoMForm::PaintOver(QPainter& p) {
  const PanelLayout& l = Picture().Layout();
  if (!breaksActive_ || !l.drawn) return;
  const GridDescriptor& d = Panel().Descriptor;
  p.setPen(QPen(Qt::black, 0));
  for (const int k : breaks_) {
    if (k < 1 || k > d.StationCount) continue;
    const int x = l.across.Pixel(d.Stations[k]);
    p.drawLine(x, 0, x, height() - 1);
  }
}

std::optional<std::pair<int, int>> TPseudoMForm::StationAt(const QPoint& pos) const {
  const PanelLayout& l = const_cast<TPseudoMForm*>(this)->Picture().Layout();
  const GridDescriptor& d = Panel().Descriptor;
  if (!l.drawn || d.StationCount < 2 || d.LevelCount < 1) return std::nullopt;
  const double x = (pos.x() - l.across.Edge) / l.across.Scale + l.across.First;
  int station = 0;
  for (int k = 2; k <= d.StationCount && station == 0; ++k) {
    const double lo = std::min(d.Stations[k - 1], d.Stations[k]);
    const double hi = std::max(d.Stations[k - 1], d.Stations[k]);
    if (x >= lo && x <= hi) station = k;
  }
  if (station == 0) return std::nullopt;
  int level = 1;
  int best = 1 << 30;
  for (int k = 1; k <= d.LevelCount; ++k) {
    const int dy = std::abs(l.down.Pixel(d.Spacing[k]) - pos.y());
    if (dy < best) {
      best = dy;
      level = k;
    }
  }
  return std::make_pair(station, level);
}

bool TPseudoMForm::LeftClick(const QPoint& pos) {
  if (!breaksActive_) return false;
  const auto at = StationAt(pos);
  if (!at) return false;
  emit StationClicked(at->first, at->second);
  return true;
}

}  // namespace tarvo::gui

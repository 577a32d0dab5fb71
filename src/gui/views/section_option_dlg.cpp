#include "gui/views/section_option_dlg.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QColorDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QFontDialog>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <cmath>
#include <iterator>

#include "drawing/markup_painter.h"
#include "engine/display/contour_levels.h"
#include "gui/shell/open_dialog.h"

namespace tarvo::gui {

namespace {

std::string ToLatin1(const QString& text) { return text.toLatin1().toStdString(); }

PaletteColor FromQColor(const QColor& c) { return PaletteRGB(c.red(), c.green(), c.blue()); }

QCheckBox* NamedBox(const char* name, const QString& caption, QWidget* parent) {
  auto* box = new QCheckBox(caption, parent);
  box->setObjectName(QString::fromLatin1(name));
  return box;
}

QLineEdit* NamedEdit(const char* name, int maxLength, const QString& hint, QWidget* parent) {
  auto* edit = new QLineEdit(parent);
  edit->setObjectName(QString::fromLatin1(name));
  edit->setMaxLength(maxLength);
  edit->setToolTip(hint);
  edit->setStatusTip(hint);
  return edit;
}

QPushButton* NamedButton(const char* name, const QString& caption, QWidget* parent) {
  auto* button = new QPushButton(caption, parent);
  button->setObjectName(QString::fromLatin1(name));
  button->setAutoDefault(false);
  return button;
}

QFrame* ColorPanel(const char* name, QWidget* parent) {
  auto* panel = new QFrame(parent);
  panel->setObjectName(QString::fromLatin1(name));
  panel->setFrameShape(QFrame::Panel);
  panel->setFrameShadow(QFrame::Sunken);
  panel->setAutoFillBackground(true);
  panel->setMinimumSize(36, 20);
  return panel;
}

void Paint(QFrame* panel, PaletteColor c) {
  QPalette pal = panel->palette();
  pal.setColor(QPalette::Window, drawing::ToQColor(c));
  panel->setPalette(pal);
}

// The seven option flags and their boxes.
struct Flag {
  const char* name;
  bool SectionOptions::*field;
};
constexpr Flag Flags[] = {
    {"RightAxisB", &SectionOptions::RightAxis}, {"LeftAxisB", &SectionOptions::LeftAxis},
    {"BottomAxis", &SectionOptions::BottomAxis}, {"ColorScale", &SectionOptions::ColorScale},
    {"TitleBox", &SectionOptions::Titles},       {"FileNamesB", &SectionOptions::FileNames},
    {"ReverseB", &SectionOptions::Reverse},
};

}  // namespace

TSectionOptionDlg::TSectionOptionDlg(DisplayState& display, Messenger& messenger, QWidget* parent)
    : QDialog(parent), display_(display), messenger_(messenger), font_(QDialog::font()) {
  setObjectName(QStringLiteral("SectionOptionDlg"));
  setWindowTitle(tr("Section options"));
  chooseColor_ = [this](const QColor& start) -> std::optional<QColor> {
    const QColor c = QColorDialog::getColor(start, this);
    if (!c.isValid()) return std::nullopt;
    return c;
  };
  chooseFile_ = [this](bool save, const QString& start) -> std::optional<QString> {
    const QString filter = tr("Levels file (*.lvl)");
    QString name;
    if (save) {
      QFileDialog dialog(this, tr("Save levels"), start, filter);
      dialog.setAcceptMode(QFileDialog::AcceptSave);
      dialog.setDefaultSuffix(QString::fromLatin1(LevelsFileExtension));
      if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) name = dialog.selectedFiles().front();
    } else {
      name = QFileDialog::getOpenFileName(this, tr("Load levels"), start, filter);
    }
    if (name.isEmpty()) return std::nullopt;
    return name;
  };
  chooseFont_ = [this](const QFont& start) -> std::optional<QFont> {
    bool ok = false;
    const QFont f = QFontDialog::getFont(&ok, start, this);
    if (!ok) return std::nullopt;
    return f;
  };

  auto* layout = new QGridLayout(this);

  // Axes, titles and captions.
  auto* axes = new QGroupBox(this);
  auto* axesLayout = new QVBoxLayout(axes);
  const QString captions[] = {tr("&Right Axis"), tr("&Left Axis"), tr("&Bottom Axis"), tr("Show &Color Scale"),
                              tr("&Show titles"), tr("Show &file names"), tr("Turn profile round")};
  for (std::size_t i = 0; i < std::size(Flags); ++i) axesLayout->addWidget(NamedBox(Flags[i].name, captions[i], axes));
  axesLayout->addStretch();
  layout->addWidget(axes, 0, 0, 2, 1);

  auto* texts = new QGroupBox(this);
  auto* textsLayout = new QGridLayout(texts);
  ab2_ = NamedEdit("AB_2", static_cast<int>(MaxDepthTitle), tr("Pseudo depth axis"), texts);
  pseudo_ = NamedEdit("Pseudo", static_cast<int>(MaxTitle), tr("Title"), texts);
  rokStr_ = NamedEdit("RokStr", static_cast<int>(MaxCaption), tr("App. resistivity color scale"), texts);
  ipName_ = NamedEdit("IPname", static_cast<int>(MaxCaption), tr("App. chargeability color scale"), texts);
  textsLayout->addWidget(new QLabel(tr("Title"), texts), 0, 0);
  textsLayout->addWidget(pseudo_, 0, 1, 1, 3);
  textsLayout->addWidget(new QLabel(tr("Depth axis"), texts), 1, 0);
  textsLayout->addWidget(ab2_, 1, 1);
  auto* fontButton = NamedButton("FontBtn", tr("F&ont ..."), texts);
  textsLayout->addWidget(fontButton, 1, 2, 1, 2);
  textsLayout->addWidget(new QLabel(tr("Resistivity"), texts), 2, 0);
  textsLayout->addWidget(rokStr_, 2, 1);
  textsLayout->addWidget(new QLabel(tr("Chargeability"), texts), 2, 2);
  textsLayout->addWidget(ipName_, 2, 3);
  layout->addWidget(texts, 0, 1, 1, 2);

  // Depth scale.
  auto* scale = new QGroupBox(tr("Scale"), this);
  scale->setObjectName(QStringLiteral("ScaleGroup"));
  auto* scaleLayout = new QVBoxLayout(scale);
  linear_ = new QRadioButton(tr("Linear"), scale);
  logarithmic_ = new QRadioButton(tr("Logarithmic"), scale);
  linear_->setObjectName(QStringLiteral("ScaleLinear"));
  logarithmic_->setObjectName(QStringLiteral("ScaleLogarithmic"));
  scaleLayout->addWidget(linear_);
  scaleLayout->addWidget(logarithmic_);
  scaleLayout->addStretch();
  layout->addWidget(scale, 1, 1);

  // The manual range and its levels file.
  auto* range = new QGroupBox(tr("Contour levels "), this);
  auto* rangeLayout = new QGridLayout(range);
  editMin_ = NamedEdit("EditMin1", static_cast<int>(MaxRangeText), tr("Minimum of the colour range"), range);
  editMax_ = NamedEdit("EditMax1", static_cast<int>(MaxRangeText), tr("Maximum of the colour range"), range);
  minBox_ = NamedBox("MinBox1", tr("Mininum"), range);
  maxBox_ = NamedBox("MaxBox1", tr("Maximum"), range);
  for (QCheckBox* box : {minBox_, maxBox_}) {
    box->setChecked(true);
    box->setEnabled(false);
  }
  rangeLayout->addWidget(new QLabel(tr("Auto"), range), 0, 0);
  rangeLayout->addWidget(minBox_, 1, 0);
  rangeLayout->addWidget(editMin_, 1, 1);
  rangeLayout->addWidget(maxBox_, 2, 0);
  rangeLayout->addWidget(editMax_, 2, 1);
  lbFile_ = new QLabel(range);
  lbFile_->setObjectName(QStringLiteral("lbFile"));
  lbFile_->setMinimumWidth(160);
  fileBox_ = NamedBox("FileBox", tr("Levels from file"), range);
  auto* load = NamedButton("LoadBt", tr("Load"), range);
  auto* save = NamedButton("SaveBt", tr("Save"), range);
  rangeLayout->addWidget(lbFile_, 3, 0, 1, 2);
  rangeLayout->addWidget(fileBox_, 4, 0, 1, 2);
  auto* fileButtons = new QHBoxLayout;
  fileButtons->addWidget(load);
  fileButtons->addWidget(save);
  rangeLayout->addLayout(fileButtons, 5, 0, 1, 2);
  layout->addWidget(range, 1, 2);

  // Colours.
  auto* fill = new QGroupBox(tr("&Fill colors"), this);
  fill->setObjectName(QStringLiteral("FillColor"));
  auto* fillLayout = new QGridLayout(fill);
  fillGroup_ = new QButtonGroup(this);
  const std::pair<FillColors, QString> fills[] = {
      {FillColors::Rainbow, tr("Rainbow")}, {FillColors::Gradient, tr("Gradient")}, {FillColors::Uniform, tr("Uniform")}};
  int row = 0;
  for (const auto& [id, caption] : fills) {
    auto* button = new QRadioButton(caption, fill);
    button->setObjectName(QStringLiteral("Fill") + caption);
    fillGroup_->addButton(button, static_cast<int>(id));
    fillLayout->addWidget(button, row++, 0);
  }
  fillGroup_->button(static_cast<int>(FillColors::Uniform))
      ->setToolTip(tr("Perceptually uniform colours (viridis), readable with colour-vision deficiencies"));
  colN_ = new QSpinBox(fill);
  colN_->setObjectName(QStringLiteral("NumberSpinEdit"));
  colN_->setRange(MinDialogColors, MaxColors);
  colN_->setToolTip(tr("Number of colors"));
  fillLayout->addWidget(new QLabel(tr("Colors"), fill), row, 0);
  fillLayout->addWidget(colN_, row++, 1);
  minPanel_ = ColorPanel("MinPanel", fill);
  midPanel_ = ColorPanel("MidPanel", fill);
  maxPanel_ = ColorPanel("MaxPanel", fill);
  minButton_ = NamedButton("MinButton", tr("M&inimum"), fill);
  midButton_ = NamedButton("MidButton", tr("Mi&ddle"), fill);
  maxButton_ = NamedButton("MaxButton", tr("Ma&ximum"), fill);
  fillLayout->addWidget(maxButton_, 0, 2);
  fillLayout->addWidget(maxPanel_, 0, 3);
  fillLayout->addWidget(midButton_, 1, 2);
  fillLayout->addWidget(midPanel_, 1, 3);
  fillLayout->addWidget(minButton_, 2, 2);
  fillLayout->addWidget(minPanel_, 2, 3);
  midBox_ = NamedBox("MidBox", tr("Auto middle color"), fill);
  fillLayout->addWidget(midBox_, 3, 2, 1, 2);
  preview_ = new ColorPreview(display_.Colors, fill);
  preview_->setObjectName(QStringLiteral("ColorScaleBox"));
  preview_->setToolTip(tr("Click a colour to change it"));
  fillLayout->addWidget(preview_, 0, 4, 5, 1);
  layout->addWidget(fill, 2, 0, 1, 3);

  // Buttons.
  auto* buttons = new QHBoxLayout;
  auto* reset = NamedButton("ResetBtn", tr("Reset"), this);
  reset->setToolTip(tr("Set default colors"));
  auto* pale = NamedButton("PaleBtn", tr("Pale"), this);
  pale->setToolTip(tr("Economode"));
  pale->setStatusTip(tr("Less saturated colors"));
  auto* help = NamedButton("HelpBtn", tr("Help"), this);
  help->setEnabled(false);
  auto* box = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
  box->setObjectName(QStringLiteral("OkCancel"));
  buttons->addWidget(reset);
  buttons->addWidget(pale);
  buttons->addWidget(help);
  buttons->addStretch();
  buttons->addWidget(box);
  layout->addLayout(buttons, 3, 0, 1, 3);

  // Behaviour.
  connect(box, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(box, &QDialogButtonBox::rejected, this, &QDialog::reject);
  connect(fontButton, &QPushButton::clicked, this, [this] {
    if (const auto f = chooseFont_(font_)) font_ = *f;
  });
  const auto bindText = [this](QLineEdit* edit, std::string SectionOptions::*field) {
    connect(edit, &QLineEdit::textChanged, this,
            [this, field](const QString& text) { display_.Options.*field = ToLatin1(text); });
  };
  bindText(ab2_, &SectionOptions::DepthTitle);
  bindText(pseudo_, &SectionOptions::Title);
  bindText(rokStr_, &SectionOptions::ResistivityCaption);
  bindText(ipName_, &SectionOptions::ChargeabilityCaption);
  connect(logarithmic_, &QRadioButton::toggled, this, [this](bool on) {
    display_.Options.Scale = on ? DepthScale::Logarithmic : DepthScale::Linear;
  });
  connect(editMin_, &QLineEdit::textEdited, this, [this] { RangeEdited(editMin_, minBox_); });
  connect(editMax_, &QLineEdit::textEdited, this, [this] { RangeEdited(editMax_, maxBox_); });
  connect(editMin_, &QLineEdit::editingFinished, this, [this] { LeaveRange(editMin_, minBox_, display_.Options.ManualMin); });
  connect(editMax_, &QLineEdit::editingFinished, this, [this] { LeaveRange(editMax_, maxBox_, display_.Options.ManualMax); });
  connect(minBox_, &QCheckBox::toggled, this, [this](bool on) { SetTextGrey(editMin_, !on); });
  connect(maxBox_, &QCheckBox::toggled, this, [this](bool on) { SetTextGrey(editMax_, !on); });
  connect(fileBox_, &QCheckBox::toggled, this, [this](bool on) { display_.Options.LevelsFromFile = on; });
  connect(save, &QPushButton::clicked, this, &TSectionOptionDlg::SaveLevelsClick);
  connect(load, &QPushButton::clicked, this, &TSectionOptionDlg::LoadLevelsClick);
  connect(fillGroup_, &QButtonGroup::idClicked, this, [this](int id) { FillColorClick(static_cast<FillColors>(id)); });
  connect(colN_, &QSpinBox::valueChanged, this, &TSectionOptionDlg::CountChanged);
  connect(minButton_, &QPushButton::clicked, this, [this] { PanelColorClick(&SectionOptions::GradientMin, false); });
  connect(midButton_, &QPushButton::clicked, this, [this] { PanelColorClick(&SectionOptions::GradientMid, true); });
  connect(maxButton_, &QPushButton::clicked, this, [this] { PanelColorClick(&SectionOptions::GradientMax, false); });
  connect(midBox_, &QCheckBox::toggled, this, [this](bool on) {
    display_.Options.AutoMiddle = on;
    if (!on) return;
    display_.Options.GradientMid = AutoMiddleColor(display_.Options);
    ShowPanelColors();
    if (display_.Options.Fill == FillColors::Gradient) {
      ApplyFillColors(display_.Colors, display_.Options);
      RefreshColors();
    }
  });
  connect(preview_, &ColorPreview::Clicked, this, &TSectionOptionDlg::PreviewClicked);
  connect(reset, &QPushButton::clicked, this, [this] {
    fillGroup_->button(static_cast<int>(FillColors::Rainbow))->setChecked(true);
    FillColorClick(FillColors::Rainbow);
  });
  connect(pale, &QPushButton::clicked, this, [this] {
    PaleColors(display_.Colors);
    RefreshColors();
  });

  FormShow();
  layout->setSizeConstraint(QLayout::SetFixedSize);
}

QCheckBox* TSectionOptionDlg::Box(const char* name) const { return findChild<QCheckBox*>(QString::fromLatin1(name)); }
QLineEdit* TSectionOptionDlg::Edit(const char* name) const { return findChild<QLineEdit*>(QString::fromLatin1(name)); }
QPushButton* TSectionOptionDlg::Button(const char* name) const {
  return findChild<QPushButton*>(QString::fromLatin1(name));
}
QRadioButton* TSectionOptionDlg::FillButton(FillColors fill) const {
  return qobject_cast<QRadioButton*>(fillGroup_->button(static_cast<int>(fill)));
}

void TSectionOptionDlg::showEvent(QShowEvent* event) {
  FormShow();
  QDialog::showEvent(event);
}

void TSectionOptionDlg::FormShow() {
  const SectionOptions& o = display_.Options;
  for (const Flag& f : Flags) Box(f.name)->setChecked(o.*(f.field));
  for (auto [edit, text] : {std::pair{ab2_, &o.DepthTitle}, {pseudo_, &o.Title}, {rokStr_, &o.ResistivityCaption},
                            {ipName_, &o.ChargeabilityCaption}}) {
    const QSignalBlocker block(edit);
    edit->setText(drawing::Latin1(*text));
  }
  (o.Scale == DepthScale::Logarithmic ? logarithmic_ : linear_)->setChecked(true);
  editMin_->setText(drawing::Latin1(RangeText(o.ManualMin)));
  editMax_->setText(drawing::Latin1(RangeText(o.ManualMax)));
  lbFile_->setText(drawing::Latin1(o.LevelsFileName));
  {
    const QSignalBlocker block(fileBox_);
    fileBox_->setChecked(o.LevelsFromFile);
  }
  fillGroup_->button(static_cast<int>(o.Fill))->setChecked(true);
  {
    const QSignalBlocker block(midBox_);
    midBox_->setChecked(o.AutoMiddle);
  }
  if (o.AutoMiddle) display_.Options.GradientMid = AutoMiddleColor(o);
  ShowPanelColors();
  EnableGradientControls();
  {
    const QSignalBlocker block(colN_);
    colN_->setValue(display_.Colors.Count);
  }
  preview_->update();
  typing_ = nullptr;
}

void TSectionOptionDlg::done(int result) {
  // The edit being typed in is taken as if it had been left.
  if (typing_ == editMin_) LeaveRange(editMin_, minBox_, display_.Options.ManualMin);
  if (typing_ == editMax_) LeaveRange(editMax_, maxBox_, display_.Options.ManualMax);
  if (result == QDialog::Accepted) {
    for (const Flag& f : Flags) display_.Options.*(f.field) = Box(f.name)->isChecked();
  }
  QDialog::done(result);
  if (result == QDialog::Accepted) emit OptionsAccepted();
}

void TSectionOptionDlg::RangeEdited(QLineEdit* edit, QCheckBox* box) {
  if (!isVisible()) return;
  box->setChecked(false);
  SetTextGrey(edit, false);
  typing_ = edit;
}

void TSectionOptionDlg::LeaveRange(QLineEdit* edit, QCheckBox* box, float& stored) {
  if (typing_ == edit) typing_ = nullptr;
  if (box->isChecked()) return;
  edit->setText(drawing::Latin1(LeaveRangeEdit(ToLatin1(edit->text()), stored)));
}

void TSectionOptionDlg::SetTextGrey(QLineEdit* edit, bool grey) {
  QPalette pal = edit->palette();
  pal.setColor(QPalette::Text, grey ? QColor(Qt::gray) : QColor(Qt::black));
  edit->setPalette(pal);
}

void TSectionOptionDlg::EnableGradientControls() {
  const bool gradient = display_.Options.Fill == FillColors::Gradient;
  for (QWidget* w : std::initializer_list<QWidget*>{minPanel_, midPanel_, maxPanel_, minButton_, midButton_, maxButton_, midBox_}) {
    w->setEnabled(gradient);
  }
}

void TSectionOptionDlg::FillColorClick(FillColors fill) {
  display_.Options.Fill = fill;
  EnableGradientControls();
  ApplyFillColors(display_.Colors, display_.Options);
  RefreshColors();
}

void TSectionOptionDlg::CountChanged(int position) {
  ChangeColorCount(display_.Colors, display_.Options, position);
  RefreshColors();
}

void TSectionOptionDlg::PanelColorClick(PaletteColor SectionOptions::*which, bool middle) {
  SectionOptions& o = display_.Options;
  if (middle) midBox_->setChecked(false);
  const std::optional<QColor> chosen = chooseColor_(drawing::ToQColor(o.*which));
  if (!chosen) return;
  o.*which = FromQColor(*chosen);
  if (o.AutoMiddle) o.GradientMid = AutoMiddleColor(o);
  ShowPanelColors();
  ApplyFillColors(display_.Colors, o);
  RefreshColors();
}

void TSectionOptionDlg::PreviewClicked(int y) {
  ColorTable& t = display_.Colors;
  const int index = PreviewColorIndex(y, preview_->height(), t.Count);
  const std::optional<QColor> chosen = chooseColor_(drawing::ToQColor(t.Colors[index]));
  if (!chosen) return;
  t.Colors[index] = FromQColor(*chosen);
  RefreshColors();
}

void TSectionOptionDlg::SaveLevelsClick() {
  SectionOptions& o = display_.Options;
  const QString start = o.LevelsFileName == NoLevelsFile ? QString() : FromEnginePath(o.LevelsFileName);
  const std::optional<QString> name = chooseFile_(true, start);
  if (!name) return;
  o.LevelsFileName = ToEnginePath(*name);
  lbFile_->setText(*name);
  fileBox_->setChecked(true);
  const LevelsFileResult written = WriteLevelsFile(o.LevelsFileName, o.ManualMin, o.ManualMax);
  if (!written.ok) messenger_.Error(written.error);
}

void TSectionOptionDlg::LoadLevelsClick() {
  SectionOptions& o = display_.Options;
  const QString shown = FromEnginePath(o.LevelsFileName);
  const QString start = QFileInfo::exists(shown) ? shown : QString();
  const std::optional<QString> name = chooseFile_(false, start);
  if (!name) return;
  o.LevelsFileName = ToEnginePath(*name);
  lbFile_->setText(*name);
  const LevelsFileResult read = ReadLevelsFile(o.LevelsFileName);
  if (!read.ok) {
    messenger_.Error(read.error);
    return;
  }
  o.ManualMin = read.Minimum;
  o.ManualMax = read.Maximum;
  editMin_->setText(drawing::Latin1(RangeText(o.ManualMin)));
  editMax_->setText(drawing::Latin1(RangeText(o.ManualMax)));
  fileBox_->setChecked(true);
}

void TSectionOptionDlg::ShowPanelColors() {
  Paint(minPanel_, display_.Options.GradientMin);
  Paint(midPanel_, display_.Options.GradientMid);
  Paint(maxPanel_, display_.Options.GradientMax);
}

void TSectionOptionDlg::RefreshColors() {
  {
    const QSignalBlocker block(colN_);
    colN_->setValue(display_.Colors.Count);
  }
  preview_->update();
  emit ColorsChanged();
}

ColorPreview::ColorPreview(const ColorTable& colors, QWidget* parent) : QWidget(parent), colors_(colors) {
  setMinimumSize(28, 120);
}

void ColorPreview::paintEvent(QPaintEvent*) {
  QPainter p(this);
  const int c = std::max(colors_.Count, 1);
  const double box = static_cast<double>(height()) / c;
  for (int i = 1; i <= c; ++i) {
    const int top = static_cast<int>(std::lround(height() - i * box));
    const int bottom = static_cast<int>(std::lround(height() - (i - 1) * box));
    p.fillRect(QRect(0, top, width(), bottom - top), drawing::ToQColor(colors_.Colors[i]));
  }
  p.setPen(palette().color(QPalette::Dark));
  p.drawRect(rect().adjusted(0, 0, -1, -1));
}

void ColorPreview::mousePressEvent(QMouseEvent* event) {
  if (event->button() == Qt::LeftButton) emit Clicked(static_cast<int>(event->position().y()));
}

}  // namespace tarvo::gui

#include "gui/sequences/new_sequence_window.h"

#include <QButtonGroup>
#include <QFontDatabase>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTabWidget>
#include <QVBoxLayout>

#include <string>

#include "engine/sequences/syscal_sequence_writer.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"

namespace tarvo::gui {

namespace {

// Item texts keep two extra digits of R and K/a.
constexpr int ItemDigits = 2;

// Captions of the dipole-length counts, aligned as the window shows them.
constexpr std::array<const char*, DipoleListCount> MnCountCaptions = {
    "MN=1 x a    nLines=", "MN=3 x a    nLines=", "MN=5 x a    nLines=", "MN=7 x a    nLines=",
    "MN=9 x a    nLines=", "MN=15 x a  nLines=", "MN=21 x a  nLines=",
};

QString Latin1(std::string_view text) {
  return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

// The item text in columns: the list pads the pair with R and the factor to
// fixed widths so that the marks and counts line up in the fixed-pitch font.
QString AlignedItemText(const std::string& text) {
  const auto open = text.find('(');
  const auto close = text.find(')', open);
  if (open == std::string::npos || close == std::string::npos) return Latin1(text);
  constexpr int pairAndRadius = 16;
  constexpr int factor = 12;
  std::string head = text.substr(0, open);
  while (!head.empty() && head.back() == ' ') head.pop_back();
  const std::string rest = text.substr(close + 1);
  const auto marks = rest.find_first_not_of(' ');
  return Latin1(head).leftJustified(pairAndRadius) + Latin1(text.substr(open, close - open + 1)).leftJustified(factor) +
         (marks == std::string::npos ? QString() : Latin1(rest.substr(marks > 0 ? marks - 1 : 0)));
}

QListWidget* MakeCheckList(const QString& name, QWidget* parent) {
  auto* list = new QListWidget(parent);
  list->setObjectName(name);
  // A fixed-pitch font keeps the columns of the item texts aligned.
  list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  for (int i = 0; i < CheckListItemCount; ++i) {
    auto* item = new QListWidgetItem(list);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
  }
  return list;
}

}  // namespace

TNew_PS::TNew_PS(TMain& main, SaveDialog saveDialog, QWidget* parent)
    : QDialog(parent != nullptr ? parent : &main), main_(main), saveDialog_(std::move(saveDialog)) {
  setObjectName(QStringLiteral("New_PS"));
  setWindowTitle(tr("New SEQ file"));
  setModal(false);
  BuildControls();
  RefreshTexts();
}

void TNew_PS::BuildControls() {
  auto* layout = new QHBoxLayout(this);

  // Left column: electrodes, array, step.
  auto* left = new QVBoxLayout;
  auto* electrodes = new QGroupBox(tr("Number of electrodes"), this);
  auto* electrodesLayout = new QVBoxLayout(electrodes);
  edit1_ = new QSpinBox(electrodes);
  edit1_->setObjectName(QStringLiteral("Edit1"));
  edit1_->setRange(MinGeneratorElectrodes, MaxGeneratorElectrodes);
  edit1_->setSingleStep(GeneratorElectrodeStep);
  edit1_->setValue(state_.electrodes);
  electrodesLayout->addWidget(edit1_);
  left->addWidget(electrodes);

  auto* arrayBox = new QGroupBox(tr(" &Type of array "), this);
  arrayBox->setObjectName(QStringLiteral("ArrayGroup"));
  auto* arrayLayout = new QVBoxLayout(arrayBox);
  arrayGroup_ = new QButtonGroup(this);
  for (int i = 0; i < GeneratorArrayCount; ++i) {
    auto* button = new QRadioButton(Latin1(GeneratorArrayNames[static_cast<std::size_t>(i)]), arrayBox);
    arrayGroup_->addButton(button, i);
    arrayLayout->addWidget(button);
  }
  arrayGroup_->button(static_cast<int>(state_.array))->setChecked(true);
  left->addWidget(arrayBox);

  auto* stepBox = new QGroupBox(tr("Step"), this);
  stepBox->setObjectName(QStringLiteral("RadioGroup3"));
  stepBox->setToolTip(tr("The distance between VES location"));
  auto* stepLayout = new QHBoxLayout(stepBox);
  stepGroup_ = new QButtonGroup(this);
  for (int step : {1, 2}) {
    auto* button = new QRadioButton(QString::number(step), stepBox);
    stepGroup_->addButton(button, step);
    stepLayout->addWidget(button);
  }
  stepGroup_->button(state_.step)->setChecked(true);
  left->addWidget(stepBox);

  auto* counts = new QGroupBox(tr("Counts"), this);
  auto* countsLayout = new QVBoxLayout(counts);
  for (int k = 0; k < DipoleListCount; ++k) {
    mnLabels_[static_cast<std::size_t>(k)] = new QLabel(counts);
    mnLabels_[static_cast<std::size_t>(k)]->setObjectName(QStringLiteral("MNlb%1").arg(DipoleLengths[static_cast<std::size_t>(k)]));
    countsLayout->addWidget(mnLabels_[static_cast<std::size_t>(k)]);
  }
  nQuadrolb_ = new QLabel(counts);
  nQuadrolb_->setObjectName(QStringLiteral("nQuadrolb"));
  countsLayout->addWidget(nQuadrolb_);
  left->addWidget(counts);
  left->addStretch();
  layout->addLayout(left);

  // Right column: the item lists and the buttons.
  auto* right = new QVBoxLayout;
  label1_ = new QLabel(this);
  label1_->setObjectName(QStringLiteral("Label1"));
  label1_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  right->addWidget(label1_);
  pageControl_ = new QTabWidget(this);
  pageControl_->setObjectName(QStringLiteral("PageControl"));
  pageControl_->setToolTip(tr("MN length"));
  for (int k = 0; k < DipoleListCount; ++k) {
    const int tag = DipoleLengths[static_cast<std::size_t>(k)];
    QListWidget* list = MakeCheckList(QStringLiteral("CheckList%1").arg(tag), pageControl_);
    dipoleLists_[static_cast<std::size_t>(k)] = list;
    pageControl_->addTab(list, QStringLiteral("%1 x a").arg(tag));
    connect(list, &QListWidget::itemChanged, this, &TNew_PS::ItemChanged);
  }
  right->addWidget(pageControl_, 1);
  checkListWenner_ = MakeCheckList(QStringLiteral("CheckListWenner"), this);
  connect(checkListWenner_, &QListWidget::itemChanged, this, &TNew_PS::ItemChanged);
  right->addWidget(checkListWenner_, 1);

  auto* buttons = new QHBoxLayout;
  showBtn_ = new QPushButton(tr("&Show"), this);
  showBtn_->setObjectName(QStringLiteral("ShowBtn"));
  showBtn_->setToolTip(tr("Generate the sequence and show it"));
  saveBtn_ = new QPushButton(tr("Save"), this);
  saveBtn_->setObjectName(QStringLiteral("SaveBtn"));
  saveBtn_->setToolTip(tr("Save the generated sequence as a SysCal sequence file"));
  saveBtn_->setEnabled(false);
  auto* cancel = new QPushButton(tr("Cancel"), this);
  cancel->setObjectName(QStringLiteral("CancelBtn"));
  auto* help = new QPushButton(tr("Help"), this);
  help->setObjectName(QStringLiteral("BitBtn3"));
  for (QPushButton* b : {showBtn_, saveBtn_, cancel, help}) {
    b->setAutoDefault(false);
    buttons->addWidget(b);
  }
  right->addLayout(buttons);
  layout->addLayout(right, 1);

  connect(showBtn_, &QPushButton::clicked, this, &TNew_PS::ShowBtnClick);
  connect(saveBtn_, &QPushButton::clicked, this, &TNew_PS::OKBtnClick);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  connect(help, &QPushButton::clicked, this, &TNew_PS::BitBtn3Click);
  connect(arrayGroup_, &QButtonGroup::idClicked, this, &TNew_PS::ArrayChanged);
  connect(stepGroup_, &QButtonGroup::idClicked, this, [this](int step) {
    state_.step = step;
    ChoicesChanged();
  });
  connect(edit1_, &QSpinBox::valueChanged, this, [this](int n) {
    state_.electrodes = n;
    ChoicesChanged();
  });
  resize(760, 560);
}

QListWidget* TNew_PS::CheckList(CheckListRef list) const {
  return list.wenner ? checkListWenner_ : dipoleLists_[static_cast<std::size_t>(list.dipoleList)];
}

void TNew_PS::ArrayChanged(int index) {
  state_.array = static_cast<GeneratorArray>(index);
  ChoicesChanged();
}

void TNew_PS::ItemChanged(QListWidgetItem* item) {
  if (refreshing_) return;
  QListWidget* list = item->listWidget();
  const bool wenner = list == checkListWenner_;
  int dipoleList = 0;
  for (int k = 0; k < DipoleListCount; ++k) {
    if (dipoleLists_[static_cast<std::size_t>(k)] == list) dipoleList = k;
  }
  state_.Checked(CheckListRef{wenner, dipoleList}, list->row(item)) = item->checkState() == Qt::Checked;
  ChoicesChanged();
}

void TNew_PS::ChoicesChanged() {
  // A saved sequence must be the one the window shows: any change asks for
  // a new generation first.
  saveBtn_->setEnabled(false);
  RefreshTexts();
}

void TNew_PS::RefreshTexts() {
  refreshing_ = true;
  const bool wenner = UsesWennerList(state_.array);
  pageControl_->setVisible(!wenner);
  checkListWenner_->setVisible(wenner);
  label1_->setText(Latin1(ListHeader(state_.array)));

  const auto fill = [this](CheckListRef ref) {
    QListWidget* list = CheckList(ref);
    for (int i = 0; i < CheckListItemCount; ++i) {
      QListWidgetItem* item = list->item(i);
      item->setText(AlignedItemText(ItemText(state_, ref, i, ItemDigits)));
      item->setCheckState(state_.Checked(ref, i) ? Qt::Checked : Qt::Unchecked);
    }
  };
  for (int k = 0; k < DipoleListCount; ++k) {
    const CheckListRef ref{false, k};
    fill(ref);
    int checked = 0;
    for (int i = 0; i < CheckListItemCount; ++i) checked += state_.Checked(ref, i) ? 1 : 0;
    mnLabels_[static_cast<std::size_t>(k)]->setText(QString::fromLatin1(MnCountCaptions[static_cast<std::size_t>(k)]) +
                                                    QString::number(checked));
    mnLabels_[static_cast<std::size_t>(k)]->setVisible(!wenner);
  }
  fill(CheckListRef{true, 0});

  const int total = TotalQuadripoles(state_);
  nQuadrolb_->setText(QStringLiteral("nQuadropoles=") + QString::number(total));
  showBtn_->setEnabled(total >= 1 && total <= MaxPoints);
  refreshing_ = false;
}

void TNew_PS::New_HalfSExecute() {
  // Over the main window, without closing it.
  move(main_.geometry().topLeft() + QPoint(40, 40));
  show();
  raise();
  activateWindow();
}

void TNew_PS::ShowBtnClick() {
  if (TotalQuadripoles(state_) > MaxPoints) {
    main_.OperatorMessenger().Error("Too many qadripoles");
    return;
  }
  if (!BuildGeneratedSequence(main_.Dataset(), state_, main_.Shell().open.InitialDir,
                              main_.TemplatePath(), main_.OperatorMessenger())) {
    return;
  }
  OpenRequest request;
  request.caller = OpenCaller::RebuildGenerated;
  main_.ReadWithoutDialog(request);
  if (!IsLoaded(main_.Dataset().DataKind)) return;
  showBtn_->setEnabled(false);
  saveBtn_->setEnabled(true);
}

void TNew_PS::OKBtnClick() {
  const TargetChooser chooser = [this](const SaveDialogDescription& d) -> std::optional<std::string> {
    const auto chosen = saveDialog_(SaveDialogSetupOf(d));
    if (!chosen) return std::nullopt;
    return ToEnginePath(*chosen);
  };
  const SyscalSaveResult saved =
      SaveSyscalSequence(main_.Dataset(), SyscalSaveCaller::UserInterface, false, chooser, main_.OperatorMessenger());
  if (saved.outcome == SaveOutcome::Written) main_.ExportWritten(saved.path, saved.quadripoles);
  main_.ShowSummary();
  accept();
}

void TNew_PS::BitBtn3Click() {
  main_.OperatorMessenger().Information(
      "You could change forward pole-dipole Seq file on reverse one.\n\r\n\rMain menu - File - Amn2nmB");
}

}  // namespace tarvo::gui

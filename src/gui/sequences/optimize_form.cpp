#include "gui/sequences/optimize_form.h"

#include <QApplication>
#include <QCheckBox>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include <filesystem>

#include "engine/sequences/sequence_optimiser.h"
#include "gui/shell/open_dialog.h"

namespace tarvo::gui {

namespace {

// ElectreII text keeps two extra digits of the electrode abscissas, as the
// main window writes it.
constexpr int ElectreDigits = 2;

// Fewest milliseconds between two repaints of the progress bar.
constexpr int ProgressRepaintMs = 30;

constexpr const char* ListHeader = "nA  nB  nM   nN";

}  // namespace

TOptimizeForm::TOptimizeForm(TDataset& ds, SaveDialog dialog, Messenger& messenger, QWidget* parent)
    : QDialog(parent), ds_(ds), dialog_(std::move(dialog)), messenger_(messenger) {
  if (!dialog_) dialog_ = DefaultSaveDialog(this);
  setObjectName(QStringLiteral("OptimizeForm"));
  setWindowTitle(tr("Optimize sequence for SysCal-Pro"));
  auto* layout = new QVBoxLayout(this);

  auto* group = new QGroupBox(tr("Parameters of optimization"), this);
  group->setObjectName(QStringLiteral("GroupBox1"));
  auto* groupLayout = new QVBoxLayout(group);
  checkBox1_ = new QCheckBox(tr("Allow sorting of the quadripole before optomization "), group);
  checkBox1_->setObjectName(QStringLiteral("CheckBox1"));
  checkBox1_->setToolTip(tr("Gather the quadripoles of each current pair from the whole sequence and order the "
                            "readings so that electrodes rest after carrying current; without it the sequence "
                            "order stays"));
  checkBox2_ = new QCheckBox(tr("Allow optimal insertion of dummy quadripoles "), group);
  checkBox2_->setObjectName(QStringLiteral("CheckBox2"));
  checkBox2_->setToolTip(tr("Bridge a gap in a chain of dipoles with a dipole nobody asked for, where that saves "
                            "a reading"));
  for (QCheckBox* box : {checkBox1_, checkBox2_}) {
    box->setChecked(true);
    groupLayout->addWidget(box);
  }
  auto* channels = new QHBoxLayout;
  auto* label2 = new QLabel(tr("The maximal number of channels will be used"), group);
  label2->setObjectName(QStringLiteral("Label2"));
  channels->addWidget(label2);
  edit1_ = new QSpinBox(group);
  edit1_->setObjectName(QStringLiteral("Edit1"));
  edit1_->setRange(4, MaxOptimiserChannels);
  edit1_->setValue(DefaultOptimiserChannels);
  channels->addWidget(edit1_);
  groupLayout->addLayout(channels);
  auto* rest = new QHBoxLayout;
  rest->addWidget(new QLabel(tr("Readings an electrode rests after carrying current"), group));
  restE_ = new QSpinBox(group);
  restE_->setObjectName(QStringLiteral("RestE"));
  restE_->setRange(0, MaxRestReadings);
  restE_->setValue(DefaultRestReadings);
  restE_->setToolTip(tr("An electrode that carried current is not used to measure in so many readings after, "
                        "where the sequence allows"));
  rest->addWidget(restE_);
  groupLayout->addLayout(rest);
  layout->addWidget(group);

  progressBar1_ = new QProgressBar(this);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  layout->addWidget(progressBar1_);
  nDataL_ = new QLabel(this);
  nDataL_->setObjectName(QStringLiteral("nDataL"));
  nDataL_->setWordWrap(true);
  layout->addWidget(nDataL_);
  richEdit_ = new QPlainTextEdit(this);
  richEdit_->setObjectName(QStringLiteral("RichEdit"));
  richEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  richEdit_->setReadOnly(true);
  richEdit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(richEdit_, 1);

  auto* buttons = new QHBoxLayout;
  buttons->addStretch(1);
  saveSeqBt_ = new QPushButton(tr("Save SEQ"), this);
  saveSeqBt_->setObjectName(QStringLiteral("SaveSeqBt"));
  saveSeqBt_->setToolTip(tr("Save the readings as a Syscal sequence"));
  saveTxtBt_ = new QPushButton(tr("Save TXT"), this);
  saveTxtBt_->setObjectName(QStringLiteral("SaveTxtBt"));
  saveTxtBt_->setToolTip(tr("Save the readings as ElectreII sequence text"));
  optiBt_ = new QPushButton(tr("Optimize"), this);
  optiBt_->setObjectName(QStringLiteral("OptiBt"));
  optiBt_->setToolTip(tr("Group the dipoles of every injection into the readings of a multichannel instrument"));
  optiBt_->setDefault(true);
  for (QPushButton* b : {saveSeqBt_, saveTxtBt_, optiBt_}) buttons->addWidget(b);
  layout->addLayout(buttons);
  resize(560, 520);

  connect(optiBt_, &QPushButton::clicked, this, [this] { OptiBtClick(); });
  connect(saveSeqBt_, &QPushButton::clicked, this, [this] { SaveSeqBtClick(); });
  connect(saveTxtBt_, &QPushButton::clicked, this, [this] { SaveTxtBtClick(); });
  for (QCheckBox* box : {checkBox1_, checkBox2_}) connect(box, &QCheckBox::toggled, this, [this] { OptionsChanged(); });
  for (QSpinBox* spin : {edit1_, restE_}) {
    connect(spin, &QSpinBox::valueChanged, this, [this] { OptionsChanged(); });
  }

  quads_ = OptimiserQuadripoles(ds_);
  Fill();
  optiBt_->setEnabled(!quads_.empty());
  OptionsChanged();
}

void TOptimizeForm::Fill() {
  const InjectionReport report = AnalyseInjections(ds_, [this](int max, int position) {
    progressBar1_->setMaximum(max);
    progressBar1_->setValue(position);
  });
  QStringList lines;
  for (const std::string& line : report.lines) lines << QString::fromLatin1(line.c_str());
  richEdit_->setPlainText(lines.join(QLatin1Char('\n')));
  nDataL_->setText(QString::fromLatin1(report.countsText.c_str()));
}

OptimiserOptions TOptimizeForm::Options() const {
  OptimiserOptions o;
  o.channels = edit1_->value();
  o.rest = restE_->value();
  o.allowSorting = checkBox1_->isChecked();
  o.allowDummies = checkBox2_->isChecked();
  return o;
}

// Readings made with other options are not what the window now shows.
void TOptimizeForm::OptionsChanged() {
  saveSeqBt_->setEnabled(false);
  saveTxtBt_->setEnabled(false);
}

void TOptimizeForm::OptiBtClick() {
  if (quads_.empty()) return;
  QApplication::setOverrideCursor(Qt::WaitCursor);
  QElapsedTimer sinceRepaint;
  sinceRepaint.start();
  result_ = OptimiseReadings(quads_, Options(), [this, &sinceRepaint](int done, int total) {
    progressBar1_->setMaximum(total);
    progressBar1_->setValue(done);
    if (done == total || sinceRepaint.elapsed() >= ProgressRepaintMs) {
      progressBar1_->repaint();
      sinceRepaint.restart();
    }
  });
  QApplication::restoreOverrideCursor();

  QStringList lines{QString::fromLatin1(ListHeader)};
  for (const std::string& line : ReadingLines(result_)) lines << QString::fromLatin1(line.c_str());
  richEdit_->setPlainText(lines.join(QLatin1Char('\n')));
  nDataL_->setText(QString::fromLatin1(OptimiserCountsText(result_).c_str()));
  saveSeqBt_->setEnabled(result_.injections > 0);
  saveTxtBt_->setEnabled(result_.injections > 0);
}

bool TOptimizeForm::SaveSeqBtClick() { return Save(OptimisedFormat::Syscal); }
bool TOptimizeForm::SaveTxtBtClick() { return Save(OptimisedFormat::ElectreII); }

bool TOptimizeForm::Save(OptimisedFormat format) {
  if (result_.injections == 0) return false;
  const bool syscal = format == OptimisedFormat::Syscal;
  // Proposed next to the sequence, so that the sequence itself is not
  // overwritten by accident.
  std::filesystem::path proposed(ds_.FileName);
  proposed.replace_filename(proposed.stem().string() + "_opt" + (syscal ? ".seq" : ".txt"));
  const auto chosen = dialog_({syscal ? tr("Save SysCal file") : tr("ElectreII sequence"),
                               QString::fromStdString(proposed.string()),
                               syscal ? QStringLiteral("SysCal Sequence files|*.seq")
                                      : QStringLiteral("ElectreII sequence files|*.txt"),
                               syscal ? QStringLiteral("SEQ") : QStringLiteral("TXT")});
  if (!chosen) return false;
  const std::vector<TQuadripole> records =
      OptimisedRecords(result_, quads_, [this](const TQuadripole& q) { return LayoutGeometricFactor(ds_, q); });
  return WriteOptimisedSequence(ds_, records, format, ToEnginePath(*chosen), ElectreDigits, messenger_);
}

QString TOptimizeForm::CountsText() const { return nDataL_->text(); }
QString TOptimizeForm::ListText() const { return richEdit_->toPlainText(); }

}  // namespace tarvo::gui

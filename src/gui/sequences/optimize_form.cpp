#include "gui/sequences/optimize_form.h"

#include <QCheckBox>
#include <QFontDatabase>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

#include "engine/sequences/sequence_optimiser.h"

namespace tarvo::gui {

TOptimizeForm::TOptimizeForm(const TDataset& ds, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("OptimizeForm"));
  setWindowTitle(tr("Optimize sequence for SysCal-Pro"));
  auto* layout = new QVBoxLayout(this);

  // The parameters of the optimisation are shown for what they will be;
  // the optimisation itself is not built yet, so they cannot be changed.
  auto* group = new QGroupBox(tr("Parameters of optimization"), this);
  group->setObjectName(QStringLiteral("GroupBox1"));
  auto* groupLayout = new QVBoxLayout(group);
  for (const auto& [name, text] : {std::pair{"CheckBox1", "Allow sorting of the quadripole before optomization "},
                                   std::pair{"CheckBox2", "Allow optimal insertion of dummy quadripoles "}}) {
    auto* box = new QCheckBox(tr(text), group);
    box->setObjectName(QString::fromLatin1(name));
    box->setChecked(true);
    groupLayout->addWidget(box);
  }
  auto* channels = new QHBoxLayout;
  channels->addWidget(new QLabel(tr("The maximal number of channels will be used"), group));
  auto* edit1 = new QSpinBox(group);
  edit1->setObjectName(QStringLiteral("Edit1"));
  edit1->setRange(4, 20);
  edit1->setValue(10);
  channels->addWidget(edit1);
  groupLayout->addLayout(channels);
  group->setEnabled(false);
  layout->addWidget(group);

  progressBar1_ = new QProgressBar(this);
  progressBar1_->setObjectName(QStringLiteral("ProgressBar1"));
  layout->addWidget(progressBar1_);
  nDataL_ = new QLabel(this);
  nDataL_->setObjectName(QStringLiteral("nDataL"));
  layout->addWidget(nDataL_);
  richEdit_ = new QPlainTextEdit(this);
  richEdit_->setObjectName(QStringLiteral("RichEdit"));
  richEdit_->setLineWrapMode(QPlainTextEdit::NoWrap);
  richEdit_->setReadOnly(true);
  richEdit_->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
  layout->addWidget(richEdit_, 1);
  optiBt_ = new QPushButton(tr("Optimize"), this);
  optiBt_->setObjectName(QStringLiteral("OptiBt"));
  optiBt_->setEnabled(false);
  optiBt_->setToolTip(tr("Optimization for several channels is not available yet"));
  layout->addWidget(optiBt_, 0, Qt::AlignRight);
  resize(520, 480);

  Fill(ds);
}

void TOptimizeForm::Fill(const TDataset& ds) {
  const InjectionReport report = AnalyseInjections(ds, [this](int max, int position) {
    progressBar1_->setMaximum(max);
    progressBar1_->setValue(position);
  });
  QStringList lines;
  for (const std::string& line : report.lines) lines << QString::fromLatin1(line.c_str());
  richEdit_->setPlainText(lines.join(QLatin1Char('\n')));
  nDataL_->setText(QString::fromLatin1(report.countsText.c_str()));
}

QString TOptimizeForm::CountsText() const { return nDataL_->text(); }
QString TOptimizeForm::ListText() const { return richEdit_->toPlainText(); }

}  // namespace tarvo::gui

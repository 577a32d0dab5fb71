#include <QtTest>

#include <QAction>
#include <QLineEdit>
#include <QTemporaryDir>

#include "engine/core/array_types.h"
#include "engine/core/dataset.h"
#include "engine/core/text_file.h"
#include "gui/export/converter_commands.h"
#include "engine/import/res2dinv_reader.h"
#include "open_example.h"
#include "gui/shell/main_window.h"
#include "gui/shell/open_dialog.h"

using tarvo::gui::SaveDialogSetup;

class TestConverterCommands : public QObject {
  Q_OBJECT

private:
  tarvo::TDataset dataset_;
  std::unique_ptr<tarvo::gui::TMain> window_;
  tarvo::RecordingMessenger messages_;
  QTemporaryDir dir_;
  std::optional<QString> target_;  // the save dialog's answer
  SaveDialogSetup lastSave_;

  void Open(const char* example, int filter) { tarvo::gui::test::OpenExample(*window_, example, filter); }

private slots:
  void init() {
    dataset_ = tarvo::TDataset{};
    window_ = std::make_unique<tarvo::gui::TMain>(dataset_);
    window_->SetMessenger(&messages_);
    tarvo::gui::AttachConverterCommands(*window_, [this](const SaveDialogSetup& s) {
      lastSave_ = s;
      return target_;
    });
  }

  void cleanup() { window_.reset(); }

  void res2dInvWritesAFileThatReadsBack() {
    Open("wenner32.001", 1);
    QAction* command = window_->Command(QStringLiteral("aRes2dInv"));
    QVERIFY(command->isEnabled());
    const QString path = dir_.filePath(QStringLiteral("wenner.dat"));
    target_ = path;
    command->trigger();
    QCOMPARE(lastSave_.title, QStringLiteral("Usual Res2dInv format"));
    QVERIFY(QFileInfo::exists(path));

    tarvo::TDataset back;
    tarvo::RecordingMessenger backMessages;
    tarvo::ReadEnvironment env{backMessages, "", nullptr};
    tarvo::ReadIntoDataset(back, tarvo::ReadRes2dInv, {path.toStdString(), 0}, env);
    QVERIFY(backMessages.entries.empty());
    QCOMPARE(back.PointCount, dataset_.PointCount - dataset_.BadCount);
    QCOMPARE(back.Points[1].PointType, static_cast<std::uint8_t>(tarvo::Wenner));
  }

  void cancelledDialogKeepsTheShiftItApplied() {
    // The shift is added to the coordinates before the dialog, and stays when
    // the dialog is cancelled; nothing is written and nothing is said.
    Open("wenner32.001", 1);
    auto* shiftE = window_->findChild<QLineEdit*>(QStringLiteral("ShiftE"));
    QVERIFY(shiftE != nullptr);
    shiftE->setText(QStringLiteral("5"));
    dataset_.XShift = 5;
    const float xA = dataset_.Points[1].XA;
    target_.reset();
    window_->Command(QStringLiteral("aRes2dInv"))->trigger();
    QCOMPARE(dataset_.XShift, 0.0f);
    QCOMPARE(dataset_.Points[1].XA, xA + 5);
    QCOMPARE(shiftE->text(), QStringLiteral("0"));
    window_->Command(QStringLiteral("aSondo"))->trigger();
    QCOMPARE(dataset_.Points[1].XA, xA + 5);
    QVERIFY(messages_.entries.empty());
  }

  void sequencesHaveNoInversionExports() {
    Open("wenner32.seq", 2);
    QVERIFY(!window_->Command(QStringLiteral("aRes2dInv"))->isEnabled());
    QVERIFY(!window_->Command(QStringLiteral("aSondo"))->isEnabled());
  }

  void programFiltersBecomeQtFilters() {
    QCOMPARE(tarvo::gui::QtFilter(QStringLiteral("Res2Dinv files|*.dat||_*.dat")),
             QStringLiteral("Res2Dinv files (*.dat)"));
    QCOMPARE(tarvo::gui::QtFilter(QStringLiteral("A|*.a;*.b|B|*.c")), QStringLiteral("A (*.a *.b);;B (*.c)"));
  }
};

QTEST_MAIN(TestConverterCommands)
#include "test_converter_commands.moc"

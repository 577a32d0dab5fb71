#include <QtTest>

#include <QAction>
#include <QTemporaryDir>

#include "core/dataset.h"
#include "import/electre_reader.h"
#include "import/syscal_reader.h"
#include "sequences/sequence_commands.h"
#include "open_example.h"
#include "shell/main_window.h"
#include "shell/open_dialog.h"

using tarvo::gui::SaveDialogSetup;

// The instrument-file commands write a loaded sequence that reads back to
// the same quadripoles.
class TestSequenceCommands : public QObject {
  Q_OBJECT

private:
  tarvo::TDataset dataset_;
  std::unique_ptr<tarvo::gui::TMain> window_;
  tarvo::RecordingMessenger messages_;
  QTemporaryDir dir_;
  std::optional<QString> target_;

  void Open(const char* example, int filter) { tarvo::gui::test::OpenExample(*window_, example, filter); }

  tarvo::TDataset ReadBack(const QString& path, bool electre) {
    tarvo::TDataset back;
    tarvo::RecordingMessenger m;
    tarvo::ReadEnvironment env{m, "", nullptr};
    back.FileName = path.toStdString();
    if (electre) {
      tarvo::ReadElectreII(back, 0, env);
    } else {
      tarvo::ReadInstrumentFile(back, env);
    }
    return back;
  }

private slots:
  void init() {
    dataset_ = tarvo::TDataset{};
    window_ = std::make_unique<tarvo::gui::TMain>(dataset_);
    window_->SetMessenger(&messages_);
    tarvo::gui::AttachSequenceCommands(*window_, [this](const SaveDialogSetup&) { return target_; });
  }

  void cleanup() { window_.reset(); }

  void savedSequenceReadsBack() {
    Open("dipole32.seq", 2);
    QAction* save = window_->Command(QStringLiteral("aSave"));
    QVERIFY(save->isEnabled());
    target_ = dir_.filePath(QStringLiteral("line 3.seq"));
    save->trigger();
    QVERIFY(messages_.entries.empty());
    const tarvo::TDataset back = ReadBack(*target_, false);
    QCOMPARE(back.PointCount, dataset_.PointCount);
    QCOMPARE(back.SeqHeader.TitleText(), std::string("LINE 3"));
    for (int i = 1; i <= back.PointCount; ++i) QVERIFY(back.Quads[i] == dataset_.Quads[i]);
  }

  void electreTextReadsBack() {
    Open("dipole32.seq", 2);
    target_ = dir_.filePath(QStringLiteral("line.txt"));
    window_->Command(QStringLiteral("aElecreII"))->trigger();
    QVERIFY(messages_.entries.empty());
    const tarvo::TDataset back = ReadBack(*target_, true);
    QCOMPARE(back.PointCount, dataset_.PointCount);
    QCOMPARE(back.DataKind, tarvo::DataKindSequence);
  }

  void cancelledSaveLeavesTheSourceAlone() {
    // A sequence is saved only where the dialog says: cancelling it must not
    // rewrite the file it came from.
    const QString source = QStringLiteral(TARVO_EXAMPLES_DIR "/dipole32.seq");
    QFile before(source);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    Open("dipole32.seq", 2);
    target_.reset();
    window_->Command(QStringLiteral("aSave"))->trigger();
    QFile after(source);
    QVERIFY(after.open(QIODevice::ReadOnly));
    QCOMPARE(after.readAll(), bytes);
    QVERIFY(messages_.entries.empty());
  }
};

QTEST_MAIN(TestSequenceCommands)
#include "test_sequence_commands.moc"

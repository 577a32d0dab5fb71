// The window and tarvo-cli write the same files from the same input: each
// export command of the Converter menu, run in the window on an example,
// gives the bytes that tarvo-cli convert gives for it (the thresholds and
// options at their defaults in both).
#include <QtTest>

#include <QAction>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>

#include "engine/core/dataset.h"
#include "gui/export/converter_commands.h"
#include "gui/shell/main_window.h"
#include "open_example.h"

using tarvo::gui::SaveDialogSetup;

namespace {

QByteArray Bytes(const QString& path) {
  QFile f(path);
  return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

}  // namespace

class TestWindowAndCli : public QObject {
  Q_OBJECT

private slots:
  void sameFilesAsTheCommandLine_data() {
    QTest::addColumn<QString>("example");
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("extension");
    QTest::addColumn<QString>("shift");
    // Syscal and ABEM data carry a comment, which titles the files.
    QTest::newRow("Syscal data, Res2dInv") << "wenner32.001" << 1 << "aRes2dInv" << "res2dinv" << "dat" << "";
    QTest::newRow("Syscal data, Res2dInv general")
        << "wenner32.001" << 1 << "aRes2dInv_new" << "res2dinv-general" << "dat" << "";
    QTest::newRow("Syscal data, Sondo") << "wenner32.001" << 1 << "aSondo" << "sondo" << "dtg" << "";
    QTest::newRow("Syscal data, Res2dMod") << "wenner32.001" << 1 << "Res2dModTXT" << "res2dmod" << "txt" << "";
    QTest::newRow("Syscal data, SensInv2D") << "wenner32.001" << 1 << "aSens" << "sensinv2d" << "gem" << "";
    QTest::newRow("ABEM data, Res2dInv") << "schlumberger32.amp" << 5 << "aRes2dInv" << "res2dinv" << "dat" << "";
    QTest::newRow("ABEM data, Sondo") << "schlumberger32.amp" << 5 << "aSondo" << "sondo" << "dtg" << "";
    // The x shift of the window's field and of --shift.
    QTest::newRow("shifted Sondo") << "wenner32.001" << 1 << "aSondo" << "sondo" << "dtg" << "100";
    QTest::newRow("shifted SensInv2D") << "wenner32.001" << 1 << "aSens" << "sensinv2d" << "gem" << "-1.5";
    QTest::newRow("shifted Res2dInv") << "schlumberger32.amp" << 5 << "aRes2dInv" << "res2dinv" << "dat" << "20";
  }

  void sameFilesAsTheCommandLine() {
    QFETCH(QString, example);
    QFETCH(int, filter);
    QFETCH(QString, command);
    QFETCH(QString, target);
    QFETCH(QString, extension);
    QFETCH(QString, shift);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("window")) && QDir(dir.path()).mkpath(QStringLiteral("cli")));
    const QString name = QStringLiteral("out.") + extension;

    // The window: open, type the shift, run the command.
    tarvo::TDataset dataset;
    tarvo::RecordingMessenger messages;
    tarvo::gui::TMain window(dataset);
    window.SetMessenger(&messages);
    const QString windowFile = dir.filePath(QStringLiteral("window/") + name);
    tarvo::gui::AttachConverterCommands(window, [&](const SaveDialogSetup&) { return std::optional(windowFile); });
    tarvo::gui::test::OpenExample(window, example.toLatin1().constData(), filter);
    if (!shift.isEmpty()) {
      auto* shiftE = window.findChild<QLineEdit*>(QStringLiteral("ShiftE"));
      QVERIFY(shiftE != nullptr);
      shiftE->selectAll();
      QTest::keyClicks(shiftE, shift);  // typed, as the operator does
      QCOMPARE(dataset.XShift, shift.toFloat());
    }
    QAction* action = window.Command(command);
    QVERIFY(action != nullptr && action->isEnabled());
    action->trigger();

    // tarvo-cli on the same file.
    QStringList args{QStringLiteral("convert"), QStringLiteral(TARVO_EXAMPLES_DIR "/") + example,
                     QStringLiteral("--to"), target, QStringLiteral("-o"), dir.filePath(QStringLiteral("cli/") + name)};
    if (!shift.isEmpty()) args << QStringLiteral("--shift") << shift;
    QProcess cli;
    cli.start(QStringLiteral(TARVO_PROGRAM_DIR "/tarvo-cli"), args);
    QVERIFY2(cli.waitForFinished(60000), "tarvo-cli did not run");
    QCOMPARE(cli.exitCode(), 0);

    const QStringList written = QDir(dir.filePath(QStringLiteral("window"))).entryList(QDir::Files, QDir::Name);
    QVERIFY(!written.isEmpty());
    QCOMPARE(QDir(dir.filePath(QStringLiteral("cli"))).entryList(QDir::Files, QDir::Name), written);
    for (const QString& file : written) {
      const QByteArray fromWindow = Bytes(dir.filePath(QStringLiteral("window/") + file));
      QVERIFY2(!fromWindow.isEmpty(), qPrintable(file));
      QVERIFY2(fromWindow == Bytes(dir.filePath(QStringLiteral("cli/") + file)), qPrintable(file + " differs"));
    }
  }
};

QTEST_MAIN(TestWindowAndCli)
#include "test_window_and_cli.moc"

#include <QtTest>

#include "core/dataset.h"
#include "shell/main_window.h"
#include "version.h"

class TestMainWindow : public QObject {
  Q_OBJECT

private slots:
  void startsWithVersionAndDateInCaption() {
    tarvo::TDataset dataset;
    tarvo::gui::TMain window(dataset);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QString caption = window.windowTitle();
    QVERIFY(caption.startsWith(QStringLiteral("Tarvo ")));
    QVERIFY(caption.contains(QString::fromLatin1(tarvo::VersionText)));
    QVERIFY(caption.contains(QString::fromLatin1(tarvo::ReleaseDate)));
    QCOMPARE(dataset.DataKind, tarvo::DataKindNone);
  }
};

QTEST_MAIN(TestMainWindow)
#include "test_main_window.moc"

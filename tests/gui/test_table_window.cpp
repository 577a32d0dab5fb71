#include <QtTest>

#include <QAction>
#include <QListWidget>
#include <QSpinBox>
#include <QTabWidget>
#include <QTableView>
#include <QSignalSpy>
#include <QPushButton>
#include <QHeaderView>
#include <QScreen>
#include <QScrollBar>
#include <QTemporaryDir>

#include <memory>
#include <qcustomplot.h>

#include "engine/core/bad_points.h"
#include "engine/core/messenger.h"
#include "engine/core/reciprocals.h"
#include "gui/views/chart_output.h"
#include "gui/views/reciprocal_chart.h"
#include "gui/editing/table_window.h"
#include "engine/export/res2dinv_writer.h"
#include "gui/shell/main_window.h"

using tarvo::TDataset;
using tarvo::gui::BadRole;
using tarvo::gui::TTableForm;

namespace {

QString Example(const char* name) { return QStringLiteral(TARVO_EXAMPLES_DIR "/") + QLatin1String(name); }

void MakePoints(TDataset& ds, float kind, int count) {
  ds.DataKind = kind;
  ds.Points.Resize(count);
  ds.PointCount = count;
  for (int i = 1; i <= count; ++i) {
    tarvo::TDataPoint& p = ds.Points[i];
    p.Rho = 100;
    p.X = static_cast<float>(i);
    p.Spacing = 1;
    p.MN = 1;
    p.V = 10;
    p.I = 100;
    p.Q = kind == tarvo::DataKindSequence ? tarvo::QPlanned : 0;
    p.Dev = 0.5f;
    p.LineNo = 20 + i;
    p.Level = 1;
  }
  ds.LevelCount = 1;
  ds.LevelSpacing[1] = 1;
  ds.LevelMN[1] = 1;
}

QStringList Headers(const QAbstractItemModel& m) {
  QStringList h;
  for (int c = 0; c < m.columnCount(); ++c) h << m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  return h;
}

}  // namespace

class TestTableWindow : public QObject {
  Q_OBJECT

  std::unique_ptr<TDataset> ds_;
  std::unique_ptr<TTableForm> table_;

  TTableForm& NewTable(float kind, int count) {
    table_.reset();
    ds_ = std::make_unique<TDataset>();
    MakePoints(*ds_, kind, count);
    table_ = std::make_unique<TTableForm>(*ds_);
    table_->AfterRead(tarvo::HasVoltageAndCurrent(kind));
    return *table_;
  }

  QVariant Cell(int row, int column, int role = Qt::DisplayRole) {
    auto& m = table_->DataModel();
    return m.data(m.index(row, column), role);
  }

  bool Type(int row, int column, const QString& text) {
    auto& m = table_->DataModel();
    return m.setData(m.index(row, column), text, Qt::EditRole);
  }

private slots:
  void columnsShowTheirHeaderAndValues() {
    // Text data with V and I show the deviation in "q", wider than a quality code.
    NewTable(tarvo::DataKindTextWithVI, 300);
    for (int i = 1; i <= 300; ++i) {
      ds_->Points[i].Dev = 0.01234f * static_cast<float>(i);
      ds_->Points[i].V = -2400.061f;
      ds_->Points[i].Rho = 45.678f;
    }
    ds_->Points[150].Dev = 1234.5f;  // the widest value lies inside the table
    table_->AfterRead(true);
    table_->resize(900, 400);
    table_->show();
    QTableView* grid = table_->StringGrid();
    const QFontMetrics cells(grid->font());
    const QFontMetrics heads(grid->horizontalHeader()->font());
    auto& m = table_->DataModel();
    for (int c = 0; c < m.columnCount(); ++c) {
      const int width = grid->horizontalHeader()->sectionSize(c);
      const QString header = m.headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
      QVERIFY2(heads.horizontalAdvance(header) < width, qPrintable(header));
      for (int r : {0, 149, 299}) {
        const QString text = Cell(r, c).toString();
        QVERIFY2(cells.horizontalAdvance(text) + 4 < width, qPrintable(header + QStringLiteral(": ") + text));
      }
    }
  }

  void aNewFileStartsAtTheTop() {
    NewTable(tarvo::DataKindInstrument, 400);
    table_->resize(600, 300);
    table_->show();
    QTableView* grid = table_->StringGrid();
    grid->scrollToBottom();
    QVERIFY(grid->verticalScrollBar()->value() > 0);
    MakePoints(*ds_, tarvo::DataKindInstrument, 400);
    table_->AfterRead(true);
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
  }

  void reciprocalPairsShowTheirErrorAndTheThresholdRejectsBoth() {
    NewTable(tarvo::DataKindResistivityOnly, 0);
    // Electrodes 0..7 m; points 1 and 3 are each other's reciprocal (5 % apart), point 2 has none.
    for (int e = 1; e <= 8; ++e) ds_->ElectrodePos[e] = static_cast<float>(e - 1);
    ds_->ElectrodePosCount = 8;
    MakePoints(*ds_, tarvo::DataKindResistivityOnly, 3);
    const float quads[3][4] = {{0, 1, 2, 3}, {4, 5, 6, 7}, {2, 3, 0, 1}};
    for (int i = 1; i <= 3; ++i) {
      auto& p = ds_->Points[i];
      p.XA = quads[i - 1][0];
      p.XB = quads[i - 1][1];
      p.XM = quads[i - 1][2];
      p.XN = quads[i - 1][3];
    }
    ds_->Points[3].Rho = 105.12820f;  // |100 - 105.128| / 102.564 = 5 %
    tarvo::PairReciprocals(*ds_);
    table_->AfterRead(false);
    table_->ShowThresholds();
    QVERIFY(!table_->ReciprocalBar()->isHidden());
    QCOMPARE(Headers(table_->DataModel()), (QStringList{"N", "Ps.Z", "X", "MN", "App.Res.", "q", "Rec.err %", "Partner"}));
    QCOMPARE(Cell(0, 6).toString(), QStringLiteral("5"));
    QCOMPARE(Cell(0, 7).toString(), QStringLiteral("3"));
    QCOMPARE(Cell(1, 7).toString(), QString());
    QCOMPARE(table_->MaxReciprocalEdit()->text(), QStringLiteral("0"));

    ds_->Thresholds.ErrorLimit = 99;
    table_->MaxReciprocalEdit()->setText(QStringLiteral("4"));
    emit table_->MaxReciprocalEdit()->textEdited(QStringLiteral("4"));
    QCOMPARE(ds_->BadCount, 2);
    QVERIFY(Cell(0, 4, BadRole).toBool());
    QVERIFY(Cell(2, 4, BadRole).toBool());
    QVERIFY(!Cell(1, 4, BadRole).toBool());
    table_->MaxReciprocalEdit()->setText(QStringLiteral("-1"));  // not a limit: kept as it was
    emit table_->MaxReciprocalEdit()->textEdited(QStringLiteral("-1"));
    QCOMPARE(ds_->Thresholds.MaxReciprocalError, 4.0f);

    auto* form = table_->ReciprocalForm();
    form->resize(600, 300);
    form->Refill();
    QVERIFY(form->ModelText().startsWith(QStringLiteral("1 pairs")));
    QCOMPARE(form->PairChart()->graph(0)->dataCount(), 1);
    QTemporaryDir dir;
    const QString svg = dir.filePath(QStringLiteral("pairs.svg"));
    QVERIFY(tarvo::gui::SaveChartFile(*form->PairChart(), svg));
    QFile file(svg);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QVERIFY(file.readAll().contains("<svg"));
    QVERIFY(tarvo::gui::SaveChartFile(*form->HistogramChart(), dir.filePath(QStringLiteral("e.png"))));
    QVERIFY(!QImage(dir.filePath(QStringLiteral("e.png"))).isNull());

    // One pair gives no fit: only averaging is offered. It keeps the mean
    // in the first reading, deletes the second and tells the main window.
    QVERIFY(!form->findChild<QPushButton*>(QStringLiteral("PowerLawErrorsButton"))->isEnabled());
    auto* average = form->findChild<QPushButton*>(QStringLiteral("AveragePairsButton"));
    QVERIFY(average->isEnabled());
    table_->MaxReciprocalEdit()->setText(QStringLiteral("0"));
    emit table_->MaxReciprocalEdit()->textEdited(QStringLiteral("0"));
    QSignalSpy edited(form, &tarvo::gui::TReciprocalForm::DataEdited);
    average->click();
    QCOMPARE(edited.count(), 1);
    QCOMPARE(ds_->Points[1].Rho, static_cast<float>((100.0 + 105.12820) / 2));
    QVERIFY(ds_->HasErrors);
    QVERIFY(Cell(2, 4, BadRole).toBool());
    QCOMPARE(ds_->BadCount, 1);
  }

  void sequenceShowsKAndIsBadOnlyWhenMarked() {
    NewTable(tarvo::DataKindSequence, 2);
    tarvo::ToggleDeletedMark(ds_->Points[2]);
    QCOMPARE(Headers(table_->DataModel()), (QStringList{"N", "Ps.Z", "X", "MN", "K arr."}));
    QCOMPARE(Cell(0, 1, BadRole).toBool(), false);
    QCOMPARE(Cell(1, 1, BadRole).toBool(), true);
    QCOMPARE(Cell(1, 0, BadRole).toBool(), false);  // the row number is never framed
    Type(0, 4, QStringLiteral("7"));
    QCOMPARE(Cell(0, 4).toString(), QStringLiteral("100"));  // K cannot be changed
  }

  void headerOnlyDataAreNeverBad() {
    NewTable(tarvo::DataKindHeaderOnly, 1);
    ds_->Points[1].Q = 90;
    ds_->Points[1].Rho = 0;
    table_->ErrE()->setValue(0);
    QCOMPARE(Cell(0, 1, BadRole).toBool(), false);
  }

  void errorLimitDecidesBadPoints() {
    NewTable(tarvo::DataKindInstrument, 3);
    ds_->Points[2].Q = 1;
    tarvo::ToggleDeletedMark(ds_->Points[3]);
    table_->ErrE()->setValue(0);
    QCOMPARE(ds_->BadCount, 2);
    QVERIFY(Cell(1, 2, BadRole).toBool());
    table_->ErrE()->setValue(99);
    QCOMPARE(ds_->BadCount, 1);
    QVERIFY(Cell(2, 2, BadRole).toBool());  // the marked point
    QCOMPARE(table_->ErrE()->singleStep(), 10);
    QVERIFY(!table_->FirstThresholdBar()->isHidden());
  }

  // On screen the red frames follow a threshold change, though only the
  // rows whose frames change are painted again: rows in view at once, rows
  // scrolled into view later when they come.
  void shownFramesFollowTheThreshold() {
    NewTable(tarvo::DataKindInstrument, 400);
    for (int i : {2, 5, 350}) ds_->Points[i].Q = 5;
    table_->ErrE()->setValue(9);
    table_->PageControl()->setCurrentIndex(0);
    table_->resize(700, 400);
    table_->show();
    QVERIFY(QTest::qWaitForWindowExposed(table_.get()));
    QTableView* grid = table_->StringGrid();
    // The pixel of the frame's left edge in the cell of the point's row, as
    // the window's backing store holds it after the pending paints.
    const auto framed = [&](int point) {
      QCoreApplication::sendPostedEvents();
      QCoreApplication::processEvents();
      const QRect cell = grid->visualRect(table_->DataModel().index(table_->DataModel().RowOfPoint(point), 2));
      const QPoint at = grid->viewport()->mapTo(table_.get(), QPoint(cell.left() + 1, cell.center().y()));
      const QImage shown = table_->screen()->grabWindow(table_->winId()).toImage();
      return shown.pixelColor(at) == QColor(Qt::red);
    };
    QVERIFY(!framed(2));
    QVERIFY(!framed(3));
    table_->ErrE()->setValue(1);
    QVERIFY(framed(2));
    QVERIFY(framed(5));
    QVERIFY(!framed(3));
    grid->scrollTo(table_->DataModel().index(table_->DataModel().RowOfPoint(350), 2));
    QVERIFY(framed(350));
    QVERIFY(!framed(351));
    table_->ErrE()->setValue(9);
    QVERIFY(!framed(350));
    grid->scrollToTop();
    QVERIFY(!framed(2));
    // A deleted point is framed at once, whatever the threshold.
    tarvo::ToggleDeletedMark(ds_->Points[3]);
    tarvo::CountBadPoints(*ds_);
    QVERIFY(framed(3));
  }

  void appResTakesOnlyPositiveNumbers() {
    NewTable(tarvo::DataKindResistivityOnly, 2);
    ds_->Points[2].Rho = 0;
    table_->FormShow();
    QCOMPARE(Cell(1, 4).toString(), QStringLiteral("-"));
    for (const char* text : {"abc", "-5"}) {
      Type(0, 4, QString::fromLatin1(text));
      QCOMPARE(Cell(0, 4).toString(), QString::fromLatin1(text));
      QCOMPARE(ds_->Points[1].Rho, 100.0f);
    }
    Type(0, 4, QStringLiteral("12.5"));
    QCOMPARE(ds_->Points[1].Rho, 12.5f);
    QCOMPARE(Cell(0, 4).toString(), QStringLiteral("12.5"));
    QVERIFY(table_->FirstThresholdBar()->isHidden());
  }

  void qTakesTheLowEightBits() {
    NewTable(tarvo::DataKindInstrument, 1);
    Type(0, 5, QStringLiteral("300"));
    QCOMPARE(int(ds_->Points[1].Q), 44);
    QCOMPARE(Cell(0, 5).toString(), QStringLiteral("44"));
    QVERIFY(Cell(0, 1, BadRole).toBool());
    Type(0, 2, QStringLiteral("55"));  // X cannot be changed
    QCOMPARE(Cell(0, 2).toString(), QStringLiteral("1"));
  }

  void textWithVoltageAndCurrentShowsDeviation() {
    NewTable(tarvo::DataKindTextWithVI, 1);
    QCOMPARE(Headers(table_->DataModel()), (QStringList{"N", "Ps.Z", "X", "MN", "App.Res.", "q", "V", "I", "Ndata"}));
    QCOMPARE(Cell(0, 5).toString(), QStringLiteral("0.5"));
    QCOMPARE(Cell(0, 8).toString(), QStringLiteral("21"));
    ds_->Points[1].Q = 50;  // the test asks Q, whatever the column shows
    QVERIFY(Cell(0, 5, BadRole).toBool());
  }

  void rowNumbersRestartInTheSelectedSet() {
    NewTable(tarvo::DataKindResistivityOnly, 6);
    QVERIFY(tarvo::AddSet(*ds_, 1, 2, 3));
    QVERIFY(tarvo::AddSet(*ds_, 3, 6, 3));
    ds_->SetCount = 2;
    ds_->SelectedSetEntry = 1;
    table_->FormShow();
    QCOMPARE(table_->DataModel().rowCount(), 4);
    QCOMPARE(Cell(0, 0).toString(), QStringLiteral("1"));
    QCOMPARE(Cell(0, 2).toString(), QStringLiteral("3"));
    table_->SelectDataRow(5);
    QCOMPARE(table_->StringGrid()->currentIndex().row(), 2);
    QCOMPARE(table_->PageControl()->currentIndex(), 0);
  }

  void uncheckingASpacingMarksItsPointsAndCheckingRestores() {
    NewTable(tarvo::DataKindInstrument, 2);
    QListWidget* list = table_->CheckListBoxSp();
    QCOMPARE(list->count(), 1);
    QCOMPARE(list->item(0)->text(), QStringLiteral("1-1"));
    list->item(0)->setCheckState(Qt::Unchecked);
    QCOMPARE(int(ds_->Points[1].Q), 253);
    QCOMPARE(ds_->BadCount, 2);
    QVERIFY(Cell(0, 3, BadRole).toBool());
    list->item(0)->setCheckState(Qt::Checked);
    QCOMPARE(int(ds_->Points[1].Q), 0);
    QCOMPARE(ds_->BadCount, 0);
  }

  void typedAltitudeReachesTheChartAndTheWriter() {
    NewTable(tarvo::DataKindInstrument, 1);
    ds_->ElectrodePosCount = 3;
    for (int e = 1; e <= 3; ++e) ds_->ElectrodePos[e] = static_cast<float>(2 * (e - 1));
    ds_->ElectrodeXZ[1] = {0, 100};
    ds_->ElectrodeXZ[2] = {4, 104};
    ds_->ElectrodeXZCount = 2;
    table_->FillElectrodeGrid();
    auto& m = table_->ElectrodeModel();
    QCOMPARE(Headers(m), (QStringList{"  N", "  X", " Alt"}));
    QCOMPARE(m.data(m.index(1, 2), Qt::DisplayRole).toString(), QStringLiteral("102"));
    m.editing = true;
    QVERIFY(m.setData(m.index(1, 2), QStringLiteral("97.5"), Qt::EditRole));
    QVERIFY(!m.setData(m.index(1, 1), QStringLiteral("9"), Qt::EditRole));
    QCOMPARE(m.data(m.index(1, 1), Qt::DisplayRole).toString(), QStringLiteral("2"));
    const auto graph = table_->Chart1()->graph(0)->data();
    QCOMPARE(graph->size(), 3);
    QCOMPARE(graph->at(1)->value, 97.5);
    QCOMPARE(tarvo::ElectrodeAltitudeText(*ds_, 2), std::string("97.5"));
    table_->FillElectrodeGrid();  // filled again from the dataset
    QCOMPARE(tarvo::ElectrodeAltitudeText(*ds_, 2), std::string("102"));
  }

  void mainWindowShowsAndPlacesTheTable() {
    QTemporaryDir settings;
    TDataset ds;
    tarvo::RecordingMessenger messages;
    tarvo::gui::TMain main(ds, {QCoreApplication::applicationDirPath(), settings.path()});
    main.SetMessenger(&messages);
    TTableForm table(ds);
    tarvo::gui::AttachTableWindow(main, table);
    QAction* command = main.Command(QStringLiteral("aTable"));
    QVERIFY(!table.isVisible());
    main.setGeometry(10, 40, 400, 300);
    main.show();
    main.OpenFiles({Example("wenner32.001")});
    QVERIFY(ds.PointCount > 0);
    QVERIFY(table.isVisible());
    QVERIFY(command->isChecked());
    QCOMPARE(table.geometry().left(), main.frameGeometry().left() + main.frameGeometry().width());
    QCOMPARE(table.DataModel().rowCount(), ds.PointCount);
    QVERIFY(table.ElectrodeModel().rowCount() > 0);
    table.close();
    QVERIFY(!command->isChecked());
    command->trigger();
    QVERIFY(table.isVisible());
  }
};

QTEST_MAIN(TestTableWindow)
#include "test_table_window.moc"

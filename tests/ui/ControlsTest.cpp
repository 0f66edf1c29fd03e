// The control classes and the dialog service on their own.

#include "ui/Controls.h"
#include "UiTestSupport.h"
#include "ui/Dialogs.h"

#include <QSignalSpy>
#include <QtTest>

using quillet::test::RecordingDialogs;

class ControlsTest : public QObject {
    Q_OBJECT
  private slots:
    void trackBarRefusesMaximumBelowMinimum();
    void trackBarRefusesMinimumAboveMaximum();
    void trackBarChangeFiresOnlyWhenPositionMoves();
    void trackBarChangeFiresWhenNewRangePullsPosition();
    void pickerChangeIgnoresCode();
    void pickerChangeFiresOnUserEdit();
    void pickerKeepsTimeOfDay();
    void pickerColour();
    void gridCellsAndHeading();
    void gridBatchTellsViewOnce();
    void errorTextGetsFullStop_data();
    void errorTextGetsFullStop();
    void errorBoxGoesThroughService();
    void openDialogGoesThroughService();
};

void ControlsTest::trackBarRefusesMaximumBelowMinimum()
{
    TTrackBar bar;
    bar.setMaximum(535);
    bar.setMinimum(1);
    bar.setMaximum(0); // below the minimum: ignored
    QCOMPARE(bar.minimum(), 1);
    QCOMPARE(bar.maximum(), 535);
    bar.setRange(10, 5);
    QCOMPARE(bar.minimum(), 1);
    QCOMPARE(bar.maximum(), 535);
}

void ControlsTest::trackBarRefusesMinimumAboveMaximum()
{
    TTrackBar bar;
    bar.setMaximum(150);
    bar.setMinimum(85);
    bar.setMinimum(200);
    QCOMPARE(bar.minimum(), 85);
    QCOMPARE(bar.maximum(), 150);
}

void ControlsTest::trackBarChangeFiresOnlyWhenPositionMoves()
{
    TTrackBar bar;
    bar.setMaximum(100);
    bar.setValue(40);
    QSignalSpy spy(&bar, &QAbstractSlider::valueChanged);
    bar.setValue(40);
    QCOMPARE(spy.count(), 0);
    bar.setValue(41);
    QCOMPARE(spy.count(), 1);
    bar.setValue(500); // held at the maximum
    QCOMPARE(spy.count(), 2);
    QCOMPARE(bar.value(), 100);
}

void ControlsTest::trackBarChangeFiresWhenNewRangePullsPosition()
{
    TTrackBar bar;
    bar.setMaximum(500);
    bar.setMinimum(50);
    bar.setValue(300);
    QSignalSpy spy(&bar, &QAbstractSlider::valueChanged);
    bar.setMaximum(150);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(bar.value(), 150);
    bar.setValue(60);
    bar.setMinimum(85);
    QCOMPARE(spy.count(), 3);
    QCOMPARE(bar.value(), 85);
}

void ControlsTest::pickerChangeIgnoresCode()
{
    TDateTimePicker picker;
    QSignalSpy spy(&picker, &TDateTimePicker::Change);
    picker.SetDatePart(QDate(2005, 1, 9));
    picker.SetDateTimeValue(QDateTime(QDate(2010, 5, 1), QTime(12, 0), Qt::UTC));
    QCOMPARE(spy.count(), 0);
    QCOMPARE(picker.date(), QDate(2010, 5, 1));
}

void ControlsTest::pickerChangeFiresOnUserEdit()
{
    TDateTimePicker picker;
    picker.SetDatePart(QDate(2005, 1, 9));
    picker.show();
    picker.setFocus();
    picker.setCurrentSection(QDateTimeEdit::DaySection);
    QSignalSpy spy(&picker, &TDateTimePicker::Change);
    QTest::keyClick(&picker, Qt::Key_Up);
    QCOMPARE(spy.count(), 1);
    QCOMPARE(picker.date(), QDate(2005, 1, 10));
}

void ControlsTest::pickerKeepsTimeOfDay()
{
    TDateTimePicker picker;
    picker.SetDateTimeValue(QDateTime(QDate(2001, 2, 3), QTime(14, 30), Qt::UTC));
    picker.SetDatePart(QDate(2005, 1, 9));
    QCOMPARE(picker.dateTime(), QDateTime(QDate(2005, 1, 9), QTime(14, 30), Qt::UTC));
}

void ControlsTest::pickerColour()
{
    TDateTimePicker picker;
    picker.SetColor(QColor(255, 0, 0));
    QCOMPARE(picker.Color(), QColor(255, 0, 0));
    picker.SetColor(Qt::white);
    QCOMPARE(picker.Color(), QColor(Qt::white));
}

void ControlsTest::gridCellsAndHeading()
{
    TStringGrid grid;
    QCOMPARE(grid.columnCount(), 6);
    QCOMPARE(grid.rowCount(), 2);
    QCOMPARE(grid.columnWidth(3), 64);
    grid.SetCell(2, 0, QStringLiteral("Открытие"));
    grid.SetCell(5, 1, QStringLiteral("1,3060"));
    QCOMPARE(grid.Cell(2, 0), QStringLiteral("Открытие"));
    // Row 0 is shown as the column header, not as a row of cells.
    QCOMPARE(grid.model()->headerData(2, Qt::Horizontal).toString(), QStringLiteral("Открытие"));
    QVERIFY(grid.isRowHidden(0));
    QCOMPARE(grid.Cell(5, 1), QStringLiteral("1,3060"));
    QCOMPARE(grid.Cell(0, 1), QString());
    QVERIFY(!(grid.model()->flags(grid.model()->index(0, 2)) & Qt::ItemIsSelectable));
    QVERIFY(grid.model()->flags(grid.model()->index(1, 2)) & Qt::ItemIsSelectable);
    QCOMPARE(grid.editTriggers(), QAbstractItemView::EditTriggers(QAbstractItemView::NoEditTriggers));
    grid.SetRowCount(5);
    QCOMPARE(grid.rowCount(), 5);
}

void ControlsTest::gridBatchTellsViewOnce()
{
    TStringGrid grid;
    QAbstractItemModel* model = grid.model();
    QSignalSpy inserted(model, &QAbstractItemModel::rowsInserted);
    QSignalSpy removed(model, &QAbstractItemModel::rowsRemoved);

    // A file read row by row: the view hears of the 1000 new rows once.
    grid.BeginUpdate();
    for (int row = 1; row <= 1000; ++row) {
        grid.SetRow(row, {"2005.01.09", "00:00", "1,3050", "1,3080", "1,3040", std::to_string(row)});
        grid.SetRowCount(row + 2);
    }
    grid.SetRowCount(1001);
    grid.EndUpdate();
    QCOMPARE(inserted.count(), 1);
    QCOMPARE(model->rowCount(), 1001);
    QCOMPARE(model->data(model->index(1000, 5)).toString(), QStringLiteral("1000"));
    QCOMPARE(grid.Quotes().RowCount(), std::size_t{1000});
    QCOMPARE(grid.Quotes().Cell(7, 5), std::string_view("7"));

    // Cut back to the heading row and one data row within one batch.
    grid.BeginUpdate();
    grid.SetRowCount(2);
    grid.EndUpdate();
    QCOMPARE(removed.count(), 1);
    QCOMPARE(model->rowCount(), 2);
    QCOMPARE(grid.Cell(5, 1), QStringLiteral("1")); // the kept row keeps its cells
    QCOMPARE(grid.Quotes().RowCount(), std::size_t{1});
}

void ControlsTest::errorTextGetsFullStop_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::newRow("letter") << "File not found"
                            << "File not found.";
    QTest::newRow("digit") << "Error 5"
                           << "Error 5.";
    QTest::newRow("cyrillic") << QStringLiteral("Ошибка") << QStringLiteral("Ошибка.");
    QTest::newRow("full stop") << "Done."
                               << "Done.";
    QTest::newRow("quote") << "'x' is not a valid date'"
                           << "'x' is not a valid date'";
    QTest::newRow("exclamation") << "Stop!"
                                 << "Stop!";
    QTest::newRow("empty") << ""
                           << "";
}

void ControlsTest::errorTextGetsFullStop()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QCOMPARE(quillet::ui::ErrorBoxText(text), shown);
}

void ControlsTest::errorBoxGoesThroughService()
{
    RecordingDialogs dialogs;
    quillet::ui::ShowError(nullptr, QStringLiteral("Read beyond end of file"));
    quillet::ui::ShowInfo(nullptr, QStringLiteral("Готово"));
    QCOMPARE(dialogs.messages.size(), 2);
    QCOMPARE(dialogs.messages[0].Kind, quillet::ui::MessageKind::Error);
    QCOMPARE(dialogs.messages[0].Title, QStringLiteral("Quillet_tester"));
    QCOMPARE(dialogs.messages[0].Text, QStringLiteral("Read beyond end of file."));
    QCOMPARE(dialogs.messages[1].Kind, quillet::ui::MessageKind::Information);
    QCOMPARE(dialogs.messages[1].Text, QStringLiteral("Готово"));
}

void ControlsTest::openDialogGoesThroughService()
{
    RecordingDialogs dialogs;
    QObject owner;
    quillet::ui::TOpenDialog dialog(QStringLiteral("Базы тестера|*.base"), &owner);
    QVERIFY(!dialog.Execute(nullptr));
    dialogs.fileNames << QStringLiteral("/data/EURUSD.base");
    QVERIFY(dialog.Execute(nullptr));
    QCOMPARE(dialog.FileName(), QStringLiteral("/data/EURUSD.base"));
    QCOMPARE(dialogs.filters.value(1), QStringLiteral("Базы тестера|*.base"));
}

QUILLET_WINDOW_TEST(ControlsTest);
#include "ControlsTest.moc"

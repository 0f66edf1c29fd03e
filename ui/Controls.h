#pragma once
// The few controls whose Qt behaviour differs from what the window's
// handlers rely on: a track bar that keeps a valid range, a date picker that
// tells user edits from code and can be coloured, and a string grid whose
// heading row is row 0 of its cells.

#include <QColor>
#include <QDate>
#include <QDateTimeEdit>
#include <QSlider>
#include <QTableWidget>

/// A horizontal track bar. Its valueChanged fires whenever the position
/// changes, also when code sets it or a new minimum or maximum pulls it into
/// range, and never when code sets the position it already has (QSlider's
/// own rule). Unlike QSlider it refuses a maximum below its minimum and a
/// minimum above its maximum: the range stays as it was.
class TTrackBar : public QSlider {
    Q_OBJECT
  public:
    explicit TTrackBar(QWidget* parent = nullptr);

    void setMinimum(int min);
    void setMaximum(int max);
    void setRange(int min, int max);
};

/// A date picker. Change fires only when the user edits the date, never when
/// code sets it. The background colour can be set, as a display of validity.
class TDateTimePicker : public QDateTimeEdit {
    Q_OBJECT
  public:
    explicit TDateTimePicker(QWidget* parent = nullptr);

    /// Replaces the date and keeps the time of day; raises no Change.
    void SetDatePart(const QDate& date);
    /// Sets date and time; raises no Change.
    void SetDateTimeValue(const QDateTime& value);

    void SetColor(const QColor& color);
    QColor Color() const;

  signals:
    /// The user edited the date or time.
    void Change();

  private:
    bool settingByCode_ = false;
};

/// A grid of text cells addressed as (column, row). Row 0 is the heading
/// row: it is drawn like a header and cannot be selected. No cell can be
/// edited by the user.
class TStringGrid : public QTableWidget {
    Q_OBJECT
  public:
    explicit TStringGrid(QWidget* parent = nullptr);

    QString Cell(int col, int row) const;
    void SetCell(int col, int row, const QString& text);
    /// Sets the number of rows, heading included; new rows are empty.
    void SetRowCount(int rows);
};

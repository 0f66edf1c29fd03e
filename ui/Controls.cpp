#include "ui/Controls.h"

#include <QHeaderView>
#include <QPalette>

TTrackBar::TTrackBar(QWidget* parent) : QSlider(Qt::Horizontal, parent)
{
    setTickPosition(QSlider::TicksBelow);
}

void TTrackBar::setMinimum(int min)
{
    if (min > maximum())
        return;
    QSlider::setMinimum(min);
}

void TTrackBar::setMaximum(int max)
{
    if (max < minimum())
        return;
    QSlider::setMaximum(max);
}

void TTrackBar::setRange(int min, int max)
{
    if (max < min)
        return;
    QSlider::setRange(min, max);
}

TDateTimePicker::TDateTimePicker(QWidget* parent) : QDateTimeEdit(parent)
{
    // UTC has no daylight-saving gaps, so every calendar day has a midnight.
    setTimeSpec(Qt::UTC);
    setMinimumDate(QDate(1, 1, 1));
    setMaximumDate(QDate(9999, 12, 31));
    setDisplayFormat(QStringLiteral("dd.MM.yyyy"));
    setCalendarPopup(true);
    setAutoFillBackground(true);
    connect(this, &QDateTimeEdit::dateTimeChanged, this, [this] {
        if (!settingByCode_)
            emit Change();
    });
}

void TDateTimePicker::SetDatePart(const QDate& date)
{
    SetDateTimeValue(QDateTime(date, time(), Qt::UTC));
}

void TDateTimePicker::SetDateTimeValue(const QDateTime& value)
{
    settingByCode_ = true;
    setDateTime(value);
    settingByCode_ = false;
}

void TDateTimePicker::SetColor(const QColor& color)
{
    QPalette p = palette();
    p.setColor(QPalette::Base, color);
    p.setColor(QPalette::Window, color);
    setPalette(p);
}

QColor TDateTimePicker::Color() const
{
    return palette().color(QPalette::Active, QPalette::Base);
}

TStringGrid::TStringGrid(QWidget* parent) : QTableWidget(parent)
{
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setDefaultSectionSize(64);
    verticalHeader()->setDefaultSectionSize(20);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setColumnCount(6);
    SetRowCount(2);
}

QString TStringGrid::Cell(int col, int row) const
{
    const QTableWidgetItem* it = item(row, col);
    return it ? it->text() : QString();
}

void TStringGrid::SetCell(int col, int row, const QString& text)
{
    QTableWidgetItem* it = item(row, col);
    if (!it) {
        it = new QTableWidgetItem;
        if (row == 0) {
            // The heading row looks like a header and cannot be selected.
            it->setFlags(Qt::ItemIsEnabled);
            it->setBackground(palette().color(QPalette::Button));
        }
        setItem(row, col, it);
    }
    it->setText(text);
    if (row == 0) {
        // A column is never narrower than its heading.
        const int needed = fontMetrics().horizontalAdvance(text) + 10;
        if (columnWidth(col) < needed)
            setColumnWidth(col, needed);
    }
}

void TStringGrid::SetRowCount(int rows)
{
    setRowCount(rows);
}

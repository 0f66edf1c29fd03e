#include "ui/Controls.h"

#include <QHeaderView>
#include <QPalette>

#include <algorithm>

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

TStringGridModel::TStringGridModel(QObject* parent) : QAbstractTableModel(parent), rows_(2), shownRows_(2) {}

int TStringGridModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : shownRows_;
}

int TStringGridModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : quillet::kQuoteColumns;
}

QVariant TStringGridModel::data(const QModelIndex& index, int role) const
{
    const int row = index.row();
    if (!index.isValid() || row >= Rows())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return QString::fromStdString(rows_[row][index.column()]);
    case Qt::BackgroundRole:
        if (row == 0 && headingColor_.isValid())
            return headingColor_;
        return {};
    default:
        return {};
    }
}

Qt::ItemFlags TStringGridModel::flags(const QModelIndex& index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    // The heading row looks like a header and cannot be selected.
    if (index.row() == 0)
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
}

void TStringGridModel::SetText(int col, int row, std::string text)
{
    rows_[row][col] = std::move(text);
    if (!updating_ && row < shownRows_) {
        const QModelIndex at = index(row, col);
        emit dataChanged(at, at);
    }
}

void TStringGridModel::SetRow(int row, quillet::QuoteCells cells)
{
    rows_[row] = std::move(cells);
    if (!updating_ && row < shownRows_)
        emit dataChanged(index(row, 0), index(row, quillet::kQuoteColumns - 1));
}

void TStringGridModel::Resize(int rows)
{
    rows = std::max(rows, 1);
    if (updating_) {
        rows_.resize(static_cast<std::size_t>(rows));
        return;
    }
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        rows_.resize(static_cast<std::size_t>(rows));
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        beginRemoveRows(QModelIndex(), rows, shownRows_ - 1);
        rows_.resize(static_cast<std::size_t>(rows));
        shownRows_ = rows;
        endRemoveRows();
    }
}

void TStringGridModel::BeginUpdate()
{
    ++updating_;
}

void TStringGridModel::EndUpdate()
{
    if (updating_ == 0 || --updating_ > 0)
        return;
    // The view learns the new row count in one step, then repaints every cell.
    const int rows = Rows();
    if (rows > shownRows_) {
        beginInsertRows(QModelIndex(), shownRows_, rows - 1);
        shownRows_ = rows;
        endInsertRows();
    } else if (rows < shownRows_) {
        beginRemoveRows(QModelIndex(), rows, shownRows_ - 1);
        shownRows_ = rows;
        endRemoveRows();
    }
    emit dataChanged(index(0, 0), index(shownRows_ - 1, quillet::kQuoteColumns - 1));
}

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent), model_(new TStringGridModel(this))
{
    model_->SetHeadingColor(palette().color(QPalette::Button));
    setModel(model_);
    horizontalHeader()->hide();
    verticalHeader()->hide();
    horizontalHeader()->setDefaultSectionSize(64);
    verticalHeader()->setDefaultSectionSize(20);
    // Every row has the default height, so the view never measures rows.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    setWordWrap(false);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
}

QString TStringGrid::Cell(int col, int row) const
{
    if (row < 0 || row >= model_->Rows() || col < 0 || col >= quillet::kQuoteColumns)
        return {};
    return QString::fromStdString(model_->Text(col, row));
}

void TStringGrid::SetCell(int col, int row, const QString& text)
{
    if (row < 0 || row >= model_->Rows() || col < 0 || col >= quillet::kQuoteColumns)
        return;
    model_->SetText(col, row, text.toStdString());
    if (row == 0) {
        // A column is never narrower than its heading.
        const int needed = fontMetrics().horizontalAdvance(text) + 10;
        if (columnWidth(col) < needed)
            setColumnWidth(col, needed);
    }
}

void TStringGrid::SetRowCount(int rows)
{
    model_->Resize(rows);
}

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
    if (role != Qt::DisplayRole)
        return {};
    return QString::fromStdString(rows_[row][index.column()]);
}

QVariant TStringGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= quillet::kQuoteColumns)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromStdString(rows_[0][section]);
}

void TStringGridModel::HeadingChanged(int firstCol, int lastCol)
{
    if (!updating_)
        emit headerDataChanged(Qt::Horizontal, firstCol, lastCol);
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
    if (row == 0)
        HeadingChanged(col, col);
}

void TStringGridModel::SetRow(int row, quillet::QuoteCells cells)
{
    rows_[row] = std::move(cells);
    if (!updating_ && row < shownRows_)
        emit dataChanged(index(row, 0), index(row, quillet::kQuoteColumns - 1));
    if (row == 0)
        HeadingChanged(0, quillet::kQuoteColumns - 1);
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
    HeadingChanged(0, quillet::kQuoteColumns - 1);
}

TStringGrid::TStringGrid(QWidget* parent) : QTableView(parent), model_(new TStringGridModel(this))
{
    setModel(model_);
    // Row 0 is drawn by the column header instead of as a cell, so the
    // heading stays in view however far the rows scroll; the cells keep
    // their numbering, the heading being row 0 and data from row 1.
    setRowHidden(0, true);
    QHeaderView* heading = horizontalHeader();
    heading->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    heading->setSectionsClickable(false);
    heading->setHighlightSections(false);
    heading->setSectionResizeMode(QHeaderView::Fixed);
    heading->setFixedHeight(20);
    verticalHeader()->hide();
    heading->setDefaultSectionSize(64);
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

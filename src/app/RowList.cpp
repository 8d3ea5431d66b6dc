#include "RowList.h"

#include "app/Formats.h"

#include <QFont>

namespace app {

void RowList::setValue(std::size_t row, std::string_view field, db::Value v) {
    const int i = result_.indexOf(field);
    result_.at(row, field); // raises for an unknown field
    result_.rows.at(row).at(static_cast<std::size_t>(i)) = std::move(v);
}

RowListModel::RowListModel(const RowList& list, std::vector<ColumnDef> columns, QObject* parent)
    : QAbstractTableModel(parent), list_(list), columns_(std::move(columns)) {}

void RowListModel::rowChanged(int row) {
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}

int RowListModel::columnOf(const QString& field) const {
    for (std::size_t i = 0; i < columns_.size(); ++i)
        if (columns_[i].field.compare(field, Qt::CaseInsensitive) == 0)
            return static_cast<int>(i);
    return -1;
}

int RowListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(list_.size());
}

int RowListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant RowListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    const auto row = static_cast<std::size_t>(index.row());
    const ColumnDef& col = columns_[static_cast<std::size_t>(index.column())];
    switch (role) {
    case Qt::DisplayRole: {
        if (displayText)
            if (auto text = displayText(row, col.field))
                return *text;
        if (list_.indexOf(col.field.toStdString()) < 0)
            return {};
        const db::Value& v = list_.value(row, col.field.toStdString());
        if (v.isTimestamp())
            return QString::fromStdString(formatGridDate(v));
        return QString::fromStdString(v.toText());
    }
    case Qt::ToolTipRole:
        return tooltips ? data(index, Qt::DisplayRole) : QVariant();
    case Qt::TextAlignmentRole:
        return QVariant::fromValue(col.alignment | Qt::AlignVCenter);
    case Qt::BackgroundRole:
        if (rowBackground)
            if (auto color = rowBackground(row))
                return *color;
        return {};
    default:
        return {};
    }
}

QVariant RowListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount())
        return QAbstractTableModel::headerData(section, orientation, role);
    const ColumnDef& col = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole)
        return col.title;
    if (role == Qt::FontRole) {
        QFont bold;
        bold.setBold(true);
        return bold;
    }
    return {};
}

} // namespace app

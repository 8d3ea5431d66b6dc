#pragma once

#include "db/Connection.h"

#include <QAbstractTableModel>
#include <QColor>
#include <QString>

#include <functional>
#include <optional>
#include <vector>

namespace app {

// An in-memory result list (the windows' cds...): the rows of one statement,
// held whole, editable in memory only. Writes to the database never go
// through it.
class RowList {
public:
    void load(db::Result result) { result_ = std::move(result); }
    void clear() { result_.rows.clear(); }

    std::size_t size() const { return result_.rows.size(); }
    bool empty() const { return result_.rows.empty(); }
    int indexOf(std::string_view field) const { return result_.indexOf(field); }
    const db::Value& value(std::size_t row, std::string_view field) const {
        return result_.at(row, field);
    }
    std::string text(std::size_t row, std::string_view field) const {
        return value(row, field).toText();
    }
    void setValue(std::size_t row, std::string_view field, db::Value v);
    const db::Result& result() const { return result_; }

private:
    db::Result result_;
};

// How a grid shows one field of a list.
struct ColumnDef {
    QString field;
    QString title;
    int width = -1; // -1: the toolkit's width for the field
    Qt::Alignment alignment = Qt::AlignLeft;
    bool visible = true;
};

// A read-only table model over a RowList: dates by the grid date rule, text
// as it is, an optional per-row background and per-cell display override.
class RowListModel : public QAbstractTableModel {
public:
    RowListModel(const RowList& list, std::vector<ColumnDef> columns, QObject* parent = nullptr);

    // Call around every change of the list.
    void beginReset() { beginResetModel(); }
    void endReset() { endResetModel(); }
    void rowChanged(int row);

    const std::vector<ColumnDef>& columns() const { return columns_; }
    int columnOf(const QString& field) const;

    std::function<std::optional<QColor>(std::size_t row)> rowBackground;
    std::function<std::optional<QString>(std::size_t row, const QString& field)> displayText;
    bool tooltips = false; // a cell's tooltip shows its whole text

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    const RowList& list_;
    std::vector<ColumnDef> columns_;
};

} // namespace app

#pragma once

#include "app/RowList.h"
#include "integrity/IntegrityCheck.h"

#include <QDialog>

class QPushButton;
class QTableView;

namespace integrity {

// Lists the divergences a check found: table and problem, whole (a cell
// clips what does not fit; its tooltip shows all of it).
class TFListaDivergencias : public QDialog {
public:
    TFListaDivergencias(const std::vector<Divergence>& divergences, QWidget* parent = nullptr);

    const app::RowList& cdsErrosIntegridade() const { return list_; }
    QTableView* DBGrid1 = nullptr;
    QPushButton* BtSair = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    app::RowList list_;
};

} // namespace integrity

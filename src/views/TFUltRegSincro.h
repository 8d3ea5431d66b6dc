#pragma once

#include "app/RowList.h"
#include "db/Connection.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTabWidget;
class QTableView;

namespace views {

// The last received, last sent and next pending records of one branch, each
// queued record with its primary key spelled out.
class TFUltRegSincro : public QDialog {
public:
    explicit TFUltRegSincro(db::Connection& connection, QWidget* parent = nullptr);

    QString CodigoFilial;

    void AbrirProximosRegistros();
    void btTodosClick();

    const app::RowList& cdsRegReceb() const { return receb_; }
    const app::RowList& cdsRegEnviado() const { return enviado_; }
    const app::RowList& cdsPrxReg() const { return prx_; }
    const std::string& sqlPrxReg() const { return sqlPrxReg_; }

    QLabel* lblNomeEmpresa = nullptr;
    QTabWidget* abas = nullptr;
    QTableView* GridReceb = nullptr;
    QTableView* GridEnv = nullptr;
    QTableView* GridPrx = nullptr;
    QPushButton* btTodos = nullptr;
    QPushButton* btFechar = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    QTableView* makeGrid(app::RowList& list, app::RowListModel*& model, int keyWidth);
    void reload(app::RowList& list, app::RowListModel* model, db::Result result);

    db::Connection& connection_;
    std::string sqlPrxReg_;
    app::RowList receb_, enviado_, prx_;
    app::RowListModel* recebModel_ = nullptr;
    app::RowListModel* enviadoModel_ = nullptr;
    app::RowListModel* prxModel_ = nullptr;
};

} // namespace views

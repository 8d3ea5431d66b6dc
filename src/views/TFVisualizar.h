#pragma once

#include "app/Database.h"
#include "app/RowList.h"

#include <QDialog>

class QCheckBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QTableView;

namespace views {

// The integration errors of one branch: review them, mark them as checked,
// read a whole message, delete them all.
class TFVisualizar : public QDialog {
public:
    TFVisualizar(db::Connection& connection, app::TransactionGuards& guards,
                 QWidget* parent = nullptr);
    ~TFVisualizar() override;

    QString CodigoFilial;

    // (Re)opens the error list for CodigoFilial with the list query as it stands.
    void AbrirErros();
    void VisualizarClick();
    void GridVisualizarDblClick();
    void AlterarConferido(const QString& mark, const QString& id);
    void GravarConferido(const QString& mark, const QString& id);
    void MarcarTodosClick();
    void MarcarTodosConferidos();
    void btExcluirClick();
    bool ExcluirErros();

    const app::RowList& cdsIntegErro() const { return cdsIntegErro_; }
    app::RowListModel* modelo() const { return model_; }
    const std::string& sqlIntegErro() const { return sqlIntegErro_; }

    QLabel* Label1 = nullptr;
    QLabel* lblNomeEmpresa = nullptr;
    QRadioButton* naoConferidos = nullptr; // "Visualizar" index 0
    QRadioButton* todos = nullptr;         // "Visualizar" index 1
    QCheckBox* MarcarTodos = nullptr;
    QPushButton* btExcluir = nullptr;
    QPushButton* btFechar = nullptr;
    QTableView* GridVisualizar = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    void FormShow();
    // After a failed write the list shows what the database holds again.
    void reopenKeepingRow();
    // Ends the failed transaction, reports, and shows the stored marks again.
    void writeFailed(const std::exception& e);

    db::Connection& connection_;
    app::TransactionGuards& guards_;
    std::string sqlIntegErro_;
    app::RowList cdsIntegErro_;
    app::RowListModel* model_ = nullptr;
};

} // namespace views

#pragma once

#include "app/Database.h"
#include "db/Connection.h"

#include <QWidget>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace app {

// The main window: lives for the whole process, owns the one database
// connection and closes the process when it closes.
class TFPainel : public QWidget {
public:
    // `folder` holds Caminho.ini: the executable's folder in the panel.
    explicit TFPainel(const QString& folder, QWidget* parent = nullptr);
    ~TFPainel() override;

    db::Connection& cnTarvesk() { return cnTarvesk_; }
    TransactionGuards& transacoes() { return transacoes_; }
    bool colunaMaquinaEcfVisivel() const { return colunaMaquinaEcf_; }

    void HabilitarBotoes(bool enabled);

    QLineEdit* edtIntervalo = nullptr;
    QLabel* lblAtualizado = nullptr;
    QTableView* GridPainel = nullptr;
    QLabel* lblAtualizandoPainel = nullptr;
    QPushButton* btIntegridade = nullptr;
    QPushButton* btConexao = nullptr;
    QPushButton* btAtualizar = nullptr;
    QPushButton* btUltReg = nullptr;
    QPushButton* btVisualizar = nullptr;
    QPushButton* btFechar = nullptr;
    QLabel* statusBar = nullptr;
    QWidget* pnlProgresso = nullptr;
    QProgressBar* BarraProgresso = nullptr;
    QLabel* lblMensagem = nullptr;
    QTimer* Timer = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void buildWindow();
    void FormCreate();
    void FormShow();
    bool FormKeyDown(int key);
    void btFecharClick();

    QString folder_;
    db::Connection cnTarvesk_;
    TransactionGuards transacoes_{cnTarvesk_};
    bool colunaMaquinaEcf_ = false;
    bool shown_ = false;
};

} // namespace app

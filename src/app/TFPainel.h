#pragma once

#include "app/Database.h"
#include "app/RowList.h"
#include "db/Connection.h"
#include "server/ServidorOffLine.h"

#include <QDateTime>
#include <QWidget>

#include <functional>

class QFrame;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

namespace app {

// The main window: lives for the whole process, owns the one database
// connection, shows one status row per machine of each branch and reloads
// them on its timer. Closing it ends the process.
class TFPainel : public QWidget {
public:
    // `folder` holds Caminho.ini: the executable's folder in the panel.
    explicit TFPainel(const QString& folder, QWidget* parent = nullptr);
    ~TFPainel() override;

    db::Connection& cnTarvesk() { return cnTarvesk_; }
    TransactionGuards& transacoes() { return transacoes_; }
    const RowList& cdsPainel() const { return cdsPainel_; }
    RowListModel* modelo() const { return model_; }
    int intervaloMs() const { return intervalMs_; }
    // The clock of "Informações atualizadas em"; tests fix it.
    void setClock(std::function<QDateTime()> clock) { clock_ = std::move(clock); }

    // Reloads the status rows. Raises on failure (after tidying up).
    void AtualizarPainel();
    // Refresh with the timer discipline: stopped before, started after,
    // also when the refresh fails (after its error box closed).
    void TimerTimer();
    void btAtualizarClick();
    // Applies the typed interval (runs when the box loses focus).
    void edtIntervaloExit();
    void GridPainelCellClick(int row, int column);
    void VisualizarErros();
    void btUltRegClick();
    void btVisualizarClick();
    void HabilitarBotoes(bool enabled);
    void btConexaoClick();
    void btIntegridadeClick();
    server::ServidorOffLine& ServidorOffLine() { return servidor_; }

    // The current row's branch code and display name ("" with an empty grid).
    QString codigoFilialAtual() const;
    QString nomeFilialAtual() const;

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
    QFrame* pnlProgresso = nullptr;
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
    void startTimer();
    void refreshWithTimer();
    int currentRow() const;

    QString folder_;
    db::Connection cnTarvesk_;
    TransactionGuards transacoes_{cnTarvesk_};
    server::ServidorOffLine servidor_;
    RowList cdsPainel_;
    RowListModel* model_ = nullptr;
    int intervalMs_ = 15000;
    bool shown_ = false;
    std::function<QDateTime()> clock_ = [] { return QDateTime::currentDateTime(); };
};

// Whole-number conversion of the interval box: blanks, a sign, then decimal
// digits, or hexadecimal after "$", "x" or "X". Raises "'%s' is not a valid
// integer value" otherwise.
int parseInterval(const QString& text);

} // namespace app

#include "TFUltRegSincro.h"

#include "app/FailurePolicy.h"
#include "app/SyncRecords.h"
#include "db/Statements.h"

#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTableView>
#include <QVBoxLayout>

namespace views {

TFUltRegSincro::TFUltRegSincro(db::Connection& connection, QWidget* parent)
    : QDialog(parent), connection_(connection), sqlPrxReg_(db::sql::PrxReg) {
    setWindowTitle(QStringLiteral("Últimos/Próximos registros sincronizados"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(838, 466);

    auto* root = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    auto* filial = new QLabel(QStringLiteral("Filial:"), this);
    QFont bold = filial->font();
    bold.setBold(true);
    filial->setFont(bold);
    top->addWidget(filial);
    lblNomeEmpresa = new QLabel(this);
    top->addWidget(lblNomeEmpresa, 1);
    root->addLayout(top);

    abas = new QTabWidget(this);
    GridReceb = makeGrid(receb_, recebModel_, 1400);
    abas->addTab(GridReceb, QStringLiteral("15 Últimos registros recebidos"));
    GridEnv = makeGrid(enviado_, enviadoModel_, -1);
    abas->addTab(GridEnv, QStringLiteral("15 Últimos registros enviados"));
    auto* prxPage = new QWidget(abas);
    auto* prxLayout = new QVBoxLayout(prxPage);
    btTodos = new QPushButton(QStringLiteral("&Todos os registros"), prxPage);
    auto* buttonRow = new QHBoxLayout;
    buttonRow->addWidget(btTodos);
    buttonRow->addStretch();
    prxLayout->addLayout(buttonRow);
    GridPrx = makeGrid(prx_, prxModel_, 1400);
    prxLayout->addWidget(GridPrx);
    abas->addTab(prxPage, QStringLiteral("15 Próximos registros que serão enviados"));
    root->addWidget(abas, 1);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch();
    btFechar = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                               QStringLiteral("&Fechar"), this);
    bottom->addWidget(btFechar);
    root->addLayout(bottom);

    connect(btTodos, &QPushButton::clicked, this,
            [this] { app::guarded([this] { btTodosClick(); }); });
    connect(btFechar, &QPushButton::clicked, this, &QDialog::reject);
}

QTableView* TFUltRegSincro::makeGrid(app::RowList& list, app::RowListModel*& model, int keyWidth) {
    auto* grid = new QTableView(this);
    grid->setEditTriggers(QAbstractItemView::NoEditTriggers);
    grid->setShowGrid(false);
    grid->setWordWrap(false);
    grid->verticalHeader()->hide();
    grid->verticalHeader()->setDefaultSectionSize(20);
    model = new app::RowListModel(list,
                                  {{"ORDEM", "ID", 75, Qt::AlignHCenter, true},
                                   {"TABELA", "Nome Tabela", 160, Qt::AlignLeft, true},
                                   {"CHAVE", "Chave", keyWidth, Qt::AlignLeft, true}},
                                  this);
    grid->setModel(model);
    grid->setColumnWidth(0, 75);
    grid->setColumnWidth(1, 160);
    if (keyWidth > 0)
        grid->setColumnWidth(2, keyWidth);
    return grid;
}

void TFUltRegSincro::reload(app::RowList& list, app::RowListModel* model, db::Result result) {
    model->beginReset();
    list.load(std::move(result));
    model->endReset();
}

void TFUltRegSincro::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    app::guarded([this] { FormShow(); });
}

void TFUltRegSincro::FormShow() {
    app::usageEvent(windowTitle());
    const std::string branch = CodigoFilial.toStdString();
    // Closed lists stay empty when a later one fails.
    for (auto [list, model] : {std::pair{&enviado_, enviadoModel_}, std::pair{&prx_, prxModel_},
                               std::pair{&receb_, recebModel_}})
        reload(*list, model, {});
    abas->setCurrentIndex(0);
    reload(enviado_, enviadoModel_, app::openQueueList(connection_, db::sql::RegEnviado, branch));
    AbrirProximosRegistros();
    reload(receb_, recebModel_, connection_.query(db::sql::RegReceb, {{"PCodEmpresa", branch}}));
}

void TFUltRegSincro::AbrirProximosRegistros() {
    reload(prx_, prxModel_, {});
    reload(prx_, prxModel_,
           app::openQueueList(connection_, sqlPrxReg_, CodigoFilial.toStdString()));
}

void TFUltRegSincro::btTodosClick() {
    reload(prx_, prxModel_, {});
    sqlPrxReg_ = db::sql::PrxRegTodos();
    AbrirProximosRegistros();
}

} // namespace views

#include "TFListaDivergencias.h"

#include "app/FailurePolicy.h"

#include <QHeaderView>
#include <QPushButton>
#include <QTableView>

namespace integrity {

TFListaDivergencias::TFListaDivergencias(const std::vector<Divergence>& divergences,
                                         QWidget* parent)
    : QDialog(parent) {
    setWindowTitle(QStringLiteral("Listagem de divergências encontradas"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(865, 463);

    db::Result rows;
    rows.columns = {"TABELA", "ERRO"};
    for (const Divergence& d : divergences)
        rows.rows.push_back({d.Tabela, d.Erro});
    list_.load(std::move(rows));

    DBGrid1 = new QTableView(this);
    DBGrid1->setGeometry(8, 16, 849, 393);
    DBGrid1->setEditTriggers(QAbstractItemView::NoEditTriggers);
    DBGrid1->setWordWrap(false);
    DBGrid1->verticalHeader()->setDefaultSectionSize(20);
    DBGrid1->verticalHeader()->setFixedWidth(12);
    auto* model = new app::RowListModel(list_,
                                        {{"TABELA", "Tabela", -1, Qt::AlignLeft, true},
                                         {"ERRO", "Problema Encontrado", -1, Qt::AlignLeft, true}},
                                        this);
    model->tooltips = true;
    DBGrid1->setModel(model);
    const int character = DBGrid1->fontMetrics().averageCharWidth();
    DBGrid1->setColumnWidth(0, 30 * character);
    DBGrid1->setColumnWidth(1, 100 * character);
    if (model->rowCount() > 0)
        DBGrid1->setCurrentIndex(model->index(0, 0));

    BtSair = new QPushButton(QStringLiteral("&Sair"), this);
    BtSair->setGeometry(405, 424, 110, 25);
    connect(BtSair, &QPushButton::clicked, this, &QDialog::reject);
}

void TFListaDivergencias::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    app::usageEvent(windowTitle());
}

} // namespace integrity

#include "TFVisualizar.h"

#include "app/FailurePolicy.h"
#include "db/Statements.h"
#include "platform/Dialogs.h"
#include "views/TFMensagem.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScopeGuard>
#include <QSignalBlocker>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QVBoxLayout>

namespace views {
namespace {

// Image 0 of the window's image list: a green check mark, 16 x 16.
QPixmap checkMark() {
    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0, 150, 0), 2.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    QPainterPath path;
    path.moveTo(2.5, 8.5);
    path.lineTo(6.5, 12.5);
    path.lineTo(13.5, 3.5);
    p.drawPath(path);
    return pixmap;
}

class MarkDelegate : public QStyledItemDelegate {
public:
    MarkDelegate(const app::RowList& list, int markColumn, QObject* parent)
        : QStyledItemDelegate(parent), list_(list), markColumn_(markColumn), image_(checkMark()) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyledItemDelegate::paint(painter, option, index);
        if (index.column() != markColumn_)
            return;
        if (list_.text(static_cast<std::size_t>(index.row()), "CONFERIDO") == "S")
            painter->drawPixmap(option.rect.left() + 10, option.rect.top() + 1, image_);
    }

private:
    const app::RowList& list_;
    int markColumn_;
    QPixmap image_;
};

const QString kWriteFailed = QStringLiteral("Erro ao gravar alteração na tabela. Motivo: ");

} // namespace

TFVisualizar::TFVisualizar(db::Connection& connection, app::TransactionGuards& guards,
                           QWidget* parent)
    : QDialog(parent), connection_(connection), guards_(guards),
      sqlIntegErro_(db::sql::IntegErroInicial) {
    setWindowTitle(QStringLiteral("Visualizar Erros"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(901, 423);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);
    auto* strip = new QWidget(this);
    strip->setFixedHeight(423 - 352);
    auto* stripLayout = new QHBoxLayout(strip);
    Label1 = new QLabel(QStringLiteral("Filial:"), strip);
    QFont bold = Label1->font();
    bold.setBold(true);
    Label1->setFont(bold);
    stripLayout->addWidget(Label1);
    lblNomeEmpresa = new QLabel(strip);
    lblNomeEmpresa->setMinimumWidth(220);
    stripLayout->addWidget(lblNomeEmpresa);
    auto* Visualizar = new QGroupBox(QStringLiteral(" Visualizar "), strip);
    auto* radios = new QHBoxLayout(Visualizar);
    naoConferidos = new QRadioButton(QStringLiteral("Não conferidos"), Visualizar);
    todos = new QRadioButton(QStringLiteral("Todos"), Visualizar);
    naoConferidos->setChecked(true);
    radios->addWidget(naoConferidos);
    radios->addWidget(todos);
    stripLayout->addWidget(Visualizar);
    MarcarTodos = new QCheckBox(QStringLiteral("Marcar todos"), strip);
    stripLayout->addWidget(MarcarTodos);
    stripLayout->addStretch();
    btExcluir = new QPushButton(style()->standardIcon(QStyle::SP_TrashIcon),
                                QStringLiteral("&Excluir Erros"), strip);
    stripLayout->addWidget(btExcluir);
    btFechar = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                               QStringLiteral("&Fechar"), strip);
    stripLayout->addWidget(btFechar);
    root->addWidget(strip);

    GridVisualizar = new QTableView(this);
    GridVisualizar->setFixedHeight(352);
    GridVisualizar->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridVisualizar->setSelectionMode(QAbstractItemView::ExtendedSelection);
    GridVisualizar->setSelectionBehavior(QAbstractItemView::SelectRows);
    GridVisualizar->verticalHeader()->setDefaultSectionSize(20);
    GridVisualizar->setWordWrap(false);
    GridVisualizar->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    GridVisualizar->verticalHeader()->setFixedWidth(12);
    model_ = new app::RowListModel(cdsIntegErro_,
                                   {{"CONFERIDO", "Conferido?", -1, Qt::AlignLeft, true},
                                    {"DATAERRO", "Data", 120, Qt::AlignLeft, true},
                                    {"Mensagem", "Mensagem", 691, Qt::AlignLeft, true}},
                                   this);
    model_->displayText = [this](std::size_t row, const QString& field) -> std::optional<QString> {
        if (field == QLatin1String("CONFERIDO"))
            return QString(); // the check mark is drawn instead
        if (field == QLatin1String("Mensagem"))
            return QString::fromStdString(cdsIntegErro_.text(row, "MSGERRO")).left(250);
        return std::nullopt;
    };
    GridVisualizar->setModel(model_);
    GridVisualizar->setItemDelegate(new MarkDelegate(cdsIntegErro_, 0, GridVisualizar));
    GridVisualizar->setColumnWidth(1, 120);
    GridVisualizar->setColumnWidth(2, 691);
    root->addWidget(GridVisualizar);

    connect(naoConferidos, &QRadioButton::toggled, this,
            [this] { app::guarded([this] { VisualizarClick(); }); });
    connect(MarcarTodos, &QCheckBox::clicked, this,
            [this] { app::guarded([this] { MarcarTodosClick(); }); });
    connect(btExcluir, &QPushButton::clicked, this,
            [this] { app::guarded([this] { btExcluirClick(); }); });
    connect(btFechar, &QPushButton::clicked, this, &QDialog::reject);
    connect(GridVisualizar, &QTableView::doubleClicked, this,
            [this] { app::guarded([this] { GridVisualizarDblClick(); }); });
}

TFVisualizar::~TFVisualizar() = default;

void TFVisualizar::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    app::guarded([this] { FormShow(); });
}

void TFVisualizar::FormShow() {
    app::usageEvent(windowTitle());
    {
        const QSignalBlocker a(naoConferidos), b(todos), c(MarcarTodos);
        naoConferidos->setChecked(true);
        MarcarTodos->setChecked(false);
    }
    AbrirErros();
}

void TFVisualizar::AbrirErros() {
    model_->beginReset();
    cdsIntegErro_.clear();
    try {
        cdsIntegErro_.load(
            connection_.query(sqlIntegErro_, {{"PCodEmpresa", CodigoFilial.toStdString()}}));
    } catch (...) {
        model_->endReset();
        throw;
    }
    model_->endReset();
    if (!cdsIntegErro_.empty())
        GridVisualizar->setCurrentIndex(model_->index(0, 0));
}

void TFVisualizar::VisualizarClick() {
    std::string text(db::sql::IntegErroSelect);
    if (naoConferidos->isChecked())
        text += "\n" + std::string(db::sql::IntegErroNaoConferidos);
    text += "\n" + std::string(db::sql::IntegErroOrdem);
    sqlIntegErro_ = text;
    AbrirErros();
}

void TFVisualizar::GridVisualizarDblClick() {
    const QModelIndex index = GridVisualizar->currentIndex();
    if (!index.isValid() || index.row() >= static_cast<int>(cdsIntegErro_.size()))
        return;
    const auto row = static_cast<std::size_t>(index.row());
    const QString field = model_->columns()[static_cast<std::size_t>(index.column())].field;
    if (field == QLatin1String("CONFERIDO")) {
        const std::string mark = cdsIntegErro_.text(row, "CONFERIDO") == "S" ? "N" : "S";
        cdsIntegErro_.setValue(row, "CONFERIDO", mark);
        model_->rowChanged(index.row());
        AlterarConferido(QString::fromStdString(mark),
                         QString::fromStdString(cdsIntegErro_.text(row, "IDINTEGERRO")));
        update();
    } else if (field == QLatin1String("Mensagem")) {
        const QString message = QString::fromStdString(cdsIntegErro_.text(row, "MSGERRO"));
        if (message.isEmpty())
            return;
        TFMensagem janela(this);
        janela.Memo->setPlainText(message);
        janela.exec();
    }
}

void TFVisualizar::AlterarConferido(const QString& mark, const QString& id) {
    try {
        guards_.IniciarTransacao();
        GravarConferido(mark, id);
        guards_.ConfirmarTransacao();
    } catch (const std::exception& e) {
        writeFailed(e);
    }
}

void TFVisualizar::GravarConferido(const QString& mark, const QString& id) {
    connection_.execute(db::sql::GravarConferido, {{"PConferido", mark.toStdString()},
                                                   {"PCodEmpresa", CodigoFilial.toStdString()},
                                                   {"PIdIntegErro", id.toStdString()}});
}

void TFVisualizar::MarcarTodosClick() {
    if (MarcarTodos->isChecked())
        MarcarTodosConferidos();
}

void TFVisualizar::MarcarTodosConferidos() {
    try {
        guards_.IniciarTransacao();
        model_->beginReset();
        {
            const auto resume = qScopeGuard([this] { model_->endReset(); });
            for (std::size_t row = 0; row < cdsIntegErro_.size(); ++row) {
                if (cdsIntegErro_.text(row, "CONFERIDO") != "N")
                    continue;
                cdsIntegErro_.setValue(row, "CONFERIDO", "S");
                GravarConferido(QStringLiteral("S"),
                                QString::fromStdString(cdsIntegErro_.text(row, "IDINTEGERRO")));
            }
        }
        guards_.ConfirmarTransacao();
        if (!cdsIntegErro_.empty())
            GridVisualizar->setCurrentIndex(
                model_->index(static_cast<int>(cdsIntegErro_.size()) - 1, 0));
    } catch (const std::exception& e) {
        writeFailed(e);
    }
}

void TFVisualizar::writeFailed(const std::exception& e) {
    const QString reason = QString::fromStdString(e.what());
    // Whatever happens below, the list must not keep showing a mark the
    // database does not hold.
    const auto reopen = qScopeGuard([this] { app::guarded([this] { reopenKeepingRow(); }); });
    guards_.CancelarTransacao();
    platform::dialogs().error(this, kWriteFailed + reason);
}

void TFVisualizar::reopenKeepingRow() {
    const QModelIndex current = GridVisualizar->currentIndex();
    std::string id;
    if (current.isValid() && current.row() < static_cast<int>(cdsIntegErro_.size()))
        id = cdsIntegErro_.text(static_cast<std::size_t>(current.row()), "IDINTEGERRO");
    AbrirErros();
    for (std::size_t row = 0; row < cdsIntegErro_.size(); ++row)
        if (cdsIntegErro_.text(row, "IDINTEGERRO") == id)
            GridVisualizar->setCurrentIndex(
                model_->index(static_cast<int>(row), current.isValid() ? current.column() : 0));
}

void TFVisualizar::btExcluirClick() {
    if (!platform::dialogs().question(this, QStringLiteral("Deseja realmente excluir erros?")))
        return;
    if (!ExcluirErros())
        return;
    platform::dialogs().information(this, QStringLiteral("Exclusão finalizada com sucesso."));
    accept();
}

bool TFVisualizar::ExcluirErros() {
    try {
        guards_.IniciarTransacao();
        connection_.execute(db::sql::ExcluirErros, {{"PCodEmpresa", CodigoFilial.toStdString()}});
        guards_.ConfirmarTransacao();
        return true;
    } catch (const std::exception& e) {
        const QString reason = QString::fromStdString(e.what());
        guards_.CancelarTransacao();
        platform::dialogs().warning(this, QStringLiteral("Erro ao excluir. Motivo: ") + reason,
                                    QStringLiteral("Erro"));
        return false;
    }
}

} // namespace views

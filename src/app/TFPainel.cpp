#include "TFPainel.h"

#include "app/FailurePolicy.h"
#include "app/ServerConnection.h"
#include "app/StatusRows.h"
#include "integrity/TFListaDivergencias.h"
#include "platform/Dialogs.h"
#include "platform/Error.h"
#include "views/TFUltRegSincro.h"
#include "views/TFVisualizar.h"
#include "views/TFVisualizarLog.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QScreen>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include <climits>

namespace app {
namespace {

const QColor kErrorRowColor(0xF1, 0x96, 0x0E);

// Rows with unreviewed errors keep their orange in every cell, the current
// one included.
class StatusDelegate : public QStyledItemDelegate {
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        QStyleOptionViewItem opt(option);
        const QVariant background = index.data(Qt::BackgroundRole);
        if (background.isValid()) {
            opt.state &= ~QStyle::State_Selected;
            painter->fillRect(opt.rect, background.value<QColor>());
        }
        QStyledItemDelegate::paint(painter, opt, index);
    }
};

std::vector<ColumnDef> statusColumns() {
    return {
        {"NOME", "Filial", 225, Qt::AlignLeft, true},
        {"MAQUINAECF", "Maq. ECF", -1, Qt::AlignLeft, false},
        {"STATUSERRO", "Erro?", 40, Qt::AlignLeft, true},
        {"INTERVALO", "Intervalo", 75, Qt::AlignHCenter, true},
        {"ULTRECEB", "Último Recebimento", 135, Qt::AlignLeft, true},
        {"ULTENVIO", "Último Envio", 130, Qt::AlignLeft, true},
        {"QTDREGRECEB", "A serem recebidos", 125, Qt::AlignHCenter, true},
        {"QTDREGENVIAR", "A serem enviados", 125, Qt::AlignHCenter, true},
        {"QTDREGACONFIRMAR", "Aguardando Confirmação", 160, Qt::AlignHCenter, true},
    };
}

} // namespace

int parseInterval(const QString& text) {
    const auto invalid = [&] {
        return platform::Error("'" + text.toStdString() + "' is not a valid integer value");
    };
    int i = 0;
    const int n = static_cast<int>(text.size());
    while (i < n && text[i] == u' ')
        ++i;
    bool negative = false;
    if (i < n && (text[i] == u'-' || text[i] == u'+'))
        negative = text[i++] == u'-';
    int base = 10;
    if (i < n && (text[i] == u'$' || text[i] == u'x' || text[i] == u'X')) {
        base = 16;
        ++i;
    }
    if (i >= n)
        throw invalid();
    long long value = 0;
    for (; i < n; ++i) {
        const int digit =
            QChar(text[i]).isDigit()                           ? text[i].unicode() - u'0'
            : base == 16 && text[i] >= u'a' && text[i] <= u'f' ? text[i].unicode() - u'a' + 10
            : base == 16 && text[i] >= u'A' && text[i] <= u'F' ? text[i].unicode() - u'A' + 10
                                                               : -1;
        if (digit < 0 || digit >= base || text[i].unicode() > 127)
            throw invalid();
        value = value * base + digit;
        if (value > static_cast<long long>(INT_MAX) + 1)
            throw invalid();
    }
    if (negative)
        value = -value;
    if (value > INT_MAX)
        throw invalid();
    return static_cast<int>(value);
}

TFPainel::TFPainel(const QString& folder, QWidget* parent) : QWidget(parent), folder_(folder) {
    buildWindow();
    // A server or proxy that refuses the configured credentials asks the operator.
    servidor_.http.prompt = [this](const std::string& url,
                                   bool proxy) -> std::optional<server::Credentials> {
        const QString what = proxy ? QStringLiteral("O proxy pede usuário e senha para %1")
                                   : QStringLiteral("O servidor pede usuário e senha para %1");
        auto answer = platform::dialogs().login(this, what.arg(QString::fromStdString(url)));
        if (!answer)
            return std::nullopt;
        return server::Credentials{answer->first.toStdString(), answer->second.toStdString()};
    };
    guarded([this] { FormCreate(); });
    // Key presses reach the window before the focused control.
    qApp->installEventFilter(this);
}

TFPainel::~TFPainel() {
    qApp->removeEventFilter(this);
}

void TFPainel::buildWindow() {
    setFixedSize(1114, 484);

    auto* root = new QVBoxLayout(this);
    root->setContentsMargins(0, 0, 0, 0);
    root->setSpacing(0);

    auto* header = new QWidget(this);
    header->setFixedHeight(80);
    auto* headerLayout = new QHBoxLayout(header);
    auto* logo = new QLabel(QStringLiteral("Integração"), header);
    QFont logoFont = logo->font();
    logoFont.setPointSize(16);
    logoFont.setBold(true);
    logo->setFont(logoFont);
    headerLayout->addWidget(logo);
    headerLayout->addStretch();
    auto* middle = new QVBoxLayout;
    auto* intervalRow = new QHBoxLayout;
    intervalRow->addWidget(new QLabel(QStringLiteral("Atualizar a cada"), header));
    edtIntervalo = new QLineEdit(QStringLiteral("15"), header);
    edtIntervalo->setMaxLength(2);
    edtIntervalo->setFixedWidth(32);
    intervalRow->addWidget(edtIntervalo);
    intervalRow->addWidget(new QLabel(QStringLiteral("segundos"), header));
    middle->addLayout(intervalRow);
    lblAtualizado = new QLabel(QStringLiteral("Atualizado em:"), header);
    middle->addWidget(lblAtualizado);
    headerLayout->addLayout(middle);
    headerLayout->addStretch();
    auto* right = new QLabel(QStringLiteral("Módulo Cliente"), header);
    right->setFont(logoFont);
    headerLayout->addWidget(right);
    root->addWidget(header);

    GridPainel = new QTableView(this);
    GridPainel->setFocusPolicy(Qt::ClickFocus); // Tab never moves into the grid
    GridPainel->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridPainel->setSelectionMode(QAbstractItemView::SingleSelection);
    GridPainel->setSelectionBehavior(QAbstractItemView::SelectItems);
    GridPainel->setShowGrid(false);
    GridPainel->setStyleSheet(
        QStringLiteral("QTableView::item { border-bottom: 1px solid #d0d0d0; }"));
    GridPainel->verticalHeader()->hide();
    GridPainel->verticalHeader()->setDefaultSectionSize(20);
    GridPainel->setWordWrap(false);
    GridPainel->setItemDelegate(new StatusDelegate(GridPainel));
    model_ = new RowListModel(cdsPainel_, statusColumns(), this);
    model_->rowBackground = [this](std::size_t row) -> std::optional<QColor> {
        if (cdsPainel_.text(row, "STATUSERRO") == "Sim")
            return kErrorRowColor;
        return std::nullopt;
    };
    GridPainel->setModel(model_);
    for (int c = 0; c < model_->columnCount(); ++c) {
        const ColumnDef& col = model_->columns()[static_cast<std::size_t>(c)];
        if (col.width > 0)
            GridPainel->setColumnWidth(c, col.width);
        GridPainel->setColumnHidden(c, !col.visible);
    }
    root->addWidget(GridPainel, 1);

    pnlProgresso = new QFrame(this);
    pnlProgresso->setAutoFillBackground(true);
    pnlProgresso->setGeometry(224, 176, 385, 73);
    pnlProgresso->hide();
    auto* progressLayout = new QVBoxLayout(pnlProgresso);
    pnlProgresso->setStyleSheet(QStringLiteral("QLabel { color: navy; font-weight: bold; }"));
    pnlProgresso->setFrameStyle(QFrame::Panel | QFrame::Raised);
    lblMensagem = new QLabel(pnlProgresso);
    lblMensagem->setAlignment(Qt::AlignCenter);
    BarraProgresso = new QProgressBar(pnlProgresso);
    BarraProgresso->setMinimum(0);
    BarraProgresso->setValue(0);
    progressLayout->addWidget(lblMensagem);
    progressLayout->addWidget(BarraProgresso);

    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(56);
    auto* bottomLayout = new QHBoxLayout(bottom);
    lblAtualizandoPainel = new QLabel(QStringLiteral("Aguarde,atualizando dados..."), bottom);
    QFont bold = lblAtualizandoPainel->font();
    bold.setBold(true);
    lblAtualizandoPainel->setFont(bold);
    lblAtualizandoPainel->hide();
    bottomLayout->addWidget(lblAtualizandoPainel);
    bottomLayout->addStretch();
    auto button = [&](const char* text) {
        auto* b = new QPushButton(QString::fromUtf8(text), bottom);
        b->setFixedSize(142, 28);
        bottomLayout->addWidget(b);
        return b;
    };
    btIntegridade = button("Verificar integridade");
    btConexao = button("Testar conexão servidor");
    btAtualizar = button("&Atualizar agora");
    btUltReg = button("&Reg. sincronizados");
    btVisualizar = button("&Visualizar Log");
    btFechar = button("&Fechar");
    root->addWidget(bottom);

    statusBar = new QLabel(
        QStringLiteral("Erro? são os eventos ocorridos durante o processamento das informações."),
        this);
    statusBar->setFrameShape(QFrame::StyledPanel);
    statusBar->setContentsMargins(4, 2, 4, 2);
    root->addWidget(statusBar);

    Timer = new QTimer(this);
    Timer->setInterval(intervalMs_);

    connect(Timer, &QTimer::timeout, this, [this] { TimerTimer(); });
    connect(btAtualizar, &QPushButton::clicked, this, [this] { btAtualizarClick(); });
    connect(btIntegridade, &QPushButton::clicked, this,
            [this] { guarded([this] { btIntegridadeClick(); }); });
    connect(btConexao, &QPushButton::clicked, this,
            [this] { guarded([this] { btConexaoClick(); }); });
    connect(btUltReg, &QPushButton::clicked, this,
            [this] { guarded([this] { btUltRegClick(); }); });
    connect(btVisualizar, &QPushButton::clicked, this,
            [this] { guarded([this] { btVisualizarClick(); }); });
    connect(btFechar, &QPushButton::clicked, this,
            [this] { guarded([this] { btFecharClick(); }); });
    connect(GridPainel, &QTableView::clicked, this, [this](const QModelIndex& index) {
        guarded([&] { GridPainelCellClick(index.row(), index.column()); });
    });
    connect(GridPainel, &QTableView::doubleClicked, this,
            [this] { guarded([this] { btUltRegClick(); }); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFPainel::FormCreate() {
    setWindowTitle(QString::fromUtf8(LegendaPainel) + QString::fromUtf8(VersaoSistema));
    ConectarBanco(cnTarvesk_, folder_.toStdString());
    if (AjustarColunaMaquinaECF(cnTarvesk_))
        GridPainel->setColumnHidden(model_->columnOf("MAQUINAECF"), false);
}

void TFPainel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    // Shown first, then filled: the window appears before the first query.
    QTimer::singleShot(0, this, [this] { guarded([this] { FormShow(); }); });
}

void TFPainel::FormShow() {
    usageEvent(windowTitle());
    guarded([this] { edtIntervaloExit(); });
    refreshWithTimer();
}

void TFPainel::startTimer() {
    // A zero or negative interval means no automatic refresh.
    if (intervalMs_ > 0)
        Timer->start();
}

void TFPainel::refreshWithTimer() {
    Timer->stop();
    // A failure's box is shown before the timer counts again, so a database
    // that stays down shows one box at a time, never a pile.
    guarded([this] { AtualizarPainel(); });
    if (!processEnding())
        startTimer();
}

void TFPainel::TimerTimer() {
    refreshWithTimer();
}

void TFPainel::btAtualizarClick() {
    refreshWithTimer();
}

void TFPainel::AtualizarPainel() {
    lblAtualizandoPainel->show();
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const auto restore = qScopeGuard([this] {
        lblAtualizandoPainel->hide();
        QApplication::restoreOverrideCursor();
    });
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);

    model_->beginReset();
    cdsPainel_.clear();
    try {
        cdsPainel_.load(loadStatusRows(cnTarvesk_));
    } catch (...) {
        model_->endReset();
        throw;
    }
    model_->endReset();
    if (!cdsPainel_.empty())
        GridPainel->setCurrentIndex(model_->index(
            0, GridPainel->currentIndex().isValid() ? GridPainel->currentIndex().column() : 0));
    lblAtualizado->setText(QStringLiteral("Informações atualizadas em ") +
                           clock_().toString(QStringLiteral("dd/MM/yyyy HH:mm:ss")));
}

void TFPainel::edtIntervaloExit() {
    Timer->stop();
    const auto restart = qScopeGuard([this] {
        if (!processEnding())
            startTimer();
    });
    const int seconds = parseInterval(edtIntervalo->text());
    // A negative value would give an interval too long to ever fire.
    intervalMs_ = seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000;
    if (intervalMs_ > 0)
        Timer->setInterval(intervalMs_);
}

int TFPainel::currentRow() const {
    const QModelIndex index = GridPainel->currentIndex();
    return index.isValid() && index.row() < static_cast<int>(cdsPainel_.size()) ? index.row() : -1;
}

QString TFPainel::codigoFilialAtual() const {
    const int row = currentRow();
    return row < 0 ? QString()
                   : QString::fromStdString(
                         cdsPainel_.text(static_cast<std::size_t>(row), "CODEMPRESA"));
}

QString TFPainel::nomeFilialAtual() const {
    const int row = currentRow();
    return row < 0 ? QString()
                   : QString::fromStdString(cdsPainel_.text(static_cast<std::size_t>(row), "NOME"));
}

void TFPainel::GridPainelCellClick(int row, int column) {
    (void)row; // the click already made the row current
    if (column == model_->columnOf("STATUSERRO"))
        VisualizarErros();
}

void TFPainel::VisualizarErros() {
    Timer->stop();
    const auto after = qScopeGuard([this] {
        refreshWithTimer();
        GridPainel->setCurrentIndex(
            model_->index(std::max(0, currentRow()), model_->columnOf("STATUSERRO")));
        update();
    });
    views::TFVisualizar janela(cnTarvesk_, transacoes_, this);
    janela.CodigoFilial = codigoFilialAtual();
    janela.lblNomeEmpresa->setText(nomeFilialAtual());
    janela.exec();
}

void TFPainel::btUltRegClick() {
    Timer->stop();
    const auto after = qScopeGuard([this] { refreshWithTimer(); });
    views::TFUltRegSincro janela(cnTarvesk_, this);
    janela.CodigoFilial = codigoFilialAtual();
    janela.lblNomeEmpresa->setText(nomeFilialAtual());
    janela.exec();
}

void TFPainel::btConexaoClick() {
    std::string message;
    QApplication::setOverrideCursor(Qt::WaitCursor);
    const bool ok = testarConexao(cnTarvesk_, servidor_, message);
    QApplication::restoreOverrideCursor();
    if (ok)
        platform::dialogs().information(this, QString::fromStdString(message));
    else
        platform::dialogs().warning(this, QString::fromStdString(message));
}

void TFPainel::btIntegridadeClick() {
    // Whatever happens, the window goes back as it was: buttons on, panel
    // hidden, bar at 0. The refresh timer keeps running meanwhile.
    const auto cleanUp = qScopeGuard([this] {
        HabilitarBotoes(true);
        pnlProgresso->hide();
        BarraProgresso->setValue(0);
    });
    integrity::Progress progress;
    progress.obtaining = [this] {
        pnlProgresso->move(224, 176);
        pnlProgresso->show();
        pnlProgresso->raise();
        lblMensagem->setText(QStringLiteral("Obtendo metadados das tabelas de integração"));
        HabilitarBotoes(false);
        QCoreApplication::processEvents();
    };
    progress.comparing = [this](int tables) {
        BarraProgresso->setMaximum(tables);
        lblMensagem->setText(QStringLiteral("Comparando metadados e verificando divergências"));
        QCoreApplication::processEvents();
    };
    progress.tableDone = [this] {
        BarraProgresso->setValue(BarraProgresso->value() + 1);
        QCoreApplication::processEvents();
    };
    const integrity::Outcome outcome = integrity::run(cnTarvesk_, servidor_, progress);
    switch (outcome.kind) {
    case integrity::Outcome::Kind::Divergent: {
        integrity::TFListaDivergencias janela(outcome.divergences, this);
        janela.exec();
        break;
    }
    case integrity::Outcome::Kind::Equal:
        platform::dialogs().information(this, QString::fromStdString(outcome.message));
        break;
    default:
        platform::dialogs().warning(this, QString::fromStdString(outcome.message));
        break;
    }
}

void TFPainel::btVisualizarClick() {
    // The timer keeps running: the panel goes on refreshing under the log.
    views::TFVisualizarLog janela(this);
    janela.exec();
}

void TFPainel::closeEvent(QCloseEvent* event) {
    // Closing the main window ends the process, without a question.
    event->accept();
    QCoreApplication::quit();
}

bool TFPainel::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        auto* w = qobject_cast<QWidget*>(watched);
        // Only keys aimed at this window, not at a modal window above it.
        if (w && w->window() == this)
            return FormKeyDown(static_cast<QKeyEvent*>(event)->key());
    } else if (event->type() == QEvent::FocusOut && watched == edtIntervalo) {
        // Leaving the box for another control applies it; another window
        // coming up (a message box) does not.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        if (reason != Qt::ActiveWindowFocusReason && reason != Qt::PopupFocusReason)
            guarded([this] { edtIntervaloExit(); });
    }
    return QWidget::eventFilter(watched, event);
}

bool TFPainel::FormKeyDown(int key) {
    if (key == Qt::Key_Return || key == Qt::Key_Enter) {
        focusNextChild();
        return true;
    }
    if (key == Qt::Key_Escape) {
        close();
        return true;
    }
    return false;
}

void TFPainel::btFecharClick() {
    close();
}

void TFPainel::HabilitarBotoes(bool enabled) {
    for (QPushButton* b : {btIntegridade, btConexao, btAtualizar, btUltReg, btVisualizar, btFechar})
        b->setEnabled(enabled);
}

} // namespace app

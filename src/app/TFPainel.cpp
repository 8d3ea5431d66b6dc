#include "TFPainel.h"

#include "app/FailurePolicy.h"

#include <QApplication>
#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIntValidator>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

namespace app {

TFPainel::TFPainel(const QString& folder, QWidget* parent) : QWidget(parent), folder_(folder) {
    buildWindow();
    guarded([this] { FormCreate(); });
    // Key presses reach the window before the focused control.
    qApp->installEventFilter(this);
}

TFPainel::~TFPainel() { qApp->removeEventFilter(this); }

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
    headerLayout->addWidget(new QLabel(QStringLiteral("Módulo Cliente"), header));
    root->addWidget(header);

    GridPainel = new QTableView(this);
    GridPainel->setFocusPolicy(Qt::ClickFocus); // Tab never moves into the grid
    GridPainel->setEditTriggers(QAbstractItemView::NoEditTriggers);
    GridPainel->setShowGrid(false);
    GridPainel->verticalHeader()->hide();
    root->addWidget(GridPainel, 1);

    pnlProgresso = new QWidget(this);
    pnlProgresso->hide();
    auto* progressLayout = new QVBoxLayout(pnlProgresso);
    lblMensagem = new QLabel(pnlProgresso);
    BarraProgresso = new QProgressBar(pnlProgresso);
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
    Timer->setInterval(15000);

    connect(btFechar, &QPushButton::clicked, this, [this] { guarded([this] { btFecharClick(); }); });

    if (const QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

void TFPainel::FormCreate() {
    setWindowTitle(QString::fromUtf8(LegendaPainel) + QString::fromUtf8(VersaoSistema));
    ConectarBanco(cnTarvesk_, folder_.toStdString());
    colunaMaquinaEcf_ = AjustarColunaMaquinaECF(cnTarvesk_);
}

void TFPainel::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (shown_)
        return;
    shown_ = true;
    guarded([this] { FormShow(); });
}

void TFPainel::FormShow() { Timer->start(); }

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

void TFPainel::btFecharClick() { close(); }

void TFPainel::HabilitarBotoes(bool enabled) {
    for (QPushButton* b : {btIntegridade, btConexao, btAtualizar, btUltReg, btVisualizar, btFechar})
        b->setEnabled(enabled);
}

} // namespace app

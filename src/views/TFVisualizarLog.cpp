#include "TFVisualizarLog.h"

#include "app/FailurePolicy.h"
#include "platform/Dialogs.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace views {

LogView::LogView(QWidget* parent) : QAbstractScrollArea(parent) {
    QFont font(QStringLiteral("Monospace"));
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(12);
    setFont(font);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    setFocusPolicy(Qt::StrongFocus);
}

void LogView::setDocument(LogDocument document) {
    document_ = std::move(document);
    verticalScrollBar()->setValue(0);
    horizontalScrollBar()->setValue(0);
    updateScrollBars();
    viewport()->update();
}

int LogView::lineHeight() const {
    return fontMetrics().lineSpacing();
}

int LogView::visibleLines() const {
    return std::max(1, viewport()->height() / lineHeight());
}

qsizetype LogView::firstVisibleLine() const {
    return verticalScrollBar()->value();
}

void LogView::scrollToEnd() {
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void LogView::updateScrollBars() {
    const qsizetype lines = document_.lineCount();
    const int page = visibleLines();
    const qsizetype maxFirst = std::max<qsizetype>(0, lines - page);
    verticalScrollBar()->setRange(0, static_cast<int>(std::min<qsizetype>(maxFirst, INT_MAX)));
    verticalScrollBar()->setPageStep(page);
    verticalScrollBar()->setSingleStep(1);
    const qsizetype width =
        document_.longestLine() * fontMetrics().horizontalAdvance(QLatin1Char('M'));
    horizontalScrollBar()->setRange(
        0, static_cast<int>(
               std::min<qsizetype>(std::max<qsizetype>(0, width - viewport()->width()), INT_MAX)));
    horizontalScrollBar()->setPageStep(viewport()->width());
    horizontalScrollBar()->setSingleStep(fontMetrics().horizontalAdvance(QLatin1Char('M')));
}

void LogView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void LogView::keyPressEvent(QKeyEvent* event) {
    if (event->matches(QKeySequence::MoveToEndOfDocument))
        return scrollToEnd();
    if (event->matches(QKeySequence::MoveToStartOfDocument))
        return verticalScrollBar()->setValue(0);
    QAbstractScrollArea::keyPressEvent(event);
}

void LogView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::Text));
    const int height = lineHeight();
    const int ascent = fontMetrics().ascent();
    const int x = -horizontalScrollBar()->value() + 2;
    const qsizetype first = firstVisibleLine();
    const int rows = viewport()->height() / height + 1;
    for (int r = 0; r < rows && first + r < document_.lineCount(); ++r)
        painter.drawText(x, r * height + ascent, document_.line(first + r));
}

TFVisualizarLog::TFVisualizarLog(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Visualizar Log"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                   Qt::WindowCloseButtonHint);
    setFixedSize(795, 463);

    auto* root = new QVBoxLayout(this);
    lblArquivo = new QLabel(QStringLiteral("Arquivo"), this);
    root->addWidget(lblArquivo);
    auto* pathRow = new QHBoxLayout;
    Arquivo = new QLineEdit(this);
    Arquivo->setReadOnly(true);
    Arquivo->setFixedWidth(616);
    pathRow->addWidget(Arquivo);
    SpeedButton = new QToolButton(this);
    SpeedButton->setText(QStringLiteral("..."));
    SpeedButton->setFixedSize(23, 22);
    pathRow->addWidget(SpeedButton);
    pathRow->addStretch();
    root->addLayout(pathRow);

    pilha_ = new QStackedWidget(this);
    pilha_->setFixedHeight(370);
    Memo = new QPlainTextEdit(pilha_);
    Memo->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont font = Memo->font();
    font.setPixelSize(12);
    Memo->setFont(font);
    visao = new LogView(pilha_);
    pilha_->addWidget(Memo);
    pilha_->addWidget(visao);
    root->addWidget(pilha_);

    auto* panel = new QWidget(this);
    panel->setFixedHeight(41);
    auto* panelLayout = new QHBoxLayout(panel);
    panelLayout->addStretch();
    btFechar = new QPushButton(style()->standardIcon(QStyle::SP_DialogCloseButton),
                               QStringLiteral("&Fechar"), panel);
    panelLayout->addWidget(btFechar);
    root->addWidget(panel);

    connect(SpeedButton, &QToolButton::clicked, this,
            [this] { app::guarded([this] { SpeedButtonClick(); }); });
    connect(btFechar, &QPushButton::clicked, this, &QDialog::reject);
}

void TFVisualizarLog::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    app::usageEvent(windowTitle());
    Memo->clear();
    visao->setDocument({});
    pilha_->setCurrentWidget(Memo);
    Arquivo->clear();
}

void TFVisualizarLog::SpeedButtonClick() {
    const QString chosen =
        platform::dialogs().openFile(this, QString(), QString(), QStringLiteral("*.txt (*.txt)"));
    if (chosen.isEmpty())
        return;
    Arquivo->setText(chosen);
    carregar();
}

void TFVisualizarLog::carregar() {
    LogDocument document = LogDocument::load(Arquivo->text());
    if (document.size() <= kEditableLimit) {
        Memo->setPlainText(document.text());
        visao->setDocument({});
        pilha_->setCurrentWidget(Memo);
    } else {
        Memo->clear();
        visao->setDocument(std::move(document));
        pilha_->setCurrentWidget(visao);
    }
}

bool TFVisualizarLog::editavel() const {
    return pilha_->currentWidget() == Memo;
}

QStringList TFVisualizarLog::linhas() const {
    QStringList out;
    if (editavel()) {
        const QString text = Memo->toPlainText();
        if (!text.isEmpty() || Memo->document()->blockCount() > 1)
            out = text.split(QLatin1Char('\n'));
        return out;
    }
    for (qsizetype i = 0; i < visao->document().lineCount(); ++i)
        out << visao->document().line(i);
    return out;
}

} // namespace views

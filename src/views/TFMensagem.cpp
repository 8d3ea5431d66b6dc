#include "TFMensagem.h"

#include "app/FailurePolicy.h"

#include <QPlainTextEdit>
#include <QPushButton>

namespace views {

TFMensagem::TFMensagem(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("Informação"));
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    setFixedSize(452, 144);
    Memo = new QPlainTextEdit(this);
    Memo->setReadOnly(true);
    Memo->setGeometry(0, 0, 452, 105);
    Memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    QFont font = Memo->font();
    font.setPixelSize(13);
    Memo->setFont(font);
    QPalette palette = Memo->palette();
    palette.setColor(QPalette::Base, palette.color(QPalette::Button));
    Memo->setPalette(palette);
    BitBtn1 = new QPushButton(QStringLiteral("OK"), this);
    BitBtn1->setGeometry((452 - 75) / 2, 112, 75, 25);
    BitBtn1->setDefault(true);
    connect(BitBtn1, &QPushButton::clicked, this, &QDialog::accept);
}

void TFMensagem::showEvent(QShowEvent* event) {
    QDialog::showEvent(event);
    app::usageEvent(windowTitle());
}

} // namespace views

#include "Dialogs.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QVBoxLayout>

namespace platform {
namespace {

class QtDialogs final : public Dialogs {
public:
    Answer message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                   Buttons buttons) override {
        static const QMessageBox::Icon icons[] = {QMessageBox::Critical, QMessageBox::Warning,
                                                  QMessageBox::Information, QMessageBox::Question};
        QMessageBox box(icons[static_cast<int>(icon)], title, text, QMessageBox::NoButton, parent);
        QAbstractButton* yes = nullptr;
        QAbstractButton* ok = nullptr;
        if (buttons == Buttons::YesNo) {
            yes = box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
            box.setEscapeButton(box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole));
        } else {
            ok = box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
            if (buttons == Buttons::OkCancel)
                box.setEscapeButton(
                    box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole));
            else
                box.setEscapeButton(ok);
        }
        box.exec();
        const QAbstractButton* clicked = box.clickedButton();
        if (buttons == Buttons::YesNo)
            return clicked && clicked == yes ? Answer::Yes : Answer::No;
        return clicked && clicked == ok ? Answer::Ok : Answer::Cancel;
    }

    std::optional<std::pair<QString, QString>> login(QWidget* parent,
                                                     const QString& text) override {
        QDialog box(parent);
        box.setWindowTitle(QStringLiteral("Autenticação"));
        auto* layout = new QVBoxLayout(&box);
        layout->addWidget(new QLabel(text, &box));
        auto* form = new QFormLayout;
        auto* user = new QLineEdit(&box);
        auto* password = new QLineEdit(&box);
        password->setEchoMode(QLineEdit::Password);
        form->addRow(QStringLiteral("Usuário:"), user);
        form->addRow(QStringLiteral("Senha:"), password);
        layout->addLayout(form);
        auto* buttons = new QDialogButtonBox(&box);
        buttons->addButton(QStringLiteral("OK"), QDialogButtonBox::AcceptRole);
        buttons->addButton(QStringLiteral("Cancelar"), QDialogButtonBox::RejectRole);
        QObject::connect(buttons, &QDialogButtonBox::accepted, &box, &QDialog::accept);
        QObject::connect(buttons, &QDialogButtonBox::rejected, &box, &QDialog::reject);
        layout->addWidget(buttons);
        if (box.exec() != QDialog::Accepted)
            return std::nullopt;
        return std::make_pair(user->text(), password->text());
    }

    QString openFile(QWidget* parent, const QString& caption, const QString& directory,
                     const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, directory, filter);
    }
};

QtDialogs realDialogs;
Dialogs* current = &realDialogs;

} // namespace

Dialogs& dialogs() {
    return *current;
}

void setDialogs(Dialogs* replacement) {
    current = replacement ? replacement : &realDialogs;
}

} // namespace platform

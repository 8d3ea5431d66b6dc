#include "Dialogs.h"

#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace platform {
namespace {

int showBox(QWidget* parent, QMessageBox::Icon icon, const QString& title, const QString& text,
            bool withCancel, bool yesNo) {
    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    if (yesNo) {
        box.addButton(QStringLiteral("&Sim"), QMessageBox::YesRole);
        auto* no = box.addButton(QStringLiteral("&Não"), QMessageBox::NoRole);
        box.setEscapeButton(no);
    } else {
        box.addButton(QStringLiteral("OK"), QMessageBox::AcceptRole);
        if (withCancel)
            box.setEscapeButton(box.addButton(QStringLiteral("Cancelar"), QMessageBox::RejectRole));
    }
    box.exec();
    const auto* clicked = box.clickedButton();
    return clicked ? static_cast<int>(box.buttonRole(const_cast<QAbstractButton*>(clicked))) : -1;
}

class QtDialogs final : public Dialogs {
public:
    void error(QWidget* parent, const QString& text) override {
        showBox(parent, QMessageBox::Critical, QStringLiteral("Erro"), text, true, false);
    }
    void warning(QWidget* parent, const QString& text) override {
        showBox(parent, QMessageBox::Warning, QStringLiteral("Alerta"), text, false, false);
    }
    void information(QWidget* parent, const QString& text) override {
        showBox(parent, QMessageBox::Information, QStringLiteral("Informação"), text, false,
                false);
    }
    bool question(QWidget* parent, const QString& text) override {
        return showBox(parent, QMessageBox::Question, QStringLiteral("Confirmação"), text, false,
                       true) == QMessageBox::YesRole;
    }
    QString openFile(QWidget* parent, const QString& caption, const QString& directory,
                     const QString& filter) override {
        return QFileDialog::getOpenFileName(parent, caption, directory, filter);
    }
};

QtDialogs realDialogs;
Dialogs* current = &realDialogs;

} // namespace

Dialogs& dialogs() { return *current; }

void setDialogs(Dialogs* replacement) { current = replacement ? replacement : &realDialogs; }

} // namespace platform

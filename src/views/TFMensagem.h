#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace views {

// Shows the whole text of one integration error.
class TFMensagem : public QDialog {
public:
    explicit TFMensagem(QWidget* parent = nullptr);

    QPlainTextEdit* Memo = nullptr;
    QPushButton* BitBtn1 = nullptr;

protected:
    void showEvent(QShowEvent* event) override;
};

} // namespace views

#pragma once

#include "views/LogDocument.h"

#include <QAbstractScrollArea>
#include <QDialog>

class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QStackedWidget;
class QToolButton;

namespace views {

// Paints only the lines in sight of a LogDocument: opening and scrolling a
// log of any size takes as long as the screenful it shows.
class LogView : public QAbstractScrollArea {
public:
    explicit LogView(QWidget* parent = nullptr);
    void setDocument(LogDocument document);
    const LogDocument& document() const { return document_; }
    qsizetype firstVisibleLine() const;
    void scrollToEnd();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void updateScrollBars();
    int lineHeight() const;
    int visibleLines() const;

    LogDocument document_;
};

// Picks a text file and shows it whole.
class TFVisualizarLog : public QDialog {
public:
    // Files up to this size open in an editable text area; larger ones in
    // the read-only line view (edits are never saved anyway).
    static constexpr qsizetype kEditableLimit = 8 * 1024 * 1024;

    explicit TFVisualizarLog(QWidget* parent = nullptr);

    void SpeedButtonClick();
    // Loads the file named in Arquivo (raises naming the file and the reason).
    void carregar();

    // What is shown: the text area's lines, or the line view's.
    QStringList linhas() const;
    bool editavel() const;

    QLabel* lblArquivo = nullptr;
    QLineEdit* Arquivo = nullptr;
    QToolButton* SpeedButton = nullptr;
    QPlainTextEdit* Memo = nullptr;
    LogView* visao = nullptr;
    QPushButton* btFechar = nullptr;

protected:
    void showEvent(QShowEvent* event) override;

private:
    QStackedWidget* pilha_ = nullptr;
};

} // namespace views

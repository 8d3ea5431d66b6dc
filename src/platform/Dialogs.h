#pragma once

#include <QString>

class QWidget;

namespace platform {

// The one seam for every prompt the panel shows: the four message boxes and
// the file chooser. Windows call dialogs(); tests install their own answers.
class Dialogs {
public:
    virtual ~Dialogs() = default;

    // "Erro", error icon, buttons "OK" and "Cancelar"; both only close it.
    virtual void error(QWidget* parent, const QString& text) = 0;
    // "Alerta", warning icon, "OK".
    virtual void warning(QWidget* parent, const QString& text) = 0;
    // "Informação", information icon, "OK".
    virtual void information(QWidget* parent, const QString& text) = 0;
    // "Confirmação", question icon, "Sim" and "Não"; true for "Sim".
    virtual bool question(QWidget* parent, const QString& text) = 0;
    // File-open chooser; an empty text when the operator cancels.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& directory,
                             const QString& filter) = 0;
};

// The seam in force: the real Qt dialogs unless a test installed others.
Dialogs& dialogs();
// Installs `replacement` (not owned); nullptr brings back the real dialogs.
void setDialogs(Dialogs* replacement);

} // namespace platform

#pragma once

#include <QString>

#include <optional>
#include <utility>

class QWidget;

namespace platform {

// The one seam for every prompt the panel shows: message boxes and the file
// chooser. Windows call dialogs(); tests install their own answers.
class Dialogs {
public:
    enum class Icon { Error, Warning, Information, Question };
    enum class Buttons { Ok, OkCancel, YesNo };
    enum class Answer { Ok, Cancel, Yes, No };

    virtual ~Dialogs() = default;

    // A modal message box; returns the button chosen (closing the box counts
    // as Cancel or No).
    virtual Answer message(QWidget* parent, Icon icon, const QString& title, const QString& text,
                           Buttons buttons) = 0;
    // The small login box asked when a server or proxy refuses the
    // credentials: user name and password, or nullopt for "Cancelar".
    virtual std::optional<std::pair<QString, QString>> login(QWidget* parent,
                                                             const QString& text) = 0;
    // File-open chooser; an empty text when the operator cancels.
    virtual QString openFile(QWidget* parent, const QString& caption, const QString& directory,
                             const QString& filter) = 0;

    // The standard boxes, with their Portuguese titles.
    void error(QWidget* parent, const QString& text) {
        message(parent, Icon::Error, QStringLiteral("Erro"), text, Buttons::Ok);
    }
    void warning(QWidget* parent, const QString& text,
                 const QString& title = QStringLiteral("Alerta")) {
        message(parent, Icon::Warning, title, text, Buttons::Ok);
    }
    void information(QWidget* parent, const QString& text) {
        message(parent, Icon::Information, QStringLiteral("Informação"), text, Buttons::Ok);
    }
    bool question(QWidget* parent, const QString& text) {
        return message(parent, Icon::Question, QStringLiteral("Confirmação"), text,
                       Buttons::YesNo) == Answer::Yes;
    }
};

// The seam in force: the real Qt dialogs unless a test installed others.
Dialogs& dialogs();
// Installs `replacement` (not owned); nullptr brings back the real dialogs.
void setDialogs(Dialogs* replacement);

} // namespace platform

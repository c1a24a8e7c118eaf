#pragma once

// The program's message boxes: information, warning, error and questions.

#include <QString>

#include <functional>

class IMessagePresenter;
class QWidget;

// Buttons: 0 OK, 1 Yes/No, 2 Yes/No/Cancel, 3 OK/Cancel, other OK.
// Kinds: 0 "Message", 1 "Warning", 2 "Error", 3 "Question", 4 "Information", other: no
// caption and no icon. The captions are English unless SetCaptionTranslator gives their
// words in the user's language.
// Returns the closing button's code: OK 1, Cancel 2, Yes 6, No 7. defaultButton (one of
// those codes) is the one Enter presses; 0 leaves it to the toolkit.
int MsgBox(IMessagePresenter& presenter, QWidget* owner, const QString& message, int buttons,
           int kind, int defaultButton = 0);

// The same with a check box of the given text under the message; checked holds its state
// before and after.
int MsgBoxChecked(IMessagePresenter& presenter, QWidget* owner, const QString& message,
                  int buttons, int kind, int defaultButton, const QString& checkBox,
                  bool& checked);

void SetCaptionTranslator(std::function<QString(const QString&)> translate);

// The toolkit's plain message box: the application title as caption, no icon, OK only.
void ShowPlainMessage(IMessagePresenter& presenter, QWidget* owner, const QString& message);

// The application's default error display for an error that ended a command.
void ShowErrorMessage(IMessagePresenter& presenter, QWidget* owner, const QString& message);

inline const QString kAppTitle = QStringLiteral("Quillmark");

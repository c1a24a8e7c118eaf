#pragma once

// Message boxes as the program asks for them: caption, icon, buttons, answer.

#include <QString>

#include <memory>

class QWidget;

enum class MsgIcon { None, Warning, Error, Question, Information };
enum class MsgButtonSet { Ok, YesNo, YesNoCancel, OkCancel };

// Button results, with the codes the system message box uses.
enum MsgResult { MsgOk = 1, MsgCancel = 2, MsgYes = 6, MsgNo = 7 };

struct MessageRequest {
    QWidget* owner = nullptr;
    QString caption;
    QString text;
    MsgIcon icon = MsgIcon::None;
    MsgButtonSet buttons = MsgButtonSet::Ok;
    int defaultButton = 0; // the MsgResult that Enter gives; 0: the toolkit's choice
    QString checkBox;       // when not empty, a check box with this text under the message
    bool* checked = nullptr; // the check box's state, in and out
};

// Shows a modal message box and returns the code of the button that closed it. Tests
// replace it with a presenter that records the request and answers by itself.
class IMessagePresenter {
public:
    virtual ~IMessagePresenter() = default;
    virtual int present(const MessageRequest& request) = 0;
};

std::unique_ptr<IMessagePresenter> createQtMessagePresenter();

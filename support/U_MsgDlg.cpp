#include "support/U_MsgDlg.h"

#include "platform/MessagePresenter.h"

#include <utility>

namespace {

std::function<QString(const QString&)>& captionTranslator() {
    static std::function<QString(const QString&)> translate;
    return translate;
}

} // namespace

void SetCaptionTranslator(std::function<QString(const QString&)> translate) {
    captionTranslator() = std::move(translate);
}

namespace {

MessageRequest boxRequest(QWidget* owner, const QString& message, int buttons, int kind,
                          int defaultButton) {
    MessageRequest request;
    request.defaultButton = defaultButton;
    request.owner = owner;
    request.text = message;
    switch (buttons) {
    case 1:
        request.buttons = MsgButtonSet::YesNo;
        break;
    case 2:
        request.buttons = MsgButtonSet::YesNoCancel;
        break;
    case 3:
        request.buttons = MsgButtonSet::OkCancel;
        break;
    default:
        request.buttons = MsgButtonSet::Ok;
        break;
    }
    static const struct {
        const char* caption;
        MsgIcon icon;
    } kinds[] = {{"Message", MsgIcon::None},
                 {"Warning", MsgIcon::Warning},
                 {"Error", MsgIcon::Error},
                 {"Question", MsgIcon::Question},
                 {"Information", MsgIcon::Information}};
    if (kind >= 0 && kind < 5) {
        request.caption = QLatin1String(kinds[kind].caption);
        if (captionTranslator())
            request.caption = captionTranslator()(request.caption);
        request.icon = kinds[kind].icon;
    }
    return request;
}

} // namespace

int MsgBox(IMessagePresenter& presenter, QWidget* owner, const QString& message, int buttons,
           int kind, int defaultButton) {
    return presenter.present(boxRequest(owner, message, buttons, kind, defaultButton));
}

int MsgBoxChecked(IMessagePresenter& presenter, QWidget* owner, const QString& message,
                  int buttons, int kind, int defaultButton, const QString& checkBox,
                  bool& checked) {
    MessageRequest request = boxRequest(owner, message, buttons, kind, defaultButton);
    request.checkBox = checkBox;
    request.checked = &checked;
    return presenter.present(request);
}

void ShowPlainMessage(IMessagePresenter& presenter, QWidget* owner, const QString& message) {
    MessageRequest request;
    request.owner = owner;
    request.caption = kAppTitle;
    request.text = message;
    presenter.present(request);
}

void ShowErrorMessage(IMessagePresenter& presenter, QWidget* owner, const QString& message) {
    MessageRequest request;
    request.owner = owner;
    request.caption = kAppTitle;
    request.text = message;
    request.icon = MsgIcon::Error;
    presenter.present(request);
}

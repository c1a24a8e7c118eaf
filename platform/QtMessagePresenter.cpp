#include "MessagePresenter.h"

#include <QMessageBox>

namespace {

class QtMessagePresenter final : public IMessagePresenter {
public:
    int present(const MessageRequest& request) override {
        QMessageBox box(request.owner);
        box.setWindowTitle(request.caption);
        box.setText(request.text);
        box.setIcon(toIcon(request.icon));
        switch (request.buttons) {
        case MsgButtonSet::YesNo:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No);
            break;
        case MsgButtonSet::YesNoCancel:
            box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
            break;
        case MsgButtonSet::OkCancel:
            box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
            break;
        case MsgButtonSet::Ok:
            box.setStandardButtons(QMessageBox::Ok);
            break;
        }
        if (request.defaultButton == MsgNo)
            box.setDefaultButton(QMessageBox::No);
        else if (request.defaultButton == MsgCancel)
            box.setDefaultButton(QMessageBox::Cancel);
        switch (box.exec()) {
        case QMessageBox::Yes:
            return MsgYes;
        case QMessageBox::No:
            return MsgNo;
        case QMessageBox::Cancel:
            return MsgCancel;
        case QMessageBox::Ok:
            return MsgOk;
        default:
            // Closed with Escape or the close box: the system box answers Cancel when it
            // has one, OK otherwise.
            return request.buttons == MsgButtonSet::Ok      ? MsgOk
                   : request.buttons == MsgButtonSet::YesNo ? MsgNo
                                                            : MsgCancel;
        }
    }

private:
    static QMessageBox::Icon toIcon(MsgIcon icon) {
        switch (icon) {
        case MsgIcon::Warning:
            return QMessageBox::Warning;
        case MsgIcon::Error:
            return QMessageBox::Critical;
        case MsgIcon::Question:
            return QMessageBox::Question;
        case MsgIcon::Information:
            return QMessageBox::Information;
        case MsgIcon::None:
            break;
        }
        return QMessageBox::NoIcon;
    }
};

} // namespace

std::unique_ptr<IMessagePresenter> createQtMessagePresenter() {
    return std::make_unique<QtMessagePresenter>();
}

#include "platform/MessagePresenter.h"

#include <QFontDatabase>
#include <QFontMetrics>
#include <QCheckBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QSpacerItem>

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
        keepCaptionReadable(box, request.caption);
        QCheckBox* check = nullptr;
        if (!request.checkBox.isEmpty() && request.checked) {
            check = new QCheckBox(request.checkBox, &box);
            check->setChecked(*request.checked);
            box.setCheckBox(check);
        }
        if (request.defaultButton == MsgNo)
            box.setDefaultButton(QMessageBox::No);
        else if (request.defaultButton == MsgCancel)
            box.setDefaultButton(QMessageBox::Cancel);
        const int pressed = box.exec();
        if (check)
            *request.checked = check->isChecked();
        switch (pressed) {
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
    // A short message makes a narrow box whose title bar cuts its caption ("Information"
    // shown as "..."); the system's box widens for its caption, and so does this one.
    static void keepCaptionReadable(QMessageBox& box, const QString& caption) {
        auto* grid = qobject_cast<QGridLayout*>(box.layout());
        if (!grid)
            return;
        const QFont title = QFontDatabase::systemFont(QFontDatabase::TitleFont);
        // Room for the frame's icon and three buttons beside the caption.
        const int width = QFontMetrics(title).horizontalAdvance(caption) + 120;
        grid->addItem(new QSpacerItem(width, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    }

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

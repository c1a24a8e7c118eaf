#include "support/U_Accessibility.h"

#include <QEvent>
#include <QWidget>

namespace {

class NameFollowsToolTip final : public QObject {
public:
    using QObject::QObject;

    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::ToolTipChange) {
            auto* control = static_cast<QWidget*>(watched);
            control->setAccessibleName(control->toolTip());
        }
        return false;
    }
};

} // namespace

void SetPictureHint(QWidget* control, const QString& hint) {
    control->setToolTip(hint);
    control->setAccessibleName(hint);
    control->installEventFilter(new NameFollowsToolTip(control));
}

#include "focuswatch.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QWidget>

namespace korim::questionnaire {

FocusWatch::FocusWatch(QWidget *field, QObject *alive)
    : QObject(field)
    , alive_(alive)
{
    field->installEventFilter(this);
}

FocusWatch *FocusWatch::on(QWidget *field, QObject *alive)
{
    // One watch per field, so reactions added later join the first ones.
    if (auto *existing = field->findChild<FocusWatch *>(QString(), Qt::FindDirectChildrenOnly))
        return existing;
    return new FocusWatch(field, alive);
}

FocusWatch &FocusWatch::gained(std::function<void()> reaction)
{
    gained_ = std::move(reaction);
    return *this;
}

FocusWatch &FocusWatch::lost(std::function<void()> reaction)
{
    lost_ = std::move(reaction);
    return *this;
}

bool FocusWatch::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if ((type != QEvent::FocusIn && type != QEvent::FocusOut) || delivering_ || !alive_)
        return QObject::eventFilter(watched, event);
    const Qt::FocusReason reason = static_cast<QFocusEvent *>(event)->reason();
    if (reason == Qt::ActiveWindowFocusReason || reason == Qt::PopupFocusReason)
        return QObject::eventFilter(watched, event);
    if (type == QEvent::FocusIn) {
        if (gained_)
            gained_();
        return QObject::eventFilter(watched, event);
    }
    // The field finishes its own leaving first (selection, caret), so a
    // reaction that puts the focus back finds it settled and blinking.
    QFocusEvent copy(QEvent::FocusOut, reason);
    delivering_ = true;
    QCoreApplication::sendEvent(watched, &copy);
    delivering_ = false;
    if (lost_ && alive_)
        lost_();
    return true;
}

} // namespace korim::questionnaire

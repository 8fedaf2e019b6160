#pragma once
// Focus-gained and focus-lost reactions of single fields, the way the old
// controls raised them: switching to another program or opening a list's
// drop-down part is not leaving the field, and neither is a modal box taking
// the keyboard for a moment.

#include <QObject>
#include <QPointer>

#include <functional>

class QWidget;

namespace korim::questionnaire {

class FocusWatch : public QObject {
    Q_OBJECT
public:
    // The reactions run only while alive still exists: the window's data
    // sources are its first children and go first when it is destroyed, so
    // a field losing the focus during the teardown finds them gone.
    static FocusWatch *on(QWidget *field, QObject *alive);

    FocusWatch &gained(std::function<void()> reaction);
    FocusWatch &lost(std::function<void()> reaction);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    FocusWatch(QWidget *field, QObject *alive);
    QPointer<QObject> alive_;
    std::function<void()> gained_;
    std::function<void()> lost_;
    bool delivering_ = false;
};

} // namespace korim::questionnaire

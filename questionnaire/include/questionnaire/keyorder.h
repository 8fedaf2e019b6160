#pragma once
// The keyboard order of the questionnaire window, kept as data: one row per
// control with its keyboard place (those of the plain fields come from their
// table). The Tab chain and the stretch that Habilita switches are both
// derived from it.

#include <QHash>
#include <QList>
#include <QString>

class QWidget;

namespace korim::questionnaire {

struct KeyPlace {
    int place;
    const char *control; // object name of the control in the window
};

// Places 10 to 36 are the stretch Habilita switches on and off.
constexpr int kStretchFirst = 10;
constexpr int kStretchLast = 36;

// Every control with a keyboard place, in place order.
const QList<KeyPlace> &keyboardOrder();

// Stores each control's place on it (read back with keyboardPlace()) and
// chains the controls that take focus in place order. Returns the names of
// the table that name no control of window (empty when all resolve).
QList<const char *> applyKeyboardOrder(QWidget *window);

// The control the Tab key (forward) or Shift+Tab moves to from the one that
// holds focused (a list's editor, a grid's cell or a tab bar count as their
// control): the next in place order that is shown, enabled and takes the
// Tab key, round to the first after the last. Nullptr when focused belongs
// to no control of the order. Qt's own chain cannot be trusted for this:
// setTabOrder moves a compound control with its children and the tab
// control holds every page, so controls made later end up out of place.
QWidget *nextTabStop(const QWidget *window, const QWidget *focused, bool forward);

// The keyboard place stored on a control; -1 for controls without one.
int keyboardPlace(const QWidget *control);

// Switches every control under root whose place lies in the stretch; hidden
// ones change their enabled state and stay hidden.
void setStretchEnabled(QWidget *root, bool enabled);

// The named controls under root, by object name (the first one found when
// two share a name).
QHash<QString, QWidget *> controlsByName(const QWidget *root);

} // namespace korim::questionnaire

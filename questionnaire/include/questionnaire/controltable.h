#pragma once
// The plain text fields of the questionnaire window, described once: where
// each sits, what it takes, the DATOPROV field it shows, whether the
// required-data check asks for it and its keyboard place. The layout, the
// bound fields, the key modes, the required list and the Tab chain are all
// made from this table; only the special controls (masked fields, lists,
// grids, options, frames) are made in code.

#include "questionnaire/keypipeline.h"

#include <QList>
#include <QRect>
#include <QString>
#include <QStringView>

namespace korim::questionnaire {

// How a field starts, before start-up or Habilita change it.
enum FieldDesign : unsigned {
    kShown = 0,
    kHidden = 1, // never shown; bound ones still carry their value to the save
    kLocked = 2, // disabled
};

struct PlainField {
    const char *name;      // object name; handlers that need one keep a member of that name
    const char *container; // object name of the frame or tab page it sits in ("Form1": the window)
    int tab;               // the tab that holds it, -1 above the tabs
    const char *label;     // UTF-8; nullptr: no label
    QRect labelRect;       // width 0: as wide as the text; height 0: a field's height
    QRect fieldRect;
    int maxLength;   // 0: no limit
    KeyMode keys;    // what typed characters become
    const char *bound; // DATOPROV field shown and saved; nullptr: none
    const char *tag;   // "1": required data (see application/requireditems.h); "R" and "": not
    const char *toolTip; // UTF-8; nullptr for a required field, whose tooltip is its name in the message
    int keyPlace;      // keyboard place
    unsigned design = kShown;
};

// Every plain field, grouped by container in the order they are made.
const QList<PlainField> &plainFields();

// The row of a field; nullptr when name is no plain field.
const PlainField *plainField(QStringView name);

// A field's tooltip: for a required field its name in the required-data message.
QString fieldToolTip(const PlainField &field);

// The fields bound to the required items, in the order of the message.
QList<const PlainField *> requiredOrder();

} // namespace korim::questionnaire

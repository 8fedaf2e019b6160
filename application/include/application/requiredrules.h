#pragma once
// The list of missing required data (DatosRequeridos without the window).

#include <QList>
#include <QString>

#include <optional>

namespace korim::application {

// A control of the window as the check sees it, in the window's order.
struct RequiredControl {
    QString tag;     // "1" marks a required field
    QString text;
    QString toolTip; // the name reported when it is missing
};

// The items examined after the tagged fields.
struct RequiredFacts {
    bool activitySelected = false;
    QString activityToolTip;
    bool bankSelected = false;
    QString bankToolTip;
    bool programmeTypeSet = false; // one of the three programme-type options
    bool hasProducts = false;      // PROVMERC holds a record
};

// One missing item, in the order of the message.
struct MissingItem {
    enum Kind { Control, Activity, Bank, ProgrammeType, Products };
    Kind kind = Control;
    int control = -1; // for a control, its index in the controls given
    QString name;     // as appended to the message; may be empty
};

struct RequiredCheck {
    int FaltanDatos = 0;            // 1 when anything is missing
    std::optional<QString> message; // none when the list of names stays empty
    QList<MissingItem> missing;
};

inline const QString kRequiredTitle = QStringLiteral("Dato requerido");

// A text of blanks only (tabs and other white space too) counts as empty.
// Names are joined with "," + carriage return; the window's message layer
// turns the carriage returns into line breaks. A missing item with an empty
// name still sets FaltanDatos.
RequiredCheck requiredData(const QList<RequiredControl> &controls, const RequiredFacts &facts);

} // namespace korim::application

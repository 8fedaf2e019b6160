#include "application/requiredrules.h"

namespace korim::application {

namespace {

bool blankOnly(const QString &text)
{
    for (QChar c : text) {
        if (!c.isSpace())
            return false;
    }
    return true;
}

} // namespace

RequiredCheck requiredData(const QList<RequiredControl> &controls, const RequiredFacts &facts)
{
    RequiredCheck result;
    QString list;
    auto missing = [&](MissingItem::Kind kind, const QString &name, int control = -1) {
        result.FaltanDatos = 1;
        result.missing.append({kind, control, name});
        if (list.isEmpty())
            list = name;
        else
            list += QStringLiteral(",\r") + name;
    };

    for (int i = 0; i < controls.size(); ++i) {
        const RequiredControl &control = controls.at(i);
        if (control.tag == QLatin1String("1") && blankOnly(control.text))
            missing(MissingItem::Control, control.toolTip, i);
    }
    if (!facts.activitySelected)
        missing(MissingItem::Activity, facts.activityToolTip);
    if (!facts.bankSelected)
        missing(MissingItem::Bank, facts.bankToolTip);
    if (!facts.programmeTypeSet)
        missing(MissingItem::ProgrammeType, QStringLiteral("Tipo de Registro"));
    if (!facts.hasProducts)
        missing(MissingItem::Products, QStringLiteral("Productos de exportaci\u00f3n"));

    if (!list.isEmpty())
        result.message = QStringLiteral("La siguiente informaci\u00f3n es requerida: \r") + list
                         + QStringLiteral("\r\r");
    return result;
}

} // namespace korim::application

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
    auto missing = [&](const QString &name) {
        result.FaltanDatos = 1;
        if (list.isEmpty())
            list = name;
        else
            list += QStringLiteral(",\r") + name;
    };

    for (const RequiredControl &control : controls) {
        if (control.tag == QLatin1String("1") && blankOnly(control.text))
            missing(control.toolTip);
    }
    if (!facts.activitySelected)
        missing(facts.activityToolTip);
    if (!facts.bankSelected)
        missing(facts.bankToolTip);
    if (!facts.programmeTypeSet)
        missing(QStringLiteral("Tipo de Registro"));
    if (!facts.hasProducts)
        missing(QStringLiteral("Productos de exportaci\u00f3n"));

    if (!list.isEmpty())
        result.message = QStringLiteral("La siguiente informaci\u00f3n es requerida: \r") + list
                         + QStringLiteral("\r\r");
    return result;
}

} // namespace korim::application

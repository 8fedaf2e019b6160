#include "report/composition.h"

#include "application/rules.h"

namespace korim::report {

namespace {

QString spaces(int n)
{
    return QString(n, QLatin1Char(' '));
}

QString underscores(int n)
{
    return QString(n, QLatin1Char('_'));
}

const QChar kLf = QLatin1Char('\n');

// The year column: the field as text, whole numbers without decimals.
QString yearText(const QVariantList &record)
{
    const QVariant v = record.value(0);
    if (!v.isValid() || v.isNull())
        return {};
    if (v.typeId() == QMetaType::QString)
        return v.toString();
    return application::plainNumber(v.toDouble());
}

QString amountColumn(const QVariantList &record, int position, int width, const QLocale &locale)
{
    const QVariant value = record.value(position);
    QString formatted;
    if (value.isValid() && !value.isNull())
        formatted = application::formatWithPattern(application::numericValueOf(value),
                                                     QStringLiteral("###,###,###.#0"), locale)
                        .trimmed();
    // A figure wider than its column is printed whole: cutting its leading
    // digits would print a different amount on a signed form.
    if (formatted.size() > 16)
        return formatted;
    return (spaces(qMax(width - 2, 0)) + formatted).right(16);
}

// Heading then rows; an empty walk leaves the table out altogether.
void appendTotales(QString &out, const ApplicationInput &in)
{
    if (in.totales.isEmpty())
        return;
    out += kLf;
    out += QStringLiteral("Ventas totales e intercambio comercial con el exterior\n");
    out += underscores(31) + kLf;
    out += kLf;
    out += QStringLiteral("Año") + spaces(3) + QStringLiteral("Ventas Totales") + spaces(3)
           + QStringLiteral("Ventas Totales") + spaces(3) + QStringLiteral("Exportacion") + spaces(5)
           + QStringLiteral("Importacion") + spaces(15) + QStringLiteral("%") + spaces(5)
           + QStringLiteral("tipo de Cambio") + kLf;
    out += spaces(59) + kLf;
    out += spaces(5) + QStringLiteral("|(miles de pesos)|") + underscores(23) + QStringLiteral("(miles de dolares) ")
           + underscores(23) + QStringLiteral("|") + kLf;
    for (const QVariantList &record : in.totales) {
        out += yearText(record);
        for (int position : {1, 2, 3, 4, 5, 6})
            out += FormateaTotales(record, position, 30, in.locale);
        out += kLf;
    }
}

void appendVentasExp(QString &out, const ApplicationInput &in)
{
    if (in.ventasExp.isEmpty())
        return;
    out += kLf;
    out += QStringLiteral("Ventas a exportadores finales realizadas atraves de :\n");
    out += underscores(31) + kLf;
    out += kLf;
    out += QStringLiteral("Año") + spaces(3) + QStringLiteral("Constancia") + spaces(3)
           + QStringLiteral("Carta Exportador") + spaces(3) + QStringLiteral("operaciones virtuales") + spaces(5)
           + QStringLiteral("total") + spaces(15) + QStringLiteral("tipo de Cambio") + kLf;
    out += spaces(59) + kLf;
    out += QStringLiteral("|") + underscores(2) + QStringLiteral("(miles de pesos) ") + underscores(2)
           + QStringLiteral("|") + underscores(23) + QStringLiteral("(miles de dolares) ") + underscores(23)
           + QStringLiteral("|") + kLf;
    for (const QVariantList &record : in.ventasExp) {
        out += yearText(record);
        for (int position : {1, 3, 4, 5, 6})
            out += FormateaVentasExp(record, position, 30, in.locale);
        out += kLf;
    }
}

} // namespace

QString FormateaTotales(const QVariantList &record, int position, int width, const QLocale &locale)
{
    return amountColumn(record, position, width, locale);
}

QString FormateaVentasExp(const QVariantList &record, int position, int width, const QLocale &locale)
{
    return amountColumn(record, position, width, locale);
}

QString reportDate(const QDate &date, const QLocale &locale)
{
    // The separator is the one the locale's short date puts between day,
    // month and year.
    QChar separator = QLatin1Char('/');
    for (QChar c : locale.dateFormat(QLocale::ShortFormat)) {
        if (!c.isLetter() && c != QLatin1Char('\'')) {
            separator = c;
            break;
        }
    }
    // Some locales end their abbreviations with a point ("Dez."), which
    // would stand next to the separator.
    QString month = locale.monthName(date.month(), QLocale::ShortFormat);
    if (month.endsWith(QLatin1Char('.')))
        month.chop(1);
    return QStringLiteral("%1%2%3%2%4")
        .arg(date.day(), 2, 10, QLatin1Char('0'))
        .arg(separator)
        .arg(month)
        .arg(date.year(), 4, 10, QLatin1Char('0'));
}

QString generalNumber(double value, const QLocale &locale)
{
    QString text = application::plainNumber(value);
    text.replace(QLatin1Char('.'), locale.decimalPoint());
    if (text.startsWith(QLatin1Char('-')))
        text.replace(0, 1, locale.negativeSign());
    return text;
}

ComposedApplication ComponeSolicitud(const ApplicationInput &in)
{
    // 1. Programme-type slots.
    QString slot1 = QStringLiteral(" ");
    QString slot2 = QStringLiteral(" ");
    if (in.prodFinal)
        slot1 = QStringLiteral("Productor Directo");
    if (in.prodIndirecto)
        slot2 = QStringLiteral("Productor Indirecto");
    if (in.abastecedor)
        slot2 = QStringLiteral("Productor Directo e Indirecto");

    // 2. Title block.
    const QString title = QStringLiteral("SECRETARIA DE ZENTORIA\n"
                                         "CUESTIONARIO DE SOLICITUD DE PROGRAMA KORIM\n"
                                         "\n"
                                         "DATOS DE LA SOLICITUD \n"
                                         "\n");

    // 3. Applicant block.
    QString applicant;
    applicant += QStringLiteral("TIPO DE TRAMITE      : ") + in.tipoTramite + spaces(4)
                 + QStringLiteral("TIPO DE PROGRAMA : ") + slot1 + spaces(1) + slot2 + spaces(5) + kLf;
    applicant += kLf;
    applicant += QStringLiteral("RFC : ") + in.rfc + spaces(7) + QStringLiteral("NOMBRE O RAZON SOCIAL : ")
                 + in.apePat + spaces(1) + in.apeMat + spaces(1) + in.nombre + kLf;
    applicant += QStringLiteral("DOMICILIO FISCAL   :\n");
    applicant += QStringLiteral("CALLE    :") + in.calle + spaces(4) + QStringLiteral("COLONIA  :") + in.colonia
                 + spaces(15) + QStringLiteral("CODIGO POSTAL  :") + in.cp + spaces(4) + QStringLiteral("ESTADO   :")
                 + in.estado + kLf;
    applicant += QStringLiteral("CIUDAD  :") + in.ciudad + spaces(5) + QStringLiteral("MUNICIPIO O DELEGACIÓN  :")
                 + in.delMun + kLf;
    applicant += kLf;
    // The federal entity of an address is its state.
    applicant += QStringLiteral("ENTIDAD FEDERATIVA   :") + in.estado + spaces(11) + QStringLiteral("TELEFONO(S)  :")
                 + in.telefono + spaces(5) + QStringLiteral("FAX   :") + in.fax + kLf;
    applicant += QStringLiteral("CORREO ELECTRONICO        : ") + in.email + kLf;
    applicant += QStringLiteral("ACTIVIDAD PRINCIPAL  :  ") + in.actividad + kLf;
    applicant += QStringLiteral("ADMON. LOCAL DE RECAUDACION   :") + in.admLocal + kLf;
    applicant += kLf;

    // 4. Representative block.
    QString representative;
    representative += QStringLiteral("DATOS DEL REPRESENTANTE LEGAL \n");
    representative += QStringLiteral("APELLIDO PATERNO  : ") + in.repApePat + kLf;
    representative += QStringLiteral("APELLIDO MATERNO Y NOMBRE(S)  : ") + in.repApeMat + spaces(3) + in.repNombre + kLf;
    representative += QStringLiteral("TELEFONO      : ") + in.repTelefono + kLf;
    representative += QStringLiteral("FAX    :") + in.repFax + kLf;
    representative += QStringLiteral("CORREO ELECTRONICO       : ") + in.repEmail + kLf;
    representative += kLf;

    // 5. Personnel and sales block.
    const double personal = application::numericValue(in.empleados) + application::numericValue(in.obreros);
    const double ventas = application::numericValue(in.ventasPais) + application::numericValue(in.ventasExterior);
    QString personnel;
    personnel += QStringLiteral("Personal ocupado el año anterior                  "
                                "Valor de las ventas en el año anterior\n");
    personnel += QStringLiteral("   (Promedio en el Año)                                      (En miles de pesos)\n");
    personnel += kLf;
    personnel += QStringLiteral("  No. de empleados : ") + in.empleados + spaces(35) + QStringLiteral("  En el pais  : ")
                 + in.ventasPais + kLf;
    personnel += QStringLiteral("  No. de obreros   : ") + in.obreros + spaces(35) + QStringLiteral("  Al Exterior : ")
                 + in.ventasExterior + kLf;
    personnel += QStringLiteral("  Total            : ") + generalNumber(personal, in.locale) + spaces(35)
                 + QStringLiteral("  Total       : ") + generalNumber(ventas, in.locale);

    // 6 and 7. The two sales tables.
    QString totales;
    appendTotales(totales, in);
    QString ventasExp;
    appendVentasExp(ventasExp, in);

    // 8. Products block.
    QString products;
    if (!in.productos.isEmpty()) {
        qsizetype size = 0;
        for (const QString &p : in.productos)
            size += p.size() + 8;
        products.reserve(size + 128);
        products += QStringLiteral("\n\nPrincipales productos exportados en el año anterior\n");
        products += underscores(31) + kLf;
        products += kLf;
        products += QStringLiteral(" Descipcion ") + kLf;
        for (const QString &p : in.productos)
            products += spaces(7) + p + kLf;
    }

    // 9. Bank block.
    QString bank;
    bank += QStringLiteral("Nombre de banco : ") + in.banco + spaces(5) + QStringLiteral("Sucursal : ") + in.sucursal
            + kLf;
    bank += QStringLiteral("Numero de cuenta : ") + in.numCuenta + spaces(10) + QStringLiteral("Localidad : ")
            + in.localidad + kLf;
    bank += QStringLiteral("Domicilio de la sucursal bancaria : ") + in.domSucursal;

    // 10. Declaration block.
    const QString declaration = QStringLiteral(
        "\n\n"
        "         MANIFIESTO BAJO PROTESTA DE DECIR LA VERDAD, QUE LOS DATOS ASENTADOS EN LA PRESENTE SOLICITUD\n"
        "Y EN SUS ANEXOS SON CIERTOS Y VERIFICABLES EN CUALQUIER MOMENTO POR LAS AUTORIDADES COMPETENTES.\n"
        "\n"
        "\n");

    // 11. Which sales tables enter the text.
    QString sales;
    if (in.prodFinal)
        sales = totales;
    else if (in.prodIndirecto)
        sales = ventasExp;
    else
        sales = totales + ventasExp;

    // 12. Assembly, then the signature block.
    ComposedApplication out;
    out.titleLength = int(title.size());
    out.rfc = in.rfc;
    QString &t = out.text;
    t.reserve(title.size() + applicant.size() + personnel.size() + products.size() + sales.size() + bank.size()
              + declaration.size() + representative.size() + 600);
    t += title;
    t += kLf;
    t += applicant;
    t += personnel;
    t += products;
    t += kLf;
    t += sales;
    t += kLf;
    t += bank;
    t += kLf;
    t += declaration;
    t += kLf;
    t += representative;
    t += spaces(125) + QStringLiteral("LUGAR : __________________________________") + kLf;
    t += spaces(125) + QStringLiteral("FECHA : ") + reportDate(in.today, in.locale) + kLf;
    t += kLf;
    t += kLf;
    t += kLf;
    t += spaces(140) + underscores(20) + kLf;
    t += spaces(150) + QStringLiteral("FIRMA");
    return out;
}

} // namespace korim::report

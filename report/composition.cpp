#include "report/composition.h"

#include "data/datasource.h"
#include "data/dbf.h"

#include "application/rules.h"

#include <initializer_list>

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

// The rows of one sales table: the year, then the amounts of the given positions.
void appendSalesRows(QString &out, const QList<QVariantList> &records, std::initializer_list<int> positions,
                     const QLocale &locale)
{
    for (const QVariantList &record : records) {
        out += yearText(record);
        for (int position : positions)
            out += application::reportAmount(record.value(position), locale, 30);
        out += kLf;
    }
}

// Heading then rows; an empty walk leaves the table out altogether.
QString totalesTable(const ApplicationInput &in)
{
    if (in.totales.isEmpty())
        return {};
    QString out;
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
    appendSalesRows(out, in.totales, {1, 2, 3, 4, 5, 6}, in.locale);
    return out;
}

// Position 2 of these records is not printed.
QString ventasExpTable(const ApplicationInput &in)
{
    if (in.ventasExp.isEmpty())
        return {};
    QString out;
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
    appendSalesRows(out, in.ventasExp, {1, 3, 4, 5, 6}, in.locale);
    return out;
}

// The programme's options decide which of the two tables are printed.
QString salesTables(const ApplicationInput &in)
{
    if (in.prodFinal)
        return totalesTable(in);
    if (in.prodIndirecto)
        return ventasExpTable(in);
    return totalesTable(in) + ventasExpTable(in);
}

QString titleBlock()
{
    return QStringLiteral("SECRETARIA DE ZENTORIA\n"
                          "CUESTIONARIO DE SOLICITUD DE PROGRAMA KORIM\n"
                          "\n"
                          "DATOS DE LA SOLICITUD \n"
                          "\n");
}

QString applicantBlock(const ApplicationInput &in)
{
    // Two slots for the programme type; the combined option takes the second.
    QString slot1 = QStringLiteral(" ");
    QString slot2 = QStringLiteral(" ");
    if (in.prodFinal)
        slot1 = QStringLiteral("Productor Directo");
    if (in.prodIndirecto)
        slot2 = QStringLiteral("Productor Indirecto");
    if (in.abastecedor)
        slot2 = QStringLiteral("Productor Directo e Indirecto");

    QString out;
    out += QStringLiteral("TIPO DE TRAMITE      : ") + in.tipoTramite + spaces(4)
           + QStringLiteral("TIPO DE PROGRAMA : ") + slot1 + spaces(1) + slot2 + spaces(5) + kLf;
    out += kLf;
    out += QStringLiteral("RFC : ") + in.rfc + spaces(7) + QStringLiteral("NOMBRE O RAZON SOCIAL : ") + in.apePat
           + spaces(1) + in.apeMat + spaces(1) + in.nombre + kLf;
    out += QStringLiteral("DOMICILIO FISCAL   :\n");
    out += QStringLiteral("CALLE    :") + in.calle + spaces(4) + QStringLiteral("COLONIA  :") + in.colonia
           + spaces(15) + QStringLiteral("CODIGO POSTAL  :") + in.cp + spaces(4) + QStringLiteral("ESTADO   :")
           + in.estado + kLf;
    out += QStringLiteral("CIUDAD  :") + in.ciudad + spaces(5) + QStringLiteral("MUNICIPIO O DELEGACIÓN  :")
           + in.delMun + kLf;
    out += kLf;
    // The federal entity of an address is its state.
    out += QStringLiteral("ENTIDAD FEDERATIVA   :") + in.estado + spaces(11) + QStringLiteral("TELEFONO(S)  :")
           + in.telefono + spaces(5) + QStringLiteral("FAX   :") + in.fax + kLf;
    out += QStringLiteral("CORREO ELECTRONICO        : ") + in.email + kLf;
    out += QStringLiteral("ACTIVIDAD PRINCIPAL  :  ") + in.actividad + kLf;
    out += QStringLiteral("ADMON. LOCAL DE RECAUDACION   :") + in.admLocal + kLf;
    out += kLf;
    return out;
}

// Ends without a line feed: the products or the sales tables bring their own.
QString personnelBlock(const ApplicationInput &in)
{
    const double personal = application::numericValue(in.empleados) + application::numericValue(in.obreros);
    const double ventas = application::numericValue(in.ventasPais) + application::numericValue(in.ventasExterior);
    QString out;
    out += QStringLiteral("Personal ocupado el año anterior                  "
                          "Valor de las ventas en el año anterior\n");
    out += QStringLiteral("   (Promedio en el Año)                                      (En miles de pesos)\n");
    out += kLf;
    out += QStringLiteral("  No. de empleados : ") + in.empleados + spaces(35) + QStringLiteral("  En el pais  : ")
           + in.ventasPais + kLf;
    out += QStringLiteral("  No. de obreros   : ") + in.obreros + spaces(35) + QStringLiteral("  Al Exterior : ")
           + in.ventasExterior + kLf;
    out += QStringLiteral("  Total            : ") + generalNumber(personal, in.locale) + spaces(35)
           + QStringLiteral("  Total       : ") + generalNumber(ventas, in.locale);
    return out;
}

// An empty list leaves the block out altogether.
QString productsBlock(const ApplicationInput &in)
{
    QString out;
    if (in.productos.isEmpty())
        return out;
    qsizetype size = 0;
    for (const QString &p : in.productos)
        size += p.size() + 8;
    out.reserve(size + 128);
    out += QStringLiteral("\n\nPrincipales productos exportados en el año anterior\n");
    out += underscores(31) + kLf;
    out += kLf;
    out += QStringLiteral(" Descipcion ") + kLf;
    for (const QString &p : in.productos)
        out += spaces(7) + p + kLf;
    return out;
}

QString bankBlock(const ApplicationInput &in)
{
    QString out;
    out += QStringLiteral("Nombre de banco : ") + in.banco + spaces(5) + QStringLiteral("Sucursal : ") + in.sucursal
           + kLf;
    out += QStringLiteral("Numero de cuenta : ") + in.numCuenta + spaces(10) + QStringLiteral("Localidad : ")
           + in.localidad + kLf;
    out += QStringLiteral("Domicilio de la sucursal bancaria : ") + in.domSucursal;
    return out;
}

QString declarationBlock()
{
    return QStringLiteral(
        "\n\n"
        "         MANIFIESTO BAJO PROTESTA DE DECIR LA VERDAD, QUE LOS DATOS ASENTADOS EN LA PRESENTE SOLICITUD\n"
        "Y EN SUS ANEXOS SON CIERTOS Y VERIFICABLES EN CUALQUIER MOMENTO POR LAS AUTORIDADES COMPETENTES.\n"
        "\n"
        "\n");
}

// The legal representative, then place, date and the line to sign on.
QString signatureBlock(const ApplicationInput &in)
{
    QString out;
    out += QStringLiteral("DATOS DEL REPRESENTANTE LEGAL \n");
    out += QStringLiteral("APELLIDO PATERNO  : ") + in.repApePat + kLf;
    out += QStringLiteral("APELLIDO MATERNO Y NOMBRE(S)  : ") + in.repApeMat + spaces(3) + in.repNombre + kLf;
    out += QStringLiteral("TELEFONO      : ") + in.repTelefono + kLf;
    out += QStringLiteral("FAX    :") + in.repFax + kLf;
    out += QStringLiteral("CORREO ELECTRONICO       : ") + in.repEmail + kLf;
    out += kLf;
    out += spaces(125) + QStringLiteral("LUGAR : __________________________________") + kLf;
    out += spaces(125) + QStringLiteral("FECHA : ") + reportDate(in.today, in.locale) + kLf;
    out += kLf;
    out += kLf;
    out += kLf;
    out += spaces(140) + underscores(20) + kLf;
    out += spaces(150) + QStringLiteral("FIRMA");
    return out;
}

} // namespace

QString FormateaTotales(const QVariantList &record, int position, int width, const QLocale &locale)
{
    return application::reportAmount(record.value(position), locale, width);
}

QString FormateaVentasExp(const QVariantList &record, int position, int width, const QLocale &locale)
{
    return application::reportAmount(record.value(position), locale, width);
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
    const QString title = titleBlock();
    const QString parts[] = {kLf, applicantBlock(in), personnelBlock(in), productsBlock(in), kLf, salesTables(in),
                             kLf, bankBlock(in), kLf, declarationBlock(), kLf, signatureBlock(in)};
    ComposedApplication out;
    out.titleLength = int(title.size());
    out.rfc = in.rfc;
    qsizetype size = title.size();
    for (const QString &part : parts)
        size += part.size();
    out.text.reserve(size);
    out.text += title;
    for (const QString &part : parts)
        out.text += part;
    return out;
}

std::optional<ComposedApplication> composeSnapshot(const std::function<korim::application::Snapshot()> &snapshot,
                                                   const QDate &today, const QLocale &locale, QString *failure)
{
    try {
        application::Snapshot in = snapshot();
        in.today = today;
        in.locale = locale;
        return ComponeSolicitud(in);
    } catch (const korim::data::DataError &e) {
        *failure = e.description();
    } catch (const korim::data::DbfError &e) {
        *failure = e.message();
    } catch (const std::exception &e) {
        *failure = QString::fromLocal8Bit(e.what());
    }
    return std::nullopt;
}

} // namespace korim::report

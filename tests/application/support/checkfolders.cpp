#include "application/support/checkfolders.h"

#include "application/support/appfolder.h"
#include "support/testsupport.h"

#include "data/dbf.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

namespace korim::test {

using korim::data::DbfTable;

namespace {

// What a diskette holds: the four delivered tables and nothing else.
const QStringList kNotDelivered = {QStringLiteral("admlocal.dbf"), QStringLiteral("catbanco.dbf")};

void delivered(const QString &dir, FolderSpec spec)
{
    spec.omit += kNotDelivered;
    makeDataFolder(dir, spec);
}

FolderSpec complete()
{
    FolderSpec spec;
    QVariantMap app = completeApplication();
    app.insert(QStringLiteral("RFC"), QStringLiteral(" ABC800101AB3")); // its check digit agrees
    spec.application = app;
    spec.products = {QStringLiteral("MESA DE PINO"), QStringLiteral("SILLA DE ENCINO")};
    return spec;
}

FolderSpec completeWith(const QVariantMap &changes)
{
    FolderSpec spec = complete();
    for (auto it = changes.begin(); it != changes.end(); ++it)
        spec.application->insert(it.key(), it.value());
    return spec;
}

// Rewrites the row-th VENTAS record of a kind (counting from 0) with the
// figures given by position.
void setSalesRow(const QString &dir, int kind, int row, const QMap<int, QVariant> &figures)
{
    auto table = DbfTable::open(tablePath(dir, QStringLiteral("VENTAS.dbf")));
    for (int r = 0, seen = 0; r < table->recordCount(); ++r) {
        if (table->value(r, 8).toInt() != kind || seen++ != row)
            continue;
        QVariantList values = table->record(r);
        for (auto it = figures.begin(); it != figures.end(); ++it)
            values[it.key()] = it.value();
        table->updateRecord(r, values);
        return;
    }
    qFatal("no such sales row");
}

void renameTo(const QString &dir, const QString &from, const QString &to)
{
    if (!QFile::rename(QDir(dir).filePath(from), QDir(dir).filePath(to)))
        qFatal("cannot rename");
}

} // namespace

QList<CheckCase> checkCases()
{
    const QString sur = QStringLiteral("EXPORTADORA DEL SUR");
    const QString rfc = QStringLiteral("ABC800101AB3");
    // rfc, name, programme type, activity, personnel, sales, indirect sales, products
    const QStringList usual = {rfc, sur, QStringLiteral("4"), QStringLiteral("337110"), QStringLiteral("15"),
                               QStringLiteral("0"), QStringLiteral("0"), QStringLiteral("2")};
    auto with = [&usual](std::initializer_list<std::pair<int, QString>> changes) {
        QStringList fields = usual;
        for (const auto &[at, value] : changes)
            fields[at] = value;
        return fields;
    };
    const QStringList none = {QString(), QString(), QString(), QString(), QString(), QString(), QString(), QString()};
    const QString requiredMissing = QStringLiteral("error: falta información requerida: %1");

    return {
        {QStringLiteral("completa"),
         [](const QString &dir) {
             delivered(dir, complete());
             setSalesRow(dir, 1, 0, {{0, 2004}, {1, 2000}, {2, 200}, {3, 200}, {6, 10}}); // exports equal to sales
             setSalesRow(dir, 2, 0, {{0, 2004}, {1, 100}, {3, 200}, {4, 300}});
         },
         {QStringLiteral("sin observaciones")},
         with({{5, QStringLiteral("2000")}, {6, QStringLiteral("600")}})},
        {QStringLiteral("de fábrica"), [](const QString &dir) { copyShippedData(dir); },
         {QStringLiteral("error: datoprov.dbf no tiene ninguna solicitud")},
         {QString(), QString(), QString(), QString(), QString(), QStringLiteral("0"), QStringLiteral("0"),
          QStringLiteral("0")}},
        {QStringLiteral("dígito verificador"),
         [](const QString &dir) { delivered(dir, completeWith({{QStringLiteral("RFC"), QStringLiteral(" ABC800101AB1")}})); },
         {QStringLiteral("aviso: el dígito verificador del RFC no corresponde (debería ser «3»)")},
         with({{0, QStringLiteral("ABC800101AB1")}})},
        {QStringLiteral("genérico"),
         [](const QString &dir) { delivered(dir, completeWith({{QStringLiteral("RFC"), QStringLiteral("XAXX010101000")}})); },
         {QStringLiteral("sin observaciones")}, with({{0, QStringLiteral("XAXX010101000")}})},
        {QStringLiteral("RFC con tres errores"),
         [](const QString &dir) { delivered(dir, completeWith({{QStringLiteral("RFC"), QStringLiteral("GOMJ801332ABa")}})); },
         {QStringLiteral("error: El valor del mes del RFC es incorrecto"),
          QStringLiteral("error: El valor del dia del RFC es incorrecto"),
          QStringLiteral("error: El ultimo digito del RFC debe ser A ó del 0 al 9")},
         with({{0, QStringLiteral("GOMJ801332ABa")}})},
        {QStringLiteral("RFC de empresa sin espacio"),
         [](const QString &dir) { delivered(dir, completeWith({{QStringLiteral("RFC"), QStringLiteral("ABC800101AB3")}})); },
         // The mask shifts nothing: the "A" that meets a digit place is dropped.
         {QStringLiteral("error: El primer digito del RFC debe ser un espacio "),
          QStringLiteral("error: El valor del dia del RFC es incorrecto"),
          QStringLiteral("error: El ultimo digito del RFC debe ser A ó del 0 al 9")},
         usual},
        {QStringLiteral("RFC vacío"),
         [](const QString &dir) { delivered(dir, completeWith({{QStringLiteral("RFC"), QString()}})); },
         {QStringLiteral("error: El RFC no puede ser menor de 13")}, with({{0, QString()}})},
        {QStringLiteral("faltan datos"),
         [](const QString &dir) {
             FolderSpec spec;
             QVariantMap app = sampleApplication();
             app.insert(QStringLiteral("RFC"), QStringLiteral(" ABC800101AB3"));
             app.insert(QStringLiteral("TIPOPROG"), 0);
             app.insert(QStringLiteral("CP"), QStringLiteral("   "));
             spec.application = app;
             delivered(dir, spec);
         },
         {requiredMissing.arg(QStringLiteral("Domicilio")), requiredMissing.arg(QStringLiteral("Localidad")),
          requiredMissing.arg(QStringLiteral("Número Cuenta")), requiredMissing.arg(QStringLiteral("Nombre rep. legal")),
          requiredMissing.arg(QStringLiteral("Telefono rep. Legal")),
          requiredMissing.arg(QStringLiteral("Delegación o Municipio")), requiredMissing.arg(QStringLiteral("Teléfono")),
          requiredMissing.arg(QStringLiteral("codigo postal")), requiredMissing.arg(QStringLiteral("Tipo de Registro")),
          requiredMissing.arg(QStringLiteral("Productos de exportación"))},
         with({{2, QStringLiteral("0")}, {7, QStringLiteral("0")}})},
        {QStringLiteral("sin nombre ni colonia"),
         [](const QString &dir) {
             delivered(dir, completeWith({{QStringLiteral("APEPATRAZ"), QString()}, {QStringLiteral("COLONIA"), QString()}}));
         },
         // The window's message has no name for either, and so shows nothing.
         {requiredMissing.arg(QStringLiteral("Razón Social o Apellido Paterno")), requiredMissing.arg(QStringLiteral("Colonia"))},
         with({{1, QString()}})},
        {QStringLiteral("exportaciones mayores"),
         [](const QString &dir) {
             delivered(dir, complete());
             setSalesRow(dir, 1, 0, {{0, 2004}, {1, 2000}, {2, 200}, {3, 300}, {6, 10}});
             setSalesRow(dir, 1, 2, {{3, decimal("0.5")}}); // no sales in dollars yet
         },
         {QStringLiteral("error: Las Exportaciones no pueden ser mayor a las ventas totales (renglón 1, año 2004: "
                         "exportación 300, ventas 200 miles de dólares)"),
          QStringLiteral("error: Las Exportaciones no pueden ser mayor a las ventas totales (renglón 3: "
                         "exportación 0.5, ventas 0 miles de dólares)")},
         with({{5, QStringLiteral("2000")}})},
        {QStringLiteral("tipo de programa 3"),
         [](const QString &dir) { delivered(dir, completeWith({{QStringLiteral("TIPOPROG"), 3}})); },
         {requiredMissing.arg(QStringLiteral("Tipo de Registro")),
          QStringLiteral("error: el tipo de programa es 3; debe ser 1, 2 o 4")},
         with({{2, QStringLiteral("3")}})},
        {QStringLiteral("avisos"),
         [](const QString &dir) {
             FolderSpec spec = completeWith({{QStringLiteral("ACTIVIDAD"), 999999}, {QStringLiteral("CVEBANCO"), 0}});
             spec.products = {QStringLiteral("MESA"), QStringLiteral("  "), QString()};
             spec.salesRowsKind1 = 4;
             delivered(dir, spec);
             // A second application after the first.
             auto table = DbfTable::open(tablePath(dir, QStringLiteral("datoprov.dbf")));
             table->appendRecord(table->record(0));
         },
         {QStringLiteral("aviso: datoprov.dbf tiene 2 solicitudes; se revisa la primera, la que abre el programa"),
          QStringLiteral("aviso: la clave de actividad 999999 no está en activida.dbf"),
          QStringLiteral("aviso: no tiene clave de banco"),
          QStringLiteral("aviso: VENTAS.dbf tiene 4 renglones de TIPO 1; deben ser tres"),
          QStringLiteral("aviso: 2 productos no tienen descripción; el primero es el 2")},
         with({{3, QStringLiteral("999999")}, {7, QStringLiteral("3")}})},
        {QStringLiteral("sin actividad"),
         [](const QString &dir) { delivered(dir, completeWith({{QStringLiteral("ACTIVIDAD"), QVariant()}})); },
         {QStringLiteral("aviso: no tiene clave de actividad")}, with({{3, QString()}})},
        {QStringLiteral("renglones de ventas"),
         [](const QString &dir) {
             FolderSpec spec = complete();
             spec.salesRowsKind2 = 2;
             delivered(dir, spec);
         },
         {QStringLiteral("error: La tabla VENTAS.dbf tiene 2 renglones de TIPO 2; debe tener al menos tres.")},
         with({{5, QString()}, {6, QString()}})},
        {QStringLiteral("falta una tabla"),
         [](const QString &dir) {
             FolderSpec spec = complete();
             spec.omit = {QStringLiteral("PROVMERC.dbf")};
             delivered(dir, spec);
         },
         {QStringLiteral("error: falta la tabla PROVMERC.dbf")}, with({{7, QString()}})},
        {QStringLiteral("tabla dañada"),
         [](const QString &dir) {
             delivered(dir, complete());
             const QString path = tablePath(dir, QStringLiteral("VENTAS.dbf"));
             QByteArray bytes = readAll(path);
             put32(bytes, 4, 5000); // far more records than the file holds
             writeAll(path, bytes);
         },
         // The engine's own words.
         {QStringLiteral("error: En el archivo VENTAS.dbf el número de registros del encabezado (5000) no coincide "
                         "con el tamaño del archivo.")}, with({{5, QString()}, {6, QString()}})},
        {QStringLiteral("catálogo vacío"),
         [](const QString &dir) {
             delivered(dir, complete());
             const QString path = tablePath(dir, QStringLiteral("activida.dbf"));
             const QList<korim::data::FieldDef> fields = DbfTable::open(path)->fields();
             QFile::remove(path);
             DbfTable::create(path, fields);
         },
         {QStringLiteral("error: El catálogo activida.dbf está vacío; debe tener al menos un registro.")}, usual},
        {QStringLiteral("MAYÚSCULAS"),
         [](const QString &dir) {
             delivered(dir, complete());
             for (const char *name : {"datoprov.dbf", "PROVMERC.dbf", "VENTAS.dbf", "activida.dbf"})
                 renameTo(dir, QLatin1String(name), QString::fromLatin1(name).toUpper());
         },
         {QStringLiteral("sin observaciones")}, usual},
        {QStringLiteral("dos archivos"),
         [](const QString &dir) {
             delivered(dir, complete());
             QFile::copy(tablePath(dir, QStringLiteral("datoprov.dbf")), tablePath(dir, QStringLiteral("DatoProv.DBF")));
         },
         {QStringLiteral("error: hay más de un archivo para la tabla datoprov.dbf (DatoProv.DBF y datoprov.dbf), que "
                         "sólo se distinguen por mayúsculas y minúsculas")},
         with({{0, QString()}, {1, QString()}, {2, QString()}, {3, QString()}, {4, QString()}})},
        {QStringLiteral("carpeta por tabla"),
         [](const QString &dir) {
             delivered(dir, complete());
             QFile::remove(tablePath(dir, QStringLiteral("VENTAS.dbf")));
             QDir(dir).mkdir(QStringLiteral("ventas.dbf"));
         },
         {QStringLiteral("error: ventas.dbf es una carpeta y no una tabla")}, with({{5, QString()}, {6, QString()}})},
        {QStringLiteral("comillas, comas y acentos"),
         [](const QString &dir) {
             delivered(dir, completeWith({{QStringLiteral("APEPATRAZ"), QStringLiteral("MUEBLES \"EL PINO\", S.A.")},
                                          {QStringLiteral("APEMAT"), QStringLiteral("PEÑA")},
                                          {QStringLiteral("NOMBRE"), QStringLiteral("JOSÉ")}}));
         },
         {QStringLiteral("sin observaciones")}, with({{1, QStringLiteral("MUEBLES \"EL PINO\", S.A. PEÑA JOSÉ")}})},
        {QStringLiteral("vacía"), [](const QString &) {},
         {QStringLiteral("error: no tiene ninguna de las tablas del disco (datoprov.dbf, PROVMERC.dbf, VENTAS.dbf, "
                         "activida.dbf)")},
         none},
    };
}

QStringList makeCheckFolders(const QString &parent)
{
    QStringList folders;
    for (const CheckCase &c : checkCases()) {
        const QString dir = QDir(parent).filePath(c.name);
        QDir().mkpath(dir);
        c.make(dir);
        folders.append(dir);
    }
    return folders;
}

void addWindowFiles(const QString &folder)
{
    QTemporaryDir scratch;
    const QString full = makeDataFolder(scratch.path(), {});
    for (const char *name : {"admlocal.dbf", "catbanco.dbf"}) {
        const QString target = tablePath(folder, QLatin1String(name));
        if (!QFile::exists(target))
            QFile::copy(tablePath(full, QLatin1String(name)), target);
    }
    const QString considera = QDir(folder).filePath(QStringLiteral("considera.txt"));
    if (!QFile::exists(considera))
        QFile::copy(QDir(shippedDataFolder()).filePath(QStringLiteral("considera.txt")), considera);
}

} // namespace korim::test

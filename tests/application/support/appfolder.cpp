#include "application/support/appfolder.h"

#include "support/testsupport.h"

#include "data/dbf.h"

#include <QDir>
#include <QFile>
#include <QProcess>

namespace korim::test {

using korim::data::DbfTable;
using korim::data::FieldDef;
using korim::data::FieldType;

namespace {

FieldDef c(const char *name, int length)
{
    return {QString::fromLatin1(name), FieldType::Character, length, 0, 0};
}

FieldDef n(const char *name, int length, int decimals = 0)
{
    return {QString::fromLatin1(name), FieldType::Numeric, length, decimals, 0};
}

QList<FieldDef> datoprovFields()
{
    return {c("RFC", 13),        c("APEPATRAZ", 100), c("APEMAT", 100),     c("NOMBRE", 25),
            c("EMAIL", 50),      c("PROG1P", 4),      c("PROG2P", 4),       c("ACREDITA", 10),
            c("CALLEYNO", 254),  c("COLONIA", 30),    c("CP", 5),           c("ESTADO", 30),
            c("CIUDAD", 60),     c("DELMUN", 40),     c("TELEFONO", 15),    n("TIPOTRAM", 2),
            c("FAX", 15),        c("APEPREPLEG", 25), c("APEMREPLEG", 25),  c("NOMBREREPL", 25),
            c("CVESOLIC", 2),    n("TIPOPROG", 1),    n("ACTIVIDAD", 6),    c("CARGO", 60),
            c("TEL_REPREG", 25), c("FAXREP", 25),     c("EMAILREPL", 50),   c("NOEMPLEADO", 15),
            n("ADMLOCAL", 4),    c("NOOBREROS", 15),  n("NUMMAQUILA", 6),   n("ANOMAQUILA", 4),
            c("VTPAIS", 20),     c("VTEXTERIOR", 20), n("BANCO", 10),       n("CVEBANCO", 10),
            c("SUCURSAL", 60),   c("NUMCUENTA", 20),  c("LOCALIDAD", 60),   c("DOMBANCO", 254)};
}

bool chattr(const QString &flag, const QStringList &paths, QString *error)
{
    QProcess p;
    p.start(QStringLiteral("chattr"), QStringList{flag} + paths);
    if (!p.waitForFinished(10000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0) {
        if (error)
            *error = QString::fromLocal8Bit(p.readAllStandardError()).trimmed() + p.errorString();
        return false;
    }
    return true;
}

} // namespace

QList<Catalogue> testOffices()
{
    return {{12, QStringLiteral("Administración Local de Aguas Claras")},
            {27, QStringLiteral("Administración Local de Almendral")},
            {5, QStringLiteral("Administración Local de Bahía Serena")},
            {31, QStringLiteral("Administración Local de Barranca Honda")}};
}

QList<Catalogue> testBanks()
{
    return {{127, QStringLiteral("Banca Altiplano de Fomento")},
            {3, QStringLiteral("Banca Cumbre Azul")},
            {104, QStringLiteral("Banca Industrial Zentoriana")},
            {135, QStringLiteral("Banca Lucero del Norte")},
            {9, QStringLiteral("Banco del Valle")}};
}

QList<Activity> testActivities()
{
    return {{QStringLiteral("Cultivo de granos básicos"), 111101},
            {QStringLiteral("Cultivo de hortalizas"), 111201},
            {QStringLiteral("Cría de ganado"), 112101},
            {QStringLiteral("Pesca de altura"), 114101},
            {QStringLiteral("Fabricación de muebles"), 337110},
            {QStringLiteral("Elaboración de conservas"), 311401}};
}

QString tablePath(const QString &folder, const QString &fileName)
{
    return QDir(folder).filePath(fileName);
}

QVariantMap sampleApplication()
{
    return {
        {QStringLiteral("RFC"), QStringLiteral(" ABC800101AB1")},
        {QStringLiteral("APEPATRAZ"), QStringLiteral("EXPORTADORA DEL SUR")},
        {QStringLiteral("EMAIL"), QStringLiteral("ventas@sur.com")},
        {QStringLiteral("CALLEYNO"), QStringLiteral("AV. CENTRAL 100")},
        {QStringLiteral("COLONIA"), QStringLiteral("CENTRO")},
        {QStringLiteral("CP"), QStringLiteral("01000")},
        {QStringLiteral("ESTADO"), QStringLiteral("NORTE")},
        {QStringLiteral("TIPOTRAM"), 1},
        {QStringLiteral("CVESOLIC"), QStringLiteral("14")},
        {QStringLiteral("TIPOPROG"), 4},
        {QStringLiteral("ACTIVIDAD"), 337110},   // the fifth activity
        {QStringLiteral("CARGO"), QStringLiteral("DIRECTOR")},
        {QStringLiteral("NOEMPLEADO"), QStringLiteral("3")},
        {QStringLiteral("NOOBREROS"), QStringLiteral("12")},
        {QStringLiteral("ADMLOCAL"), 5},         // the third office
        {QStringLiteral("NUMMAQUILA"), 0},
        {QStringLiteral("ANOMAQUILA"), 0},
        {QStringLiteral("VTPAIS"), QStringLiteral("1000")},
        {QStringLiteral("VTEXTERIOR"), QStringLiteral("250.5")},
        {QStringLiteral("BANCO"), 3},
        {QStringLiteral("CVEBANCO"), 3},          // the second bank
        {QStringLiteral("SUCURSAL"), QStringLiteral("MATRIZ")},
    };
}

QVariantMap completeApplication()
{
    QVariantMap app = sampleApplication();
    app.insert(QStringLiteral("DELMUN"), QStringLiteral("SAN ISIDRO"));
    app.insert(QStringLiteral("TELEFONO"), QStringLiteral("5551234"));
    app.insert(QStringLiteral("NOMBREREPL"), QStringLiteral("ANA"));
    app.insert(QStringLiteral("TEL_REPREG"), QStringLiteral("5559876"));
    app.insert(QStringLiteral("NUMCUENTA"), QStringLiteral("00112233"));
    app.insert(QStringLiteral("LOCALIDAD"), QStringLiteral("PUERTO NUEVO"));
    app.insert(QStringLiteral("DOMBANCO"), QStringLiteral("AV. DEL MAR 3"));
    return app;
}

QString makeDataFolder(const QString &dir, const FolderSpec &spec)
{
    QDir().mkpath(dir);
    auto write = [&](const QString &file, const QList<FieldDef> &fields, const QList<QVariantList> &rows) {
        if (!spec.omit.contains(file))
            DbfTable::create(tablePath(dir, file), fields, rows);
    };

    const QList<FieldDef> datoprov = datoprovFields();
    QList<QVariantList> application;
    if (spec.application) {
        QVariantList record;
        for (const FieldDef &f : datoprov)
            record.append(spec.application->value(f.name));
        application.append(record);
    }
    write(QStringLiteral("datoprov.dbf"), datoprov, application);

    QList<QVariantList> activities;
    const QList<Activity> acts = testActivities();
    for (int i = 0; i < acts.size(); ++i)
        activities.append({i, QStringLiteral("S%1").arg(i), acts[i].text, acts[i].code});
    write(QStringLiteral("activida.dbf"), {n("NUMERO", 5), c("SECTOR", 4), c("DESCRIPCIO", 120), n("CLAVE", 6)},
          activities);

    QList<QVariantList> offices;
    if (!spec.emptyOffices) {
        for (const Catalogue &o : testOffices())
            offices.append({o.key, o.text});
    }
    write(QStringLiteral("admlocal.dbf"), {n("CLAVE", 4), c("NOMBRE", 60)}, offices);

    QList<QVariantList> banks;
    for (const Catalogue &b : testBanks())
        banks.append({b.key, QStringLiteral("B%1").arg(b.key), b.text});
    write(QStringLiteral("catbanco.dbf"), {n("CLAVE", 4), c("SIGLAS", 10), c("NOMBRE", 60)}, banks);

    QList<QVariantList> ventas;
    const QStringList labels = {QStringLiteral("Año anterior"), QStringLiteral("Año actual"),
                                QStringLiteral("Año siguiente"), QStringLiteral("Otro")};
    // Kinds interleaved, so a query that ignored the kind would show.
    for (int i = 0; i < qMax(spec.salesRowsKind1, spec.salesRowsKind2); ++i) {
        if (i < spec.salesRowsKind1)
            ventas.append({0, 0, 0, 0, 0, 0, 0, labels.value(i), 1});
        if (i < spec.salesRowsKind2)
            ventas.append({0, 0, 0, 0, 0, 0, 0, labels.value(i), 2});
    }
    write(QStringLiteral("VENTAS.dbf"),
          {n("ANO", 4), n("VTOT", 18, 2), n("VTOTD", 18, 4), n("EXPORTA", 18, 2), n("IMPORTA", 18, 2),
           n("SALDO", 18, 2), n("TC", 12, 4), c("ETIQUETA", 30), n("TIPO", 1)},
          ventas);

    QList<QVariantList> products;
    for (int i = 0; i < spec.products.size(); ++i)
        products.append({i + 1, QString(), spec.products[i]});
    write(QStringLiteral("PROVMERC.dbf"), {n("NUMPROD", 3), c("RFC", 13), c("DESCRIPCIO", 150)}, products);
    return dir;
}

QByteArray fileBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return f.readAll();
}

QMap<QString, QByteArray> folderBytes(const QString &folder)
{
    QMap<QString, QByteArray> out;
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden | QDir::System))
        out.insert(name, fileBytes(dir.filePath(name)));
    return out;
}

Unwritable::Unwritable(const QString &folder)
{
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files))
        paths_ << dir.filePath(name);
    paths_ << dir.absolutePath();
    active_ = chattr(QStringLiteral("+i"), paths_, &why_);
    if (!active_)
        chattr(QStringLiteral("-i"), paths_, nullptr);
}

Unwritable::~Unwritable()
{
    if (active_)
        chattr(QStringLiteral("-i"), paths_, nullptr);
}

QJsonArray salesRows(const QString &folder, int kind)
{
    QJsonArray out;
    for (const QJsonValue &row : readWithDbfread(tablePath(folder, QStringLiteral("VENTAS.dbf")))) {
        if (row.toArray().at(8).toInt() == kind)
            out.append(row);
    }
    return out;
}

} // namespace korim::test

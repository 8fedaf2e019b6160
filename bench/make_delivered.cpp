// Makes COUNT delivered diskettes for the check benchmark, each a folder
// with the four tables of a diskette, in the layouts of the shipped data
// folder: applications like the ones clerks fill in, varied from folder to
// folder (names, RFCs, figures, products, the catalogue's activities) and
// now and then wrong the ways real ones are (a mistyped check digit, a
// missing item, exports above sales, an unknown activity, upper-case names).
//   korim_bench_delivered <shipped-folder> <parent> <count>
#include "application/rfcrules.h"
#include "data/dbf.h"
#include "data/folder.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <cstdlib>
#include <random>

using namespace korim::data;

namespace {

// A table file built in memory: the engine's own header for the layout
// (made once), the engine's encoding of every field, no flush per file.
class Layout {
public:
    Layout(const QString &shippedTable, const QString &scratch)
    {
        const auto table = DbfTable::open(shippedTable);
        fields_ = table->fields();
        for (FieldDef &f : fields_)
            f.offset = 0;
        DbfTable::create(scratch, fields_);
        QFile file(scratch);
        if (!file.open(QIODevice::ReadOnly))
            throw DbfError(scratch, QStringLiteral("no se pudo leer"));
        header_ = file.readAll();
        header_.chop(1); // the end-of-file mark
        fields_ = DbfTable::open(scratch)->fields();
    }
    const QList<FieldDef> &fields() const { return fields_; }

    QByteArray file(const QList<QVariantList> &rows) const
    {
        QByteArray out = header_;
        const quint32 n = quint32(rows.size());
        for (int i = 0; i < 4; ++i)
            out[4 + i] = char((n >> (8 * i)) & 0xFF);
        for (const QVariantList &row : rows) {
            out += ' ';
            for (int f = 0; f < fields_.size(); ++f)
                out += encodeField(fields_[f], f < row.size() ? row[f] : QVariant());
        }
        out += '\x1A';
        return out;
    }

private:
    QList<FieldDef> fields_;
    QByteArray header_;
};

void write(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size())
        throw DbfError(path, QStringLiteral("no se pudo escribir"));
}

const char *const kCompanies[] = {"EXPORTADORA DEL SUR", "MUEBLES FINOS DEL BAJIO", "CONSERVAS LA HUERTA",
                                  "TEXTILES DEL NORTE", "AGROINDUSTRIAS SAN JUAN", "CERAMICA TALAVERA REAL",
                                  "MANUFACTURAS DE ACERO DEL GOLFO", "PESQUERA BAHIA SERENA"};
const char *const kStreets[] = {"AV. CENTRAL 100", "CALLE 5 DE MAYO 23", "CARRETERA FEDERAL KM 12",
                                "BLVD. DE LOS PINOS 456"};
const char *const kProducts[] = {"MESA DE PINO", "SILLA DE ENCINO", "CHILES EN CONSERVA", "TELA DE ALGODON",
                                 "PLATOS DE TALAVERA", "VIGAS DE ACERO", "ATUN ENLATADO", "MANGO FRESCO",
                                 "ROPERO DE CEDRO", "JUGO DE NARANJA"};

const int kProgrammes[] = {1, 2, 4};

QString letters(std::mt19937 &rng, int n)
{
    static const char abc[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ";
    QString s;
    for (int i = 0; i < n; ++i)
        s += QLatin1Char(abc[rng() % 26]);
    return s;
}

QString makeRfc(std::mt19937 &rng, int variant)
{
    const bool company = rng() % 3 != 0;
    QString rfc = company ? QStringLiteral(" ") + letters(rng, 3) : letters(rng, 4);
    rfc += QStringLiteral("%1%2%3")
               .arg(int(rng() % 100), 2, 10, QLatin1Char('0'))
               .arg(variant == 1 ? 13 : int(1 + rng() % 12), 2, 10, QLatin1Char('0'))
               .arg(int(1 + rng() % 28), 2, 10, QLatin1Char('0'));
    rfc += letters(rng, 1) + QString::number(rng() % 10);
    const auto digit = korim::application::rfcCheckDigit(rfc + QLatin1Char('0'));
    QChar last = digit ? *digit : QLatin1Char('0');
    if (variant == 2) // mistyped
        last = last == QLatin1Char('1') ? QLatin1Char('2') : QLatin1Char('1');
    return rfc + last;
}

// One application record in the layout of the shipped table.
QVariantList applicationRecord(std::mt19937 &rng, const QList<FieldDef> &fields, int i, int fault,
                               const QString &rfc, const QList<qlonglong> &codes)
{
    QVariantList record;
    for (const FieldDef &f : fields) {
        const QString n = f.name;
        QVariant value;
        if (n == QLatin1String("RFC"))
            value = rfc;
        else if (n == QLatin1String("APEPATRAZ"))
            value = QStringLiteral("%1 %2").arg(QLatin1String(kCompanies[rng() % 8])).arg(i);
        else if (n == QLatin1String("CALLEYNO"))
            value = QLatin1String(kStreets[rng() % 4]);
        else if (n == QLatin1String("TIPOPROG"))
            value = fault == 7 ? 0 : kProgrammes[rng() % 3];
        else if (n == QLatin1String("ACTIVIDAD"))
            value = fault == 8 ? 999999 : codes[int(rng() % codes.size())];
        else if (n == QLatin1String("NOEMPLEADO") || n == QLatin1String("NOOBREROS"))
            value = QString::number(1 + rng() % 300);
        else if (n == QLatin1String("VTPAIS") || n == QLatin1String("VTEXTERIOR"))
            value = QString::number(1000 + rng() % 90000);
        else if (n == QLatin1String("CVESOLIC"))
            value = QStringLiteral("14");
        else if (n == QLatin1String("EMAIL") || n == QLatin1String("EMAILREPL"))
            value = QStringLiteral("contacto%1@empresa.com").arg(i);
        else if (f.type == FieldType::Numeric)
            value = int(1 + rng() % 9);
        else if (n == QLatin1String("APEMAT") || n == QLatin1String("NOMBRE") || n == QLatin1String("FAX")
                 || n == QLatin1String("FAXREP") || n == QLatin1String("APEMREPLEG"))
            value = QString();
        else
            value = QStringLiteral("%1 %2").arg(n).arg(rng() % 1000).left(f.length);
        record.append(value);
    }
    if (fault >= 10 && fault < 17) // one required item left out
        record[int(8 + rng() % 30)] = QVariant();
    return record;
}

// Three rows of each kind, the derived columns as the grids compute them.
QList<QVariantList> salesRows(std::mt19937 &rng, int fault)
{
    QList<QVariantList> sales;
    for (int kind = 1; kind <= 2; ++kind) {
        for (int y = 0; y < 3; ++y) {
            const double pesos = double(1000 + rng() % 500000);
            const double rate = 10.0 + double(rng() % 1000) / 100.0;
            const double dollars = double(qRound64(pesos / rate * 10000)) / 10000;
            double exports = double(qRound64(dollars * double(rng() % 100))) / 100;
            if (fault == 9 && y == 0 && kind == 1)
                exports = dollars + 10;
            const QString label = y == 0   ? QStringLiteral("Año anterior")
                                  : y == 1 ? QStringLiteral("Año actual")
                                           : QStringLiteral("Año siguiente");
            if (kind == 1) {
                sales.append({2025 + y, pesos, dollars, exports, double(rng() % 5000),
                              dollars != 0 ? double(qRound64(exports / dollars * 10000)) / 100 : 0.0, rate, label,
                              kind});
            } else {
                const qlonglong a = qlonglong(pesos) / 10, b = qlonglong(pesos) / 20, c = qlonglong(pesos) / 40;
                sales.append({2025 + y, a, 0, b, c, a + b + c, 0, label, kind});
            }
        }
    }
    return sales;
}

QList<QVariantList> productRows(std::mt19937 &rng, int fault, const QString &rfc)
{
    QList<QVariantList> products;
    const int n = fault == 17 ? 0 : int(1 + rng() % 25);
    for (int p = 0; p < n; ++p)
        products.append({p + 1, rfc, QStringLiteral("%1 MODELO %2").arg(QLatin1String(kProducts[rng() % 10])).arg(p + 1)});
    return products;
}

struct Source {
    Layout datoprov, ventas, provmerc;
    QByteArray activities;  // copied as it is
    QList<qlonglong> codes; // its activity codes
};

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw DbfError(path, QStringLiteral("no se pudo leer"));
    return file.readAll();
}

Source readSource(const QString &shipped, const QString &scratch)
{
    Source source{Layout(findFileNoCase(shipped, QStringLiteral("datoprov.dbf")), scratch),
                  Layout(findFileNoCase(shipped, QStringLiteral("VENTAS.dbf")), scratch),
                  Layout(findFileNoCase(shipped, QStringLiteral("PROVMERC.dbf")), scratch),
                  {},
                  {}};
    QFile::remove(scratch);
    const QString activities = findFileNoCase(shipped, QStringLiteral("activida.dbf"));
    source.activities = readBytes(activities);
    const auto table = DbfTable::open(activities);
    for (int r = 0; r < table->recordCount(); ++r)
        source.codes.append(table->value(r, 3).toLongLong());
    return source;
}

void makeFolder(std::mt19937 &rng, const Source &source, const QString &dir, int i)
{
    const int fault = int(rng() % 100); // most folders are fine
    QDir().mkpath(dir);
    const QString rfc = makeRfc(rng, fault < 2 ? 1 : fault < 5 ? 2 : 0);
    const QVariantList record = applicationRecord(rng, source.datoprov.fields(), i, fault, rfc, source.codes);
    const QList<QVariantList> sales = salesRows(rng, fault);
    const QList<QVariantList> products = productRows(rng, fault, rfc);
    const bool upper = fault >= 90;
    auto name = [upper](const char *file) {
        return upper ? QString::fromLatin1(file).toUpper() : QString::fromLatin1(file);
    };
    write(QDir(dir).filePath(name("datoprov.dbf")), source.datoprov.file({record}));
    write(QDir(dir).filePath(name("PROVMERC.dbf")), source.provmerc.file(products));
    write(QDir(dir).filePath(name("VENTAS.dbf")), source.ventas.file(sales));
    write(QDir(dir).filePath(name("activida.dbf")), source.activities);
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s <shipped-folder> <parent> <count>\n", argv[0]);
        return 2;
    }
    const QString shipped = QString::fromLocal8Bit(argv[1]);
    const QString parent = QString::fromLocal8Bit(argv[2]);
    const int count = std::atoi(argv[3]);
    try {
        QDir().mkpath(parent);
        const Source source = readSource(shipped, QDir(parent).filePath(QStringLiteral(".scratch.dbf")));
        std::mt19937 rng(20260101);
        for (int i = 0; i < count; ++i)
            makeFolder(rng, source, QDir(parent).filePath(QStringLiteral("%1").arg(i, 6, 10, QLatin1Char('0'))), i);
    } catch (const DbfError &e) {
        std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
        return 1;
    }
    return 0;
}

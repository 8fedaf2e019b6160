#include "application/diskcheck.h"

#include "application/rfcrules.h"
#include "application/discorules.h"
#include "application/gridrules.h"
#include "application/mask.h"
#include "application/requireditems.h"
#include "application/rfcrules.h"
#include "application/rules.h"
#include "application/schema.h"
#include "tablecheck.h"

#include "data/dbf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <array>
#include <condition_variable>
#include <cstring>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#ifndef Q_OS_WIN
#include <cerrno>
#include <dirent.h>
#include <sys/stat.h>
#endif

namespace korim::application {

using namespace korim::data;
namespace d = schema::datoprov;
namespace v = schema::ventas;

namespace {

// ---- The folder and its four tables ----

struct Entry {
    enum Kind { Missing, File, Directory, Other, Ambiguous };
    Kind kind = Missing;
    QString path;
    QStringList names; // every name that matched, sorted
};

struct Listing {
    struct Name {
        QString name;
        Entry::Kind kind = Entry::Missing; // Missing: to be asked of the file system
    };
    QList<Name> names;
    QString problem; // the folder itself cannot be checked
};

#ifndef Q_OS_WIN
QString reason(int err)
{
    switch (err) {
    case EACCES:
    case EPERM:
        return QStringLiteral("no hay permiso");
    case EIO:
        return QStringLiteral("error de entrada/salida del disco");
    case ELOOP:
        return QStringLiteral("demasiados enlaces simbólicos");
    case ENAMETOOLONG:
        return QStringLiteral("el nombre es demasiado largo");
    default:
        return QStringLiteral("error %1 del sistema").arg(err);
    }
}
#endif

// One listing serves the four names: a folder on a slow medium is read once.
Listing listFolder(const QString &folder)
{
    Listing listing;
#ifdef Q_OS_WIN
    const QFileInfo info(folder);
    if (!info.exists())
        listing.problem = QStringLiteral("la carpeta no existe");
    else if (!info.isDir())
        listing.problem = QStringLiteral("no es una carpeta");
    else if (!info.isReadable())
        listing.problem = QStringLiteral("no se puede leer la carpeta");
    else {
        for (const QString &name :
             QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot))
            listing.names.append({name});
    }
#else
    const QByteArray native = QFile::encodeName(folder);
    DIR *dir = ::opendir(native.constData());
    if (!dir) {
        const int err = errno;
        struct stat st {};
        if (err == ENOENT || (err == ENOTDIR && ::stat(native.constData(), &st) != 0))
            listing.problem = QStringLiteral("la carpeta no existe");
        else if (err == ENOTDIR)
            listing.problem = QStringLiteral("no es una carpeta");
        else
            listing.problem = QStringLiteral("no se puede leer la carpeta (%1)").arg(reason(err));
        return listing;
    }
    for (;;) {
        errno = 0;
        const dirent *e = ::readdir(dir);
        if (!e) {
            if (errno != 0)
                listing.problem = QStringLiteral("no se puede leer la carpeta (%1)").arg(reason(errno));
            break;
        }
        if (std::strcmp(e->d_name, ".") == 0 || std::strcmp(e->d_name, "..") == 0)
            continue;
        // Most file systems say what an entry is; links and the rest are asked.
        const Entry::Kind kind = e->d_type == DT_REG   ? Entry::File
                                 : e->d_type == DT_DIR ? Entry::Directory
                                                       : Entry::Missing;
        listing.names.append({QFile::decodeName(e->d_name), kind});
    }
    ::closedir(dir);
#endif
    return listing;
}

// As the program looks a table up: its name without regard to case, and
// what stands there (links followed).
Entry lookUp(const QString &folder, const QList<Listing::Name> &names, const QString &fileName)
{
    Entry entry;
    Entry::Kind kind = Entry::Missing;
    for (const Listing::Name &name : names) {
        if (name.name.compare(fileName, Qt::CaseInsensitive) == 0) {
            entry.names.append(name.name);
            kind = name.kind;
        }
    }
    if (entry.names.isEmpty())
        return entry;
    if (entry.names.size() > 1) {
        entry.names.sort();
        entry.kind = Entry::Ambiguous;
        return entry;
    }
    entry.path = folder + QLatin1Char('/') + entry.names.first();
    if (kind == Entry::Missing) {
        const QFileInfo info(entry.path);
        kind = info.isFile() ? Entry::File : info.isDir() ? Entry::Directory : Entry::Other;
    }
    entry.kind = kind;
    return entry;
}

QString entryFinding(const Entry &entry, const QString &fileName)
{
    switch (entry.kind) {
    case Entry::File:
        return {};
    case Entry::Missing:
        return QStringLiteral("falta la tabla %1").arg(fileName);
    case Entry::Directory:
        return QStringLiteral("%1 es una carpeta y no una tabla").arg(entry.names.first());
    case Entry::Other:
        return QStringLiteral("%1 no es un archivo normal").arg(entry.names.first());
    case Entry::Ambiguous: {
        QStringList names = entry.names;
        const QString last = names.takeLast();
        return QStringLiteral("hay más de un archivo para la tabla %1 (%2 y %3), que sólo se distinguen por "
                              "mayúsculas y minúsculas")
            .arg(fileName, names.join(QStringLiteral(", ")), last);
    }
    }
    return {};
}

struct Table {
    std::shared_ptr<DbfTable> table;
    bool usable = false; // read by the engine and laid out as the program needs
    QString fileName;    // as found on the medium
};

// The order of diskFiles().
enum { Datoprov, Provmerc, Ventas, Actividad };

// ---- The application judged by the window's rules ----

class Checker {
public:
    explicit Checker(DeliveredCheck &out)
        : out_(out)
    {
    }

    void error(const QString &text) { out_.findings.append({Finding::Error, text}); }
    void warning(const QString &text) { out_.findings.append({Finding::Warning, text}); }

    bool openTables(const QString &folder);
    void checkApplication();
    void checkSales();
    void checkProducts();

private:
    QString text(int row, int position) const;
    QString text(int row, const char *field) const;
    void checkRfcOf(const QString &stored);
    void checkRequired(int row);
    void checkActivity(const QVariant &code);

    DeliveredCheck &out_;
    std::array<Table, kDiskFileCount> tables_;
};

bool Checker::openTables(const QString &given)
{
    // Made absolute once here rather than by every table that opens.
    const QString folder = QDir::isAbsolutePath(given) ? given : QDir::current().absoluteFilePath(given);
    const Listing listing = listFolder(folder);
    if (!listing.problem.isEmpty()) {
        error(listing.problem);
        return false;
    }
    std::array<Entry, kDiskFileCount> entries;
    bool any = false;
    for (int i = 0; i < kDiskFileCount; ++i) {
        entries[size_t(i)] = lookUp(folder, listing.names, diskFiles()[size_t(i)].source);
        any = any || entries[size_t(i)].kind != Entry::Missing;
    }
    if (!any) {
        QStringList names;
        for (const DiskFile &file : diskFiles())
            names.append(file.source);
        error(QStringLiteral("no tiene ninguna de las tablas del disco (%1)").arg(names.join(QStringLiteral(", "))));
        return false;
    }
    for (int i = 0; i < kDiskFileCount; ++i) {
        const Entry &entry = entries[size_t(i)];
        Table &table = tables_[size_t(i)];
        table.fileName = entry.names.isEmpty() ? diskFiles()[size_t(i)].source : entry.names.first();
        if (const QString problem = entryFinding(entry, diskFiles()[size_t(i)].source); !problem.isEmpty()) {
            error(problem);
            continue;
        }
        try {
            table.table = DbfTable::open(entry.path);
        } catch (const DbfError &e) {
            error(engineProblem(entry.path, e));
            continue;
        }
        const QString problem = tableProblem(entry.path, *table.table);
        table.usable = problem.isEmpty();
        if (!table.usable)
            error(problem);
    }
    return true;
}

QString Checker::text(int row, int position) const
{
    // As a bound field shows the stored value.
    return tables_[Datoprov].table->value(row, position).toString();
}

QString Checker::text(int row, const char *field) const
{
    return text(row, tables_[Datoprov].table->fieldIndex(QLatin1String(field)));
}

void Checker::checkApplication()
{
    const Table &t = tables_[Datoprov];
    if (!t.usable)
        return;
    const int records = t.table->recordCount();
    if (records == 0) {
        error(QStringLiteral("%1 no tiene ninguna solicitud").arg(t.fileName));
        return;
    }
    if (records > 1)
        warning(QStringLiteral("%1 tiene %2 solicitudes; se revisa la primera, la que abre el programa")
                    .arg(t.fileName)
                    .arg(records));
    const int row = 0;

    const QString stored = text(row, d::RFC);
    out_.rfc = stored.trimmed();
    QStringList name;
    for (const char *field : {d::APEPATRAZ, d::APEMAT, d::NOMBRE}) {
        if (const QString part = text(row, field).trimmed(); !part.isEmpty())
            name.append(part);
    }
    out_.name = name.join(QLatin1Char(' '));
    out_.programmeType = text(row, d::TipoPrograma);
    out_.personnel = plainNumber(numericValue(text(row, d::NOEMPLEADO)) + numericValue(text(row, d::NOOBREROS)));

    checkRfcOf(stored);
    checkRequired(row);

    // 0 or nothing is "no type chosen yet", which the required data names.
    const QString &type = out_.programmeType;
    if (!type.isEmpty() && type != QLatin1String("0") && type != QLatin1String("1") && type != QLatin1String("2")
        && type != QLatin1String("4"))
        error(QStringLiteral("el tipo de programa es %1; debe ser 1, 2 o 4").arg(type));

    const QVariant activity = t.table->value(row, d::Actividad);
    out_.activity = activity.toString();
    checkActivity(activity);

    if (numericValueOf(t.table->value(row, d::Banco)) == 0)
        warning(QStringLiteral("no tiene clave de banco"));
}

void Checker::checkRfcOf(const QString &stored)
{
    // The field shows the stored RFC placed in its mask, and the check reads the field.
    const QString shown = placeInMask(rfcMask(), QLatin1Char(' '), stored);
    const RfcCheck check = checkRfc(shown);
    out_.rfcMessages = check.messages;
    for (const QString &message : check.messages)
        error(message);
    if (check.valid) {
        if (const std::optional<QChar> digit = rfcCheckDigitDisagreement(shown))
            warning(QStringLiteral("el dígito verificador del RFC no corresponde (debería ser «%1»)").arg(*digit));
    }
}

void Checker::checkRequired(int row)
{
    QList<RequiredControl> controls;
    for (const RequiredItem &item : requiredItems())
        controls.append({QStringLiteral("1"), text(row, item.field), QString::fromUtf8(item.name)});
    RequiredFacts facts;
    // The window's lists always show an entry of a catalogue that has any:
    // an unknown code shows the last one. The bank catalogue is not delivered.
    facts.activitySelected = !tables_[Actividad].usable || tables_[Actividad].table->recordCount() > 0;
    facts.bankSelected = true;
    const QString &type = out_.programmeType;
    facts.programmeTypeSet =
        type == QLatin1String("1") || type == QLatin1String("2") || type == QLatin1String("4");
    // Products that cannot be read are the table's finding, not missing ones.
    facts.hasProducts = !tables_[Provmerc].usable || tables_[Provmerc].table->recordCount() > 0;

    out_.required = requiredData(controls, facts);
    for (const MissingItem &item : out_.required->missing) {
        QString shown = item.name;
        if (shown.isEmpty()) {
            switch (item.kind) {
            case MissingItem::Control:
                shown = QString::fromUtf8(requiredItems()[size_t(item.control)].caption);
                break;
            case MissingItem::Activity:
                shown = QStringLiteral("Actividad Principal");
                break;
            case MissingItem::Bank:
                shown = QStringLiteral("Nombre del banco");
                break;
            case MissingItem::ProgrammeType:
            case MissingItem::Products:
                break;
            }
        }
        error(QStringLiteral("falta información requerida: %1").arg(shown));
    }
}

void Checker::checkActivity(const QVariant &code)
{
    const Table &t = tables_[Actividad];
    if (!t.usable)
        return;
    // As the window looks the stored code up in the catalogue.
    const int wanted = int(qRound64(numericValueOf(code)));
    for (int i = 0; i < t.table->recordCount(); ++i) {
        if (numericValueOf(t.table->value(i, schema::actividad::Clave)) == wanted)
            return;
    }
    if (wanted == 0)
        warning(QStringLiteral("no tiene clave de actividad"));
    else
        warning(QStringLiteral("la clave de actividad %1 no está en %2").arg(out_.activity, t.fileName));
}

void Checker::checkSales()
{
    const Table &t = tables_[Ventas];
    if (!t.usable)
        return;
    const DbfTable &table = *t.table;
    const int kindField = table.fieldIndex(QLatin1String(v::KindField));
    int counts[3] = {0, 0, 0}; // other kinds, totals, indirect
    for (int row = 0; row < table.recordCount(); ++row) {
        const int kind = table.value(row, kindField).toInt();
        const int k = kind == v::Totales || kind == v::Indirectas ? kind : 0;
        ++counts[k];
        if (k == v::Indirectas && counts[k] == 1)
            out_.indirectSales = plainNumber(indirectExportTotal(table.value(row, 1), table.value(row, 3),
                                                                 table.value(row, 4)));
        if (k != v::Totales)
            continue;
        if (counts[k] == 1)
            out_.sales = plainNumber(numericValueOf(table.value(row, 1)));
        // The grid's check, on the dollar sales as they stand.
        const QVariant dollars = table.value(row, 2);
        const QVariant exports = table.value(row, 3);
        if (exportsExceedSales(dollars, exports)) {
            const int year = int(numericValueOf(table.value(row, v::Anio)));
            const QString where = year != 0 ? QStringLiteral("renglón %1, año %2").arg(counts[k]).arg(year)
                                            : QStringLiteral("renglón %1").arg(counts[k]);
            error(QStringLiteral("%1 (%2: exportación %3, ventas %4 miles de dólares)")
                      .arg(kExportsAboveSalesMessage, where, plainNumber(cellNumber(exports)),
                           plainNumber(cellNumber(dollars))));
        }
    }
    for (int kind = v::Totales; kind <= v::Indirectas; ++kind) {
        if (counts[kind] > v::RowsPerKind)
            warning(QStringLiteral("%1 tiene %2 renglones de TIPO %3; deben ser tres")
                        .arg(t.fileName)
                        .arg(counts[kind])
                        .arg(kind));
    }
    if (counts[0] > 0)
        warning(QStringLiteral("%1 tiene %2 renglones de un TIPO que no es 1 ni 2").arg(t.fileName).arg(counts[0]));
}

void Checker::checkProducts()
{
    const Table &t = tables_[Provmerc];
    if (!t.usable)
        return;
    out_.products = t.table->recordCount();
    int blank = 0;
    int first = 0;
    for (int row = 0; row < t.table->recordCount(); ++row) {
        if (t.table->value(row, schema::provmerc::Descripcion).toString().trimmed().isEmpty() && blank++ == 0)
            first = row + 1;
    }
    if (blank == 1)
        warning(QStringLiteral("el producto %1 no tiene descripción").arg(first));
    else if (blank > 1)
        warning(QStringLiteral("%1 productos no tienen descripción; el primero es el %2").arg(blank).arg(first));
}

QString kindWord(Finding::Kind kind)
{
    return kind == Finding::Error ? QStringLiteral("error") : QStringLiteral("aviso");
}

} // namespace

int DeliveredCheck::errors() const
{
    return int(std::count_if(findings.begin(), findings.end(), [](const Finding &f) { return f.kind == Finding::Error; }));
}

int DeliveredCheck::warnings() const
{
    return int(findings.size()) - errors();
}

DeliveredCheck checkDelivered(const QString &folder)
{
    DeliveredCheck out;
    out.folder = folder;
    Checker checker(out);
    try {
        if (!checker.openTables(folder))
            return out;
        checker.checkApplication();
        checker.checkSales();
        checker.checkProducts();
    } catch (const std::exception &e) {
        checker.error(QStringLiteral("no se pudo terminar de revisar la carpeta (%1)").arg(QString::fromLocal8Bit(e.what())));
    } catch (...) {
        checker.error(QStringLiteral("no se pudo terminar de revisar la carpeta"));
    }
    return out;
}

QStringList reportLines(const DeliveredCheck &check)
{
    if (check.findings.isEmpty())
        return {check.folder + QStringLiteral(": sin observaciones")};
    QStringList lines;
    for (const Finding &f : check.findings)
        lines.append(QStringLiteral("%1: %2: %3").arg(check.folder, kindWord(f.kind), f.text));
    return lines;
}

QString csvField(const QString &value)
{
    if (!value.contains(QLatin1Char(',')) && !value.contains(QLatin1Char('"')) && !value.contains(QLatin1Char('\r'))
        && !value.contains(QLatin1Char('\n')))
        return value;
    QString quoted = value;
    quoted.replace(QLatin1Char('"'), QStringLiteral("\"\""));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString csvHeader()
{
    return QStringLiteral("carpeta,rfc,nombre,tipo_programa,actividad,personal_total,ventas_totales,"
                          "ventas_exportadores_finales,productos,errores,avisos,observaciones\r\n");
}

QString csvRecord(const DeliveredCheck &check)
{
    QStringList findings;
    for (const Finding &f : check.findings)
        findings.append(kindWord(f.kind) + QStringLiteral(": ") + f.text);
    const QStringList fields = {
        check.folder,
        check.rfc,
        check.name,
        check.programmeType,
        check.activity,
        check.personnel,
        check.sales,
        check.indirectSales,
        check.products < 0 ? QString() : QString::number(check.products),
        QString::number(check.errors()),
        QString::number(check.warnings()),
        findings.join(QStringLiteral(" | ")),
    };
    QString record;
    for (const QString &field : fields) {
        if (!record.isEmpty())
            record += QLatin1Char(',');
        record += csvField(field);
    }
    return record + QStringLiteral("\r\n");
}

namespace {

// Results wait in a ring of a few places per thread: folder i goes to place
// i % ring and may be taken only once the result of folder i - ring is out.
class OrderedRun {
public:
    OrderedRun(const QStringList &folders, int threads)
        : folders_(folders)
        , n_(folders.size())
        , ring_(qsizetype(threads) * 4)
        , places_(static_cast<size_t>(ring_))
    {
    }

    void work()
    {
        for (;;) {
            qsizetype i = 0;
            {
                std::unique_lock lock(mutex_);
                ++waiting_;
                room_.wait(lock, [&] { return next_ >= n_ || next_ < handed_ + ring_; });
                --waiting_;
                if (next_ >= n_)
                    return;
                i = next_++;
            }
            DeliveredCheck result = checkDelivered(folders_.at(i));
            bool awaited = false;
            {
                std::lock_guard lock(mutex_);
                places_[size_t(i % ring_)] = std::move(result);
                awaited = i == handed_; // only the next in order wakes the caller
            }
            if (awaited)
                done_.notify_one();
        }
    }

    // On the caller's thread; handed_ is written only here.
    void deliver(const std::function<void(const DeliveredCheck &)> &sink)
    {
        while (handed_ < n_) {
            std::optional<DeliveredCheck> result;
            {
                std::unique_lock lock(mutex_);
                std::optional<DeliveredCheck> &place = places_[size_t(handed_ % ring_)];
                done_.wait(lock, [&] { return place.has_value(); });
                result = std::move(place);
                place.reset();
            }
            sink(*result);
            bool anyWaiting = false;
            {
                std::lock_guard lock(mutex_);
                ++handed_;
                anyWaiting = waiting_ > 0;
            }
            if (anyWaiting)
                room_.notify_all();
        }
    }

private:
    const QStringList &folders_;
    const qsizetype n_;
    const qsizetype ring_;
    std::vector<std::optional<DeliveredCheck>> places_;
    std::mutex mutex_;
    std::condition_variable done_; // the awaited result arrived
    std::condition_variable room_; // a place came free
    qsizetype next_ = 0;           // the next folder to take
    qsizetype handed_ = 0;         // results given to the sink
    int waiting_ = 0;              // workers waiting for room
};

} // namespace

void checkDeliveredInOrder(const QStringList &folders, int threads,
                           const std::function<void(const DeliveredCheck &)> &sink)
{
    threads = int(std::clamp<qsizetype>(threads, 1, std::max<qsizetype>(folders.size(), 1)));
    if (threads == 1) {
        for (const QString &folder : folders)
            sink(checkDelivered(folder));
        return;
    }
    OrderedRun run(folders, threads);
    std::vector<std::thread> pool;
    pool.reserve(size_t(threads));
    for (int t = 0; t < threads; ++t)
        pool.emplace_back([&run] { run.work(); });
    run.deliver(sink);
    for (std::thread &t : pool)
        t.join();
}

} // namespace korim::application

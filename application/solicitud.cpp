#include "application/solicitud.h"

#include "application/mask.h"
#include "application/rules.h"
#include "application/schema.h"
#include "data/datasource.h"
#include "data/folder.h"

#include <QDir>
#include <QFileInfo>

#include <functional>

namespace korim::application {

using korim::data::DataError;
using korim::data::DataSource;

namespace {

const QString kRfcMask = QLatin1String(korim::application::schema::datoprov::RfcMask);

// Start-up cannot go on: the message names the file and says what is wrong.
[[noreturn]] void fail(const QString &message)
{
    throw DataError(DataError::EngineFailure, message);
}

// Opens a source for start-up; a failure names the table's file.
void openFor(DataSource *source, const QString &file)
{
    try {
        source->refresh();
    } catch (const DataError &e) {
        const QString name = QFileInfo(file).fileName();
        if (e.description().contains(name, Qt::CaseInsensitive))
            throw;
        throw DataError(e.number(), QStringLiteral("No se pudo abrir la tabla %1: %2").arg(file, e.description()));
    }
}

void needFields(DataSource *source, const QString &file, int minFields)
{
    if (source->fieldCount() < minFields)
        fail(QStringLiteral("La tabla %1 no tiene los campos que el programa necesita "
                            "(tiene %2 y necesita al menos %3).")
                 .arg(file)
                 .arg(source->fieldCount())
                 .arg(minFields));
}

// A key as busca compares it: its text, without surrounding blanks, in upper case.
QString keyText(const QVariant &key)
{
    if (!key.isValid() || key.isNull())
        return {};
    return key.toString().trimmed().toUpper();
}

// A maquila programme number or year: 0 and no value both mean none.
QString maquilaText(const QVariant &value)
{
    const double n = numericValueOf(value);
    return n == 0 ? QString() : plainNumber(n);
}

// Runs one step of the print walk; "no current record" skips it, any other
// failure ends it. Returns false when the step was skipped.
bool step(const std::function<void()> &f)
{
    try {
        f();
        return true;
    } catch (const DataError &e) {
        if (e.number() != DataError::NoCurrentRecord)
            throw;
        return false;
    }
}

// Walks the records the source holds now, first to end, and leaves it there.
void walk(DataSource *source, const std::function<void()> &row)
{
    step([&] { source->moveFirst(); });
    while (!source->eof()) {
        step(row);
        // A source that cannot move on would walk for ever.
        if (!step([&] { source->moveNext(); }))
            break;
    }
}

QList<QVariantList> salesRecords(DataSource *source, const QString &query)
{
    // The query takes effect at the source's next refresh; the walk covers
    // what it holds now.
    source->setRecordSource(query);
    QList<QVariantList> records;
    walk(source, [&] {
        QVariantList record;
        for (int position = 0; position < schema::ventas::PrintedColumns; ++position)
            record.append(source->value(position));
        records.append(record);
    });
    return records;
}

QString entryText(const Catalogue &entries, int place)
{
    return place >= 0 && place < entries.size() ? entries.at(place).text : QString();
}

} // namespace

const QList<std::pair<QString Shown::*, const char *>> &shownFields()
{
    namespace d = schema::datoprov;
    static const QList<std::pair<QString Shown::*, const char *>> fields = {
        {&Shown::apePat, d::APEPATRAZ},       {&Shown::apeMat, d::APEMAT},
        {&Shown::nombre, d::NOMBRE},          {&Shown::calle, d::CALLEYNO},
        {&Shown::colonia, d::COLONIA},        {&Shown::cp, d::CP},
        {&Shown::estado, d::ESTADO},          {&Shown::ciudad, d::CIUDAD},
        {&Shown::delMun, d::DELMUN},          {&Shown::telefono, d::TELEFONO},
        {&Shown::fax, d::FAX},                {&Shown::email, d::EMAIL},
        {&Shown::repApePat, d::APEPREPLEG},   {&Shown::repApeMat, d::APEMREPLEG},
        {&Shown::repNombre, d::NOMBREREPL},   {&Shown::repTelefono, d::TEL_REPREG},
        {&Shown::repFax, d::FAXREP},          {&Shown::repEmail, d::EMAILREPL},
        {&Shown::empleados, d::NOEMPLEADO},   {&Shown::obreros, d::NOOBREROS},
        {&Shown::ventasPais, d::VTPAIS},      {&Shown::ventasExterior, d::VTEXTERIOR},
        {&Shown::sucursal, d::SUCURSAL},      {&Shown::numCuenta, d::NUMCUENTA},
        {&Shown::localidad, d::LOCALIDAD},    {&Shown::domSucursal, d::DOMBANCO},
    };
    return fields;
}

int buscaPlace(const Catalogue &entries, const QVariant &clave)
{
    const QString wanted = keyText(clave);
    for (int i = 0; i < entries.size(); ++i) {
        if (keyText(entries.at(i).key) == wanted)
            return i;
    }
    return int(entries.size()) - 1;
}

int buscaPlace(const QList<QVariant> &keys, const QVariant &clave)
{
    const QString wanted = keyText(clave);
    for (int i = 0; i < keys.size(); ++i) {
        if (keyText(keys.at(i)) == wanted)
            return i;
    }
    return int(keys.size()) - 1;
}

Solicitud::Solicitud(const QString &dataFolder, QObject *parent)
    : QObject(parent)
    , dataFolder_(dataFolder)
{
    struct Setting {
        DataSource *Solicitud::*member;
        const char *name;
        const char *connect;
        const char *recordSource;
    };
    // As the window defined them; start-up sets the record sources of five.
    const Setting settings[] = {
        {&Solicitud::dtsDatoProv_, "dtsDatoProv", "FoxPro 2.5;", schema::datoprov::RecordSource},
        {&Solicitud::Data1_, "Data1", "dBASE III;", schema::admlocal::RecordSource},
        {&Solicitud::dtsBanco_, "dtsBanco", "dBASE III;", "CATBANCO"},
        {&Solicitud::dtsacti_, "dtsacti", "dBASE III;", "ACTIVIDA"},
        {&Solicitud::dtsVTotales_, "dtsVTotales", "FoxPro 2.5;", "VENTAS"},
        {&Solicitud::dtsVentasExp_, "dtsVentasExp", "dBASE III;", "VENTAS"},
        {&Solicitud::dtsProductos_, "dtsProductos", "dBASE III;", schema::provmerc::RecordSource},
    };
    for (const Setting &s : settings) {
        auto *source = new DataSource(QString::fromLatin1(s.name), this);
        source->setConnect(QString::fromLatin1(s.connect));
        source->setDatabaseName(dataFolder_);
        source->setRecordSource(QString::fromLatin1(s.recordSource));
        this->*(s.member) = source;
    }
    // Grid edits go to the table as soon as a cell is left.
    dtsVTotales_->model()->setWriteThrough(true);
    dtsVentasExp_->model()->setWriteThrough(true);
    dtsProductos_->model()->setWriteThrough(true);
    // The procedure types are not a table: one kind of procedure.
    procedures_ = {{QStringLiteral("Programa nuevo"), 1}};
}

Solicitud::~Solicitud() = default;

QString Solicitud::tableFile(const QString &table) const
{
    const QString name = table + QStringLiteral(".dbf");
    QString path = korim::data::findFileNoCase(dataFolder_, name);
    if (path.isEmpty())
        path = QDir(dataFolder_).filePath(name);
    return QDir::toNativeSeparators(path);
}

Catalogue Solicitud::readCatalogue(DataSource *source, const QString &recordSource, int textPosition,
                                   int keyPosition, int minFields)
{
    const QString table = recordSource.section(QLatin1Char(' '), -1);
    const QString file = tableFile(table);
    source->setRecordSource(recordSource);
    openFor(source, file);
    needFields(source, file, minFields);
    if (source->eof())
        fail(QStringLiteral("El catálogo %1 está vacío: la carpeta de datos está incompleta.").arg(file));
    source->moveLast();
    source->moveFirst();
    const int n = source->recordCount();
    Catalogue entries;
    entries.reserve(n);
    for (int i = 0; i < n; ++i) {
        entries.append({source->value(textPosition).toString().trimmed(),
                        qlonglong(qRound64(source->value(keyPosition).toDouble()))});
        if (source == dtsacti_) {
            activityNumbers_.append(numericValueOf(source->value(schema::actividad::Numero)));
            activityCodes_.append(numericValueOf(source->value(schema::actividad::Clave)));
        }
        source->moveNext();
    }
    return entries;
}

void Solicitud::writeSalesYears(DataSource *source, const QString &recordSource, int kind)
{
    const QString file = tableFile(QStringLiteral("VENTAS"));
    source->setRecordSource(recordSource);
    openFor(source, file);
    if (source->recordCount() < schema::ventas::RowsPerKind)
        fail(QStringLiteral("La tabla %1 debe tener tres renglones de tipo %2 y tiene %3: "
                            "la carpeta de datos está incompleta.")
                 .arg(file)
                 .arg(kind)
                 .arg(source->recordCount()));
    // Previous, current and next year.
    for (int i = 0; i < schema::ventas::RowsPerKind; ++i) {
        source->edit();
        source->setValue(schema::ventas::Anio, i + (AnioActual - 1));
        source->updateRecord();
        source->moveNext();
    }
}

void Solicitud::openApplication()
{
    const QString application = tableFile(QStringLiteral("datoprov"));
    openFor(dtsDatoProv_, application);
    needFields(dtsDatoProv_, application, schema::datoprov::MinFields);
    for (const char *field : schema::datoprov::BoundByName) {
        if (dtsDatoProv_->fieldIndex(QLatin1String(field)) < 0)
            fail(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(application, QLatin1String(field)));
    }
}

void Solicitud::open(const QDate &today)
{
    namespace s = schema;
    AnioActual = short(today.year());
    activityNumbers_.clear();
    activityCodes_.clear();
    offices_ = readCatalogue(Data1_, QString::fromLatin1(s::admlocal::RecordSource), s::admlocal::Nombre,
                             s::admlocal::Clave, s::admlocal::MinFields);
    banks_ = readCatalogue(dtsBanco_, QString::fromLatin1(s::catbanco::RecordSource), s::catbanco::Nombre,
                           s::catbanco::Clave, s::catbanco::MinFields);
    activities_ = readCatalogue(dtsacti_, QString::fromLatin1(s::actividad::RecordSource), s::actividad::Descripcion,
                                s::actividad::Numero, s::actividad::MinFields);
    writeSalesYears(dtsVTotales_, QString::fromLatin1(s::ventas::StartTotales), s::ventas::Totales);
    writeSalesYears(dtsVentasExp_, QString::fromLatin1(s::ventas::StartIndirectas), s::ventas::Indirectas);
    openFor(dtsProductos_, tableFile(QStringLiteral("PROVMERC")));
    openApplication();
}

int Solicitud::BuscaActividad(int place) const
{
    // The catalogue is searched from its first record.
    for (int i = 0; i < activityNumbers_.size(); ++i) {
        if (activityNumbers_.at(i) == place)
            return int(qRound64(activityCodes_.at(i)));
    }
    // No activity at that place: no code rather than the place taken for one.
    return 0;
}

int Solicitud::BuscaActividadEntrada(int code) const
{
    for (int i = 0; i < activityCodes_.size(); ++i) {
        if (activityCodes_.at(i) == code)
            return int(qRound64(activityNumbers_.at(i)));
    }
    // A code the catalogue no longer has matches no place of the list.
    return -1;
}

Opened Solicitud::Nuevo()
{
    namespace d = schema::datoprov;
    Opened opened;
    if (dtsDatoProv_->eof()) {
        dtsDatoProv_->addNew();
        opened.added = true;
        dtsDatoProv_->setValue(d::ClaveSolicitud, QString::fromLatin1(d::ClaveSolicitudValue));
        return opened;
    }
    dtsDatoProv_->edit();
    opened.procedure = dtsDatoProv_->value(d::TipoTramite);
    opened.activityPlace =
        BuscaActividadEntrada(int(qRound64(numericValueOf(dtsDatoProv_->value(d::Actividad)))));
    opened.office = dtsDatoProv_->value(d::AdmLocal);
    opened.bank = dtsDatoProv_->value(d::Banco);
    opened.numMaquila = maquilaText(dtsDatoProv_->value(d::NumMaquila));
    opened.anioMaquila = maquilaText(dtsDatoProv_->value(d::AnioMaquila));
    dtsDatoProv_->setValue(d::ClaveSolicitud, QString::fromLatin1(d::ClaveSolicitudValue));
    return opened;
}

void Solicitud::ensureOpen()
{
    if (dtsDatoProv_->editMode() == DataSource::EditNone && !dtsDatoProv_->eof())
        dtsDatoProv_->edit();
}

void Solicitud::GrabaDatos(const Choices &choices)
{
    namespace d = schema::datoprov;
    ensureOpen();
    dtsDatoProv_->setValue(d::TipoTramite, choices.procedure);
    dtsDatoProv_->setValue(d::AdmLocal, choices.office);
    dtsDatoProv_->setValue(d::TipoPrograma, choices.programmeType);
    const int ClaveActividad = BuscaActividad(choices.activityPlace);
    dtsDatoProv_->setValue(d::Banco, choices.bank);
    dtsDatoProv_->setValue(d::Actividad, ClaveActividad);

    dtsDatoProv_->updateRecord();
    dtsDatoProv_->setBookmark(dtsDatoProv_->lastModified());
    dtsDatoProv_->edit();
}

bool Solicitud::EditaDatos()
{
    if (dtsDatoProv_->eof())
        return false;
    dtsDatoProv_->edit();
    return true;
}

QString Solicitud::BorraRegistros()
{
    return eraseApplication(*dtsDatoProv_, *dtsVTotales_, *dtsVentasExp_, *dtsProductos_);
}

void Solicitud::writeListKeys(qlonglong office, int activityPlace, qlonglong bank)
{
    RecordKeys keys;
    keys.office = office;
    keys.activity = BuscaActividad(activityPlace);
    keys.bank = bank;
    writeRecordKeys(*dtsDatoProv_, keys);
}

void Solicitud::addNew()
{
    dtsDatoProv_->addNew();
}

bool Solicitud::setField(int position, const QVariant &value)
{
    // Only into an open record; the handlers do not open one themselves.
    if (dtsDatoProv_->editMode() == DataSource::EditNone)
        return false;
    try {
        dtsDatoProv_->setValue(position, value);
    } catch (const DataError &) {
        return false;
    }
    return true;
}

bool Solicitud::isStored() const
{
    return dtsDatoProv_->recordCount() > 0;
}

bool Solicitud::atEnd() const
{
    return dtsDatoProv_->eof();
}

void Solicitud::reopenAfterDisk()
{
    auto quietly = [](const std::function<void()> &f) {
        try {
            f();
        } catch (const std::exception &) {
        }
    };
    if (!isStored()) {
        // The first application was never stored: re-reading the empty table
        // would drop what the clerk typed, and there is nothing to open. The
        // pending record stays so it can still be completed and saved.
        quietly([this] {
            if (dtsDatoProv_->editMode() == DataSource::EditNone) {
                dtsDatoProv_->addNew();
                dtsDatoProv_->setValue(schema::datoprov::ClaveSolicitud,
                                       QString::fromLatin1(schema::datoprov::ClaveSolicitudValue));
            }
        });
        return;
    }
    // The move to the first record is announced (aboutToMove): the window
    // cancels its changes then, which locks it.
    quietly([this] { dtsDatoProv_->refresh(); });
    quietly([this] { dtsDatoProv_->moveFirst(); });
    quietly([this] { dtsDatoProv_->edit(); });
}

int Solicitud::editMode() const
{
    return dtsDatoProv_->editMode();
}

void Solicitud::saveRecord()
{
    dtsDatoProv_->updateRecord();
}

void Solicitud::dropChanges()
{
    dtsDatoProv_->cancelUpdate();
}

void Solicitud::closePendingAddition()
{
    dtsDatoProv_->closePendingAddition();
}

bool Solicitud::hasProducts() const
{
    // Products are written as soon as a cell is left, so the table is what
    // the source holds.
    return dtsProductos_->recordCount() > 0;
}

void Solicitud::deleteCurrentProduct()
{
    if (dtsProductos_->eof())
        return;
    dtsProductos_->deleteRecord();
    dtsProductos_->refresh();
}

QString Solicitud::fieldText(const char *field) const
{
    // As a bound field shows the record's value.
    try {
        return dtsDatoProv_->value(QLatin1String(field)).toString();
    } catch (const DataError &) {
        return {};
    }
}

Shown Solicitud::shownFromRecord() const
{
    namespace d = schema::datoprov;
    Shown shown;
    for (const auto &[member, field] : shownFields())
        shown.*member = fieldText(field);
    shown.rfc = placeInMask(kRfcMask, QLatin1Char(' '), fieldText(d::RFC));
    const QString programme = fieldText(d::TIPOPROG);
    shown.prodFinal = programme == QLatin1String("1");
    shown.prodIndirecto = programme == QLatin1String("2");
    shown.abastecedor = programme == QLatin1String("4");

    if (dtsDatoProv_->editMode() == DataSource::EditAdd || dtsDatoProv_->eof()) {
        // Nuevo's choices for a new application: the first procedure,
        // activity and bank, no office.
        shown.tipoTramite = entryText(procedures_, 0);
        shown.actividad = entryText(activities_, 0);
        shown.banco = entryText(banks_, 0);
        return shown;
    }
    auto stored = [this](int position) {
        try {
            return dtsDatoProv_->value(position);
        } catch (const DataError &) {
            return QVariant();
        }
    };
    shown.tipoTramite = entryText(procedures_, buscaPlace(procedures_, stored(d::TipoTramite)));
    const int place = BuscaActividadEntrada(int(qRound64(numericValueOf(stored(d::Actividad)))));
    shown.actividad = entryText(activities_, buscaPlace(activities_, place));
    shown.admLocal = entryText(offices_, buscaPlace(offices_, stored(d::AdmLocal)));
    shown.banco = entryText(banks_, buscaPlace(banks_, stored(d::Banco)));
    return shown;
}

Snapshot Solicitud::snapshot(const Shown &shown)
{
    Snapshot s;
    static_cast<Shown &>(s) = shown;
    s.totales = salesRecords(dtsVTotales_, QString::fromLatin1(schema::ventas::PrintTotales));
    s.ventasExp = salesRecords(dtsVentasExp_, QString::fromLatin1(schema::ventas::PrintIndirectas));
    walk(dtsProductos_, [&] { s.productos.append(dtsProductos_->value(schema::provmerc::Descripcion).toString()); });
    return s;
}

} // namespace korim::application

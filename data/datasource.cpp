#include "data/datasource.h"

#include "data/folder.h"
#include "data/query.h"

#include <QLocale>
#include <QRegularExpression>
#include <QtGlobal>

#include <algorithm>
#include <cmath>
#include <optional>

namespace korim::data {

DataError::DataError(int number, QString description)
    : std::runtime_error(description.toStdString()), number_(number), description_(std::move(description))
{
}

namespace {

bool isNumericField(const FieldDef &f)
{
    return f.type == FieldType::Numeric || f.type == FieldType::Float;
}

bool isDecimal(const QVariant &v)
{
    return v.metaType() == QMetaType::fromType<Decimal>();
}

bool isNumberVariant(const QVariant &v)
{
    switch (v.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Short:
    case QMetaType::UShort:
    case QMetaType::Long:
    case QMetaType::ULong:
        return true;
    default:
        return isDecimal(v);
    }
}

bool isBlank(const QVariant &v)
{
    if (!v.isValid() || v.isNull())
        return true;
    if (v.typeId() == QMetaType::QString)
        return v.toString().trimmed().isEmpty();
    return false;
}

// A plain decimal number: optional sign, digits, optional point and digits.
// No grouping, no exponent: what a table field can hold as typed.
std::optional<Decimal> parsePlainNumber(const QString &text)
{
    return Decimal::fromString(text);
}

QString plainNumberText(const QVariant &v)
{
    if (isDecimal(v))
        return v.value<Decimal>().toString();
    const double d = v.toDouble();
    if (v.typeId() != QMetaType::Double && v.typeId() != QMetaType::Float)
        return v.toString();
    if (std::isfinite(d) && d == std::trunc(d) && std::fabs(d) < 1e15)
        return QString::number(static_cast<qlonglong>(d));
    QString s = QString::number(d, 'f', 10);
    while (s.endsWith(QLatin1Char('0')))
        s.chop(1);
    if (s.endsWith(QLatin1Char('.')))
        s.chop(1);
    return s;
}

QString chopTrailingBlanks(QString s)
{
    qsizetype n = s.size();
    while (n > 0 && s.at(n - 1) == QLatin1Char(' '))
        --n;
    s.truncate(n);
    return s;
}

// A number as the field holds it once written (rounded to its decimals) and
// as reading the field gives it back: qlonglong for a whole number in a
// field without decimals, else the exact Decimal.
QVariant numberForField(const FieldDef &f, const Decimal &d, bool round)
{
    const Decimal held = round ? d.rounded(f.decimals) : d;
    if (f.decimals == 0 && held.isInteger()) {
        bool fits = false;
        const qlonglong whole = held.toLongLong(&fits);
        if (fits)
            return QVariant(whole);
    }
    return QVariant::fromValue(held);
}

// Brings a value to the type the field holds once written, so that reading
// the edit buffer gives what reading the stored record will give. Without
// round, a number keeps every digit it was given (to compare with what is shown).
QVariant normalize(const FieldDef &f, const QVariant &v, const QString &source, bool round = true)
{
    const auto conversion = [&] {
        return DataError(DataError::ConversionError,
                         QStringLiteral("El valor «%1» no es válido para el campo %2 de «%3».")
                             .arg(v.toString(), f.name, source));
    };
    switch (f.type) {
    case FieldType::Character:
        if (isBlank(v))
            return QString(QLatin1String(""));
        if (isNumberVariant(v))
            return plainNumberText(v);
        if (v.typeId() == QMetaType::QDate)
            return v.toDate().toString(QStringLiteral("yyyyMMdd"));
        return chopTrailingBlanks(v.toString());
    case FieldType::Numeric:
    case FieldType::Float: {
        if (isBlank(v))
            return {};
        if (isNumberVariant(v) || v.typeId() == QMetaType::QString) {
            if (const auto d = Decimal::fromVariant(v))
                return numberForField(f, *d, round);
        }
        throw conversion();
    }
    case FieldType::Date: {
        if (isBlank(v))
            return {};
        if (v.typeId() == QMetaType::QDate && v.toDate().isValid())
            return v;
        if (v.typeId() == QMetaType::QString) {
            const QString t = v.toString().trimmed();
            QDate date = QDate::fromString(t, QStringLiteral("yyyyMMdd"));
            if (!date.isValid())
                date = QDate::fromString(t, Qt::ISODate);
            if (date.isValid())
                return date;
        }
        throw conversion();
    }
    case FieldType::Logical: {
        if (isBlank(v))
            return {};
        if (v.typeId() == QMetaType::Bool)
            return v;
        if (v.typeId() == QMetaType::QString) {
            const QString t = v.toString().trimmed().toUpper();
            if (t == QLatin1String("T") || t == QLatin1String("Y") || t == QLatin1String("S"))
                return true;
            if (t == QLatin1String("F") || t == QLatin1String("N"))
                return false;
        }
        throw conversion();
    }
    }
    return v;
}

bool sameValue(const FieldDef &f, const QVariant &a, const QVariant &b)
{
    const bool blankA = isBlank(a);
    const bool blankB = isBlank(b);
    if (blankA || blankB)
        return blankA == blankB;
    if (isNumericField(f))
        return Decimal::fromVariant(a) == Decimal::fromVariant(b);
    if (f.type == FieldType::Character)
        return chopTrailingBlanks(a.toString()) == chopTrailingBlanks(b.toString());
    return a == b;
}

bool matchesFilter(const QVariant &v, double wanted)
{
    if (isBlank(v))
        return false;
    if (isNumberVariant(v))
        return v.toDouble() == wanted;
    if (v.typeId() == QMetaType::QString) {
        const auto d = parsePlainNumber(v.toString());
        return d && d->toDouble() == wanted;
    }
    return false;
}

bool knownConnect(const QString &connect)
{
    // Both texts name the dBASE family of table files; only the part before
    // the first ';' is the format, the rest would be options.
    const QString format = connect.section(QLatin1Char(';'), 0, 0).trimmed();
    return format.isEmpty() || format.compare(QLatin1String("dBASE III"), Qt::CaseInsensitive) == 0
        || format.compare(QLatin1String("FoxPro 2.5"), Qt::CaseInsensitive) == 0;
}

} // namespace

struct DataSource::Impl {
    DataSource *q = nullptr;
    QString name;
    QString connect = QStringLiteral("dBASE III;");
    QString folder;
    QString recordSource;   // as set; takes effect at the next refresh
    QString openedSource;   // the one the open set came from
    RecordSetModel *model = nullptr;

    std::shared_ptr<DbfTable> table;
    QList<FieldDef> fields;
    QList<RecordId> ids;    // the record set, in table order
    // Position in ids: -1 before the first, ids.size() past the last. While an
    // addition is pending it keeps the record that was current before.
    int pos = 0;
    bool onDeleted = false; // the record at pos was deleted; pos now names its follower
    int mode = EditNone;
    QVariantList buffer;
    QList<bool> dirty;
    bool typed = false;
    std::optional<RecordId> lastModified;
    int notifying = 0;      // inside aboutToWrite: bound fields may only hand over their own row

    // Every live source, so that sources sharing one table follow each other's writes.
    static QList<Impl *> &registry()
    {
        static QList<Impl *> all;
        return all;
    }

    int count() const { return int(ids.size()); }
    int addRow() const { return mode == EditAdd ? count() : -1; }

    bool hasCurrent() const
    {
        return table && !onDeleted && pos >= 0 && pos < count();
    }

    int currentRow() const
    {
        if (mode == EditAdd)
            return count();
        return hasCurrent() ? pos : -1;
    }

    int checkedField(int position) const
    {
        if (!table)
            throw DataError(DataError::NoCurrentRecord, QStringLiteral("No hay registro actual."));
        if (position < 0 || position >= fields.size())
            throw DataError(DataError::NoSuchField,
                            QStringLiteral("No existe el campo %1 en «%2».").arg(position).arg(openedSource));
        return position;
    }

    int checkedField(const QString &fieldName) const
    {
        if (!table)
            throw DataError(DataError::NoCurrentRecord, QStringLiteral("No hay registro actual."));
        const int i = q->fieldIndex(fieldName);
        if (i < 0)
            throw DataError(DataError::NoSuchField,
                            QStringLiteral("No existe el campo %1 en «%2».").arg(fieldName, openedSource));
        return i;
    }

    static DataError noCurrent()
    {
        return DataError(DataError::NoCurrentRecord, QStringLiteral("No hay registro actual."));
    }

    // Where the record at `row` of the set stands in the table, -1 once gone.
    // A set of the whole table mostly has it at the same place: checked
    // first, before the search by identity.
    int tableRowOf(int row) const
    {
        const RecordId id = ids.at(row);
        if (row < table->recordCount() && table->idAt(row) == id)
            return row;
        return table->rowOf(id);
    }

    QVariant stored(int row, int column) const
    {
        const int tableRow = tableRowOf(row);
        if (tableRow < 0)
            return {};
        return table->value(tableRow, column);
    }

    // What row `row` of the model shows in `column`.
    QVariant cell(int row, int column) const
    {
        if (row == addRow())
            return buffer.value(column);
        if (mode == EditInProgress && hasCurrent() && row == pos && dirty.value(column))
            return buffer.value(column);
        return stored(row, column);
    }

    void startBuffer()
    {
        buffer = QVariantList(fields.size());
        for (int i = 0; i < fields.size(); ++i) {
            if (fields.at(i).type == FieldType::Character)
                buffer[i] = QString(QLatin1String(""));
        }
        dirty = QList<bool>(fields.size(), false);
        typed = false;
    }

    void endEdit()
    {
        mode = EditNone;
        buffer.clear();
        dirty.clear();
        typed = false;
    }

    void emitCurrentChanged() { emit q->currentChanged(); }

    // Lets bound fields hand over what the user typed.
    void askBoundFields()
    {
        ++notifying;
        struct Guard {
            int &n;
            ~Guard() { --n; }
        } guard{notifying};
        emit q->aboutToWrite();
    }

    // Writes the pending edit or addition. On failure nothing changes: the
    // edit stays pending with every value the user gave it.
    void write()
    {
        if (mode == EditInProgress) {
            if (!hasCurrent())
                throw noCurrent();
            const RecordId id = ids.at(pos);
            const int tableRow = table->rowOf(id);
            if (tableRow < 0)
                throw noCurrent();
            // Only the fields set during the edit: another source may have
            // written the other fields of this record meanwhile.
            QVariantList values = table->record(tableRow);
            for (int i = 0; i < fields.size(); ++i) {
                if (dirty.value(i))
                    values[i] = buffer.at(i);
            }
            try {
                table->updateRecord(tableRow, values);
            } catch (const DbfError &e) {
                throw DataError(DataError::EngineFailure, e.message());
            }
            lastModified = id;
            endEdit();
            rowChanged(pos);
            tellOthersChanged(id);
            emitCurrentChanged();
        } else if (mode == EditAdd) {
            RecordId id = 0;
            try {
                id = table->appendRecord(buffer);
            } catch (const DbfError &e) {
                throw DataError(DataError::EngineFailure, e.message());
            }
            const int row = count();
            const bool wasPastEnd = pos >= row;
            // The new record joins this set at its end (the model already
            // shows it there); the record current before is current again.
            ids.append(id);
            if (wasPastEnd)
                pos = count();
            lastModified = id;
            endEdit();
            rowChanged(row);
            emitCurrentChanged();
        }
    }

    // Leaving the current record: bound fields hand over, a pending edit is written.
    void leaveCurrent()
    {
        askBoundFields();
        write();
    }

    void move(int action, int newPos)
    {
        emit q->aboutToMove(action);
        leaveCurrent();
        pos = std::clamp(newPos, -1, count());
        onDeleted = false;
        emitCurrentChanged();
    }

    void rowChanged(int row)
    {
        if (model && row >= 0)
            model->rowChanged(row);
    }

    void tellOthersChanged(RecordId id)
    {
        for (Impl *other : registry()) {
            if (other != this && other->table == table)
                other->recordChangedElsewhere(id);
        }
    }

    void tellOthersRemoved(RecordId id)
    {
        for (Impl *other : registry()) {
            if (other != this && other->table == table)
                other->recordRemovedElsewhere(id);
        }
    }

    void recordChangedElsewhere(RecordId id)
    {
        const int row = int(ids.indexOf(id));
        if (row < 0)
            return;
        rowChanged(row);
        if (row == pos && hasCurrent())
            emitCurrentChanged();
    }

    void recordRemovedElsewhere(RecordId id)
    {
        const int row = int(ids.indexOf(id));
        if (row < 0)
            return;
        const bool wasCurrent = row == pos && !onDeleted;
        model->beginRemoveRows({}, row, row);
        ids.removeAt(row);
        if (row < pos) {
            --pos;
        } else if (wasCurrent) {
            onDeleted = true;
            // Its edit has no record left to go to.
            if (mode == EditInProgress)
                endEdit();
        }
        if (lastModified == id)
            lastModified.reset();
        model->endRemoveRows();
        if (wasCurrent)
            emitCurrentChanged();
    }

    // The checks and conversion done for every value given to a field.
    // A number is rounded to its field's decimals, unless it is exactly what
    // the record being edited already holds (a stored figure may carry more
    // decimals than its field declares; handing it back changes nothing).
    QVariant prepared(int column, const QVariant &value, bool round = true) const
    {
        const FieldDef &f = fields.at(column);
        const QVariant exact = normalize(f, value, openedSource, false);
        if (!round || !isNumericField(f))
            return exact;
        if (mode == EditInProgress && hasCurrent()) {
            const QVariant held = stored(pos, column);
            if (sameValue(f, exact, held))
                return held;
        }
        return normalize(f, value, openedSource, true);
    }

    void setBufferValue(int column, const QVariant &normalized)
    {
        buffer[column] = normalized;
        dirty[column] = true;
        const int row = currentRow();
        if (model && row >= 0) {
            const QModelIndex index = model->index(row, column);
            emit model->dataChanged(index, index, {Qt::DisplayRole, Qt::EditRole});
        }
    }
};

DataSource::DataSource(QString name, QObject *parent)
    : QObject(parent), d(std::make_unique<Impl>())
{
    d->q = this;
    d->name = std::move(name);
    setObjectName(d->name);
    d->model = new RecordSetModel(this);
    Impl::registry().append(d.get());
}

DataSource::~DataSource()
{
    Impl::registry().removeOne(d.get());
    // Safety net for an owner that did not close its pending addition: what
    // the user typed is still written (bound fields are gone by now).
    if (d->mode == EditAdd && d->typed) {
        // Receivers may be half gone during destruction: write without telling them.
        blockSignals(true);
        d->model->blockSignals(true);
        try {
            d->write();
        } catch (const DataError &e) {
            qWarning("%s: the pending new record could not be written: %s", qPrintable(d->name),
                     qPrintable(e.description()));
        }
    }
}

QString DataSource::name() const { return d->name; }

void DataSource::setConnect(const QString &connect) { d->connect = connect; }
QString DataSource::connect() const { return d->connect; }
void DataSource::setDatabaseName(const QString &folder) { d->folder = folder; }
QString DataSource::databaseName() const { return d->folder; }
void DataSource::setRecordSource(const QString &source) { d->recordSource = source; }
QString DataSource::recordSource() const { return d->recordSource; }

void DataSource::refresh()
{
    if (!knownConnect(d->connect))
        throw DataError(DataError::EngineFailure,
                        QStringLiteral("Formato de tabla no reconocido: «%1».").arg(d->connect));
    if (d->folder.isEmpty())
        throw DataError(DataError::EngineFailure,
                        QStringLiteral("No se indicó la carpeta de datos de «%1».").arg(d->name));
    RecordSource source;
    try {
        source = parseRecordSource(d->recordSource);
    } catch (const DbfError &e) {
        QString text = e.message();
        if (!text.contains(d->recordSource))
            text = QStringLiteral("Origen de registros no reconocido: «%1».").arg(d->recordSource);
        throw DataError(DataError::BadRecordSource, text);
    }
    std::shared_ptr<DbfTable> table;
    try {
        table = openSharedTable(d->folder, source.table);
    } catch (const DbfError &e) {
        throw DataError(DataError::EngineFailure, e.message());
    }
    if (!table)
        throw DataError(DataError::EngineFailure,
                        QStringLiteral("No se pudo abrir la tabla %1.").arg(source.table));

    QList<RecordId> ids;
    int filterField = -1;
    if (source.filter) {
        filterField = table->fieldIndex(source.filter->field);
        if (filterField < 0)
            throw DataError(DataError::BadRecordSource,
                            QStringLiteral("Origen de registros no reconocido: «%1»: no existe el campo %2.")
                                .arg(d->recordSource, source.filter->field));
    }
    for (int row = 0; row < table->recordCount(); ++row) {
        if (filterField < 0 || matchesFilter(table->value(row, filterField), source.filter->value))
            ids.append(table->idAt(row));
    }

    // Everything is read: only now the old set (and any pending edit) goes.
    d->model->beginResetModel();
    d->table = std::move(table);
    d->fields = d->table->fields();
    d->ids = std::move(ids);
    d->openedSource = d->recordSource;
    d->pos = 0;
    d->onDeleted = false;
    d->endEdit();
    if (d->lastModified && !d->ids.contains(*d->lastModified))
        d->lastModified.reset();
    d->model->endResetModel();
    d->emitCurrentChanged();
}

void DataSource::updateRecord()
{
    d->askBoundFields();
    if (d->mode == EditNone) {
        if (!d->hasCurrent())
            throw Impl::noCurrent();
        return; // nothing was changed
    }
    d->write();
}

int DataSource::editMode() const { return d->mode; }

void DataSource::moveFirst() { d->move(MoveFirstAction, 0); }

void DataSource::moveLast()
{
    emit aboutToMove(MoveLastAction);
    d->leaveCurrent();
    d->pos = d->count() - 1;
    d->onDeleted = false;
    d->emitCurrentChanged();
}

void DataSource::moveNext()
{
    emit aboutToMove(MoveNextAction);
    d->leaveCurrent();
    // After a deletion pos already names the record that followed.
    if (!d->onDeleted && d->pos < d->count())
        ++d->pos;
    d->onDeleted = false;
    d->emitCurrentChanged();
}

void DataSource::movePrevious()
{
    emit aboutToMove(MovePreviousAction);
    d->leaveCurrent();
    if (d->pos >= 0)
        --d->pos;
    d->onDeleted = false;
    d->emitCurrentChanged();
}

bool DataSource::eof() const { return d->count() == 0 || d->pos >= d->count(); }
bool DataSource::bof() const { return d->count() == 0 || d->pos < 0; }
int DataSource::recordCount() const { return d->count(); }
int DataSource::currentRow() const { return d->currentRow(); }

void DataSource::addNew()
{
    if (!d->table)
        throw DataError(DataError::EngineFailure,
                        QStringLiteral("El origen de datos «%1» no está abierto.").arg(d->name));
    // A second addNew keeps the pending one and what was put in it.
    if (d->mode == EditAdd)
        return;
    d->leaveCurrent();
    const int row = d->count();
    d->model->beginInsertRows({}, row, row);
    d->mode = EditAdd;
    d->startBuffer();
    d->model->endInsertRows();
    d->emitCurrentChanged();
}

void DataSource::edit()
{
    if (d->mode != EditNone)
        return; // already open; keep what was set
    if (!d->hasCurrent())
        throw Impl::noCurrent();
    d->mode = EditInProgress;
    d->startBuffer();
}

void DataSource::deleteRecord()
{
    if (d->mode == EditAdd) {
        // The current record is the unsaved new one: deleting it drops it.
        cancelUpdate();
        return;
    }
    if (!d->hasCurrent())
        throw Impl::noCurrent();
    const RecordId id = d->ids.at(d->pos);
    const int tableRow = d->table->rowOf(id);
    if (tableRow < 0)
        throw Impl::noCurrent();
    try {
        d->table->deleteRecord(tableRow);
    } catch (const DbfError &e) {
        throw DataError(DataError::EngineFailure, e.message());
    }
    const int row = d->pos;
    d->model->beginRemoveRows({}, row, row);
    d->ids.removeAt(row);
    d->onDeleted = true; // pos now names the record that followed
    d->endEdit();
    if (d->lastModified == id)
        d->lastModified.reset();
    d->model->endRemoveRows();
    d->tellOthersRemoved(id);
    d->emitCurrentChanged();
}

void DataSource::cancelUpdate()
{
    if (d->mode == EditAdd) {
        const int row = d->count();
        d->model->beginRemoveRows({}, row, row);
        d->endEdit();
        d->model->endRemoveRows();
    } else if (d->mode == EditInProgress) {
        d->endEdit();
        if (d->hasCurrent())
            d->rowChanged(d->pos);
    }
    // Even with nothing pending, bound fields drop what was typed into them.
    d->emitCurrentChanged();
}

QVariant DataSource::bookmark() const
{
    if (d->mode == EditAdd || !d->hasCurrent())
        return {};
    return QVariant::fromValue(static_cast<qulonglong>(d->ids.at(d->pos)));
}

void DataSource::setBookmark(const QVariant &bookmark)
{
    bool ok = bookmark.isValid();
    const RecordId id = ok ? bookmark.toULongLong(&ok) : 0;
    if (!ok || !d->ids.contains(id))
        throw DataError(DataError::BadBookmark, QStringLiteral("Marcador no válido."));
    emit aboutToMove(BookmarkAction);
    d->leaveCurrent();
    d->pos = int(d->ids.indexOf(id));
    d->onDeleted = false;
    d->emitCurrentChanged();
}

QVariant DataSource::lastModified() const
{
    if (!d->lastModified || !d->ids.contains(*d->lastModified))
        return {};
    return QVariant::fromValue(static_cast<qulonglong>(*d->lastModified));
}

QVariant DataSource::value(int position) const
{
    const int column = d->checkedField(position);
    if (d->mode == EditAdd)
        return d->buffer.at(column);
    if (!d->hasCurrent())
        throw Impl::noCurrent();
    return d->cell(d->pos, column);
}

QVariant DataSource::value(const QString &fieldName) const
{
    return value(d->checkedField(fieldName));
}

void DataSource::setValue(int position, const QVariant &value)
{
    const int column = d->checkedField(position);
    if (d->mode == EditNone)
        throw DataError(DataError::NotEditing,
                        QStringLiteral("Se asignó el campo %1 sin haber iniciado la edición del registro.")
                            .arg(d->fields.at(column).name));
    d->setBufferValue(column, d->prepared(column, value));
}

void DataSource::setValue(const QString &fieldName, const QVariant &value)
{
    setValue(d->checkedField(fieldName), value);
}

int DataSource::fieldCount() const { return int(d->fields.size()); }

FieldDef DataSource::fieldDef(int position) const
{
    if (position < 0 || position >= d->fields.size())
        return {};
    return d->fields.at(position);
}

int DataSource::fieldIndex(const QString &fieldName) const
{
    for (int i = 0; i < d->fields.size(); ++i) {
        if (d->fields.at(i).name.compare(fieldName.trimmed(), Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

bool DataSource::hasTypedInput() const { return d->mode != EditNone && d->typed; }

RecordSetModel *DataSource::model() const { return d->model; }

void DataSource::closePendingAddition()
{
    if (d->mode != EditAdd)
        return;
    d->askBoundFields();
    if (d->mode != EditAdd)
        return;
    if (d->typed)
        d->write();
    else
        cancelUpdate();
}

// ---------------------------------------------------------------------------

RecordSetModel::RecordSetModel(DataSource *source)
    : QAbstractTableModel(source), source_(source)
{
}

int RecordSetModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    const auto &d = source_->d;
    return d->count() + (d->mode == DataSource::EditAdd ? 1 : 0);
}

int RecordSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(source_->d->fields.size());
}

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    if (role != Qt::DisplayRole && role != Qt::EditRole)
        return {};
    return source_->d->cell(index.row(), index.column());
}

bool RecordSetModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    lastError_.clear();
    if (role != Qt::EditRole
        || !checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid)) {
        lastError_ = QStringLiteral("Celda no válida.");
        return false;
    }
    auto &d = source_->d;
    const int row = index.row();
    const int column = index.column();
    try {
        const QVariant normalized = d->prepared(column, value);
        const QVariant shown = d->cell(row, column);
        // A stored number with more decimals than its field declares is shown
        // whole; handing it back as shown is no change either.
        if (sameValue(d->fields.at(column), normalized, shown)
            || sameValue(d->fields.at(column), d->prepared(column, value, false), shown))
            return true; // nothing new: no edit is opened, nothing counts as typed
        if (row != d->currentRow()) {
            // Bound fields handing over must not drag the source to another record.
            if (d->notifying > 0) {
                lastError_ = QStringLiteral("El registro %1 no es el registro actual.").arg(row + 1);
                return false;
            }
            source_->setBookmark(QVariant::fromValue(static_cast<qulonglong>(d->ids.at(row))));
        }
        if (d->mode == DataSource::EditNone)
            source_->edit();
        d->setBufferValue(column, normalized);
        if (!isBlank(normalized))
            d->typed = true;
        if (writeThrough_)
            source_->updateRecord();
    } catch (const DataError &e) {
        lastError_ = e.description();
        return false;
    }
    return true;
}

Qt::ItemFlags RecordSetModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    return Qt::ItemIsSelectable | Qt::ItemIsEnabled | Qt::ItemIsEditable;
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole) {
        const auto &fields = source_->d->fields;
        if (section >= 0 && section < fields.size())
            return fields.at(section).name;
        return {};
    }
    return QAbstractTableModel::headerData(section, orientation, role);
}

void RecordSetModel::setWriteThrough(bool on) { writeThrough_ = on; }
bool RecordSetModel::writeThrough() const { return writeThrough_; }
QString RecordSetModel::lastError() const { return lastError_; }

void RecordSetModel::resetFromSource()
{
    beginResetModel();
    endResetModel();
}

void RecordSetModel::rowChanged(int row)
{
    if (row < 0 || row >= rowCount() || columnCount() == 0)
        return;
    emit dataChanged(index(row, 0), index(row, columnCount() - 1), {Qt::DisplayRole, Qt::EditRole});
}

} // namespace korim::data

#include "questionnaire/gridmodel.h"

#include "data/datasource.h"
#include "data/dbf.h"
#include "application/rules.h"

#include <QLineEdit>

#include <cmath>

namespace korim::questionnaire {

using namespace korim::application;

QModelIndex GridView::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    const QModelIndex to = QTableView::moveCursor(cursorAction, modifiers);
    const QModelIndex from = currentIndex();
    if (!to.isValid() || !from.isValid())
        return to;
    const bool before = to.row() < from.row() || (to.row() == from.row() && to.column() <= from.column());
    // No cell further on: an invalid index lets the key go to the window.
    if (cursorAction == MoveNext && before)
        return {};
    if (cursorAction == MovePrevious && !before)
        return {};
    return to;
}

using korim::data::DataError;
using korim::data::DataSource;
using korim::data::FieldDef;
using korim::data::FieldType;

namespace {

bool isNumber(const QVariant &value)
{
    // Stored figures with decimals arrive as exact decimals.
    if (value.metaType() == QMetaType::fromType<korim::data::Decimal>())
        return true;
    switch (value.typeId()) {
    case QMetaType::Double:
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::ULongLong:
    case QMetaType::UInt:
        return true;
    default:
        return false;
    }
}

QString basicText(const QString &, const QVariant &value)
{
    if (!value.isValid())
        return {};
    if (isNumber(value))
        return plainNumber(value.toDouble());
    return value.toString();
}

// A number as a field with this many decimals keeps it.
double roundedTo(double value, int decimals)
{
    bool ok = false;
    const double rounded = QString::number(value, 'f', qBound(0, decimals, 15)).toDouble(&ok);
    return ok ? rounded : value;
}

} // namespace

void GridDelegate::setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line) {
        QStyledItemDelegate::setModelData(editor, model, index);
        return;
    }
    const QString text = line->text();
    if (text == index.data(Qt::EditRole).toString())
        return;
    auto *self = const_cast<GridDelegate *>(this);
    if (model->setData(index, text, Qt::EditRole))
        emit self->cellStored(index);
    else
        emit self->cellRefused(index, text);
}

QWidget *GridDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    QWidget *editor = QStyledItemDelegate::createEditor(parent, option, index);
    const auto *model = qobject_cast<const GridModel *>(index.model());
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (model && line && index.column() < model->columns().size()) {
        const int limit = model->columns().at(index.column()).maxLength;
        if (limit > 0)
            line->setMaxLength(limit);
    }
    return editor;
}

GridModel::GridModel(DataSource *source, QList<GridColumn> columns, bool allowAddNew, QObject *parent)
    : QAbstractTableModel(parent)
    , source_(source)
    , columns_(std::move(columns))
    , allowAddNew_(allowAddNew)
    , formatter_(basicText)
{
    QAbstractItemModel *model = sourceModel();
    sourceRows_ = model->rowCount();
    newRowShown_ = wantsNewRow();
    resolveColumns();

    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] { beginResetModel(); });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        resolveColumns();
        sourceRows_ = sourceModel()->rowCount();
        newRowShown_ = wantsNewRow();
        endResetModel();
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this, [this](const QModelIndex &, int first, int last) {
        // A record added at the end takes the place of the blank row, so an
        // editor open on that row stays where it is.
        absorbing_ = newRowShown_ && first == sourceRows_ && last == first;
        if (!absorbing_)
            beginInsertRows({}, first, last);
    });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        sourceRows_ = sourceModel()->rowCount();
        if (absorbing_) {
            absorbing_ = false;
            newRowShown_ = false;
            emit dataChanged(index(sourceRows_ - 1, 0), index(sourceRows_ - 1, columnCount() - 1));
            emit headerDataChanged(Qt::Vertical, sourceRows_ - 1, sourceRows_ - 1);
        } else {
            endInsertRows();
        }
        syncNewRow();
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { beginRemoveRows({}, first, last); });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
        sourceRows_ = sourceModel()->rowCount();
        endRemoveRows();
        syncNewRow();
    });
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this, [this] { emit layoutAboutToBeChanged(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { emit layoutChanged(); });
    connect(model, &QAbstractItemModel::dataChanged, this, [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
        if (!columns_.isEmpty() && topLeft.isValid() && bottomRight.isValid())
            emit dataChanged(index(topLeft.row(), 0), index(bottomRight.row(), int(columns_.size()) - 1));
        syncNewRow();
    });
    connect(source_, &DataSource::currentChanged, this, [this] { syncNewRow(); });
}

QAbstractItemModel *GridModel::sourceModel() const
{
    return source_->model();
}

void GridModel::resolveColumns()
{
    sourceColumns_.clear();
    for (const GridColumn &column : columns_)
        sourceColumns_.append(source_->fieldIndex(column.field));
}

int GridModel::sourceColumn(int column) const
{
    if (column < 0 || column >= sourceColumns_.size())
        return -1;
    return sourceColumns_[column];
}

bool GridModel::wantsNewRow() const
{
    return allowAddNew_ && source_->editMode() != DataSource::EditAdd;
}

void GridModel::syncNewRow()
{
    const bool want = wantsNewRow();
    if (want == newRowShown_)
        return;
    if (want) {
        beginInsertRows({}, sourceRows_, sourceRows_);
        newRowShown_ = true;
        endInsertRows();
    } else {
        beginRemoveRows({}, sourceRows_, sourceRows_);
        newRowShown_ = false;
        endRemoveRows();
    }
}

int GridModel::newRow() const
{
    return newRowShown_ ? sourceRows_ : -1;
}

void GridModel::setFormatter(Formatter formatter)
{
    formatter_ = formatter ? std::move(formatter) : Formatter(basicText);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1));
}

QString GridModel::headerText(const QString &caption, int lines)
{
    const QString text = caption.trimmed();
    if (lines < 2)
        return text;
    // The widest run of blanks, when it is wide enough to be meant as a break.
    int bestAt = -1;
    int bestRun = 0;
    for (int i = 0; i < text.size();) {
        if (text.at(i) != QLatin1Char(' ')) {
            ++i;
            continue;
        }
        int j = i;
        while (j < text.size() && text.at(j) == QLatin1Char(' '))
            ++j;
        if (j - i > bestRun) {
            bestRun = j - i;
            bestAt = i;
        }
        i = j;
    }
    if (bestRun >= 3)
        return text.left(bestAt).trimmed() + QLatin1Char('\n') + text.mid(bestAt).trimmed();
    if (text.size() <= 12)
        return text;
    // Otherwise the blank that makes the longer of the two lines shortest.
    int split = -1;
    int longest = int(text.size());
    for (int i = 0; i < text.size(); ++i) {
        if (text.at(i) != QLatin1Char(' '))
            continue;
        const int lineLength = qMax(int(text.left(i).trimmed().size()), int(text.mid(i).trimmed().size()));
        if (lineLength < longest) {
            longest = lineLength;
            split = i;
        }
    }
    if (split < 0)
        return text;
    return text.left(split).trimmed() + QLatin1Char('\n') + text.mid(split).trimmed();
}

int GridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : sourceRows_ + (newRowShown_ ? 1 : 0);
}

int GridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(columns_.size());
}

QVariant GridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount())
        return {};
    if (index.row() == newRow() || sourceColumn(index.column()) < 0)
        return {};
    const QModelIndex at = sourceModel()->index(index.row(), sourceColumn(index.column()));
    const QVariant value = sourceModel()->data(at, Qt::EditRole);
    switch (role) {
    case Qt::DisplayRole:
        return formatter_(columns_[index.column()].format, value);
    case Qt::EditRole:
        // Edited as text, so cells get a line edit whatever the field type.
        return basicText({}, value);
    case Qt::TextAlignmentRole:
        if (isNumber(value))
            return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant::fromValue(Qt::AlignLeft | Qt::AlignVCenter);
    default:
        return {};
    }
}

bool GridModel::setData(const QModelIndex &index, const QVariant &value, int role)
{
    lastError_.clear();
    if (role != Qt::EditRole || !index.isValid() || sourceColumn(index.column()) < 0)
        return false;
    if (!columns_[index.column()].editable || !allowUpdate_) {
        lastError_ = QStringLiteral("La celda no se puede modificar.");
        return false;
    }
    int row = index.row();
    bool added = false;
    if (row == newRow()) {
        // Nothing typed into the blank row adds nothing.
        if (value.toString().trimmed().isEmpty())
            return true;
        try {
            source_->addNew();
        } catch (const DataError &e) {
            lastError_ = e.description();
            return false;
        }
        added = true;
        row = sourceRows_ - 1;
    }
    const bool ok = writeSource(row, index.column(), value);
    if (!ok && added) {
        try {
            source_->cancelUpdate();
        } catch (const DataError &) {
        }
    }
    return ok;
}

bool GridModel::writeSource(int row, int column, const QVariant &value)
{
    korim::data::RecordSetModel *records = source_->model();
    if (records->setData(records->index(row, sourceColumn(column)), value, Qt::EditRole)) {
        lastError_.clear();
        return true;
    }
    lastError_ = records->lastError();
    // A grid writes each cell at once: a value the table refused must not
    // linger in a pending edit, where the cell would show it and the next
    // write of the row would fail on it again.
    if (records->writeThrough() && source_->editMode() == DataSource::EditInProgress) {
        try {
            source_->cancelUpdate();
        } catch (const DataError &) {
        }
    }
    return false;
}

void GridModel::setAllowUpdate(bool on)
{
    allowUpdate_ = on;
}

QVariant GridModel::value(int row, int column) const
{
    if (row < 0 || row >= sourceRows_ || sourceColumn(column) < 0)
        return {};
    return sourceModel()->data(sourceModel()->index(row, sourceColumn(column)), Qt::EditRole);
}

bool GridModel::storeValue(int row, int column, const QVariant &value)
{
    if (row < 0 || row >= sourceRows_ || sourceColumn(column) < 0) {
        lastError_ = QStringLiteral("Celda no válida.");
        return false;
    }
    QVariant stored = value;
    const FieldDef field = source_->fieldDef(sourceColumn(column));
    if ((field.type == FieldType::Numeric || field.type == FieldType::Float)
        && value.typeId() == QMetaType::Double && std::isfinite(value.toDouble()))
        stored = roundedTo(value.toDouble(), field.decimals);
    return writeSource(row, column, stored);
}

Qt::ItemFlags GridModel::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (allowUpdate_ && index.column() < columns_.size() && columns_[index.column()].editable)
        f |= Qt::ItemIsEditable;
    return f;
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        if (role == Qt::DisplayRole)
            return section == newRow() ? QStringLiteral("*") : QString();
        return {};
    }
    if (section < 0 || section >= columns_.size())
        return {};
    switch (role) {
    case Qt::DisplayRole:
        return headerText(columns_[section].caption);
    case Qt::ToolTipRole:
    case Qt::AccessibleTextRole:
        return columns_[section].caption;
    default:
        return {};
    }
}

} // namespace korim::questionnaire

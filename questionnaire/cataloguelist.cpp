#include "questionnaire/cataloguelist.h"

namespace korim::questionnaire {

CatalogueList::CatalogueList(QObject *parent)
    : QAbstractListModel(parent)
{
}

void CatalogueList::setEntries(application::Catalogue entries)
{
    if (!entries_.isEmpty()) {
        beginResetModel();
        entries_.clear();
        endResetModel();
    }
    if (entries.isEmpty())
        return;
    beginInsertRows({}, 0, int(entries.size()) - 1);
    entries_ = std::move(entries);
    endInsertRows();
}

int CatalogueList::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant CatalogueList::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= entries_.size() || index.column() != 0)
        return {};
    const application::Entry &entry = entries_.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
        return entry.text;
    case Qt::UserRole:
        return entry.key;
    default:
        return {};
    }
}

Qt::ItemFlags CatalogueList::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsSelectable | Qt::ItemIsEnabled : Qt::NoItemFlags;
}

} // namespace korim::questionnaire

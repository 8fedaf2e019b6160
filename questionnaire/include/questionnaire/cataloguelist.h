#pragma once
// The entries of a catalogue's drop-down list: the text it shows and the key
// it keeps as item data (Qt::UserRole), shared with the application's
// catalogue rather than copied. Plain values rather than one
// QStandardItem each: an item costs several allocations to make and again to
// free, and the activity catalogue may hold tens of thousands of entries.
// Read-only, as the catalogues are for the program.

#include "application/catalogue.h"

#include <QAbstractListModel>
#include <QVariant>

namespace korim::questionnaire {

class CatalogueList : public QAbstractListModel {
    Q_OBJECT
public:
    explicit CatalogueList(QObject *parent = nullptr);

    // The old entries go (a reset), then the new ones come as one insertion,
    // as a list's own model announces a clear and an append: a list with
    // no entry selected selects the first.
    void setEntries(application::Catalogue entries);

    int rowCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    application::Catalogue entries_;
};

} // namespace korim::questionnaire

#pragma once
// What the erase and the save do to the tables, without the window: the
// application deleted, the sales rows zeroed, the products deleted, the list
// keys written into the record by position.

#include "application/schema.h"

#include <QString>

namespace korim::data {
class DataSource;
}

namespace korim::application {

// DATOPROV positions of the keys the lists choose.
inline constexpr int kActivityKeyField = schema::datoprov::Actividad;
inline constexpr int kOfficeKeyField = schema::datoprov::AdmLocal;
inline constexpr int kBankKeyField = schema::datoprov::Banco;

// Zeroes the five figures (positions 1 to 5) of every row recordSource
// selects and opens the set anew. Throws DataError.
void zeroSalesRows(korim::data::DataSource &source, const QString &recordSource);

// Deletes every record of PROVMERC. Throws DataError.
void eraseProducts(korim::data::DataSource &products);

// Erases the current application and what hangs from it: the record, both
// kinds of sales rows, the products; then reopens the products and the
// application. Failing to delete or reopen the application throws (nothing
// after it runs); the sales and product steps each run whatever failed
// before, and the first of their failures is returned (empty when none), so
// the window can still end on a new application and tell it then.
QString eraseApplication(korim::data::DataSource &application, korim::data::DataSource &totals,
                         korim::data::DataSource &exportSales, korim::data::DataSource &products);

// The keys of the office, activity and bank lists, written into the open
// record in that order. Throws DataError.
struct RecordKeys {
    qlonglong office = 0;
    int activity = 0;
    qlonglong bank = 0;
};
void writeRecordKeys(korim::data::DataSource &application, const RecordKeys &keys);

} // namespace korim::application

#include "application/recordrules.h"

#include "data/datasource.h"

namespace korim::application {

using korim::data::DataError;
using korim::data::DataSource;

void zeroSalesRows(DataSource &source, const QString &recordSource)
{
    source.setRecordSource(recordSource);
    source.refresh();
    if (!source.eof()) {
        source.moveFirst();
        while (!source.eof()) {
            source.edit();
            for (int position = schema::ventas::FirstFigure; position <= schema::ventas::LastFigure; ++position)
                source.setValue(position, 0);
            source.updateRecord();
            source.moveNext();
        }
    }
    source.refresh();
}

void eraseProducts(DataSource &products)
{
    products.setRecordSource(QStringLiteral("select * from PROVMERC"));
    products.refresh();
    if (products.eof())
        return;
    products.moveFirst();
    while (!products.eof()) {
        products.deleteRecord();
        products.moveNext();
    }
}

QString eraseApplication(DataSource &application, DataSource &totals, DataSource &exportSales,
                         DataSource &products)
{
    // The engine compacts the table files on every deletion, so nothing of
    // the erased application stays in them.
    if (!application.eof())
        application.deleteRecord();

    // The application is gone: each step's failure is kept and the others
    // still run.
    QString failed;
    auto step = [&failed](const auto &run) {
        try {
            run();
        } catch (const DataError &e) {
            if (failed.isEmpty())
                failed = e.description();
        }
    };
    step([&] { zeroSalesRows(totals, QString::fromLatin1(schema::ventas::EraseTotales)); });
    step([&] { zeroSalesRows(exportSales, QString::fromLatin1(schema::ventas::EraseIndirectas)); });
    step([&] { eraseProducts(products); });
    step([&] {
        products.setRecordSource(QStringLiteral("select * from PROVMERC"));
        products.refresh();
    });

    application.setRecordSource(QStringLiteral("datoprov"));
    application.refresh();
    return failed;
}

void writeRecordKeys(DataSource &application, const RecordKeys &keys)
{
    application.setValue(kOfficeKeyField, keys.office);
    application.setValue(kActivityKeyField, keys.activity);
    application.setValue(kBankKeyField, keys.bank);
}

} // namespace korim::application

// The erase and the list keys on the tables alone: no window, a data folder
// of known content, the files read back with the independent reader.

#include "support/testsupport.h"

#include "data/datasource.h"
#include "application/recordrules.h"
#include "application/support/appfolder.h"

#include <QAbstractItemModel>
#include <QJsonArray>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>

using namespace korim::test;
using korim::data::DataError;
using korim::data::DataSource;
using namespace korim::application;

namespace {

std::unique_ptr<DataSource> open(const QString &folder, const char *table)
{
    auto source = std::make_unique<DataSource>(QString::fromLatin1(table));
    source->setConnect(QStringLiteral("dBASE III;"));
    source->setDatabaseName(folder);
    source->setRecordSource(QString::fromLatin1(table));
    source->refresh();
    return source;
}

// Every sales row gets figures 1..5 and an exchange rate (position 6), all
// different from zero.
void fillSales(const QString &folder)
{
    auto sales = open(folder, "VENTAS");
    int n = 0;
    for (sales->moveFirst(); !sales->eof(); sales->moveNext()) {
        sales->edit();
        for (int p = 1; p <= 6; ++p)
            sales->setValue(p, 100 * ++n + p);
        sales->updateRecord();
    }
}

// Positions 1..5 all zero or none zero; the rate always kept.
bool figuresZero(const QJsonArray &row)
{
    for (int p = 1; p <= 5; ++p) {
        if (row.at(p).toDouble() != 0.0)
            return false;
    }
    return true;
}

bool allRows(const QJsonArray &rows, bool zero)
{
    for (const QJsonValue &row : rows) {
        const QJsonArray r = row.toArray();
        if (figuresZero(r) != zero || r.at(6).toDouble() == 0.0)
            return false;
    }
    return !rows.isEmpty();
}

FolderSpec filledFolder()
{
    FolderSpec spec;
    spec.application = sampleApplication();
    spec.products = {QStringLiteral("MESA DE PINO"), QStringLiteral("SILLA")};
    return spec;
}

// A filled folder with sales figures and the four sources the erase takes.
struct ErasePlace {
    explicit ErasePlace(const QString &dir) : folder(makeDataFolder(dir, filledFolder()))
    {
        fillSales(folder);
        application = open(folder, "datoprov");
        totals = open(folder, "VENTAS");
        exportSales = open(folder, "VENTAS");
        products = open(folder, "PROVMERC");
    }
    QString erase() { return eraseApplication(*application, *totals, *exportSales, *products); }

    QString folder;
    std::unique_ptr<DataSource> application, totals, exportSales, products;
};

} // namespace

class RecordRulesTest : public QObject {
    Q_OBJECT

private slots:
    void zeroSalesRows_data()
    {
        QTest::addColumn<QString>("selection");
        QTest::addColumn<bool>("kind1Zeroed");
        QTest::addColumn<bool>("kind2Zeroed");
        QTest::newRow("totals") << QStringLiteral("select * from ventas where tipo =1") << true << false;
        QTest::newRow("exports") << QStringLiteral("select * from ventas where tipo =2") << false << true;
        QTest::newRow("no rows") << QStringLiteral("select * from ventas where tipo =3") << false << false;
    }

    void zeroSalesRows()
    {
        QFETCH(QString, selection);
        QFETCH(bool, kind1Zeroed);
        QFETCH(bool, kind2Zeroed);
        QTemporaryDir dir;
        const QString folder = makeDataFolder(dir.path());
        fillSales(folder);
        auto sales = open(folder, "VENTAS");
        korim::application::zeroSalesRows(*sales, selection);
        QVERIFY(allRows(salesRows(folder, 1), kind1Zeroed));
        QVERIFY(allRows(salesRows(folder, 2), kind2Zeroed));
        // The set is open again on its first row, nothing pending.
        QCOMPARE(sales->editMode(), int(DataSource::EditNone));
        QCOMPARE(sales->recordCount(), selection.endsWith(QLatin1Char('3')) ? 0 : 3);
    }

    void eraseApplication()
    {
        QTemporaryDir dir;
        ErasePlace place(dir.path());
        const QString &folder = place.folder;
        auto &application = place.application;
        auto &products = place.products;
        QCOMPARE(products->recordCount(), 2);

        QCOMPARE(place.erase(), QString());
        QCOMPARE(readWithDbfread(tablePath(folder, QStringLiteral("datoprov.dbf"))).size(), 0);
        QCOMPARE(readWithDbfread(tablePath(folder, QStringLiteral("PROVMERC.dbf"))).size(), 0);
        QVERIFY(allRows(salesRows(folder, 1), true));
        QVERIFY(allRows(salesRows(folder, 2), true));
        QVERIFY(application->eof() && products->eof());
        QCOMPARE(application->recordSource(), QStringLiteral("datoprov"));
        QCOMPARE(products->recordSource(), QStringLiteral("select * from PROVMERC"));
    }

    void eraseFailingAfterTheApplication()
    {
        QTemporaryDir dir;
        ErasePlace place(dir.path());
        const QString &folder = place.folder;
        auto &application = place.application;
        auto &products = place.products;
        // The folder turns read-only once the sales rows are zeroed, as the
        // products are about to go.
        std::unique_ptr<Unwritable> locked;
        QString why;
        connect(products->model(), &QAbstractItemModel::modelReset, this, [&] {
            if (!locked && application->recordCount() == 0) {
                locked = std::make_unique<Unwritable>(folder);
                why = locked->why();
            }
        });
        const QString failed = place.erase();
        if (!locked || !locked->active())
            QSKIP(qPrintable(QStringLiteral("the folder cannot be made unwritable: ") + why));
        locked.reset();
        QVERIFY2(failed.contains(QStringLiteral("PROVMERC"), Qt::CaseInsensitive), qPrintable(failed));
        QCOMPARE(readWithDbfread(tablePath(folder, QStringLiteral("datoprov.dbf"))).size(), 0);
        QCOMPARE(readWithDbfread(tablePath(folder, QStringLiteral("PROVMERC.dbf"))).size(), 2);
        QVERIFY(allRows(salesRows(folder, 1), true));
        QVERIFY(allRows(salesRows(folder, 2), true));
        // The later steps still ran: both sets are open again.
        QCOMPARE(products->recordCount(), 2);
        QCOMPARE(application->recordSource(), QStringLiteral("datoprov"));
        QVERIFY(application->eof());
    }

    void eraseFailingOnTheApplication()
    {
        QTemporaryDir dir;
        ErasePlace place(dir.path());
        const QString &folder = place.folder;
        Unwritable locked(folder);
        if (!locked.active())
            QSKIP(qPrintable(QStringLiteral("the folder cannot be made unwritable: ") + locked.why()));
        // Nothing after the application runs when it cannot be deleted.
        QVERIFY_THROWS_EXCEPTION(DataError,
                                 place.erase());
        QCOMPARE(readWithDbfread(tablePath(folder, QStringLiteral("datoprov.dbf"))).size(), 1);
        QCOMPARE(readWithDbfread(tablePath(folder, QStringLiteral("PROVMERC.dbf"))).size(), 2);
        QVERIFY(allRows(salesRows(folder, 1), false));
        QVERIFY(allRows(salesRows(folder, 2), false));
    }

    void recordKeysByPosition()
    {
        QTemporaryDir dir;
        const QString folder = makeDataFolder(dir.path(), filledFolder());
        auto application = open(folder, "datoprov");
        application->edit();
        writeRecordKeys(*application, RecordKeys{27, 337110, 104});
        application->updateRecord();
        const QJsonArray stored = readWithDbfread(tablePath(folder, QStringLiteral("datoprov.dbf")));
        QCOMPARE(stored.size(), 1);
        const QJsonArray record = stored.at(0).toArray();
        const QStringList names = dbfreadFieldNames(tablePath(folder, QStringLiteral("datoprov.dbf")));
        QCOMPARE(names.value(kOfficeKeyField), QStringLiteral("ADMLOCAL"));
        QCOMPARE(names.value(kActivityKeyField), QStringLiteral("ACTIVIDAD"));
        QCOMPARE(names.value(kBankKeyField), QStringLiteral("CVEBANCO"));
        QCOMPARE(record.at(kOfficeKeyField).toInteger(), 27);
        QCOMPARE(record.at(kActivityKeyField).toInteger(), 337110);
        QCOMPARE(record.at(kBankKeyField).toInteger(), 104);
    }
};

QTEST_GUILESS_MAIN(RecordRulesTest)
#include "tst_rules_record.moc"

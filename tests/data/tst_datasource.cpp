// Bound data sources over real table files: opening, moves and their
// notifications, edits and additions reaching the file, deletion, record
// markers, "no current record", sources sharing a table, write failures and
// the record-set model.

#include "data/datasource.h"
#include "support/testsupport.h"

#include <QAbstractItemModelTester>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

#include <functional>

using namespace korim::data;

namespace {

FieldDef field(const char *name, FieldType type, int length, int decimals = 0)
{
    return makeField(QString::fromLatin1(name), type, length, decimals);
}

// Small tables with the shapes the program uses: sales rows of two kinds,
// products, and the one-record application.
void createTables(const QString &dir, bool withApplication = false)
{
    const auto N = FieldType::Numeric;
    const auto C = FieldType::Character;
    DbfTable::create(dir + QStringLiteral("/VENTAS.dbf"),
                     {field("ANO", N, 4), field("VTOT", N, 18, 2), field("ETIQUETA", C, 30), field("TIPO", N, 1)},
                     {{2021, 10.5, QStringLiteral("T1A"), 1}, {2021, 1.0, QStringLiteral("T2A"), 2},
                      {2022, 20.0, QStringLiteral("T1B"), 1}, {2022, 2.0, QStringLiteral("T2B"), 2},
                      {2023, 30.0, QStringLiteral("T1C"), 1}, {2023, 3.0, QStringLiteral("T2C"), 2}});
    DbfTable::create(dir + QStringLiteral("/PROVMERC.dbf"),
                     {field("NUMPROD", N, 3), field("DESCRIPCIO", C, 150)},
                     {{1, QStringLiteral("P1")}, {2, QStringLiteral("P2")}, {3, QStringLiteral("P3")},
                      {4, QStringLiteral("P4")}});
    QList<QVariantList> application;
    if (withApplication)
        application.append({QStringLiteral(" ABC800101AB1"), QStringLiteral("ACME"), 1, QStringLiteral("14")});
    DbfTable::create(dir + QStringLiteral("/datoprov.dbf"),
                     {field("RFC", C, 13), field("NOMBRE", C, 25), field("TIPOPROG", N, 1), field("CVESOLIC", C, 2)},
                     application);
}

// What the file holds, read by a table object of its own (not the shared one).
QVariantList columnOnDisk(const QString &path, int column)
{
    const auto table = DbfTable::open(path);
    QVariantList values;
    for (int row = 0; row < table->recordCount(); ++row)
        values << table->value(row, column);
    return values;
}

int errorNumber(const std::function<void()> &call)
{
    try {
        call();
    } catch (const DataError &e) {
        return e.number();
    }
    return 0;
}

QVariantList walk(DataSource &source, int column)
{
    QVariantList values;
    for (source.moveFirst(); !source.eof(); source.moveNext())
        values << source.value(column);
    return values;
}

} // namespace

class TestDataSource : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const char *file) const { return dir_.path() + QLatin1Char('/') + QLatin1String(file); }

    void open(DataSource &source, const QString &recordSource, const QString &connect = QStringLiteral("dBASE III;"))
    {
        source.setConnect(connect);
        source.setDatabaseName(dir_.path());
        source.setRecordSource(recordSource);
        source.refresh();
    }

private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        for (const QString &name : QDir(dir_.path()).entryList(QDir::Files))
            QFile::remove(dir_.filePath(name));
        createTables(dir_.path());
    }

    void refreshOpensTablesAndQueries_data()
    {
        QTest::addColumn<QString>("connect");
        QTest::addColumn<QString>("recordSource");
        QTest::addColumn<QVariantList>("labels");
        const QVariantList kind1 = {QStringLiteral("T1A"), QStringLiteral("T1B"), QStringLiteral("T1C")};
        const QVariantList kind2 = {QStringLiteral("T2A"), QStringLiteral("T2B"), QStringLiteral("T2C")};
        QTest::newRow("dBASE, start-up query") << "dBASE III;" << "select * from ventas where tipo = 1 " << kind1;
        QTest::newRow("FoxPro, start-up query") << "FoxPro 2.5;" << "select * from ventas where tipo = 1 " << kind1;
        QTest::newRow("erase query") << "dBASE III;" << "select * from ventas where tipo =2" << kind2;
        QTest::newRow("plain table name") << "FoxPro 2.5;" << "VENTAS"
                                          << QVariantList{QStringLiteral("T1A"), QStringLiteral("T2A"),
                                                          QStringLiteral("T1B"), QStringLiteral("T2B"),
                                                          QStringLiteral("T1C"), QStringLiteral("T2C")};
    }
    void refreshOpensTablesAndQueries()
    {
        QFETCH(QString, connect);
        QFETCH(QString, recordSource);
        QFETCH(QVariantList, labels);
        DataSource source(QStringLiteral("dtsVentas"));
        open(source, recordSource, connect);
        QCOMPARE(source.recordCount(), labels.size());
        QCOMPARE(source.currentRow(), 0);
        QCOMPARE(walk(source, source.fieldIndex(QStringLiteral("etiqueta"))), labels);
    }

    void recordSourceTakesEffectAtRefresh()
    {
        DataSource source(QStringLiteral("dtsVTotales"));
        open(source, QStringLiteral("select * from ventas where tipo = 1 "));
        source.setRecordSource(QStringLiteral("select * from ventas where tipo = 2"));
        QCOMPARE(source.recordSource(), QStringLiteral("select * from ventas where tipo = 2"));
        QCOMPARE(walk(source, 3), (QVariantList{1, 1, 1}));
        source.refresh();
        QCOMPARE(walk(source, 3), (QVariantList{2, 2, 2}));
    }

    void refreshFailuresKeepTheOpenSet()
    {
        DataSource source(QStringLiteral("dtsVentas"));
        open(source, QStringLiteral("select * from ventas where tipo = 1"));
        source.moveNext();

        const QString bad = QStringLiteral("select etiqueta from ventas order by ano");
        source.setRecordSource(bad);
        try {
            source.refresh();
            QFAIL("a record source we cannot read was accepted");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), DataError::BadRecordSource);
            QVERIFY2(e.description().contains(bad), qPrintable(e.description()));
        }
        source.setRecordSource(QStringLiteral("select * from ventas where precio = 1"));
        QCOMPARE(errorNumber([&] { source.refresh(); }), DataError::BadRecordSource);
        source.setRecordSource(QStringLiteral("nosuchtable"));
        QCOMPARE(errorNumber([&] { source.refresh(); }), DataError::EngineFailure);
        source.setRecordSource(QStringLiteral("ventas"));
        source.setConnect(QStringLiteral("Paradox 4.x;"));
        QCOMPARE(errorNumber([&] { source.refresh(); }), DataError::EngineFailure);

        // Still on the second kind-1 row.
        QCOMPARE(source.recordCount(), 3);
        QCOMPARE(source.value(2).toString(), QStringLiteral("T1B"));
    }

    void movesNotifyBeforeWritingAndMoving()
    {
        DataSource source(QStringLiteral("dtsVentas"));
        open(source, QStringLiteral("select * from ventas where tipo = 1"));
        QStringList log;
        connect(&source, &DataSource::aboutToMove, this, [&](int action) {
            log << QStringLiteral("move %1 mode %2 row %3").arg(action).arg(source.editMode()).arg(source.currentRow());
        });
        connect(&source, &DataSource::aboutToWrite, this, [&] { log << QStringLiteral("write"); });
        connect(&source, &DataSource::currentChanged, this,
                [&] { log << QStringLiteral("current %1").arg(source.currentRow()); });

        source.moveLast();
        source.moveFirst();
        source.edit();
        source.setValue(QStringLiteral("VTOT"), 11.25);
        source.moveNext();
        source.movePrevious();
        QCOMPARE(log, (QStringList{
            QStringLiteral("move 4 mode 0 row 0"), QStringLiteral("write"), QStringLiteral("current 2"),
            QStringLiteral("move 1 mode 0 row 2"), QStringLiteral("write"), QStringLiteral("current 0"),
            QStringLiteral("move 3 mode 1 row 0"), QStringLiteral("write"), QStringLiteral("current 0"),
            QStringLiteral("current 1"),
            QStringLiteral("move 2 mode 0 row 1"), QStringLiteral("write"), QStringLiteral("current 0"),
        }));
        // The edit pending at the move reached the file.
        QCOMPARE(columnOnDisk(path("VENTAS.dbf"), 1).at(0).toDouble(), 11.25);
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
    }

    void endsOfTheSet()
    {
        DataSource source(QStringLiteral("dtsVentas"));
        open(source, QStringLiteral("select * from ventas where tipo = 2"));
        QVERIFY(!source.bof() && !source.eof());
        source.movePrevious();
        QVERIFY(source.bof() && !source.eof());
        source.movePrevious(); // stays before the first
        source.moveNext();
        QCOMPARE(source.value(2).toString(), QStringLiteral("T2A"));
        source.moveLast();
        source.moveNext();
        QVERIFY(source.eof() && !source.bof());
        QCOMPARE(source.currentRow(), -1);
        source.moveNext(); // stays past the last
        QVERIFY(source.eof());
        source.movePrevious();
        QCOMPARE(source.value(2).toString(), QStringLiteral("T2C"));

        DataSource empty(QStringLiteral("dtsVacio"));
        open(empty, QStringLiteral("select * from ventas where tipo = 9"));
        QSignalSpy moves(&empty, &DataSource::aboutToMove);
        QVERIFY(empty.eof() && empty.bof());
        QCOMPARE(empty.recordCount(), 0);
        empty.moveFirst();
        empty.moveNext();
        empty.moveLast();
        QVERIFY(empty.eof() && empty.bof());
        QCOMPARE(moves.size(), 3);
        QCOMPARE(empty.currentRow(), -1);
    }

    void noCurrentRecordIs3021OnEveryRead_data()
    {
        QTest::addColumn<QString>("state");
        QTest::newRow("never opened") << "never opened";
        QTest::newRow("empty set") << "empty set";
        QTest::newRow("past the last") << "past the last";
        QTest::newRow("before the first") << "before the first";
        QTest::newRow("after a deletion") << "after a deletion";
    }
    void noCurrentRecordIs3021OnEveryRead()
    {
        QFETCH(QString, state);
        DataSource source(QStringLiteral("dtsProductos"));
        if (state != QLatin1String("never opened"))
            open(source, state == QLatin1String("empty set") ? QStringLiteral("select * from provmerc where numprod = 99")
                                                            : QStringLiteral("PROVMERC"));
        if (state == QLatin1String("past the last"))
            source.moveLast(), source.moveNext();
        else if (state == QLatin1String("before the first"))
            source.movePrevious();
        else if (state == QLatin1String("after a deletion"))
            source.deleteRecord();

        const QList<std::function<void()>> reads = {
            [&] { source.value(0); },
            [&] { source.value(QStringLiteral("NUMPROD")); },
            [&] { source.edit(); },
            [&] { source.deleteRecord(); },
            [&] { source.updateRecord(); },
        };
        for (const auto &read : reads)
            QCOMPARE(errorNumber(read), DataError::NoCurrentRecord);
        // Callers that only know the standard exception still see a failure.
        QVERIFY_THROWS_EXCEPTION(std::runtime_error, source.value(1));
        QVERIFY(!source.bookmark().isValid());
    }

    void editWritesOnlyAtUpdateAndCancelRestores()
    {
        DataSource source(QStringLiteral("dtsVentas"));
        open(source, QStringLiteral("ventas"));
        QCOMPARE(errorNumber([&] { source.setValue(1, 5); }), DataError::NotEditing);

        source.edit();
        QCOMPARE(source.editMode(), int(DataSource::EditInProgress));
        source.setValue(QStringLiteral("vtot"), QStringLiteral("12.5"));
        source.setValue(2, QStringLiteral("NUEVA   "));
        source.setValue(0, 2024.0);
        QCOMPARE(source.value(1), korim::test::decimal("12.5"));
        QCOMPARE(source.value(0), QVariant(qlonglong(2024)));
        QCOMPARE(source.value(2), QVariant(QStringLiteral("NUEVA")));
        QCOMPARE(errorNumber([&] { source.setValue(1, QStringLiteral("12 mil")); }), DataError::ConversionError);
        QCOMPARE(errorNumber([&] { source.setValue(QStringLiteral("PRECIO"), 1); }), DataError::NoSuchField);
        QCOMPARE(errorNumber([&] { source.setValue(9, 1); }), DataError::NoSuchField);
        QCOMPARE(source.value(1), korim::test::decimal("12.5")); // the refused value changed nothing
        QCOMPARE(columnOnDisk(path("VENTAS.dbf"), 2).at(0).toString(), QStringLiteral("T1A"));

        source.updateRecord();
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QCOMPARE(source.lastModified(), source.bookmark());
        const auto disk = DbfTable::open(path("VENTAS.dbf"));
        QCOMPARE(disk->record(0), (QVariantList{qlonglong(2024), korim::test::decimal("12.5"), QStringLiteral("NUEVA"), qlonglong(1)}));

        source.edit();
        source.setValue(2, QStringLiteral("DESCARTADA"));
        source.cancelUpdate();
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QCOMPARE(source.value(2).toString(), QStringLiteral("NUEVA"));

        source.edit();
        source.setValue(2, QStringLiteral("TAMBIEN DESCARTADA"));
        source.refresh(); // drops the pending edit
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QCOMPARE(columnOnDisk(path("VENTAS.dbf"), 2).at(0).toString(), QStringLiteral("NUEVA"));
    }

    void additionIsWrittenAndFormerRecordIsCurrentAgain()
    {
        DataSource source(QStringLiteral("dtsProductos"));
        open(source, QStringLiteral("select * from PROVMERC"));
        source.moveNext();
        const QVariant former = source.bookmark();

        source.addNew();
        QCOMPARE(source.editMode(), int(DataSource::EditAdd));
        QCOMPARE(source.currentRow(), 4);
        QCOMPARE(source.model()->rowCount(), 5);
        QVERIFY(!source.bookmark().isValid());
        QCOMPARE(source.value(1).toString(), QString());
        source.setValue(1, QStringLiteral("NUEVO PRODUCTO"));
        source.addNew(); // a second addNew keeps the pending record
        QCOMPARE(source.value(1).toString(), QStringLiteral("NUEVO PRODUCTO"));

        source.updateRecord();
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QCOMPARE(source.recordCount(), 5);
        QCOMPARE(source.bookmark(), former);
        QCOMPARE(source.value(1).toString(), QStringLiteral("P2"));
        QVERIFY(source.lastModified() != former);
        source.setBookmark(source.lastModified());
        QCOMPARE(source.value(1).toString(), QStringLiteral("NUEVO PRODUCTO"));
        QCOMPARE(source.currentRow(), 4);

        QString error;
        const QJsonArray rows = korim::test::readWithDbfread(path("PROVMERC.dbf"), &error);
        QVERIFY2(error.isEmpty(), qPrintable(error));
        QCOMPARE(rows.size(), 5);
        QCOMPARE(rows.at(4).toArray().at(1).toString(), QStringLiteral("NUEVO PRODUCTO"));
        QVERIFY(rows.at(4).toArray().at(0).isNull()); // never set: blank

        source.addNew();
        source.setValue(1, QStringLiteral("NO VA"));
        source.cancelUpdate();
        QCOMPARE(source.model()->rowCount(), 5);
        QCOMPARE(columnOnDisk(path("PROVMERC.dbf"), 1).size(), 5);
        QCOMPARE(errorNumber([&] { source.setBookmark(QVariant(qulonglong(987654))); }), DataError::BadBookmark);
    }

    void firstApplicationOnAnEmptyTable()
    {
        // Start-up on an empty application table, then the save command.
        DataSource source(QStringLiteral("dtsDatoProv"));
        open(source, QStringLiteral("datoprov"));
        QVERIFY(source.eof());
        source.addNew();
        QVERIFY(source.eof()); // the pending record is not a stored one: erase finds nothing
        source.setValue(3, QStringLiteral("14"));
        source.setValue(QStringLiteral("RFC"), QStringLiteral(" XYZ800101AB1"));
        QCOMPARE(source.value(3).toString(), QStringLiteral("14"));
        source.updateRecord();
        source.setBookmark(source.lastModified());
        source.edit();
        QCOMPARE(source.value(0).toString(), QStringLiteral(" XYZ800101AB1"));
        QCOMPARE(columnOnDisk(path("datoprov.dbf"), 0), (QVariantList{QStringLiteral(" XYZ800101AB1")}));
    }

    void deletionCompactsAndNextMoveFollows()
    {
        DataSource source(QStringLiteral("dtsProductos"));
        open(source, QStringLiteral("PROVMERC"));
        source.moveNext();
        source.deleteRecord();
        QCOMPARE(source.recordCount(), 3);
        QVERIFY(!source.eof());
        QCOMPARE(source.currentRow(), -1);
        QCOMPARE(errorNumber([&] { source.value(1); }), DataError::NoCurrentRecord);
        source.moveNext();
        QCOMPARE(source.value(1).toString(), QStringLiteral("P3"));
        source.deleteRecord();
        source.movePrevious();
        QCOMPARE(source.value(1).toString(), QStringLiteral("P1"));

        QString error;
        QCOMPARE(korim::test::readWithDbfread(path("PROVMERC.dbf"), &error, true).size(), 0); // nothing left flagged
        QCOMPARE(columnOnDisk(path("PROVMERC.dbf"), 1), (QVariantList{QStringLiteral("P1"), QStringLiteral("P4")}));

        // The erase command's loop.
        for (source.moveFirst(); !source.eof(); source.moveNext())
            source.deleteRecord();
        QCOMPARE(source.recordCount(), 0);
        QCOMPARE(DbfTable::open(path("PROVMERC.dbf"))->recordCount(), 0);
    }

    void sourcesOverOneTableShareWrites()
    {
        DataSource totals(QStringLiteral("dtsVTotales"));
        DataSource exports(QStringLiteral("dtsVentasExp"));
        DataSource all(QStringLiteral("dtsTodas"));
        open(totals, QStringLiteral("select * from ventas where tipo = 1 "));
        open(exports, QStringLiteral("select * from ventas where tipo = 2 "));
        open(all, QStringLiteral("ventas"));
        QSignalSpy allChanged(all.model(), &QAbstractItemModel::dataChanged);

        // Start-up writes the years of both kinds.
        for (DataSource *s : {&totals, &exports}) {
            for (int i = 0; i < 3; ++i) {
                s->edit();
                s->setValue(0, 2030 + i);
                s->updateRecord();
                s->moveNext();
            }
        }
        QCOMPARE(walk(all, 0), (QVariantList{2030, 2030, 2031, 2031, 2032, 2032}));
        QVERIFY(allChanged.size() >= 6);
        QCOMPARE(columnOnDisk(path("VENTAS.dbf"), 0), (QVariantList{2030, 2030, 2031, 2031, 2032, 2032}));

        // Two edits of one record, different fields: both survive.
        totals.moveFirst();
        all.moveFirst();
        totals.edit();
        all.edit();
        totals.setValue(1, 99.5);
        all.setValue(2, QStringLiteral("ETIQUETA NUEVA"));
        totals.updateRecord();
        all.updateRecord();
        const auto disk = DbfTable::open(path("VENTAS.dbf"));
        QCOMPARE(disk->value(0, 1), korim::test::decimal("99.5"));
        QCOMPARE(disk->value(0, 2), QVariant(QStringLiteral("ETIQUETA NUEVA")));

        // A record deleted through one source leaves the other's set.
        all.moveNext(); // first kind-2 row
        exports.moveFirst();
        all.deleteRecord();
        QCOMPARE(exports.recordCount(), 2);
        QCOMPARE(errorNumber([&] { exports.value(0); }), DataError::NoCurrentRecord);
        exports.moveNext();
        QCOMPARE(exports.value(2).toString(), QStringLiteral("T2B"));
    }

    void closingWritesTypedAdditionsOnly()
    {
        DataSource source(QStringLiteral("dtsDatoProv"));
        open(source, QStringLiteral("datoprov"));
        RecordSetModel *model = source.model();

        // Only values set by code, or blanks typed: dropped.
        source.addNew();
        source.setValue(3, QStringLiteral("14"));
        QVERIFY(model->setData(model->index(source.currentRow(), 1), QStringLiteral("   ")));
        QVERIFY(!source.hasTypedInput());
        source.closePendingAddition();
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QCOMPARE(DbfTable::open(path("datoprov.dbf"))->recordCount(), 0);

        // What a bound field hands over when asked at close: written.
        source.addNew();
        source.setValue(3, QStringLiteral("14"));
        connect(&source, &DataSource::aboutToWrite, this,
                [&] { model->setData(model->index(source.currentRow(), 1), QStringLiteral("ACME")); });
        source.closePendingAddition();
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        const auto disk = DbfTable::open(path("datoprov.dbf"));
        QCOMPARE(disk->recordCount(), 1);
        QCOMPARE(disk->record(0).mid(1), (QVariantList{QStringLiteral("ACME"), QVariant(), QStringLiteral("14")}));

        // An owner that never closed its addition still keeps what was typed.
        {
            DataSource forgotten(QStringLiteral("dtsDatoProv"));
            open(forgotten, QStringLiteral("datoprov"));
            forgotten.addNew();
            QVERIFY(forgotten.model()->setData(forgotten.model()->index(1, 1), QStringLiteral("OTRA")));
        }
        QCOMPARE(columnOnDisk(path("datoprov.dbf"), 1), (QVariantList{QStringLiteral("ACME"), QStringLiteral("OTRA")}));
    }

    void failedWritesKeepTheEditPending()
    {
        DataSource source(QStringLiteral("dtsProductos"));
        open(source, QStringLiteral("PROVMERC"));

        // A value the file cannot hold.
        source.edit();
        source.setValue(1, QStringLiteral("CAFÉ ☕"));
        source.setValue(0, 7);
        QCOMPARE(errorNumber([&] { source.updateRecord(); }), DataError::EngineFailure);
        QCOMPARE(source.editMode(), int(DataSource::EditInProgress));
        QCOMPARE(source.value(0), QVariant(qlonglong(7)));
        QCOMPARE(errorNumber([&] { source.moveNext(); }), DataError::EngineFailure);
        QCOMPARE(source.currentRow(), 0);
        source.setValue(1, QStringLiteral("CAFÉ"));
        source.updateRecord();
        QCOMPARE(columnOnDisk(path("PROVMERC.dbf"), 1).at(0).toString(), QStringLiteral("CAFÉ"));

        // A folder that cannot take the rewritten file: the folder itself is
        // replaced by a plain file, which stops root too.
        const QString folder = dir_.path();
        const QString aside = folder + QStringLiteral(".aside");
        source.addNew();
        RecordSetModel *model = source.model();
        QVERIFY(model->setData(model->index(source.currentRow(), 1), QStringLiteral("TECLEADO")));
        QVERIFY(QDir().rename(folder, aside));
        QFile blocker(folder);
        QVERIFY(blocker.open(QIODevice::WriteOnly));
        blocker.close();
        try {
            source.closePendingAddition();
            QFAIL("the addition was reported written into a folder that is not there");
        } catch (const DataError &e) {
            QCOMPARE(e.number(), DataError::EngineFailure);
            QVERIFY(!e.description().isEmpty());
        }
        QVERIFY(QFile::remove(folder));
        QVERIFY(QDir().rename(aside, folder));
        QCOMPARE(source.editMode(), int(DataSource::EditAdd));
        QVERIFY(source.hasTypedInput());
        QCOMPARE(source.value(1).toString(), QStringLiteral("TECLEADO"));
        source.closePendingAddition();
        QCOMPARE(columnOnDisk(path("PROVMERC.dbf"), 1).last().toString(), QStringLiteral("TECLEADO"));
    }

    void modelFollowsTheSource()
    {
        DataSource source(QStringLiteral("dtsVentas"));
        RecordSetModel *model = source.model();
        QAbstractItemModelTester tester(model, QAbstractItemModelTester::FailureReportingMode::QtTest);
        open(source, QStringLiteral("select * from ventas where tipo = 1"));

        QCOMPARE(model->rowCount(), 3);
        QCOMPARE(model->columnCount(), 4);
        QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("ETIQUETA"));
        QCOMPARE(model->data(model->index(1, 0)).typeId(), int(QMetaType::LongLong));
        QCOMPARE(model->data(model->index(0, 1)), korim::test::decimal("10.5"));
        QCOMPARE(model->data(model->index(0, 2)), QVariant(QStringLiteral("T1A")));

        // Typing into a number field: blank, a plain number, or refused.
        QVERIFY(!model->setData(model->index(0, 1), QStringLiteral("12,5")));
        QVERIFY(!model->lastError().isEmpty());
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("10.50"))); // same value: no edit opened
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral("")));
        QCOMPARE(source.editMode(), int(DataSource::EditInProgress));
        QVERIFY(!source.hasTypedInput());
        QVERIFY(!model->data(model->index(0, 1)).isValid());
        QVERIFY(model->setData(model->index(0, 1), QStringLiteral(" 40 ")));
        QVERIFY(source.hasTypedInput());
        QCOMPARE(model->data(model->index(0, 1)), korim::test::decimal("40"));

        // Typing into another row moves there, writing the pending edit first.
        QSignalSpy moves(&source, &DataSource::aboutToMove);
        QVERIFY(model->setData(model->index(2, 2), QStringLiteral("OTRA")));
        QCOMPARE(moves.size(), 1);
        QCOMPARE(moves.at(0).at(0).toInt(), int(DataSource::BookmarkAction));
        QCOMPARE(source.currentRow(), 2);
        QCOMPARE(columnOnDisk(path("VENTAS.dbf"), 1).at(0).toDouble(), 40.0);
        source.cancelUpdate();
        QCOMPARE(model->data(model->index(2, 2)).toString(), QStringLiteral("T1C"));

        // Grids write each cell at once.
        model->setWriteThrough(true);
        QVERIFY(model->setData(model->index(1, 1), 25));
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QCOMPARE(columnOnDisk(path("VENTAS.dbf"), 1).at(2).toDouble(), 25.0);

        source.addNew();
        QCOMPARE(model->rowCount(), 4);
        QVERIFY(model->setData(model->index(3, 2), QStringLiteral("FILA NUEVA")));
        QCOMPARE(model->rowCount(), 4);
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        source.moveLast();
        source.deleteRecord();
        QCOMPARE(model->rowCount(), 3);
        source.refresh();
        QCOMPARE(model->rowCount(), 3);
    }
};

QTEST_GUILESS_MAIN(TestDataSource)
#include "tst_datasource.moc"

// Start-up of the questionnaire window on real tables: lists, years, the
// stored application or a new one, and the failures that stop the program.

#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "data/dbf.h"
#include "questionnaire/form1.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QLineEdit>
#include <QRadioButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

using namespace korim::test;
using korim::data::DataError;
using korim::data::DataSource;
using korim::data::DbfTable;
using korim::questionnaire::Form1;
using korim::questionnaire::MaskedEdit;
using korim::questionnaire::TabControl;

class StartupTest : public QObject {
    Q_OBJECT

private:
    static QStringList describe(const korim::application::Shown &s)
    {
        QStringList out;
        for (const auto &[member, field] : korim::application::shownFields())
            out << QStringLiteral("%1=%2").arg(QLatin1String(field), s.*member);
        out << QStringLiteral("rfc=[%1]").arg(s.rfc) << QStringLiteral("tramite=%1").arg(s.tipoTramite)
            << QStringLiteral("actividad=%1").arg(s.actividad) << QStringLiteral("admlocal=%1").arg(s.admLocal)
            << QStringLiteral("banco=%1").arg(s.banco)
            << QStringLiteral("options=%1%2%3").arg(s.prodFinal).arg(s.prodIndirecto).arg(s.abastecedor);
        return out;
    }

    static void checkList(QComboBox *list, const QStringList &texts, const QList<qlonglong> &keys)
    {
        QCOMPARE(list->count(), texts.size());
        for (int i = 0; i < texts.size(); ++i) {
            QCOMPARE(list->itemText(i), texts[i]);
            QCOMPARE(list->itemData(i).toLongLong(), keys[i]);
        }
    }

    static QList<int> yearsOfKind(const QString &folder, int kind)
    {
        QList<int> years;
        const QJsonArray rows = readWithDbfread(tablePath(folder, QStringLiteral("VENTAS.dbf")));
        for (const QJsonValue &row : rows) {
            if (row.toArray().at(8).toInt() == kind)
                years.append(row.toArray().at(0).toInt());
        }
        return years;
    }

private slots:
    void emptyTableStartsANewLockedRecord()
    {
        QTemporaryDir dir;
        const QString folder = makeDataFolder(dir.path());
        MessageRecorder boxes;
        auto form = openForm(folder);

        // The lists hold their catalogues in table order with the keys as item data.
        QStringList texts;
        QList<qlonglong> keys;
        for (const Catalogue &o : testOffices()) {
            texts << o.text;
            keys << o.key;
        }
        checkList(form->control<QComboBox>(u"Combo5"), texts, keys);
        texts.clear();
        keys.clear();
        for (const Catalogue &b : testBanks()) {
            texts << b.text;
            keys << b.key;
        }
        checkList(form->control<QComboBox>(u"cmbBanco"), texts, keys);
        texts.clear();
        keys.clear();
        for (int i = 0; i < testActivities().size(); ++i) {
            texts << testActivities()[i].text;
            keys << i;
        }
        checkList(form->control<QComboBox>(u"cmbActividad"), texts, keys);
        checkList(form->control<QComboBox>(u"Combo1"), {QStringLiteral("Programa nuevo")}, {1});

        // New record pending, first entries chosen, no office, first tab.
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditAdd));
        QCOMPARE(form->control<QComboBox>(u"Combo1")->currentIndex(), 0);
        QCOMPARE(form->control<QComboBox>(u"cmbActividad")->currentIndex(), 0);
        QCOMPARE(form->control<QComboBox>(u"cmbBanco")->currentIndex(), 0);
        QCOMPARE(form->control<QComboBox>(u"Combo5")->currentIndex(), -1);
        QCOMPARE(form->control<TabControl>(u"SSTab1")->currentIndex(), 0);
        QCOMPARE(form->application().dtsDatoProv()->value(20).toString(), QStringLiteral("14"));
        QCOMPARE(form->application().AnioActual, short(2005));

        // Locked: the stretch is off, "Acerca de.." and the fields above the tabs stay on.
        QVERIFY(!form->control<QLineEdit>(u"txtCalle")->isEnabled());
        QVERIFY(!form->control<QToolButton>(u"Command1_1")->isEnabled());
        QVERIFY(!form->control<QToolButton>(u"Command1_6")->isEnabled());
        QVERIFY(!form->control<QLineEdit>(u"NoEmpleados")->isEnabled());
        QVERIFY(!form->control<QLineEdit>(u"txtcargo")->isEnabled());
        QVERIFY(form->control<QToolButton>(u"Command1_9")->isEnabled());
        QVERIFY(form->control<MaskedEdit>(u"MaskEdBox1")->isEnabled());
        QVERIFY(form->control<QLineEdit>(u"txtApePat1")->isEnabled());
        QVERIFY(form->control<QLineEdit>(u"VentasPais")->isEnabled());

        // Nothing selected, every tab open, both notes empty.
        QVERIFY(!form->control<QRadioButton>(u"chkProdFinal")->isChecked()
                && !form->control<QRadioButton>(u"chkrodIndirecto")->isChecked()
                && !form->control<QRadioButton>(u"chkAbastecedor")->isChecked());
        for (int t = 0; t < 7; ++t)
            QVERIFY(form->control<TabControl>(u"SSTab1")->isTabEnabled(t));
        QVERIFY(form->control<QTextEdit>(u"RichTextBox1")->toPlainText().isEmpty());
        QVERIFY(form->control<QTextEdit>(u"RichTextBox2")->toPlainText().isEmpty());
        QCOMPARE(form->control<MaskedEdit>(u"MaskEdBox1")->maskedText(), QString(13, QLatin1Char(' ')));

        // Start-up shows nothing; closing asks nothing and stores nothing untouched.
        QVERIFY(form->close());
        QVERIFY(boxes.requests().isEmpty());
        QCOMPARE(DbfTable::open(tablePath(folder, QStringLiteral("datoprov.dbf")))->recordCount(), 0);
    }

    void storedApplicationOpensForEditing()
    {
        QTemporaryDir dir;
        FolderSpec spec;
        QVariantMap app = sampleApplication();
        app.insert(QStringLiteral("CVESOLIC"), QString());
        app.insert(QStringLiteral("NUMMAQUILA"), 1234);
        app.insert(QStringLiteral("ANOMAQUILA"), QVariant()); // never written: no value
        spec.application = app;
        const QString folder = makeDataFolder(dir.path(), spec);
        MessageRecorder boxes;
        auto form = openForm(folder);

        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
        QCOMPARE(form->control<MaskedEdit>(u"MaskEdBox1")->maskedText(), QStringLiteral(" ABC800101AB1"));
        QCOMPARE(form->control<QLineEdit>(u"txtApePat1")->text(), QStringLiteral("EXPORTADORA DEL SUR"));
        QCOMPARE(form->control<QLineEdit>(u"txtAdmLocal")->text(), QStringLiteral("CENTRO"));
        // The stored choices: procedure, activity by its code, office, bank.
        QCOMPARE(form->control<QComboBox>(u"Combo1")->currentIndex(), 0);
        QCOMPARE(form->control<QComboBox>(u"cmbActividad")->currentIndex(), 4);
        QCOMPARE(form->application().BuscaActividadEntrada(337110), 4);
        QCOMPARE(form->control<QComboBox>(u"Combo5")->currentIndex(), 2);
        QCOMPARE(form->control<QComboBox>(u"cmbBanco")->currentIndex(), 1);
        QCOMPARE(form->control<QComboBox>(u"cmbBanco")->currentData().toLongLong(), 3LL);
        // Maquila fields: a number shows, no value shows blank.
        QCOMPARE(form->control<MaskedEdit>(u"txtnummaquila")->clipText(), QStringLiteral("1234"));
        QCOMPARE(form->control<MaskedEdit>(u"txtanomaquila")->clipText(), QString());
        // The programme type restored from the stored code 4.
        QVERIFY(form->control<QRadioButton>(u"chkAbastecedor")->isChecked());
        QCOMPARE(form->control<QLineEdit>(u"TipoProg")->text(), QStringLiteral("4"));
        // "14" goes into position 20 of the opened record.
        QCOMPARE(form->application().dtsDatoProv()->value(20).toString(), QStringLiteral("14"));
        // Enabled states as designed: Nuevo does not lock an existing record.
        QVERIFY(!form->control<QLineEdit>(u"txtCalle")->isEnabled());
        QVERIFY(form->control<QLineEdit>(u"txtcargo")->isEnabled());
        QVERIFY(form->control<QLineEdit>(u"NoEmpleados")->isEnabled());
        QVERIFY(form->control<QToolButton>(u"Command1_1")->isEnabled());
        QCOMPARE(form->control<TabControl>(u"SSTab1")->currentIndex(), 0);

        // Closing right away asks the save question.
        boxes.answer(korim::platform::MsgAnswer::No);
        QVERIFY(form->close());
        QCOMPARE(boxes.requests().size(), 1);
    }

    void maquilaZeroShowsBlank()
    {
        QTemporaryDir dir;
        FolderSpec spec;
        spec.application = sampleApplication(); // NUMMAQUILA and ANOMAQUILA hold 0
        auto form = openForm(makeDataFolder(dir.path(), spec));
        QCOMPARE(form->control<MaskedEdit>(u"txtnummaquila")->clipText(), QString());
        QCOMPARE(form->control<MaskedEdit>(u"txtanomaquila")->clipText(), QString());
        QCOMPARE(form->control<MaskedEdit>(u"txtnummaquila")->maskedText(), QStringLiteral("____"));
    }

    void yearsFollowTheCalendarYear()
    {
        QTemporaryDir dir;
        const QString folder = makeDataFolder(dir.path());
        {
            auto form = openForm(folder, QDate(2005, 1, 1));
            form->close();
        }
        QCOMPARE(yearsOfKind(folder, 1), (QList<int>{2004, 2005, 2006}));
        QCOMPARE(yearsOfKind(folder, 2), (QList<int>{2004, 2005, 2006}));
        // Started again in a later year, all six rows are rewritten.
        {
            auto form = openForm(folder, QDate(2031, 12, 31));
            QCOMPARE(form->application().dtsVTotales()->recordCount(), 3);
            QCOMPARE(form->application().dtsVentasExp()->recordCount(), 3);
            form->close();
        }
        QCOMPARE(yearsOfKind(folder, 1), (QList<int>{2030, 2031, 2032}));
        QCOMPARE(yearsOfKind(folder, 2), (QList<int>{2030, 2031, 2032}));
    }

    // Writing the years touches nothing else: figures no trip through double
    // survives, and bytes Windows-1252 leaves undefined, stay as stored.
    void startKeepsEveryStoredFigure()
    {
        QTemporaryDir dir;
        const QString folder = makeDataFolder(dir.path());
        const QString ventas = tablePath(folder, QStringLiteral("VENTAS.dbf"));
        QByteArray before;
        {
            QFile f(ventas);
            QVERIFY(f.open(QIODevice::ReadWrite));
            before = f.readAll();
            // Header 321 bytes, records of 138; the first record is of TIPO 1.
            constexpr int record = 321 + 1;
            before.replace(record + 4, 18, "999999999999999.99");             // VTOT N 18,2 at full width
            before.replace(record + 22, 18, "1234567890123.4567");            // VTOTD N 18,4
            before.replace(record + 94, 12, "    19.87654");                  // TC N 12,4, one decimal more
            before.replace(record + 106, 30, QByteArray("Fila \x81\x8D\x8F\x90\x9D\0", 11).leftJustified(30)); // ETIQUETA
            QVERIFY(f.seek(0));
            QCOMPARE(f.write(before), before.size());
        }
        try {
            auto form = openForm(folder, QDate(2005, 1, 1));
            QAbstractItemModel *totals = form->control<QTableView>(u"dbgVTotales")->model();
            QCOMPARE(totals->index(0, 0).data().toString(), QStringLiteral("2004"));
            QCOMPARE(totals->index(0, 1).data().toString(), QString::fromUtf16(u"Fila \u0081\u008D\u008F\u0090\u009D"));
            form->close();
        } catch (const DataError &e) {
            QFAIL(qPrintable(e.description()));
        }
        const auto table = DbfTable::open(ventas);
        QCOMPARE(table->value(0, 1), decimal("999999999999999.99"));
        QCOMPARE(table->value(0, 2), decimal("1234567890123.4567"));
        QCOMPARE(table->value(0, 6), decimal("19.87654"));
        QFile f(ventas);
        QVERIFY(f.open(QIODevice::ReadOnly));
        const QByteArray after = f.readAll();
        QCOMPARE(after.size(), before.size());
        QList<int> changed;
        for (int i = 4; i < after.size(); ++i) { // bytes 1 to 3: the date of the last change
            if (after[i] != before[i])
                changed << i;
        }
        for (int i : changed) // only inside ANO, the first four bytes after a record's flag
            QVERIFY2((i - 321) % 138 >= 1 && (i - 321) % 138 <= 4, qPrintable(QString::number(i)));
        QVERIFY(!changed.isEmpty());
    }

    void gridsShowTheStoredRows()
    {
        QTemporaryDir dir;
        FolderSpec spec;
        spec.products = {QStringLiteral("MUEBLES DE PINO"), QStringLiteral("MESAS")};
        auto form = openForm(makeDataFolder(dir.path(), spec));
        QAbstractItemModel *products = form->control<QTableView>(u"dbProductos")->model();
        // Two products and the blank row for a new one.
        QCOMPARE(products->rowCount(), 3);
        QCOMPARE(products->index(0, 0).data().toString(), QStringLiteral("MUEBLES DE PINO"));
        QCOMPARE(products->index(1, 0).data().toString(), QStringLiteral("MESAS"));
        QAbstractItemModel *totals = form->control<QTableView>(u"dbgVTotales")->model();
        QCOMPARE(totals->rowCount(), 3); // no new rows
        QCOMPARE(totals->index(0, 0).data().toString(), QStringLiteral("2004"));
        QCOMPARE(totals->index(2, 1).data().toString(), QStringLiteral("Año siguiente"));
        QAbstractItemModel *indirect = form->control<QTableView>(u"dbVentasTot")->model();
        QCOMPARE(indirect->rowCount(), 3);
        QCOMPARE(indirect->index(1, 1).data().toString(), QStringLiteral("2005"));
        QCOMPARE(indirect->index(1, 0).data().toString(), QStringLiteral("Año actual"));
    }

    void badFoldersStopBeforeTheWindow_data()
    {
        QTest::addColumn<QString>("omit");
        QTest::addColumn<bool>("emptyOffices");
        QTest::addColumn<int>("kind2Rows");
        QTest::addColumn<QString>("named");
        QTest::newRow("missing catalogue") << QStringLiteral("catbanco.dbf") << false << 3 << QStringLiteral("catbanco.dbf");
        QTest::newRow("missing application") << QStringLiteral("datoprov.dbf") << false << 3 << QStringLiteral("datoprov.dbf");
        QTest::newRow("empty catalogue") << QString() << true << 3 << QStringLiteral("admlocal.dbf");
        QTest::newRow("two indirect rows") << QString() << false << 2 << QStringLiteral("VENTAS.dbf");
    }

    void badFoldersStopBeforeTheWindow()
    {
        QFETCH(QString, omit);
        QFETCH(bool, emptyOffices);
        QFETCH(int, kind2Rows);
        QFETCH(QString, named);
        QTemporaryDir dir;
        FolderSpec spec;
        if (!omit.isEmpty())
            spec.omit = {omit};
        spec.emptyOffices = emptyOffices;
        spec.salesRowsKind2 = kind2Rows;
        const QString folder = makeDataFolder(dir.path(), spec);
        MessageRecorder boxes;
        Form1 form(folder);
        try {
            form.load();
            QFAIL("start-up went on with a broken data folder");
        } catch (const DataError &e) {
            QVERIFY2(e.description().contains(named, Qt::CaseInsensitive), qPrintable(e.description()));
        }
        QVERIFY(boxes.requests().isEmpty()); // the caller shows the one message
    }

    void applicationTableWithoutABoundField()
    {
        QTemporaryDir dir;
        const QString folder = makeDataFolder(dir.path());
        // A DATOPROV whose layout lost the e-mail of the representative.
        QList<korim::data::FieldDef> fields = DbfTable::open(tablePath(folder, QStringLiteral("datoprov.dbf")))->fields();
        fields[26].name = QStringLiteral("OTRO");
        DbfTable::create(tablePath(folder, QStringLiteral("datoprov.dbf")), fields);
        Form1 form(folder);
        try {
            form.load();
            QFAIL("start-up went on without a bound field");
        } catch (const DataError &e) {
            QVERIFY(e.description().contains(QStringLiteral("datoprov.dbf")));
            QVERIFY(e.description().contains(QStringLiteral("EMAILREPL")));
        }
    }

    void storedKeysThatMatchNothing()
    {
        QTemporaryDir dir;
        FolderSpec spec;
        QVariantMap app = sampleApplication();
        app.insert(QStringLiteral("ADMLOCAL"), 99);      // no such office
        app.insert(QStringLiteral("CVEBANCO"), QVariant()); // no value
        app.insert(QStringLiteral("ACTIVIDAD"), 999999); // a code the catalogue lacks
        app.insert(QStringLiteral("TIPOTRAM"), 7);
        spec.application = app;
        auto form = openForm(makeDataFolder(dir.path(), spec));
        // Each list ends on its last entry, and the routine went on to its end.
        QCOMPARE(form->control<QComboBox>(u"Combo5")->currentIndex(), form->control<QComboBox>(u"Combo5")->count() - 1);
        QCOMPARE(form->control<QComboBox>(u"cmbBanco")->currentIndex(),
                 form->control<QComboBox>(u"cmbBanco")->count() - 1);
        QCOMPARE(form->control<QComboBox>(u"cmbActividad")->currentIndex(),
                 form->control<QComboBox>(u"cmbActividad")->count() - 1);
        QCOMPARE(form->control<QComboBox>(u"Combo1")->currentIndex(), 0);
        QCOMPARE(form->application().dtsDatoProv()->value(20).toString(), QStringLiteral("14"));
    }

    void shippedDataFolderStarts()
    {
        if (shippedDataFolder().isEmpty() || !QFile::exists(shippedDataFolder() + QStringLiteral("/datoprov.dbf")))
            QSKIP("the shipped data folder has not been generated");
        QTemporaryDir dir;
        const QString folder = copyShippedData(dir.path());
        MessageRecorder boxes;
        auto form = openForm(folder, QDate(2024, 3, 1));
        QVERIFY(form->control<QComboBox>(u"Combo5")->count() >= 30);
        QVERIFY(form->control<QComboBox>(u"cmbBanco")->count() >= 15);
        QVERIFY(form->control<QComboBox>(u"cmbActividad")->count() >= 60);
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditAdd));
        QCOMPARE(form->control<QTableView>(u"dbgVTotales")->model()->index(1, 0).data().toString(),
                 QStringLiteral("2024"));
        QVERIFY(form->close());
        QVERIFY(boxes.requests().isEmpty());
    }

    // What the command line prints without a window is what the window shows
    // after start-up: the application reads it from the record alone.
    void windowShowsWhatTheRecordHolds_data()
    {
        QTest::addColumn<QVariantMap>("changes"); // over the sample; RFC null: no application
        const QVariantMap none;
        QTest::newRow("new application") << QVariantMap{{QStringLiteral("RFC"), QVariant()}};
        QTest::newRow("sample") << none;
        QTest::newRow("complete") << completeApplication();
        QTest::newRow("keys that match nothing")
            << QVariantMap{{QStringLiteral("ADMLOCAL"), 77}, {QStringLiteral("CVEBANCO"), 1}, {QStringLiteral("ACTIVIDAD"), 1}};
        QTest::newRow("indirect programme, maquila")
            << QVariantMap{{QStringLiteral("TIPOPROG"), 2}, {QStringLiteral("NUMMAQUILA"), 1234}};
        QTest::newRow("RFC a place refuses, short RFC")
            << QVariantMap{{QStringLiteral("RFC"), QStringLiteral("AB?C80X101")}};
        QTest::newRow("mixed case and figures as text")
            << QVariantMap{{QStringLiteral("APEPATRAZ"), QStringLiteral("Gómez y Cía")},
                           {QStringLiteral("VTPAIS"), QStringLiteral("1,234.50")}};
    }
    void windowShowsWhatTheRecordHolds()
    {
        QFETCH(QVariantMap, changes);
        FolderSpec spec;
        if (!changes.contains(QStringLiteral("RFC")) || !changes.value(QStringLiteral("RFC")).isNull()) {
            QVariantMap app = sampleApplication();
            for (auto it = changes.cbegin(); it != changes.cend(); ++it)
                app.insert(it.key(), it.value());
            spec.application = app;
        }
        QTemporaryDir dir;
        MessageRecorder boxes;
        auto form = openForm(makeDataFolder(dir.path(), spec));
        QCOMPARE(describe(form->shown()), describe(form->application().shownFromRecord()));
    }
};

QTEST_MAIN(StartupTest)
#include "tst_form1_startup.moc"

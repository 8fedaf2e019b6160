// The application without any window: opened on a data folder, changed,
// snapshotted and composed, under a plain core application (no widget can
// exist here). The goldens are what the program printed from its window on
// the same folders.

#include "application/support/appfolder.h"

#include "application/schema.h"
#include "application/solicitud.h"
#include "data/datasource.h"
#include "report/composition.h"

#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QTemporaryDir>
#include <QTest>

using namespace korim::test;
using korim::application::Snapshot;
using korim::application::Solicitud;
namespace datoprov = korim::application::schema::datoprov;

namespace {

const QDate kToday(2026, 12, 8);

QString golden(const QString &name)
{
    QFile f(QStringLiteral(KORIM_GOLDEN_DIR "/") + name);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll());
}

QString composed(Solicitud &app)
{
    Snapshot in = app.snapshot();
    in.today = kToday;
    in.locale = QLocale::c();
    return korim::report::ComponeSolicitud(in).text;
}

QString lineOf(const QString &text, const QString &part)
{
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        if (line.contains(part))
            return line.simplified();
    }
    return {};
}

} // namespace

class TestSnapshot : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;

    QString folder(const QString &name, const FolderSpec &spec)
    {
        return makeDataFolder(dir_.filePath(name), spec);
    }

private slots:
    void initTestCase()
    {
        // To print the same folders with the program itself.
        if (qEnvironmentVariableIsSet("KORIM_KEEP_TEST_FOLDERS")) {
            dir_.setAutoRemove(false);
            qInfo("folders kept in %s", qPrintable(dir_.path()));
        }
    }

    void noWidgetCanExistHere() { QVERIFY(!qobject_cast<QGuiApplication *>(QCoreApplication::instance())); }

    void storedAndNewApplicationsComposeAsPrinted_data()
    {
        QTest::addColumn<bool>("stored");
        QTest::addColumn<QString>("golden");
        QTest::newRow("stored application") << true << QStringLiteral("stored_application.txt");
        QTest::newRow("new application") << false << QStringLiteral("new_application.txt");
    }
    void storedAndNewApplicationsComposeAsPrinted()
    {
        QFETCH(bool, stored);
        QFETCH(QString, golden);
        FolderSpec spec;
        if (stored) {
            spec.application = completeApplication();
            spec.products = {QStringLiteral("MUEBLES DE PINO"), QStringLiteral("SILLAS TAPIZADAS")};
        }
        Solicitud app(folder(golden, spec));
        app.open(kToday);
        app.Nuevo();
        const QString text = composed(app);
        QVERIFY(!text.isEmpty());
        QCOMPARE(text, ::golden(golden));
    }

    void changesShowInTheSnapshot()
    {
        FolderSpec spec;
        spec.application = completeApplication();
        spec.products = {QStringLiteral("MUEBLES DE PINO")};
        Solicitud app(folder(QStringLiteral("changed"), spec));
        app.open(kToday);
        app.Nuevo();
        // A field by name, the office and the bank by position, a sales
        // figure through its grid's model, a product added.
        auto *record = app.dtsDatoProv();
        record->setValue(QString::fromLatin1(datoprov::CALLEYNO), QStringLiteral("CALLE NUEVA 7"));
        QVERIFY(app.setField(datoprov::AdmLocal, 27));
        QVERIFY(app.setField(datoprov::Banco, 104));
        QVERIFY(app.dtsVTotales()->model()->setData(app.dtsVTotales()->model()->index(1, 1), 4321.5));
        auto *products = app.dtsProductos();
        products->addNew();
        products->setValue(2, QStringLiteral("MESAS DE ROBLE"));
        products->updateRecord();

        const QString text = composed(app);
        QVERIFY(text.contains(QStringLiteral("CALLE NUEVA 7")));
        QCOMPARE(lineOf(text, QStringLiteral("Almendral")).isEmpty(), false);
        QVERIFY(!text.contains(QStringLiteral("Bahía Serena")));
        QVERIFY(text.contains(QStringLiteral("Banca Industrial Zentoriana")));
        QVERIFY(lineOf(text, QStringLiteral("2026")).contains(QStringLiteral("4,321.50")));
        QVERIFY(text.indexOf(QStringLiteral("MUEBLES DE PINO")) < text.indexOf(QStringLiteral("MESAS DE ROBLE")));
        // The application record is stored only by the save.
        QCOMPARE(app.shownFromRecord().calle, QStringLiteral("CALLE NUEVA 7")); // the open record's buffer
        Solicitud again(app.dataFolder());
        again.open(kToday);
        again.Nuevo();
        QCOMPARE(again.shownFromRecord().calle, QStringLiteral("AV. CENTRAL 100"));
    }

    void lookupsReturnTheirValues()
    {
        Solicitud app(folder(QStringLiteral("lookups"), {}));
        app.open(kToday);
        // Place and code both ways; nothing found: no code, no place.
        QCOMPARE(app.BuscaActividad(4), 337110);
        QCOMPARE(app.BuscaActividadEntrada(337110), 4);
        QCOMPARE(app.BuscaActividad(6), 0);
        QCOMPARE(app.BuscaActividadEntrada(424242), -1);
        QCOMPARE(korim::application::buscaPlace(app.offices(), QStringLiteral(" 5 ")), 2);
        QCOMPARE(korim::application::buscaPlace(app.offices(), 99), 3);
        QCOMPARE(korim::application::buscaPlace(korim::application::Catalogue{}, 1), -1);
        // A new application: the pending record carries the request type.
        QVERIFY(app.Nuevo().added);
        QCOMPARE(app.dtsDatoProv()->value(datoprov::ClaveSolicitud).toString(), QStringLiteral("14"));
    }
};

QTEST_GUILESS_MAIN(TestSnapshot)
#include "tst_snapshot.moc"

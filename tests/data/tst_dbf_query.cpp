// Record-source texts: the few the windows set are understood, nothing else is.
#include "data/dbf.h"
#include "data/query.h"

#include <QTest>

using namespace korim::data;

class TestDbfQuery : public QObject {
    Q_OBJECT
private slots:
    void knownTexts_data();
    void knownTexts();
    void otherTextsAreRefusedByName_data();
    void otherTextsAreRefusedByName();
};

void TestDbfQuery::knownTexts_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("field"); // empty: no filter
    QTest::addColumn<double>("value");

    QTest::newRow("plain admlocal") << "admlocal" << "admlocal" << "" << 0.0;
    QTest::newRow("plain catbanco") << "catbanco" << "catbanco" << "" << 0.0;
    QTest::newRow("plain datoprov") << "datoprov" << "datoprov" << "" << 0.0;
    QTest::newRow("plain upper case") << "CATBANCO" << "CATBANCO" << "" << 0.0;
    QTest::newRow("select activida") << "select * from activida" << "activida" << "" << 0.0;
    QTest::newRow("select PROVMERC") << "select * from PROVMERC" << "PROVMERC" << "" << 0.0;
    QTest::newRow("start-up tipo 1") << "select * from ventas where tipo = 1 " << "ventas" << "tipo" << 1.0;
    QTest::newRow("start-up tipo 2") << "select * from ventas where tipo = 2 " << "ventas" << "tipo" << 2.0;
    QTest::newRow("erase tipo 1") << "select * from ventas where tipo =1" << "ventas" << "tipo" << 1.0;
    QTest::newRow("erase tipo 2") << "select * from ventas where tipo =2" << "ventas" << "tipo" << 2.0;
    QTest::newRow("print tipo 1") << "select * from ventas where tipo = 1" << "ventas" << "tipo" << 1.0;
    QTest::newRow("print tipo 2") << "select * from ventas where tipo = 2" << "ventas" << "tipo" << 2.0;
    QTest::newRow("no blanks around =") << "select * from ventas where tipo=2" << "ventas" << "tipo" << 2.0;
    QTest::newRow("keywords in capitals") << "SELECT * FROM Ventas WHERE TIPO = 1" << "Ventas" << "TIPO" << 1.0;
    QTest::newRow("negative decimal") << "select * from t where n = -2.5" << "t" << "n" << -2.5;
}

void TestDbfQuery::knownTexts()
{
    QFETCH(QString, text);
    QFETCH(QString, table);
    QFETCH(QString, field);
    QFETCH(double, value);
    const RecordSource source = parseRecordSource(text);
    QCOMPARE(source.table, table);
    QCOMPARE(source.filter.has_value(), !field.isEmpty());
    if (source.filter) {
        QCOMPARE(source.filter->field, field);
        QCOMPARE(source.filter->value, value);
    }
}

void TestDbfQuery::otherTextsAreRefusedByName_data()
{
    QTest::addColumn<QString>("text");
    QTest::newRow("empty") << "";
    QTest::newRow("blank") << " ";
    QTest::newRow("two words") << "ventas tipo";
    QTest::newRow("columns listed") << "select ano from ventas";
    QTest::newRow("other operator") << "select * from ventas where tipo > 1";
    QTest::newRow("text value") << "select * from ventas where tipo = 'a'";
    QTest::newRow("two conditions") << "select * from ventas where tipo = 1 and ano = 2";
    QTest::newRow("order by") << "select * from ventas order by ano";
    QTest::newRow("missing value") << "select * from ventas where tipo =";
    QTest::newRow("semicolon") << "select * from ventas;";
    QTest::newRow("path") << "../ventas";
    QTest::newRow("leading blank") << " select * from ventas";
    QTest::newRow("point without decimals") << "select * from ventas where tipo = 1.";
    QTest::newRow("sign alone") << "select * from ventas where tipo = -";
    QTest::newRow("two blanks before the field") << "select * from ventas where  tipo = 1";
    QTest::newRow("table starting with a digit") << "select * from 1ventas";
    QTest::newRow("line break after the name") << "ventas\n";
    QTest::newRow("nothing after where") << "select * from ventas where ";
}

void TestDbfQuery::otherTextsAreRefusedByName()
{
    QFETCH(QString, text);
    try {
        parseRecordSource(text);
        QFAIL("accepted");
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("«%1»").arg(text)), qPrintable(e.message()));
    }
}

QTEST_GUILESS_MAIN(TestDbfQuery)
#include "tst_dbf_query.moc"

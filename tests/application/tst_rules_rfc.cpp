// The RFC check: messages in order, outcome and the call to Habilita.
#include "application/rfcrules.h"

#include <QTest>

using namespace korim::application;

namespace {
const QString tooShort = QStringLiteral("El RFC no puede ser menor de 13");
const QString firstBlank = QStringLiteral("El primer digito del RFC debe ser un espacio ");
const QString month = QStringLiteral("El valor del mes del RFC es incorrecto");
const QString day = QStringLiteral("El valor del dia del RFC es incorrecto");
const QString year = QStringLiteral("El valor del año del RFC es incorrecto");
const QString last = QString::fromUtf8("El ultimo digito del RFC debe ser A ó del 0 al 9");
QString letter(int p)
{
    return QStringLiteral("El  ") + QString::number(p) + QStringLiteral(" digito del RFC debe ser letra ");
}
} // namespace

class TestRfcRules : public QObject {
    Q_OBJECT

private slots:
    void check_data();
    void check();
    void letterMessageText();
};

void TestRfcRules::check_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("messages");

    // Layouts
    QTest::newRow("individual valid") << "GOMJ800101AB1" << QStringList{};
    QTest::newRow("company valid") << " ABC800101AB1" << QStringList{};
    QTest::newRow("company valid, check A") << " ABC800101X9A" << QStringList{};
    QTest::newRow("company without leading blank, shifted")
        << "ABC800101AB1 " << QStringList{firstBlank, last};
    // Typed without the blank, 31 January reads as month 13 ...
    QTest::newRow("company without blank, shifted month")
        << "ABC800131AB1 " << QStringList{firstBlank, month, last};
    // ... and the first check character joins the day.
    QTest::newRow("company without blank, shifted day")
        << "ABC8001099B1 " << QStringList{firstBlank, day, last};
    QTest::newRow("company without blank, digit where a letter goes")
        << "1BC800101AB1 " << QStringList{firstBlank, last};
    QTest::newRow("individual position 1 checked") << "1OMJ800101AB1" << QStringList{letter(1)};
    QTest::newRow("company position 1 not a letter but not scanned")
        << " 1BC800101AB1" << QStringList{letter(2)};

    // Too short
    QTest::newRow("empty field") << QString(13, ' ') << QStringList{tooShort};
    QTest::newRow("eleven characters") << "  ABC800101A" << QStringList{tooShort};
    QTest::newRow("shorter text than the mask") << "" << QStringList{tooShort};

    // Letter block
    QTest::newRow("ampersand accepted") << "G&MJ800101AB1" << QStringList{};
    QTest::newRow("company ampersand") << " &BC800101AB1" << QStringList{};
    QTest::newRow("enye refused") << QString::fromUtf8("GOÑJ800101AB1") << QStringList{letter(3)};
    QTest::newRow("digit refused at 4") << "GOM5800101AB1" << QStringList{letter(4)};
    QTest::newRow("lower case refused") << "gOMJ800101AB1" << QStringList{letter(1)};
    QTest::newRow("blank inside block") << "GO J800101AB1" << QStringList{letter(3)};
    QTest::newRow("only the first failing position")
        << "G12J800101AB1" << QStringList{letter(2)};

    // Month and day: upper bounds only
    QTest::newRow("month 00") << "GOMJ800001AB1" << QStringList{};
    QTest::newRow("month 12") << "GOMJ801201AB1" << QStringList{};
    QTest::newRow("month 13") << "GOMJ801301AB1" << QStringList{month};
    QTest::newRow("day 00") << "GOMJ800100AB1" << QStringList{};
    QTest::newRow("day 31") << "GOMJ800131AB1" << QStringList{};
    QTest::newRow("day 32") << "GOMJ800132AB1" << QStringList{day};
    QTest::newRow("day 31 in February passes") << "GOMJ800231AB1" << QStringList{};
    // The date is six digits whatever the field let through: a blank place
    // is no month, day or year of 0.
    QTest::newRow("blank month") << "GOMJ80  01AB1" << QStringList{month};
    QTest::newRow("blank in the month's second place") << "GOMJ801 01AB1" << QStringList{month};
    QTest::newRow("blank day") << "GOMJ8001  AB1" << QStringList{day};
    QTest::newRow("blank in the year") << "GOMJ 00101AB1" << QStringList{year};
    QTest::newRow("company, blank day") << " ABC80010 AB1" << QStringList{day};
    QTest::newRow("places skipped by a typo") << "GOMJ8     O01" << QStringList{year, month, day};

    // Check character
    QTest::newRow("check A") << "GOMJ800101ABA" << QStringList{};
    QTest::newRow("check digit 0") << "GOMJ800101AB0" << QStringList{};
    QTest::newRow("check digit 9") << "GOMJ800101AB9" << QStringList{};
    QTest::newRow("check lower-case a") << "GOMJ800101ABa" << QStringList{last};
    QTest::newRow("check B") << "GOMJ800101ABB" << QStringList{last};
    QTest::newRow("check blank (12 typed)") << "GOMJ800101AB " << QStringList{firstBlank, last};

    // Several messages in one run
    QTest::newRow("four messages")
        << "ABC8801332ABa" << QStringList{letter(4), month, day, last};
    QTest::newRow("first blank, month, day, check")
        << "ABC8011332AB " << QStringList{firstBlank, month, day, last};
}

void TestRfcRules::check()
{
    QFETCH(QString, text);
    QFETCH(QStringList, messages);
    const RfcCheck r = checkRfc(text);
    QCOMPARE(r.messages, messages);
    QCOMPARE(r.valid, messages.isEmpty());
    if (messages == QStringList{tooShort}) {
        QVERIFY(!r.habilita.has_value());
    } else {
        QVERIFY(r.habilita.has_value());
        QCOMPARE(*r.habilita, messages.isEmpty());
    }
}

void TestRfcRules::letterMessageText()
{
    // Two blanks between "El" and the position, trailing blank kept.
    const RfcCheck r = checkRfc(QStringLiteral("GOM5800101AB1"));
    QCOMPARE(r.messages, QStringList{QStringLiteral("El  4 digito del RFC debe ser letra ")});
}

QTEST_APPLESS_MAIN(TestRfcRules)
#include "tst_rules_rfc.moc"

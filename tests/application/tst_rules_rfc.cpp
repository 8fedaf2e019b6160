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
    void checkDigit_data();
    void checkDigit();
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

void TestRfcRules::checkDigit_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("digit");    // what the first twelve places call for; empty: none
    QTest::addColumn<QString>("disagrees"); // the note's character; empty: no note

    // Worked by hand: 37*13 + 10*12 + 11*11 + 12*10 + 8*9 + 1*6 + 1*4 + 10*3
    // + 11*2 = 976, 976 mod 11 = 8, 11 - 8 = 3.
    QTest::newRow("company agrees") << " ABC800101AB3" << "3" << "";
    QTest::newRow("individual agrees") << "GODE561231GR8" << "8" << "";
    QTest::newRow("company, last digit mistyped") << " ABC800101AB1" << "3" << "3";
    QTest::newRow("individual, letter mistyped") << "GOMJ800101AB1" << "4" << "4";
    // r = 1 gives ten, written A; r = 0 gives 0.
    QTest::newRow("ten is A, agrees") << "GOMJ80010101A" << "A" << "";
    QTest::newRow("ten is A, digit typed") << "GOMJ800101011" << "A" << "A";
    QTest::newRow("remainder 0 agrees") << "GOMJ800101060" << "0" << "";
    QTest::newRow("remainder 0, A typed") << "GOMJ80010106A" << "0" << "0";
    // Letters past N have their own values.
    QTest::newRow("O to Z") << "GODE561231GB9" << "9" << "";
    // "&" sits between N and O; the blank and Ñ come last.
    QTest::newRow("ampersand") << "G&MJ800101AB1" << "5" << "5";
    QTest::newRow("company ampersand") << " &BC800101AB0" << "0" << "";
    QTest::newRow("company, check A after a letter") << " ABC800101X9A" << "1" << "1";
    // Ñ has its value, but the structure refuses it: no note.
    QTest::newRow("enye") << QString::fromUtf8("GOÑJ800101AB1") << "4" << "";
    QTest::newRow("company enye") << QString::fromUtf8(" ÑBC80010103A") << "A" << "";

    // The generic RFCs never get the note, whether they follow the rule or not.
    QTest::newRow("generic national") << "XAXX010101000" << "4" << "";
    QTest::newRow("generic foreign") << "XEXX010101000" << "0" << "";

    // No value, no digit; a failing structure, no note.
    QTest::newRow("lower case place") << "gOMJ800101AB1" << "" << "";
    QTest::newRow("accented place") << QString::fromUtf8("GÉMJ800101AB1") << "" << "";
    QTest::newRow("dot") << "GODE.61231GR8" << "" << "";
    QTest::newRow("twelve places") << "GOMJ800101AB" << "" << "";
    QTest::newRow("no text") << QString() << "" << "";
    QTest::newRow("empty field") << QString(13, ' ') << "3" << "";
    QTest::newRow("month 13, digit wrong") << "GOMJ801301AB1" << "7" << "";
    QTest::newRow("company without its blank") << "ABC800101AB1 " << "0" << "";
}

void TestRfcRules::checkDigit()
{
    QFETCH(QString, text);
    QFETCH(QString, digit);
    QFETCH(QString, disagrees);
    const std::optional<QChar> computed = rfcCheckDigit(text);
    QCOMPARE(computed ? QString(*computed) : QString(), digit);
    const std::optional<QChar> note = rfcCheckDigitDisagreement(text);
    QCOMPARE(note ? QString(*note) : QString(), disagrees);
    // The note never touches the structural outcome.
    if (note)
        QVERIFY(checkRfc(text).valid);
}

QTEST_APPLESS_MAIN(TestRfcRules)
#include "tst_rules_rfc.moc"

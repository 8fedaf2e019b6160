// Field values: what goes into the record bytes and what comes back out.
#include "data/dbf.h"
#include "support/testsupport.h"

#include <QRandomGenerator>
#include <QTest>

#include <charconv>
#include <cstring>

using namespace korim::data;

namespace {

FieldDef field(FieldType type, int length, int decimals = 0, const char *name = "CAMPO")
{
    return makeField(QString::fromLatin1(name), type, length, decimals);
}

QVariant roundTrip(const FieldDef &f, const QVariant &v)
{
    const QByteArray bytes = encodeField(f, v);
    if (bytes.size() != f.length)
        return QStringLiteral("wrong width %1").arg(bytes.size());
    return decodeField(f, bytes.constData(), CodePage::Windows1252);
}

} // namespace

class TestDbfFields : public QObject {
    Q_OBJECT
private slots:
    void textKeepsLeadingBlanksAndPadsWithBlanks();
    void textInEveryCodePage();
    void wholeFieldsDecodeByteForByte();
    void textThatWindows1252CannotHoldIsRefused();
    void textLongerThanTheFieldIsRefused();
    void numbersAreWrittenPlainAndRightAligned_data();
    void numbersAreWrittenPlainAndRightAligned();
    void numbersThatDoNotFitAreRefused_data();
    void numbersThatDoNotFitAreRefused();
    void numericFieldsReadTolerantly_data();
    void numericFieldsReadTolerantly();
    void decimalsReadToTheNearestDouble();
    void datesAndLogicals();
};

void TestDbfFields::textKeepsLeadingBlanksAndPadsWithBlanks()
{
    const FieldDef rfc = field(FieldType::Character, 13, 0, "RFC");
    const QByteArray bytes = encodeField(rfc, QStringLiteral(" ABC800101AB1"));
    QCOMPARE(bytes, QByteArray(" ABC800101AB1"));
    QCOMPARE(decodeField(rfc, bytes.constData(), CodePage::Windows1252).toString(), QStringLiteral(" ABC800101AB1"));

    const FieldDef name = field(FieldType::Character, 10);
    const QByteArray padded = encodeField(name, QStringLiteral("  AB C"));
    QCOMPARE(padded, QByteArray("  AB C    ")); // blanks, never NULs
    QCOMPARE(decodeField(name, padded.constData(), CodePage::Windows1252).toString(), QStringLiteral("  AB C"));
    // Other writers pad with NULs; those are not part of the text either.
    QCOMPARE(decodeField(name, QByteArray("AB\0\0\0\0\0\0\0\0", 10).constData(), CodePage::Windows1252).toString(),
             QStringLiteral("AB"));
    QCOMPARE(encodeField(name, QVariant()), QByteArray(10, ' '));
    QCOMPARE(roundTrip(name, QVariant()).toString(), QString());
    // Numbers written into text fields are plain decimals.
    QCOMPARE(encodeField(name, 14), QByteArray("14        "));
    QCOMPARE(encodeField(name, 12.5), QByteArray("12.5      "));
}

void TestDbfFields::textInEveryCodePage()
{
    const QString spanish = QStringLiteral("ÑÁÉÍÓÚÜ¿¡€ñáéíóúü");
    const QByteArray cp1252 = encodeWindows1252(spanish);
    QCOMPARE(cp1252, QByteArray("\xD1\xC1\xC9\xCD\xD3\xDA\xDC\xBF\xA1\x80\xF1\xE1\xE9\xED\xF3\xFA\xFC"));
    QCOMPARE(decodeText(cp1252.constData(), int(cp1252.size()), CodePage::Windows1252), spanish);
    QCOMPARE(encodeWindows1252(QStringLiteral("ŠŽšžŒœŸ…–—“”‘’•™")),
             QByteArray("\x8A\x8E\x9A\x9E\x8C\x9C\x9F\x85\x96\x97\x93\x94\x91\x92\x95\x99"));

    // The same letters in the two DOS pages.
    QCOMPARE(decodeText("\xA5\xA4\x90\xA8\xAD\x9A\x81", 7, CodePage::Dos437), QStringLiteral("ÑñÉ¿¡Üü"));
    QCOMPARE(decodeText("\xA5\xA4\xB5\xD6\xE0\xE9\x90", 7, CodePage::Dos850), QStringLiteral("ÑñÁÍÓÚÉ"));
    QCOMPARE(decodeText("\xB0\xC9", 2, CodePage::Dos437), QStringLiteral("░╔"));
    QCOMPARE(decodeText("\xB5", 1, CodePage::Dos437), QStringLiteral("╡"));

    const FieldDef name = field(FieldType::Character, 5);
    QCOMPARE(decodeField(name, "\xA5" "ANDU", CodePage::Dos850).toString(), QStringLiteral("ÑANDU"));
    QCOMPARE(decodeField(name, "\xD1" "ANDU", CodePage::Windows1252).toString(), QStringLiteral("ÑANDU"));
}

void TestDbfFields::wholeFieldsDecodeByteForByte()
{
    // Padding goes only at the end, whatever mix of blanks and NULs it is
    // and wherever it starts; blanks and NULs inside the text stay.
    const FieldDef wide = field(FieldType::Character, 24);
    const QByteArray mixed("  \0 \0\0  \0 \0 \0\0  ", 16);
    const struct {
        QByteArray text;
        QByteArray pad;
    } padded[] = {
        {"", QByteArray(24, ' ')},         {"", QByteArray(24, '\0')},
        {"", mixed + QByteArray(8, ' ')},  {"A", QByteArray(23, ' ')},
        {QByteArray(16, 'x'), "        "}, {QByteArray(17, 'x'), mixed.left(7)},
        {QByteArray("AB") + QByteArray(9, ' ') + "C", mixed.left(12)},
        {QByteArray("D\0\0\0\0\0\0\0\0E", 10), mixed.left(14)},
        {QByteArray(24, 'y'), ""},
    };
    for (const auto &c : padded) {
        const QByteArray bytes = c.text + c.pad;
        QCOMPARE(bytes.size(), 24);
        QCOMPARE(decodeField(wide, bytes.constData(), CodePage::Windows1252).toString(), QString::fromLatin1(c.text));
    }

    // Any bytes in any page, short and long fields, and the bulk reader's
    // reused buffer through long and short values: each byte as it decodes
    // alone.
    QRandomGenerator rng(77);
    QString buffer;
    for (CodePage page : {CodePage::Windows1252, CodePage::Dos437, CodePage::Dos850}) {
        for (int round = 0; round < 400; ++round) {
            const int length = rng.bounded(1, 255);
            QByteArray bytes(length, ' ');
            const int textLength = rng.bounded(length + 1);
            const bool ascii = rng.bounded(2) == 0;
            for (int i = 0; i < length; ++i) {
                if (i < textLength)
                    bytes[i] = char(ascii ? rng.bounded(0x20, 0x7F) : rng.bounded(256));
                else
                    bytes[i] = rng.bounded(3) == 0 ? '\0' : ' ';
            }
            int end = length;
            while (end > 0 && (bytes[end - 1] == ' ' || bytes[end - 1] == '\0'))
                --end;
            QString expected;
            for (int i = 0; i < end; ++i)
                expected += decodeText(bytes.constData() + i, 1, page);
            const FieldDef f = field(FieldType::Character, length);
            QCOMPARE(decodeField(f, bytes.constData(), page).toString(), expected);
            QCOMPARE(decodeFieldValue(f, bytes.constData(), page, &buffer).text.toString(), expected);
        }
    }
}

void TestDbfFields::textThatWindows1252CannotHoldIsRefused()
{
    const QString emoji = QStringLiteral("HOLA 😀");
    QChar offending;
    QVERIFY(!representableInWindows1252(emoji, &offending));
    QVERIFY(offending.isHighSurrogate());
    QVERIFY(representableInWindows1252(QStringLiteral("ÑANDÚ €")));
    // The five holes of Windows-1252 map to their own code points and back,
    // so what was read from a foreign file is written back unchanged.
    const QByteArray holes("\x81\x8D\x8F\x90\x9D");
    const QString read = decodeText(holes.constData(), int(holes.size()), CodePage::Windows1252);
    QCOMPARE(read, QString::fromUtf16(u"\u0081\u008D\u008F\u0090\u009D"));
    QVERIFY(representableInWindows1252(read));
    QCOMPARE(encodeWindows1252(read), holes);
    QCOMPARE(encodeField(field(FieldType::Character, 7), QStringLiteral("A") + read), QByteArray("A\x81\x8D\x8F\x90\x9D "));
    QVERIFY(!representableInWindows1252(QStringLiteral("Ω")));

    try {
        encodeField(field(FieldType::Character, 20, 0, "NOMBRE"), emoji);
        QFAIL("emoji accepted");
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("NOMBRE")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("😀")), qPrintable(e.message()));
        QVERIFY2(e.message().contains(QStringLiteral("U+1F600")), qPrintable(e.message()));
    }
    QVERIFY_THROWS_EXCEPTION(DbfError, encodeWindows1252(QStringLiteral("€ y Ω")));
}

void TestDbfFields::textLongerThanTheFieldIsRefused()
{
    const FieldDef cp = field(FieldType::Character, 5, 0, "CP");
    QCOMPARE(encodeField(cp, QStringLiteral("ÁÉÍÓÚ")), QByteArray("\xC1\xC9\xCD\xD3\xDA"));
    try {
        encodeField(cp, QStringLiteral("123456"));
        QFAIL("six characters stored in five");
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("CP")), qPrintable(e.message()));
    }
}

void TestDbfFields::numbersAreWrittenPlainAndRightAligned_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<QByteArray>("bytes");

    QTest::newRow("integer") << 4 << 0 << QVariant(12) << QByteArray("  12");
    QTest::newRow("negative") << 4 << 0 << QVariant(-12) << QByteArray(" -12");
    QTest::newRow("thousands, no separator") << 18 << 2 << QVariant(1234567.5) << QByteArray("        1234567.50");
    QTest::newRow("exact decimals") << 12 << 4 << QVariant(19.5) << QByteArray("     19.5000");
    QTest::newRow("rounded half up") << 8 << 2 << QVariant(2.675) << QByteArray("    2.68");
    QTest::newRow("rounded carry") << 8 << 2 << QVariant(9.999) << QByteArray("   10.00");
    QTest::newRow("tiny negative is zero") << 6 << 2 << QVariant(-0.001) << QByteArray("  0.00");
    QTest::newRow("fraction into integer field") << 4 << 0 << QVariant(2.5) << QByteArray("   3");
    QTest::newRow("text integer") << 4 << 0 << QVariant(QStringLiteral("12")) << QByteArray("  12");
    QTest::newRow("text negative decimal") << 6 << 1 << QVariant(QStringLiteral("-3.5")) << QByteArray("  -3.5");
    QTest::newRow("text with blanks") << 3 << 0 << QVariant(QStringLiteral(" 7 ")) << QByteArray("  7");
    QTest::newRow("text rounds like numbers") << 8 << 2 << QVariant(QStringLiteral("0.005")) << QByteArray("    0.01");
    QTest::newRow("text leading zeros") << 4 << 0 << QVariant(QStringLiteral("0014")) << QByteArray("  14");
    QTest::newRow("empty text is blank") << 5 << 0 << QVariant(QString()) << QByteArray("     ");
    QTest::newRow("invalid is blank") << 5 << 2 << QVariant() << QByteArray("     ");
    QTest::newRow("zero") << 1 << 0 << QVariant(0) << QByteArray("0");
    QTest::newRow("wide integer exact") << 20 << 0 << QVariant(qlonglong(123456789012345678LL))
                                        << QByteArray("  123456789012345678");
    QTest::newRow("wide text exact") << 20 << 2 << QVariant(QStringLiteral("12345678901234567.25"))
                                     << QByteArray("12345678901234567.25");
    QTest::newRow("decimal 18,4 exact") << 18 << 4 << korim::test::decimal("1234567890123.4567")
                                        << QByteArray("1234567890123.4567");
    QTest::newRow("decimal rounded half up") << 8 << 2 << korim::test::decimal("-2.675") << QByteArray("   -2.68");
    QTest::newRow("decimal eighteen nines") << 18 << 0 << korim::test::decimal("999999999999999999")
                                            << QByteArray("999999999999999999");
}

void TestDbfFields::numbersAreWrittenPlainAndRightAligned()
{
    QFETCH(int, length);
    QFETCH(int, decimals);
    QFETCH(QVariant, value);
    QFETCH(QByteArray, bytes);
    const FieldDef f = field(FieldType::Numeric, length, decimals);
    QCOMPARE(encodeField(f, value), bytes);
    QCOMPARE(encodeField(field(FieldType::Float, length, decimals), value), bytes);
}

void TestDbfFields::numbersThatDoNotFitAreRefused_data()
{
    QTest::addColumn<int>("length");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QVariant>("value");

    QTest::newRow("too many digits") << 4 << 0 << QVariant(12345);
    QTest::newRow("sign makes it too wide") << 4 << 0 << QVariant(-1234);
    QTest::newRow("decimals make it too wide") << 6 << 2 << QVariant(1000.0);
    QTest::newRow("rounding makes it too wide") << 5 << 2 << QVariant(99.995);
    QTest::newRow("programme type 10") << 1 << 0 << QVariant(QStringLiteral("10"));
    QTest::newRow("grouping separator") << 10 << 2 << QVariant(QStringLiteral("1,234.50"));
    QTest::newRow("letters after digits") << 10 << 0 << QVariant(QStringLiteral("12abc"));
    QTest::newRow("exponent") << 10 << 0 << QVariant(QStringLiteral("1e5"));
    QTest::newRow("two signs") << 10 << 0 << QVariant(QStringLiteral("--1"));
    QTest::newRow("only a point") << 10 << 0 << QVariant(QStringLiteral("."));
    QTest::newRow("not a number") << 10 << 2 << QVariant(qQNaN());
    QTest::newRow("infinite") << 10 << 2 << QVariant(qInf());
    QTest::newRow("a date") << 10 << 0 << QVariant(QDate(2024, 1, 1));
}

void TestDbfFields::numbersThatDoNotFitAreRefused()
{
    QFETCH(int, length);
    QFETCH(int, decimals);
    QFETCH(QVariant, value);
    try {
        const QByteArray bytes = encodeField(field(FieldType::Numeric, length, decimals, "VTOT"), value);
        QFAIL(qPrintable(QStringLiteral("stored as «%1»").arg(QString::fromLatin1(bytes))));
    } catch (const DbfError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("VTOT")), qPrintable(e.message()));
        QVERIFY2(!e.message().contains(QLatin1Char('*')), qPrintable(e.message()));
    }
}

void TestDbfFields::numericFieldsReadTolerantly_data()
{
    using korim::test::decimal;
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QVariant>("value"); // invalid: blank or unreadable
    QTest::addColumn<bool>("readable");

    QTest::newRow("blank") << 0 << QByteArray("      ") << QVariant() << true;
    QTest::newRow("integer") << 0 << QByteArray("    12") << QVariant(qlonglong(12)) << true;
    QTest::newRow("left aligned") << 0 << QByteArray("12    ") << QVariant(qlonglong(12)) << true;
    QTest::newRow("negative") << 0 << QByteArray("   -12") << QVariant(qlonglong(-12)) << true;
    QTest::newRow("decimals") << 2 << QByteArray("  12.50") << decimal("12.5") << true;
    QTest::newRow("integer text in decimal field") << 2 << QByteArray("     12") << decimal("12") << true;
    QTest::newRow("fraction in integer field") << 0 << QByteArray("  12.5") << decimal("12.5") << true;
    QTest::newRow("point first") << 2 << QByteArray("   .50") << decimal("0.5") << true;
    QTest::newRow("negative fraction") << 2 << QByteArray("  -0.05") << decimal("-0.05") << true;
    QTest::newRow("negative zero") << 2 << QByteArray("  -0.00") << decimal("0") << true;
    QTest::newRow("exponent from another writer") << 0 << QByteArray(" 1.5E3") << QVariant(qlonglong(1500)) << true;
    QTest::newRow("small exponent") << 4 << QByteArray("  15E-4") << decimal("0.0015") << true;
    QTest::newRow("NUL padding") << 0 << QByteArray("12\0\0\0\0", 6) << QVariant(qlonglong(12)) << true;
    // Exact to the last digit: none of these survives a trip through double.
    QTest::newRow("18,4 full") << 4 << QByteArray("1234567890123.4567") << decimal("1234567890123.4567") << true;
    QTest::newRow("more decimals than declared") << 4 << QByteArray("  19.87654") << decimal("19.87654") << true;
    QTest::newRow("eighteen nines") << 0 << QByteArray("999999999999999999") << QVariant(qlonglong(999999999999999999))
                                    << true;
    QTest::newRow("eighteen nines, decimal field") << 2 << QByteArray("999999999999999999")
                                                   << decimal("999999999999999999") << true;
    QTest::newRow("twenty digits") << 0 << QByteArray("99999999999999999999") << decimal("99999999999999999999")
                                   << true;
    // Garbage: no reader agrees on it, so it is no value at all.
    QTest::newRow("overflow stars") << 0 << QByteArray("******") << QVariant() << false;
    QTest::newRow("letters") << 0 << QByteArray("  12ab") << QVariant() << false;
    QTest::newRow("signs and points") << 0 << QByteArray("1X2-.") << QVariant() << false;
    QTest::newRow("grouping") << 2 << QByteArray("1,234.50") << QVariant() << false;
    QTest::newRow("sign alone") << 0 << QByteArray("     -") << QVariant() << false;
    QTest::newRow("blank inside") << 0 << QByteArray(" 1 2  ") << QVariant() << false;
    QTest::newRow("huge exponent") << 0 << QByteArray("1E999") << QVariant() << false;
    QTest::newRow("exponent beyond doubles") << 0 << QByteArray("9E300") << QVariant() << false;
    QTest::newRow("largest exponent") << 0 << QByteArray("1E280") << decimal(QByteArray("1" + QByteArray(280, '0')).constData()) << true;
}

void TestDbfFields::numericFieldsReadTolerantly()
{
    QFETCH(int, decimals);
    QFETCH(QByteArray, bytes);
    QFETCH(QVariant, value);
    QFETCH(bool, readable);
    const FieldDef f = field(FieldType::Numeric, int(bytes.size()), decimals);
    const QVariant read = decodeField(f, bytes.constData(), CodePage::Windows1252);
    QCOMPARE(read.isValid(), value.isValid());
    if (value.isValid()) {
        QCOMPARE(read.metaType(), value.metaType());
        QCOMPARE(read, value);
        // Written back unchanged when the field is wide enough for it.
        const Decimal exact = *Decimal::fromVariant(read);
        if (exact.fractionDigits() <= decimals && exact.fixed(decimals).size() <= bytes.size())
            QCOMPARE(decodeField(f, encodeField(f, read).constData(), CodePage::Windows1252), read);
    }
    QCOMPARE(unreadableField(f, bytes.constData()).isEmpty(), readable);
    if (!readable)
        QCOMPARE(unreadableField(f, bytes.constData()), QStringLiteral("no es un número"));
}

void TestDbfFields::decimalsReadToTheNearestDouble()
{
    // Every width and decimal count a field can have, random digits: the value
    // read must be the double nearest to the decimal text, bit for bit.
    QRandomGenerator rng(1234);
    for (int i = 0; i < 20000; ++i) {
        const int length = 3 + int(rng.bounded(18));
        const int decimals = int(rng.bounded(qMin(16, length - 1)));
        const int intDigits = qMax(1, int(rng.bounded(length - decimals - (decimals ? 1 : 0))));
        QByteArray text;
        if (rng.bounded(4) == 0 && intDigits + (decimals ? decimals + 1 : 0) < length)
            text += '-';
        for (int k = 0; k < intDigits; ++k)
            text += char('0' + rng.bounded(10));
        if (decimals) {
            text += '.';
            for (int k = 0; k < decimals; ++k)
                text += char('0' + rng.bounded(10));
        }
        text = text.rightJustified(length, ' ');
        double expected = 0;
        const char *begin = text.constData() + text.lastIndexOf(' ') + 1;
        const bool negative = *begin == '-';
        std::from_chars(begin + (negative ? 1 : 0), text.constData() + text.size(), expected);
        if (negative)
            expected = -expected;
        const QVariant read = decodeField(field(FieldType::Numeric, length, decimals), text.constData(),
                                          CodePage::Windows1252);
        const double got = read.toDouble();
        QVERIFY2(std::memcmp(&got, &expected, sizeof got) == 0 || (got == 0 && expected == 0),
                 qPrintable(QStringLiteral("«%1» read as %2").arg(QString::fromLatin1(text)).arg(got, 0, 'g', 17)));
    }
}

void TestDbfFields::datesAndLogicals()
{
    const FieldDef date = field(FieldType::Date, 8);
    QCOMPARE(encodeField(date, QDate(2024, 2, 29)), QByteArray("20240229"));
    QCOMPARE(roundTrip(date, QDate(1999, 12, 31)).toDate(), QDate(1999, 12, 31));
    QCOMPARE(encodeField(date, QStringLiteral("2005-01-02")), QByteArray("20050102"));
    QCOMPARE(encodeField(date, QVariant()), QByteArray("        "));
    QVERIFY(!roundTrip(date, QVariant()).isValid());
    QVERIFY(!decodeField(date, "00000000", CodePage::Windows1252).isValid());
    QVERIFY(!decodeField(date, "20231345", CodePage::Windows1252).isValid());
    QVERIFY_THROWS_EXCEPTION(DbfError, encodeField(date, QStringLiteral("mañana")));

    const FieldDef flag = field(FieldType::Logical, 1);
    QCOMPARE(encodeField(flag, true), QByteArray("T"));
    QCOMPARE(encodeField(flag, false), QByteArray("F"));
    QCOMPARE(encodeField(flag, QStringLiteral("sí")), QByteArray("T"));
    QCOMPARE(encodeField(flag, QVariant()), QByteArray("?"));
    QCOMPARE(roundTrip(flag, true), QVariant(true));
    QCOMPARE(decodeField(flag, "n", CodePage::Windows1252), QVariant(false));
    QVERIFY(!decodeField(flag, "?", CodePage::Windows1252).isValid());
    QVERIFY_THROWS_EXCEPTION(DbfError, encodeField(flag, QStringLiteral("quizá")));
}

QTEST_GUILESS_MAIN(TestDbfFields)
#include "tst_dbf_fields.moc"

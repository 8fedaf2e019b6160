// The RFC's check digit: the value table, the weights and the remainder's
// two special cases, and who never gets the hint.
#include "application/rfcrules.h"

#include <QTest>

using namespace korim::application;

class CheckDigitTest : public QObject {
    Q_OBJECT
private slots:
    void digit_data()
    {
        QTest::addColumn<QString>("rfc");
        QTest::addColumn<QString>("digit");     // empty: the rule does not apply
        QTest::addColumn<QString>("disagrees"); // the digit asked for; empty: no hint

        QTest::newRow("company, agrees") << QStringLiteral(" ABC800101AB3") << "3" << "";
        QTest::newRow("company, last mistyped") << QStringLiteral(" ABC800101AB1") << "3" << "3";
        QTest::newRow("person, agrees") << QStringLiteral("GODE561231GR8") << "8" << "";
        // Sum 13G.. with remainder 1 gives 10, written "A"; remainder 0 gives "0".
        QTest::newRow("ten is A") << QStringLiteral("GODE561231G5A") << "A" << "";
        QTest::newRow("ten, a digit typed") << QStringLiteral("GODE561231G50") << "A" << "A";
        QTest::newRow("remainder 0") << QStringLiteral("GODE561231GA0") << "0" << "";
        // Letters past N, the ampersand, the blank and Ñ each have their own value.
        QTest::newRow("O to Z") << QStringLiteral("GODE561231GB9") << "9" << "";
        QTest::newRow("ampersand") << QStringLiteral("M&RO800101ABA") << "A" << "";
        QTest::newRow("eñe") << QString::fromUtf8("MAÑO800101AB2") << "2" << "";
        // The structure check refuses the eñe, so no hint is given whatever the digit.
        QTest::newRow("eñe, mistyped") << QString::fromUtf8("MAÑO800101AB1") << "2" << "";
        // The generic RFCs: one happens to agree, neither is ever judged.
        QTest::newRow("generic public") << QStringLiteral("XAXX010101000") << "4" << "";
        QTest::newRow("generic foreign") << QStringLiteral("XEXX010101000") << "0" << "";
        // No value for a lower-case letter, an accented one or a dot; no
        // digit for a text that is not 13 places.
        QTest::newRow("lower case") << QStringLiteral("gode561231GR8") << "" << "";
        QTest::newRow("accented") << QString::fromUtf8("GÓDE561231GR8") << "" << "";
        QTest::newRow("dot") << QStringLiteral("GODE.61231GR8") << "" << "";
        QTest::newRow("twelve places") << QStringLiteral("ABC800101AB3") << "" << "";
        QTest::newRow("empty") << QString() << "" << "";
    }

    void digit()
    {
        QFETCH(QString, rfc);
        QFETCH(QString, digit);
        QFETCH(QString, disagrees);
        const std::optional<QChar> got = rfcCheckDigit(rfc);
        QCOMPARE(got ? QString(*got) : QString(), digit);
        const std::optional<QChar> hint = rfcCheckDigitDisagreement(rfc);
        QCOMPARE(hint ? QString(*hint) : QString(), disagrees);
    }
};

QTEST_MAIN(CheckDigitTest)
#include "tst_checkdigit.moc"

// Field values: decoding from and encoding to the fixed-width record bytes.
#include "data/dbf.h"
#include "data/dbfformat.h"

#include <QDateTime>

#include <charconv>
#include <cmath>
#include <cstring>

namespace korim::data {

DbfError::DbfError(QString file, QString message)
    : std::runtime_error(message.toStdString()), file_(std::move(file)), message_(std::move(message))
{
}

namespace {

bool isPad(char c)
{
    return c == ' ' || c == '\0';
}

void trim(const char *&p, int &n)
{
    while (n > 0 && isPad(p[0])) {
        ++p;
        --n;
    }
    while (n > 0 && isPad(p[n - 1]))
        --n;
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// Numbers as other writers leave them: optional sign, digits with an
// optional point, optional exponent, blanks around. Anything else is not a
// number and reads as empty.
void parseNumber(const char *p, int n, int decimals, FieldValue *v)
{
    trim(p, n);
    if (n == 0)
        return;
    int i = 0;
    bool negative = false;
    if (p[0] == '+' || p[0] == '-') {
        negative = p[0] == '-';
        ++i;
    }
    const int start = i;
    int intDigits = 0, fracDigits = 0;
    while (i < n && isDigit(p[i])) {
        ++i;
        ++intDigits;
    }
    bool point = false;
    if (i < n && p[i] == '.') {
        point = true;
        ++i;
        while (i < n && isDigit(p[i])) {
            ++i;
            ++fracDigits;
        }
    }
    if (intDigits + fracDigits == 0)
        return;
    bool exponent = false;
    if (i < n && (p[i] == 'e' || p[i] == 'E')) {
        exponent = true;
        ++i;
        if (i < n && (p[i] == '+' || p[i] == '-'))
            ++i;
        int expDigits = 0;
        while (i < n && isDigit(p[i])) {
            ++i;
            ++expDigits;
        }
        if (expDigits == 0)
            return;
    }
    if (i != n)
        return;

    if (!point && !exponent && intDigits <= 18) {
        qint64 value = 0;
        for (int k = start; k < n; ++k)
            value = value * 10 + (p[k] - '0');
        if (negative)
            value = -value;
        if (decimals == 0) {
            v->kind = FieldValue::Kind::Integer;
            v->integer = value;
        } else {
            v->kind = FieldValue::Kind::Real;
            v->real = double(value);
        }
        return;
    }
    // Up to 15 digits and 22 decimals, mantissa / 10^k is exact to the last
    // bit (both are exact doubles and IEEE division rounds correctly).
    static constexpr double kPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                        1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
    if (!exponent && intDigits + fracDigits <= 15) {
        qint64 mantissa = 0;
        for (int k = start; k < n; ++k) {
            if (p[k] != '.')
                mantissa = mantissa * 10 + (p[k] - '0');
        }
        const double value = double(mantissa) / kPow10[fracDigits];
        v->kind = FieldValue::Kind::Real;
        v->real = negative ? -value : value;
        return;
    }
    double value = 0;
    const auto result = std::from_chars(p + start, p + n, value);
    if (result.ec != std::errc() || result.ptr != p + n || !std::isfinite(value))
        return;
    v->kind = FieldValue::Kind::Real;
    v->real = negative ? -value : value;
}

void parseDate(const char *p, int n, FieldValue *v)
{
    if (n != 8)
        return;
    int parts[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    int at = 0;
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < widths[k]; ++j, ++at) {
            if (!isDigit(p[at]))
                return;
            parts[k] = parts[k] * 10 + (p[at] - '0');
        }
    }
    if (!QDate::isValid(parts[0], parts[1], parts[2]))
        return;
    v->kind = FieldValue::Kind::Date;
    v->year = parts[0];
    v->month = parts[1];
    v->day = parts[2];
}

} // namespace

FieldValue decodeFieldValue(const FieldDef &field, const char *bytes, CodePage page,
                            QString *textBuffer)
{
    FieldValue v;
    switch (field.type) {
    case FieldType::Character: {
        int n = field.length;
        while (n > 0 && isPad(bytes[n - 1]))
            --n;
        decodeTextInto(bytes, n, page, textBuffer);
        v.kind = FieldValue::Kind::Text;
        v.text = QStringView(*textBuffer);
        break;
    }
    case FieldType::Numeric:
    case FieldType::Float:
        parseNumber(bytes, field.length, field.decimals, &v);
        break;
    case FieldType::Date:
        parseDate(bytes, field.length, &v);
        break;
    case FieldType::Logical:
        switch (bytes[0]) {
        case 'T': case 't': case 'Y': case 'y':
            v.kind = FieldValue::Kind::Logical;
            v.logical = true;
            break;
        case 'F': case 'f': case 'N': case 'n':
            v.kind = FieldValue::Kind::Logical;
            v.logical = false;
            break;
        default:
            break;
        }
        break;
    }
    return v;
}

QVariant decodeField(const FieldDef &field, const char *bytes, CodePage page)
{
    QString text;
    const FieldValue v = decodeFieldValue(field, bytes, page, &text);
    switch (v.kind) {
    case FieldValue::Kind::Null:
        return {};
    case FieldValue::Kind::Text:
        return QVariant(std::move(text));
    case FieldValue::Kind::Integer:
        return QVariant(qlonglong(v.integer));
    case FieldValue::Kind::Real:
        return QVariant(v.real);
    case FieldValue::Kind::Date:
        return QVariant(QDate(v.year, v.month, v.day));
    case FieldValue::Kind::Logical:
        return QVariant(v.logical);
    }
    return {};
}

namespace {

QString typeLetter(FieldType t)
{
    return QString(QLatin1Char(char(t)));
}

// Plain decimal notation of a double, shortest digits that read back the same.
QByteArray plainDouble(double d)
{
    char buf[1200];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
    return QByteArray(buf, int(r.ptr - buf));
}

// A plain number split into its parts: sign, integer digits, fraction digits.
struct Decimal {
    bool negative = false;
    QByteArray intPart;
    QByteArray fracPart;
};

bool splitPlainNumber(const QByteArray &text, Decimal *out)
{
    int i = 0;
    const int n = int(text.size());
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        out->negative = text[i] == '-';
        ++i;
    }
    while (i < n && isDigit(text[i]))
        out->intPart += text[i++];
    if (i < n && text[i] == '.') {
        ++i;
        while (i < n && isDigit(text[i]))
            out->fracPart += text[i++];
    }
    return i == n && !(out->intPart.isEmpty() && out->fracPart.isEmpty());
}

// Rounds half away from zero to exactly `decimals` digits after the point.
QByteArray formatFixed(Decimal d, int decimals)
{
    QByteArray digits = d.intPart + d.fracPart.left(decimals);
    digits += QByteArray(decimals - qMin<int>(decimals, int(d.fracPart.size())), '0');
    if (d.fracPart.size() > decimals && d.fracPart[decimals] >= '5') {
        int k = int(digits.size()) - 1;
        while (k >= 0 && digits[k] == '9')
            digits[k--] = '0';
        if (k >= 0)
            digits[k] = char(digits[k] + 1);
        else
            digits.prepend('1');
    }
    QByteArray intDigits = digits.left(digits.size() - decimals);
    const QByteArray fracDigits = digits.right(decimals);
    int lead = 0;
    while (lead < intDigits.size() - 1 && intDigits[lead] == '0')
        ++lead;
    intDigits = intDigits.mid(lead);
    if (intDigits.isEmpty())
        intDigits = "0";
    const bool zero = intDigits == "0" && fracDigits.count('0') == fracDigits.size();
    QByteArray out;
    if (d.negative && !zero)
        out += '-';
    out += intDigits;
    if (decimals > 0)
        out += '.' + fracDigits;
    return out;
}

QByteArray blanks(int n)
{
    return QByteArray(n, ' ');
}

[[noreturn]] void refuse(const QString &message)
{
    throw DbfError(QString(), message);
}

QByteArray encodeNumber(const FieldDef &f, const QVariant &value)
{
    QByteArray plain;
    QString shown;
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return blanks(f.length);
    case QMetaType::Bool:
        plain = value.toBool() ? "1" : "0";
        break;
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        plain = QByteArray::number(value.toLongLong());
        break;
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
        plain = QByteArray::number(value.toULongLong());
        break;
    case QMetaType::Double:
    case QMetaType::Float: {
        const double d = value.toDouble();
        if (!std::isfinite(d))
            refuse(QStringLiteral("El campo numérico %1 no admite un valor que no es un número.").arg(f.name));
        plain = plainDouble(d);
        break;
    }
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = value.toString();
        const QString trimmed = text.trimmed();
        if (trimmed.isEmpty())
            return blanks(f.length);
        Decimal probe;
        // toLatin1() turns anything outside Latin-1 into '?', which is no digit.
        if (!splitPlainNumber(trimmed.toLatin1(), &probe))
            refuse(QStringLiteral("El campo numérico %1 no admite el texto «%2»: no es un número.")
                       .arg(f.name, text));
        plain = trimmed.toLatin1();
        shown = trimmed;
        break;
    }
    default:
        refuse(QStringLiteral("El campo numérico %1 no admite un valor de tipo %2.")
                   .arg(f.name, QString::fromLatin1(value.metaType().name())));
    }
    Decimal d;
    if (!splitPlainNumber(plain, &d))
        refuse(QStringLiteral("El campo numérico %1 no admite el valor %2.").arg(f.name, QString::fromLatin1(plain)));
    const QByteArray text = formatFixed(d, f.decimals);
    if (text.size() > f.length) {
        if (shown.isEmpty())
            shown = QString::fromLatin1(plain);
        refuse(QStringLiteral("El valor %1 no cabe en el campo numérico %2 (%3 posiciones, %4 decimales).")
                   .arg(shown, f.name)
                   .arg(f.length)
                   .arg(f.decimals));
    }
    return blanks(f.length - int(text.size())) + text;
}

QByteArray encodeDate(const FieldDef &f, const QVariant &value)
{
    QDate date;
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return blanks(8);
    case QMetaType::QDate:
        date = value.toDate();
        if (date.isNull())
            return blanks(8);
        break;
    case QMetaType::QDateTime:
        date = value.toDateTime().date();
        if (date.isNull())
            return blanks(8);
        break;
    case QMetaType::QString: {
        const QString text = value.toString().trimmed();
        if (text.isEmpty())
            return blanks(8);
        date = QDate::fromString(text, QStringLiteral("yyyyMMdd"));
        if (!date.isValid())
            date = QDate::fromString(text, Qt::ISODate);
        if (!date.isValid())
            refuse(QStringLiteral("El campo de fecha %1 no admite el valor «%2».").arg(f.name, value.toString()));
        break;
    }
    default:
        refuse(QStringLiteral("El campo de fecha %1 no admite un valor de tipo %2.")
                   .arg(f.name, QString::fromLatin1(value.metaType().name())));
    }
    if (!date.isValid() || date.year() < 1 || date.year() > 9999)
        refuse(QStringLiteral("El campo de fecha %1 no admite la fecha %2.").arg(f.name, date.toString()));
    return date.toString(QStringLiteral("yyyyMMdd")).toLatin1();
}

QByteArray encodeLogical(const FieldDef &f, const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return QByteArray("?");
    case QMetaType::Bool:
        return value.toBool() ? "T" : "F";
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
        return value.toLongLong() != 0 ? "T" : "F";
    case QMetaType::QString: {
        const QString t = value.toString().trimmed().toUpper();
        if (t.isEmpty() || t == QLatin1String("?"))
            return QByteArray("?");
        static const QStringList yes = {QStringLiteral("T"), QStringLiteral("Y"), QStringLiteral("S"),
                                        QStringLiteral("SI"), QStringLiteral("SÍ"), QStringLiteral("TRUE"),
                                        QStringLiteral("1")};
        static const QStringList no = {QStringLiteral("F"), QStringLiteral("N"), QStringLiteral("NO"),
                                       QStringLiteral("FALSE"), QStringLiteral("0")};
        if (yes.contains(t))
            return QByteArray("T");
        if (no.contains(t))
            return QByteArray("F");
        break;
    }
    default:
        break;
    }
    refuse(QStringLiteral("El campo lógico %1 no admite el valor «%2».").arg(f.name, value.toString()));
}

QString textOf(const FieldDef &f, const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return {};
    case QMetaType::QString:
        return value.toString();
    case QMetaType::QByteArray:
        return QString::fromUtf8(value.toByteArray());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("T") : QStringLiteral("F");
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return QString::number(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort:
        return QString::number(value.toULongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        if (!std::isfinite(value.toDouble()))
            break;
        return QString::fromLatin1(plainDouble(value.toDouble()));
    case QMetaType::QDate:
        return value.toDate().toString(QStringLiteral("yyyyMMdd"));
    case QMetaType::QChar:
        return QString(value.toChar());
    default:
        break;
    }
    refuse(QStringLiteral("El campo %1 no admite un valor de tipo %2.")
               .arg(f.name, QString::fromLatin1(value.metaType().name())));
}

QByteArray encodeCharacter(const FieldDef &f, const QVariant &value)
{
    const QString text = textOf(f, value);
    const int bad = firstUnrepresentable(text);
    if (bad >= 0)
        refuse(QStringLiteral("El campo %1 contiene el carácter %2, que no se puede guardar "
                              "en las tablas (no existe en Windows-1252).")
                   .arg(f.name, describeCharacter(text, bad)));
    QByteArray bytes = encodeWindows1252(text);
    if (bytes.size() > f.length)
        refuse(QStringLiteral("El texto del campo %1 tiene %2 caracteres y el campo admite %3.")
                   .arg(f.name)
                   .arg(bytes.size())
                   .arg(f.length));
    bytes += blanks(f.length - int(bytes.size()));
    return bytes;
}

} // namespace

QByteArray encodeField(const FieldDef &field, const QVariant &value)
{
    switch (field.type) {
    case FieldType::Character:
        return encodeCharacter(field, value);
    case FieldType::Numeric:
    case FieldType::Float:
        return encodeNumber(field, value);
    case FieldType::Date:
        return encodeDate(field, value);
    case FieldType::Logical:
        return encodeLogical(field, value);
    }
    refuse(QStringLiteral("El campo %1 es de un tipo desconocido (%2).").arg(field.name, typeLetter(field.type)));
}

} // namespace korim::data

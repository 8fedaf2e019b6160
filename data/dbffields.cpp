// Field values: decoding from and encoding to the fixed-width record bytes.
#include "data/dbf.h"
#include "dbfformat.h"

#include <QDateTime>

#include <QVarLengthArray>

#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>

namespace korim::data {

DbfError::DbfError(QString file, QString message)
    : std::runtime_error(message.toStdString()), file_(std::move(file)), message_(std::move(message))
{
}

// ---------------------------------------------------------------------------
// Exact decimals

struct DecimalAccess {
    // Canonical text from a sign, a run of digits and the place of the point
    // among them (0 = before the first digit; may lie outside the digits).
    static Decimal make(bool negative, QByteArray digits, qsizetype point)
    {
        if (point <= 0) {
            digits.prepend(QByteArray(-point, '0'));
            point = 0;
        } else if (point > digits.size()) {
            digits.append(QByteArray(point - digits.size(), '0'));
        }
        QByteArray intPart = digits.left(point);
        QByteArray fracPart = digits.mid(point);
        qsizetype lead = 0;
        while (lead < intPart.size() && intPart[lead] == '0')
            ++lead;
        intPart.remove(0, lead);
        qsizetype keep = fracPart.size();
        while (keep > 0 && fracPart[keep - 1] == '0')
            --keep;
        fracPart.truncate(keep);
        Decimal d;
        if (intPart.isEmpty() && fracPart.isEmpty())
            return d; // zero, never negative
        QByteArray text;
        if (negative)
            text += '-';
        text += intPart.isEmpty() ? QByteArray("0") : intPart;
        if (!fracPart.isEmpty())
            text += '.' + fracPart;
        d.text_ = text;
        return d;
    }
    static const QByteArray &text(const Decimal &d) { return d.text_; }
};

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

// Length without the trailing blanks and NULs. A text field is mostly
// padding (a 120-byte description holds some forty letters): whole words
// of it are stepped over first.
int unpaddedLength(const char *bytes, int n)
{
    constexpr quint64 kBlanks = 0x2020202020202020ULL;
    while (n >= 8) {
        quint64 word = 0;
        std::memcpy(&word, bytes + n - 8, sizeof word);
        if (word != kBlanks && word != 0)
            break;
        n -= 8;
    }
    while (n > 0 && isPad(bytes[n - 1]))
        --n;
    return n;
}

// A number as it stands in a field: optional sign, digits with an optional
// point, optional exponent, blanks (or NULs) around.
struct NumberText {
    bool negative = false;
    QVarLengthArray<char, 32> digits; // integer and fraction digits together (no allocation for a field's worth)
    qsizetype point = 0; // the point's place among digits, exponent applied
};

enum class Scan { Blank, Number, Garbage };

// Exponents from other writers are taken up to this size: with the twenty
// digits a field holds at most, every such value still has a nearest double.
constexpr int kMaxExponent = 280;

// With no out, only checks: the open of a table checks every value, and
// collecting digits there would cost an allocation per value.
Scan scanNumber(const char *p, int n, NumberText *out)
{
    trim(p, n);
    if (n == 0)
        return Scan::Blank;
    int i = 0;
    if (p[0] == '+' || p[0] == '-') {
        if (out)
            out->negative = p[0] == '-';
        ++i;
    }
    int intDigits = 0, fracDigits = 0;
    const int intStart = i;
    while (i < n && isDigit(p[i]))
        ++i;
    intDigits = i - intStart;
    if (i < n && p[i] == '.') {
        ++i;
        const int fracStart = i;
        while (i < n && isDigit(p[i]))
            ++i;
        fracDigits = i - fracStart;
        if (out && fracDigits > 0) {
            out->digits.append(p + intStart, intDigits);
            out->digits.append(p + fracStart, fracDigits);
        }
    }
    if (intDigits + fracDigits == 0)
        return Scan::Garbage;
    int exponent = 0;
    if (i < n && (p[i] == 'e' || p[i] == 'E')) {
        ++i;
        bool negativeExponent = false;
        if (i < n && (p[i] == '+' || p[i] == '-'))
            negativeExponent = p[i++] == '-';
        int expDigits = 0;
        while (i < n && isDigit(p[i])) {
            exponent = exponent * 10 + (p[i++] - '0');
            if (exponent > kMaxExponent)
                return Scan::Garbage;
            ++expDigits;
        }
        if (expDigits == 0)
            return Scan::Garbage;
        if (negativeExponent)
            exponent = -exponent;
    }
    if (i != n)
        return Scan::Garbage;
    if (out) {
        if (out->digits.isEmpty())
            out->digits.append(p + intStart, intDigits);
        out->point = intDigits + exponent;
    }
    return Scan::Number;
}

// Dates: eight digits of a real day, or blank (blanks, NULs or zeros, as
// other writers leave an empty date).
struct DateParts {
    int year = 0, month = 0, day = 0;
};

// A day of the Gregorian calendar from year 1, as QDate takes them; by hand
// because the open of a table checks every date, and QDate's conversions
// cost more than the check.
bool isRealDay(int year, int month, int day)
{
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

Scan scanDate(const char *p, int n, DateParts *out)
{
    bool empty = true;
    for (int i = 0; i < n; ++i)
        empty = empty && (isPad(p[i]) || p[i] == '0');
    if (empty)
        return Scan::Blank;
    if (n != 8)
        return Scan::Garbage;
    int parts[3] = {0, 0, 0};
    const int widths[3] = {4, 2, 2};
    int at = 0;
    for (int k = 0; k < 3; ++k) {
        for (int j = 0; j < widths[k]; ++j, ++at) {
            if (!isDigit(p[at]))
                return Scan::Garbage;
            parts[k] = parts[k] * 10 + (p[at] - '0');
        }
    }
    if (!isRealDay(parts[0], parts[1], parts[2]))
        return Scan::Garbage;
    *out = {parts[0], parts[1], parts[2]};
    return Scan::Number;
}

Scan scanLogical(char c, bool *out)
{
    switch (c) {
    case 'T': case 't': case 'Y': case 'y':
        *out = true;
        return Scan::Number;
    case 'F': case 'f': case 'N': case 'n':
        *out = false;
        return Scan::Number;
    case '?': case ' ': case '\0':
        return Scan::Blank;
    default:
        return Scan::Garbage;
    }
}

// Integers of up to 18 digits are read without building a Decimal: the
// common case (codes, years, counts) in bulk reading.
bool smallInteger(const NumberText &t, qint64 *out)
{
    if (t.point != t.digits.size() || t.digits.size() > 18)
        return false;
    qint64 value = 0;
    for (char c : t.digits)
        value = value * 10 + (c - '0');
    *out = t.negative ? -value : value;
    return true;
}

} // namespace

std::optional<Decimal> Decimal::fromString(QStringView text)
{
    const QStringView t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    qsizetype i = 0;
    bool negative = false;
    if (t[0] == u'+' || t[0] == u'-') {
        negative = t[0] == u'-';
        ++i;
    }
    QByteArray digits;
    qsizetype point = -1;
    for (; i < t.size(); ++i) {
        const char16_t c = t[i].unicode();
        if (c >= u'0' && c <= u'9') {
            digits += char(c);
        } else if (c == u'.' && point < 0) {
            point = digits.size();
        } else {
            return std::nullopt;
        }
    }
    if (digits.isEmpty())
        return std::nullopt;
    return DecimalAccess::make(negative, digits, point < 0 ? digits.size() : point);
}

std::optional<Decimal> Decimal::fromDouble(double d)
{
    if (!std::isfinite(d))
        return std::nullopt;
    char buf[1200];
    const auto r = std::to_chars(buf, buf + sizeof buf, d, std::chars_format::fixed);
    return fromString(QString::fromLatin1(buf, int(r.ptr - buf)));
}

Decimal Decimal::fromInteger(qint64 value)
{
    Decimal d;
    d.text_ = QByteArray::number(value);
    return d;
}

std::optional<Decimal> Decimal::fromVariant(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Int:
    case QMetaType::Long:
    case QMetaType::LongLong:
    case QMetaType::Short:
        return fromInteger(value.toLongLong());
    case QMetaType::UInt:
    case QMetaType::ULong:
    case QMetaType::ULongLong:
    case QMetaType::UShort: {
        const QByteArray digits = QByteArray::number(value.toULongLong());
        return DecimalAccess::make(false, digits, digits.size());
    }
    case QMetaType::Double:
    case QMetaType::Float:
        return fromDouble(value.toDouble());
    case QMetaType::QString:
    case QMetaType::QByteArray:
        return fromString(value.toString());
    default:
        if (value.metaType() == QMetaType::fromType<Decimal>())
            return value.value<Decimal>();
        return std::nullopt;
    }
}

QString Decimal::toString() const
{
    return QString::fromLatin1(text_);
}

double Decimal::toDouble() const
{
    double d = 0;
    std::from_chars(text_.constData(), text_.constData() + text_.size(), d);
    return d;
}

bool Decimal::isInteger() const
{
    return !text_.contains('.');
}

int Decimal::fractionDigits() const
{
    const qsizetype at = text_.indexOf('.');
    return at < 0 ? 0 : int(text_.size() - at - 1);
}

Decimal Decimal::rounded(int decimals) const
{
    decimals = qMax(0, decimals);
    const int frac = fractionDigits();
    if (frac <= decimals)
        return *this;
    const bool negative = isNegative();
    QByteArray digits = text_.mid(negative ? 1 : 0);
    const qsizetype point = digits.indexOf('.');
    digits.remove(point, 1);
    const bool up = digits[point + decimals] >= '5';
    digits.truncate(point + decimals);
    qsizetype newPoint = point;
    if (up) {
        qsizetype k = digits.size() - 1;
        while (k >= 0 && digits[k] == '9')
            digits[k--] = '0';
        if (k >= 0) {
            digits[k] = char(digits[k] + 1);
        } else {
            digits.prepend('1');
            ++newPoint;
        }
    }
    return DecimalAccess::make(negative, digits, newPoint);
}

QByteArray Decimal::fixed(int decimals) const
{
    const Decimal r = rounded(decimals);
    QByteArray out = r.text_;
    if (decimals > 0) {
        if (!out.contains('.'))
            out += '.';
        out += QByteArray(decimals - r.fractionDigits(), '0');
    }
    return out;
}

qlonglong Decimal::toLongLong(bool *ok) const
{
    const QByteArray whole = rounded(0).text_;
    bool fits = false;
    const qlonglong v = whole.toLongLong(&fits);
    if (ok)
        *ok = fits;
    return fits ? v : 0;
}

int Decimal::toInt(bool *ok) const
{
    bool fits = false;
    const qlonglong v = toLongLong(&fits);
    fits = fits && v >= std::numeric_limits<int>::min() && v <= std::numeric_limits<int>::max();
    if (ok)
        *ok = fits;
    return fits ? int(v) : 0;
}

QDebug operator<<(QDebug debug, const Decimal &value)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "Decimal(" << value.toLatin1().constData() << ')';
    return debug;
}

namespace {

// QVariant conversions, so callers that want a double or a text get one.
const bool kDecimalConversions = [] {
    QMetaType::registerConverter<Decimal, double>(&Decimal::toDouble);
    QMetaType::registerConverter<Decimal, QString>(&Decimal::toString);
    QMetaType::registerConverter<Decimal, qlonglong>(&Decimal::toLongLong);
    QMetaType::registerConverter<Decimal, int>(&Decimal::toInt);
    return true;
}();

// What the field's bytes hold, checked.
Scan scanField(const FieldDef &field, const char *bytes, NumberText *number, DateParts *date, bool *logical)
{
    switch (field.type) {
    case FieldType::Character:
        return Scan::Number;
    case FieldType::Numeric:
    case FieldType::Float:
        return scanNumber(bytes, field.length, number);
    case FieldType::Date:
        return scanDate(bytes, field.length, date);
    case FieldType::Logical:
        return scanLogical(bytes[0], logical);
    }
    return Scan::Garbage;
}

} // namespace

QString unreadableField(const FieldDef &field, const char *bytes)
{
    DateParts date;
    bool logical = false;
    if (scanField(field, bytes, nullptr, &date, &logical) != Scan::Garbage)
        return {};
    switch (field.type) {
    case FieldType::Numeric:
    case FieldType::Float:
        return QStringLiteral("no es un número");
    case FieldType::Date:
        return QStringLiteral("no es una fecha");
    case FieldType::Logical:
        return QStringLiteral("no es un valor lógico");
    case FieldType::Character:
        break;
    }
    return {};
}

FieldValue decodeFieldValue(const FieldDef &field, const char *bytes, CodePage page,
                            QString *textBuffer)
{
    FieldValue v;
    if (field.type == FieldType::Character) {
        decodeTextInto(bytes, unpaddedLength(bytes, field.length), page, textBuffer);
        v.kind = FieldValue::Kind::Text;
        v.text = QStringView(*textBuffer);
        return v;
    }
    NumberText number;
    DateParts date;
    bool logical = false;
    if (scanField(field, bytes, &number, &date, &logical) != Scan::Number)
        return v;
    switch (field.type) {
    case FieldType::Numeric:
    case FieldType::Float: {
        qint64 integer = 0;
        if (field.decimals == 0 && smallInteger(number, &integer)) {
            v.kind = FieldValue::Kind::Integer;
            v.integer = integer;
        } else {
            // The nearest double of the stored digits, read from the bytes
            // themselves (the scan above has checked their form).
            const char *p = bytes;
            int n = field.length;
            trim(p, n);
            if (n > 0 && *p == '+') {
                ++p;
                --n;
            }
            v.kind = FieldValue::Kind::Real;
            std::from_chars(p, p + n, v.real);
        }
        break;
    }
    case FieldType::Date:
        v.kind = FieldValue::Kind::Date;
        v.year = date.year;
        v.month = date.month;
        v.day = date.day;
        break;
    case FieldType::Logical:
        v.kind = FieldValue::Kind::Logical;
        v.logical = logical;
        break;
    case FieldType::Character:
        break;
    }
    return v;
}

QVariant decodeField(const FieldDef &field, const char *bytes, CodePage page)
{
    if (field.type == FieldType::Numeric || field.type == FieldType::Float) {
        NumberText number;
        if (scanNumber(bytes, field.length, &number) != Scan::Number)
            return {};
        qint64 integer = 0;
        if (field.decimals == 0 && smallInteger(number, &integer))
            return QVariant(qlonglong(integer));
        const Decimal d = DecimalAccess::make(number.negative, QByteArray(number.digits.data(), number.digits.size()), number.point);
        bool fits = false;
        const qlonglong whole = d.isInteger() && field.decimals == 0 ? d.toLongLong(&fits) : 0;
        if (fits)
            return QVariant(whole);
        return QVariant::fromValue(d);
    }
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
    std::optional<Decimal> number;
    QString shown;
    switch (value.metaType().id()) {
    case QMetaType::UnknownType:
        return blanks(f.length);
    case QMetaType::Bool:
        number = Decimal::fromInteger(value.toBool() ? 1 : 0);
        break;
    case QMetaType::Double:
    case QMetaType::Float:
        number = Decimal::fromVariant(value);
        if (!number)
            refuse(QStringLiteral("El campo numérico %1 no admite un valor que no es un número.").arg(f.name));
        break;
    case QMetaType::QString:
    case QMetaType::QByteArray: {
        const QString text = value.toString();
        shown = text.trimmed();
        if (shown.isEmpty())
            return blanks(f.length);
        number = Decimal::fromString(text);
        if (!number)
            refuse(QStringLiteral("El campo numérico %1 no admite el texto «%2»: no es un número.")
                       .arg(f.name, text));
        break;
    }
    default:
        number = Decimal::fromVariant(value);
        if (!number)
            refuse(QStringLiteral("El campo numérico %1 no admite un valor de tipo %2.")
                       .arg(f.name, QString::fromLatin1(value.metaType().name())));
    }
    const QByteArray text = number->fixed(f.decimals);
    if (text.size() > f.length) {
        if (shown.isEmpty())
            shown = number->toString();
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
        if (value.metaType() == QMetaType::fromType<Decimal>())
            return value.value<Decimal>().toString();
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

#pragma once
// dBASE III table files, read and written by our own engine.
//
// A table is loaded whole into memory (the tables of a data folder are small)
// and every change reaches the disk before the call returns:
//  - changing an existing record is one positioned write of the record's bytes
//    followed by fdatasync, so a crash leaves the record either old or new;
//  - adding or deleting a record rewrites the file into a temporary file in the
//    same folder, fsyncs it, renames it over the table and fsyncs the folder
//    (deleted records are never kept: nothing erased travels in a copied file).

#include <QByteArray>
#include <QDebug>
#include <QDate>
#include <QList>
#include <QString>
#include <QVariant>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <vector>

namespace korim::data {

// Failure of the engine. message() is a Spanish sentence meant for the user;
// it names the file when there is one.
class DbfError : public std::runtime_error {
public:
    DbfError(QString file, QString message);
    const QString &file() const { return file_; }
    const QString &message() const { return message_; }

private:
    QString file_;
    QString message_;
};

enum class FieldType : char {
    Character = 'C',
    Numeric = 'N',
    Float = 'F',
    Date = 'D',
    Logical = 'L',
};

struct FieldDef {
    QString name;          // at most 10 characters, stored upper case
    FieldType type = FieldType::Character;
    int length = 1;        // bytes in the record
    int decimals = 0;      // N and F only; 0 for every other type
    int offset = 0;        // filled by the engine: byte offset inside the record (after the deletion flag)
};

inline FieldDef makeField(const QString &name, FieldType type, int length, int decimals = 0)
{
    FieldDef f;
    f.name = name;
    f.type = type;
    f.length = length;
    f.decimals = decimals;
    return f;
}

// An exact decimal number, the digits a numeric field holds. Values of N and
// F fields come as Decimal unless they are whole numbers of a field without
// decimals (those come as qlonglong), so nothing read is ever rounded on its
// way back to the file. A QVariant holding one converts to double, qlonglong,
// int and QString.
class Decimal {
public:
    Decimal() = default; // zero
    // Plain decimal text: optional sign, digits with an optional point,
    // blanks around; no grouping, no exponent.
    static std::optional<Decimal> fromString(QStringView text);
    // The shortest digits that read back as d; none when d is not finite.
    static std::optional<Decimal> fromDouble(double d);
    static Decimal fromInteger(qint64 value);
    // Exact value of a number-like QVariant (integers, doubles, Decimal, plain
    // text); none for anything else, and for blank or invalid values.
    static std::optional<Decimal> fromVariant(const QVariant &value);

    QString toString() const; // plain: "-1234.5", "0.0001", "999999999999999999"
    QByteArray toLatin1() const { return text_; }
    double toDouble() const;  // the nearest double
    // Rounded half away from zero; *ok false (and 0) when out of range.
    qlonglong toLongLong(bool *ok = nullptr) const;
    int toInt(bool *ok = nullptr) const;
    bool isInteger() const;
    bool isNegative() const { return text_.startsWith('-'); }
    int fractionDigits() const;
    // Rounded half away from zero to at most `decimals` places.
    Decimal rounded(int decimals) const;
    // Text with exactly `decimals` places (rounded), as a field stores it.
    QByteArray fixed(int decimals) const;

    friend bool operator==(const Decimal &a, const Decimal &b) { return a.text_ == b.text_; }
    friend bool operator!=(const Decimal &a, const Decimal &b) { return a.text_ != b.text_; }

private:
    friend struct DecimalAccess;
    QByteArray text_ = "0"; // no leading zeros, no trailing zeros after the point, no "-0"
};

QDebug operator<<(QDebug debug, const Decimal &value);

// Stable identity of a record while the table is open; survives compaction.
using RecordId = std::uint64_t;

// Code pages named by the language-driver byte.
enum class CodePage : std::uint8_t { Dos437 = 0x01, Dos850 = 0x02, Windows1252 = 0x03 };

QString decodeText(const char *bytes, int length, CodePage page);
// Encodes to Windows-1252; throws DbfError (with an empty file name) when a
// character cannot be represented.
QByteArray encodeWindows1252(const QString &text);
bool representableInWindows1252(const QString &text, QChar *offending = nullptr);

// Values by type:
//  C -> QString, trailing blanks removed, leading blanks kept
//  N, F -> qlonglong for a whole number in a field without decimals, else
//          Decimal (the digits as stored); a blank field -> invalid QVariant
//  D -> QDate (invalid QVariant when blank)
//  L -> bool (invalid QVariant when '?' or blank)
// Bytes that are no value of their type (see unreadableField) decode as an
// invalid QVariant; DbfTable::open refuses a table holding any.
QVariant decodeField(const FieldDef &field, const char *bytes, CodePage page);
// Empty when the field's bytes are a value of its type (blank included);
// else why not, e.g. "no es un número".
QString unreadableField(const FieldDef &field, const char *bytes);
// Encodes value into exactly field.length bytes. Strings given to N/F must be
// plain numbers. Throws DbfError on overflow or text Windows-1252 cannot hold.
QByteArray encodeField(const FieldDef &field, const QVariant &value);

// A decoded field without heap allocation, for bulk reading (export,
// benchmarks). text points into a buffer the caller owns and reuses.
struct FieldValue {
    enum class Kind { Null, Text, Integer, Real, Date, Logical };
    Kind kind = Kind::Null;
    QStringView text;
    qint64 integer = 0;
    double real = 0;
    int year = 0, month = 0, day = 0;
    bool logical = false;
};
// Same rules as decodeField(); text is decoded into *textBuffer.
FieldValue decodeFieldValue(const FieldDef &field, const char *bytes, CodePage page,
                            QString *textBuffer);

// A rewrite of a table writes the new file beside it under a temporary name
// and renames it over the table. The name: "." + the table's file name +
// ".tmp" + six letters or digits. True when entryName is such a name for
// the table file tableFileName.
bool isRewriteTemporary(const QString &entryName, const QString &tableFileName);

class DbfTable {
public:
    // Opens and validates a table file; throws DbfError with a clear message on
    // any inconsistency (not a dBASE file, truncated, count or record length
    // that disagree with the file, ...).
    static std::shared_ptr<DbfTable> open(const QString &path);
    // Writes a new table file atomically (generator tool and tests).
    static void create(const QString &path, const QList<FieldDef> &fields,
                       const QList<QVariantList> &rows = {});
    // Same checks as open(), on bytes already in memory (fuzzing); such a
    // table has no file and refuses changes. fileName is used in messages.
    static std::shared_ptr<DbfTable> fromBytes(const QByteArray &bytes, const QString &fileName);

    ~DbfTable();
    DbfTable(const DbfTable &) = delete;
    DbfTable &operator=(const DbfTable &) = delete;

    const QString &path() const;
    const QList<FieldDef> &fields() const;
    int fieldCount() const;
    int fieldIndex(const QString &name) const; // without regard to case; -1 when absent
    CodePage codePage() const;

    int recordCount() const;                // live records only
    RecordId idAt(int row) const;
    int rowOf(RecordId id) const;           // -1 when gone
    QVariant value(int row, int field) const;
    QVariantList record(int row) const;

    // Durable changes (see the header comment). On failure DbfError is thrown
    // and the table keeps its contents; the file is left as it was, unless
    // only the last flush failed (the record's, or the folder's after the
    // rename): the change may then stand in the file without being durable,
    // and a retry writes it again. updateRecord needs one value per field;
    // appendRecord leaves the fields missing at the end blank. An invalid
    // QVariant writes a blank field. A row out of range throws DbfError.
    //
    // A record is written in place only when it lies inside one 512-byte
    // sector of the file and the file is already Windows-1252: a write that
    // spans sectors or pages can be cut by a crash (the kernel stops a killed
    // process's write between pages), so such records go through the
    // rewrite-and-rename path instead. A table read in DOS 437/850 is
    // converted to Windows-1252 on its first change.
    void updateRecord(int row, const QVariantList &values);
    RecordId appendRecord(const QVariantList &values);
    void deleteRecord(int row);

private:
    DbfTable();
    struct Impl;
    std::unique_ptr<Impl> d;
};

// Sequential reader for bulk export: the whole file is read and checked as by
// DbfTable::open(), then the live records are visited in order without
// building QVariants.
class DbfScanner {
public:
    explicit DbfScanner(const QString &path); // throws DbfError
    ~DbfScanner();
    DbfScanner(const DbfScanner &) = delete;
    DbfScanner &operator=(const DbfScanner &) = delete;

    const QList<FieldDef> &fields() const;
    CodePage codePage() const;
    // Moves to the next live record; false after the last.
    bool next();
    // Field of the current record; text stays valid until the next value().
    FieldValue value(int field);

private:
    struct Impl;
    std::unique_ptr<Impl> d;
};

} // namespace korim::data

Q_DECLARE_METATYPE(korim::data::Decimal)

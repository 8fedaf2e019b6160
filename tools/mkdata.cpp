// korim_mkdata <sources dir> <output dir>
//
// Builds the shipped data folder from its readable sources, with the same
// table engine the program uses:
//   tables/<table>.fields.csv  one line per field: name,type,length,decimals
//   tables/<table>.rows.csv    a header naming the fields in order, then one
//                              line per record (UTF-8; stored as Windows-1252)
//   considera.txt              copied byte for byte
// Every source is read and checked before anything is written, so a bad source
// leaves the output folder as it was.

#include "data/dbf.h"

#include <QCoreApplication>
#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSaveFile>
#include <QSet>
#include <QStringDecoder>

#include <cstdio>
#include <optional>

using korim::data::DbfError;
using korim::data::DbfTable;
using korim::data::FieldDef;
using korim::data::FieldType;

namespace {

// A source that cannot become a table: where and why.
struct SourceError {
    QString where;
    QString message;
};

[[noreturn]] void fail(const QString &where, const QString &message)
{
    throw SourceError{where, message};
}

QString at(const QString &path, int line)
{
    return QStringLiteral("%1:%2").arg(path).arg(line);
}

// What the program relies on in each table: a field at a fixed position,
// numeric or text, sometimes with a fixed name.
struct PositionRule {
    int position;
    const char *name; // nullptr: any name
    char kind;        // 'N' number (N or F), 'C' text, '*' any type
};

struct TableSpec {
    const char *source;   // tables/<source>.fields.csv and .rows.csv
    const char *fileName; // name of the written table file
    int minFields;
    QList<PositionRule> positions;
};

const QList<TableSpec> &tableSpecs()
{
    static const QList<TableSpec> specs = {
        {"datoprov", "datoprov.dbf", 40,
         {{15, nullptr, 'N'}, {20, nullptr, '*'}, {21, "TIPOPROG", 'N'}, {22, nullptr, 'N'},
          {28, nullptr, 'N'}, {30, nullptr, 'N'}, {31, nullptr, 'N'}, {34, nullptr, 'N'},
          {35, nullptr, 'N'}}},
        {"activida", "activida.dbf", 4, {{0, nullptr, 'N'}, {2, nullptr, 'C'}, {3, nullptr, 'N'}}},
        {"admlocal", "admlocal.dbf", 2, {{0, nullptr, 'N'}, {1, nullptr, 'C'}}},
        {"catbanco", "catbanco.dbf", 3, {{0, nullptr, 'N'}, {2, nullptr, 'C'}}},
        {"ventas", "VENTAS.dbf", 9,
         {{0, "ANO", 'N'}, {1, "VTOT", 'N'}, {2, "VTOTD", 'N'}, {3, "EXPORTA", 'N'},
          {4, "IMPORTA", 'N'}, {5, "SALDO", 'N'}, {6, "TC", 'N'}}},
        {"provmerc", "PROVMERC.dbf", 3, {{2, "DESCRIPCIO", 'C'}}},
    };
    return specs;
}

struct CsvRecord {
    int line; // where the record starts in the file
    QStringList cells;
};

// The whole file as text, without a byte order mark.
QString readUtf8(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, QStringLiteral("cannot read: %1").arg(file.errorString()));
    const QByteArray bytes = file.readAll();
    QStringDecoder utf8(QStringDecoder::Utf8);
    QString text = utf8.decode(bytes);
    if (utf8.hasError())
        fail(path, QStringLiteral("not valid UTF-8"));
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// RFC 4180 CSV: comma separated, fields with commas, quotes or line breaks are
// quoted and a quote inside is doubled. Blank lines are skipped.
class CsvParser {
public:
    CsvParser(const QString &path, const QString &text) : path_(path), text_(text) {}

    QList<CsvRecord> records()
    {
        for (qsizetype i = 0; i < text_.size(); ++i) {
            const QChar c = text_.at(i);
            if (inQuotes_) {
                quoted(i);
                continue;
            }
            if (c == QLatin1Char('\r') && i + 1 < text_.size() && text_.at(i + 1) == QLatin1Char('\n'))
                continue;
            if (c == QLatin1Char('\n')) {
                endRecord();
                ++line_;
                continue;
            }
            unquoted(c);
        }
        if (inQuotes_)
            fail(at(path_, current_.line), QStringLiteral("a quoted cell is never closed"));
        endRecord();
        return records_;
    }

private:
    // The character at i inside a quoted cell; a doubled quote takes the next one too.
    void quoted(qsizetype &i)
    {
        const QChar c = text_.at(i);
        if (c == QLatin1Char('"')) {
            if (i + 1 < text_.size() && text_.at(i + 1) == QLatin1Char('"')) {
                cell_ += c;
                ++i;
            } else {
                inQuotes_ = false;
                afterQuote_ = true;
            }
            return;
        }
        if (c == QLatin1Char('\n'))
            ++line_;
        cell_ += c;
    }

    void unquoted(QChar c)
    {
        lineHasContent_ = true;
        if (c == QLatin1Char(',')) {
            endCell();
        } else if (afterQuote_) {
            fail(at(path_, line_), QStringLiteral("text after a closing quote"));
        } else if (c == QLatin1Char('"')) {
            if (!cell_.isEmpty())
                fail(at(path_, line_), QStringLiteral("a quote inside an unquoted cell"));
            inQuotes_ = true;
        } else {
            cell_ += c;
        }
    }

    void endCell()
    {
        current_.cells << cell_;
        cell_.clear();
        afterQuote_ = false;
    }

    void endRecord()
    {
        if (lineHasContent_) {
            endCell();
            records_ << current_;
        }
        current_ = CsvRecord{line_ + 1, {}};
        lineHasContent_ = false;
    }

    const QString path_;
    const QString text_;
    QList<CsvRecord> records_;
    CsvRecord current_{1, {}};
    QString cell_;
    bool inQuotes_ = false;
    bool afterQuote_ = false; // a quoted cell just closed: only , or end of line may follow
    bool lineHasContent_ = false;
    int line_ = 1;
};

QList<CsvRecord> readCsv(const QString &path)
{
    return CsvParser(path, readUtf8(path)).records();
}

// Whether the engine can store a field of this length and decimals in its type.
bool suitsType(const FieldDef &f)
{
    switch (f.type) {
    case FieldType::Character:
        return f.length >= 1 && f.length <= 254 && f.decimals == 0;
    case FieldType::Numeric:
    case FieldType::Float:
        return f.length >= 1 && f.length <= 20
               && (f.decimals == 0 || (f.decimals <= 15 && f.decimals <= f.length - 2));
    case FieldType::Date:
        return f.length == 8 && f.decimals == 0;
    case FieldType::Logical:
        return f.length == 1 && f.decimals == 0;
    }
    return false;
}

// One line of a fields file; names holds the names defined before it.
FieldDef readFieldDef(const CsvRecord &rec, const QString &where, QSet<QString> &names)
{
    static const QRegularExpression nameRe(QStringLiteral("^[A-Z][A-Z0-9_]{0,9}$"));
    static const QRegularExpression countRe(QStringLiteral("^[0-9]{1,3}$"));
    if (rec.cells.size() != 4)
        fail(where, QStringLiteral("expected 4 cells, found %1").arg(rec.cells.size()));
    FieldDef f;
    f.name = rec.cells.at(0);
    if (!nameRe.match(f.name).hasMatch())
        fail(where, QStringLiteral("field name \"%1\" is not 1 to 10 upper-case letters, digits or _, "
                                   "starting with a letter").arg(f.name));
    if (names.contains(f.name))
        fail(where, QStringLiteral("field %1 is defined twice").arg(f.name));
    names.insert(f.name);

    const QString type = rec.cells.at(1);
    if (type.size() != 1 || !QStringLiteral("CNFDL").contains(type))
        fail(where, QStringLiteral("field %1: type \"%2\" is not one of C, N, F, D, L").arg(f.name, type));
    f.type = static_cast<FieldType>(type.at(0).toLatin1());
    if (!countRe.match(rec.cells.at(2)).hasMatch() || !countRe.match(rec.cells.at(3)).hasMatch())
        fail(where, QStringLiteral("field %1: length and decimals must be whole numbers").arg(f.name));
    f.length = rec.cells.at(2).toInt();
    f.decimals = rec.cells.at(3).toInt();
    if (!suitsType(f))
        fail(where, QStringLiteral("field %1: length %2 with %3 decimals does not suit type %4")
                        .arg(f.name).arg(f.length).arg(f.decimals).arg(type));
    return f;
}

// The fields the program finds at fixed positions.
void checkPositions(const QString &path, const QList<FieldDef> &fields, const TableSpec &spec)
{
    if (fields.size() < spec.minFields)
        fail(path, QStringLiteral("%1 fields defined, the table needs at least %2")
                       .arg(fields.size()).arg(spec.minFields));
    for (const PositionRule &rule : spec.positions) {
        const FieldDef &f = fields.at(rule.position);
        const bool numeric = f.type == FieldType::Numeric || f.type == FieldType::Float;
        if (rule.name && f.name != QLatin1String(rule.name))
            fail(path, QStringLiteral("position %1 must hold %2, not %3")
                           .arg(rule.position).arg(QLatin1String(rule.name), f.name));
        if ((rule.kind == 'N' && !numeric) || (rule.kind == 'C' && f.type != FieldType::Character))
            fail(path, QStringLiteral("position %1 (%2) must be %3")
                           .arg(rule.position).arg(f.name, rule.kind == 'N' ? QStringLiteral("numeric")
                                                                           : QStringLiteral("text")));
    }
}

QList<FieldDef> readFields(const QString &path, const TableSpec &spec)
{
    const QList<CsvRecord> records = readCsv(path);
    const QStringList header{QStringLiteral("name"), QStringLiteral("type"),
                             QStringLiteral("length"), QStringLiteral("decimals")};
    if (records.isEmpty() || records.first().cells != header)
        fail(at(path, 1), QStringLiteral("the first line must be: name,type,length,decimals"));

    QList<FieldDef> fields;
    QSet<QString> names;
    for (qsizetype r = 1; r < records.size(); ++r)
        fields << readFieldDef(records.at(r), at(path, records.at(r).line), names);
    checkPositions(path, fields, spec);
    return fields;
}

// A text cell: printable, without trailing blanks, in Windows-1252 and no
// wider than the field. ctx names the field in a complaint.
QVariant parseText(const FieldDef &f, const QString &cell, const QString &where, const QString &ctx)
{
    for (const QChar c : cell) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            fail(where, ctx + QStringLiteral("control character U+%1 in the text")
                                  .arg(c.unicode(), 4, 16, QLatin1Char('0')));
    }
    if (cell.endsWith(QLatin1Char(' ')))
        fail(where, ctx + QStringLiteral("trailing blanks are not kept by the table: \"%1\"").arg(cell));
    QChar bad;
    if (!korim::data::representableInWindows1252(cell, &bad))
        fail(where, ctx + QStringLiteral("\"%1\" (U+%2) has no Windows-1252 form")
                              .arg(bad).arg(bad.unicode(), 4, 16, QLatin1Char('0')));
    if (cell.size() > f.length)
        fail(where, ctx + QStringLiteral("text of %1 characters is wider than the field (%2): \"%3\"")
                              .arg(cell.size()).arg(f.length).arg(cell));
    return cell;
}

// A plain number that fits the field's width and decimals.
QVariant parseNumber(const FieldDef &f, const QString &cell, const QString &where, const QString &ctx)
{
    static const QRegularExpression numberRe(QStringLiteral("^(-?)([0-9]+)(?:\\.([0-9]+))?$"));
    const auto m = numberRe.match(cell);
    if (!m.hasMatch())
        fail(where, ctx + QStringLiteral("\"%1\" is not a plain number (write 0 for none)").arg(cell));
    const qsizetype decimals = m.capturedLength(3);
    if (decimals > f.decimals)
        fail(where, ctx + QStringLiteral("%1 has more decimals than the field keeps (%2)")
                              .arg(cell).arg(f.decimals));
    QString digits = m.captured(2);
    while (digits.size() > 1 && digits.startsWith(QLatin1Char('0')))
        digits.remove(0, 1);
    const qsizetype width = m.capturedLength(1) + digits.size() + (f.decimals > 0 ? f.decimals + 1 : 0);
    if (width > f.length)
        fail(where, ctx + QStringLiteral("%1 does not fit in %2 characters with %3 decimals")
                              .arg(cell).arg(f.length).arg(f.decimals));
    bool ok = false;
    if (f.decimals == 0) {
        const qlonglong v = cell.toLongLong(&ok);
        if (ok)
            return v;
    } else {
        const double v = cell.toDouble(&ok);
        if (ok)
            return v;
    }
    fail(where, ctx + QStringLiteral("%1 is out of range").arg(cell));
}

// One cell of a rows file as the value the engine stores.
QVariant parseValue(const FieldDef &f, const QString &cell, const QString &where)
{
    const QString ctx = QStringLiteral("field %1: ").arg(f.name);
    switch (f.type) {
    case FieldType::Character:
        return parseText(f, cell, where, ctx);
    case FieldType::Numeric:
    case FieldType::Float:
        return parseNumber(f, cell, where, ctx);
    case FieldType::Date: {
        if (cell.isEmpty())
            return {};
        const QDate d = QDate::fromString(cell, QStringLiteral("yyyy-MM-dd"));
        if (!d.isValid())
            fail(where, ctx + QStringLiteral("\"%1\" is not a date written YYYY-MM-DD").arg(cell));
        return d;
    }
    case FieldType::Logical:
        if (cell.isEmpty())
            return {};
        if (cell == QLatin1String("T") || cell == QLatin1String("F"))
            return cell == QLatin1String("T");
        fail(where, ctx + QStringLiteral("\"%1\" is not T, F or empty").arg(cell));
    }
    fail(where, ctx + QStringLiteral("unknown type"));
}

struct RowsFile {
    QList<QVariantList> rows;
    QList<int> lines; // line of each row in the rows file
};

RowsFile readRows(const QString &path, const QList<FieldDef> &fields)
{
    const QList<CsvRecord> records = readCsv(path);
    QStringList names;
    for (const FieldDef &f : fields)
        names << f.name;
    if (records.isEmpty() || records.first().cells != names)
        fail(at(path, 1), QStringLiteral("the first line must name the fields in order: %1")
                              .arg(names.join(QLatin1Char(','))));
    RowsFile out;
    for (qsizetype r = 1; r < records.size(); ++r) {
        const CsvRecord &rec = records.at(r);
        const QString where = at(path, rec.line);
        if (rec.cells.size() != fields.size())
            fail(where, QStringLiteral("expected %1 cells, found %2").arg(fields.size()).arg(rec.cells.size()));
        QVariantList row;
        for (qsizetype i = 0; i < fields.size(); ++i) {
            const QVariant v = parseValue(fields.at(i), rec.cells.at(i), where);
            // The engine has the last word on what fits.
            try {
                korim::data::encodeField(fields.at(i), v);
            } catch (const DbfError &e) {
                fail(where, QStringLiteral("field %1: %2").arg(fields.at(i).name, e.message()));
            }
            row << v;
        }
        out.rows << row;
        out.lines << rec.line;
    }
    return out;
}

// The program's assumptions about the shipped rows.
void checkContent(const TableSpec &spec, const QString &path, const QList<FieldDef> &fields,
                  const RowsFile &data)
{
    const QString table = QLatin1String(spec.source);
    const auto uniqueAt = [&](int position) {
        QHash<qlonglong, int> seen;
        for (qsizetype r = 0; r < data.rows.size(); ++r) {
            const qlonglong code = data.rows.at(r).at(position).toLongLong();
            if (seen.contains(code))
                fail(at(path, data.lines.at(r)), QStringLiteral("code %1 (%2) repeats the one on line %3")
                                                     .arg(code).arg(fields.at(position).name)
                                                     .arg(seen.value(code)));
            seen.insert(code, data.lines.at(r));
        }
    };

    if (table == QLatin1String("datoprov") || table == QLatin1String("provmerc")) {
        if (!data.rows.isEmpty())
            fail(at(path, data.lines.first()), QStringLiteral("this table is shipped empty"));
    } else if (table == QLatin1String("ventas")) {
        int tipoField = -1;
        int labelField = -1;
        for (int i = 7; i <= 8; ++i) {
            if (fields.at(i).name == QLatin1String("TIPO"))
                tipoField = i;
            if (fields.at(i).name == QLatin1String("ETIQUETA"))
                labelField = i;
        }
        if (tipoField < 0 || labelField < 0)
            fail(path, QStringLiteral("positions 7 and 8 must hold ETIQUETA and TIPO"));
        int count[3] = {0, 0, 0};
        for (qsizetype r = 0; r < data.rows.size(); ++r) {
            const qlonglong kind = data.rows.at(r).at(tipoField).toLongLong();
            if (kind != 1 && kind != 2)
                fail(at(path, data.lines.at(r)), QStringLiteral("TIPO must be 1 or 2, not %1").arg(kind));
            ++count[kind];
        }
        if (count[1] != 3 || count[2] != 3)
            fail(path, QStringLiteral("VENTAS needs three rows of TIPO 1 and three of TIPO 2 (found %1 and %2)")
                           .arg(count[1]).arg(count[2]));
    } else {
        // The catalogues fill the window's lists, whose first entry is selected at start.
        if (data.rows.isEmpty())
            fail(path, QStringLiteral("a catalogue needs at least one row"));
        if (table == QLatin1String("activida")) {
            // The list position the user picks is looked up as this number.
            for (qsizetype r = 0; r < data.rows.size(); ++r) {
                if (data.rows.at(r).at(0).toLongLong() != r)
                    fail(at(path, data.lines.at(r)),
                         QStringLiteral("sequence number %1 out of order: row %2 must carry %2")
                             .arg(data.rows.at(r).at(0).toLongLong()).arg(r));
            }
            uniqueAt(3);
        } else {
            uniqueAt(0);
        }
    }
}

// considera.txt is rich text kept in ASCII (accents as \'xx escapes), so no
// reader can mistake its code page.
QByteArray readConsiderations(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, QStringLiteral("cannot read: %1").arg(file.errorString()));
    const QByteArray bytes = file.readAll();
    if (!bytes.startsWith("{\\rtf1"))
        fail(path, QStringLiteral("not rich text: it must start with {\\rtf1"));
    int depth = 0;
    int line = 1;
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(bytes.at(i));
        if (c == '\n')
            ++line;
        if (c >= 0x80)
            fail(at(path, line), QStringLiteral("byte 0x%1 is not ASCII: write accents as \\'xx escapes")
                                     .arg(c, 2, 16, QLatin1Char('0')));
        if (c == '\\') {
            ++i; // an escaped brace or backslash does not count
            continue;
        }
        if (c == '{')
            ++depth;
        if (c == '}' && --depth < 0)
            fail(at(path, line), QStringLiteral("a closing brace without its opening one"));
        if (depth == 0 && c == '}' && bytes.mid(i + 1).trimmed().size() > 0)
            fail(at(path, line), QStringLiteral("text after the end of the document"));
    }
    if (depth != 0)
        fail(path, QStringLiteral("%1 brace(s) never closed").arg(depth));
    return bytes;
}

// SOURCE_DATE_EPOCH (seconds since 1970, UTC), the usual switch of
// reproducible builds: when set, every table carries that date instead of the
// day it was written, so two builds of the same sources give the same bytes.
std::optional<QDate> sourceDate()
{
    const QByteArray value = qgetenv("SOURCE_DATE_EPOCH");
    if (value.isEmpty())
        return std::nullopt;
    bool ok = false;
    const qint64 seconds = value.toLongLong(&ok);
    if (!ok || seconds < 0)
        fail(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("\"%1\" is not a count of seconds")
                                                      .arg(QString::fromLatin1(value)));
    const QDate date = QDateTime::fromSecsSinceEpoch(seconds, Qt::UTC).date();
    if (date.year() < 1900 || date.year() > 2155)
        fail(QStringLiteral("SOURCE_DATE_EPOCH"), QStringLiteral("the year %1 does not fit a table header")
                                                      .arg(date.year()));
    return date;
}

// Bytes 1-3 of the header: year - 1900, month, day of the last update.
void setTableDate(const QString &path, const QDate &date)
{
    QFile file(path);
    const char bytes[3] = {static_cast<char>(date.year() - 1900), static_cast<char>(date.month()),
                           static_cast<char>(date.day())};
    if (!file.open(QIODevice::ReadWrite) || !file.seek(1) || file.write(bytes, 3) != 3 || !file.flush())
        fail(path, QStringLiteral("cannot set the table date: %1").arg(file.errorString()));
}

struct Table {
    const TableSpec *spec;
    QList<FieldDef> fields;
    QList<QVariantList> rows;
};

int run(const QString &sourceDir, const QString &outputDir)
{
    const QDir src(sourceDir);
    QList<Table> tables;
    for (const TableSpec &spec : tableSpecs()) {
        const QString base = src.filePath(QStringLiteral("tables/%1").arg(QLatin1String(spec.source)));
        const QString rowsPath = base + QStringLiteral(".rows.csv");
        Table t{&spec, readFields(base + QStringLiteral(".fields.csv"), spec), {}};
        const RowsFile data = readRows(rowsPath, t.fields);
        checkContent(spec, rowsPath, t.fields, data);
        t.rows = data.rows;
        tables << t;
    }
    const QByteArray considerations = readConsiderations(src.filePath(QStringLiteral("considera.txt")));

    const std::optional<QDate> stamp = sourceDate();
    if (!QDir().mkpath(outputDir))
        fail(outputDir, QStringLiteral("cannot create the folder"));
    const QDir out(outputDir);
    for (const Table &t : tables) {
        const QString path = out.filePath(QLatin1String(t.spec->fileName));
        try {
            DbfTable::create(path, t.fields, t.rows);
        } catch (const DbfError &e) {
            fail(path, e.message());
        }
        if (stamp)
            setTableDate(path, *stamp);
    }
    QSaveFile copy(out.filePath(QStringLiteral("considera.txt")));
    if (!copy.open(QIODevice::WriteOnly) || copy.write(considerations) != considerations.size()
        || !copy.commit())
        fail(copy.fileName(), QStringLiteral("cannot write: %1").arg(copy.errorString()));
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: korim_mkdata <sources dir> <output dir>\n");
        return 2;
    }
    try {
        return run(args.at(1), args.at(2));
    } catch (const SourceError &e) {
        std::fprintf(stderr, "korim_mkdata: %s: %s\n", qPrintable(e.where), qPrintable(e.message));
        return 1;
    }
}

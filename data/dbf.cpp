// Table files: checks at open, the in-memory table and its durable writes.
#include "data/dbf.h"
#include "dbfformat.h"
#include "data/durable.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korim::data {

namespace {

// Larger files are no tables of ours; refusing them keeps a stray file from
// exhausting memory.
constexpr qint64 kMaxFileSize = qint64(1) << 30;
// A record inside one sector is written in place; see DbfTable::updateRecord.
constexpr qint64 kAtomicUnit = 512;

quint32 le32(const unsigned char *p)
{
    return quint32(p[0]) | quint32(p[1]) << 8 | quint32(p[2]) << 16 | quint32(p[3]) << 24;
}

quint16 le16(const unsigned char *p)
{
    return quint16(p[0] | p[1] << 8);
}

void putLe32(char *p, quint32 v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = char((v >> (8 * i)) & 0xFF);
}

void putLe16(char *p, quint16 v)
{
    p[0] = char(v & 0xFF);
    p[1] = char(v >> 8);
}

QString baseName(const QString &path)
{
    return QFileInfo(path).fileName();
}

QString systemReason(int err)
{
    switch (err) {
    case ENOSPC:
    case EDQUOT:
        return QStringLiteral("el disco está lleno");
    case EACCES:
    case EPERM:
        return QStringLiteral("no hay permiso");
    case EROFS:
        return QStringLiteral("el disco es de solo lectura");
    case ENOENT:
        return QStringLiteral("no existe");
    case EIO:
        return QStringLiteral("error de entrada/salida del disco");
    default:
        return QString::fromLocal8Bit(std::strerror(err));
    }
}

QString printableType(unsigned char t)
{
    if (t >= 0x21 && t < 0x7F)
        return QString(QLatin1Char(char(t)));
    return QStringLiteral("0x%1").arg(uint(t), 2, 16, QLatin1Char('0'));
}

bool fieldNameChar(QChar c, bool first)
{
    const char16_t u = c.unicode();
    const bool letter = (u >= 'A' && u <= 'Z');
    return first ? letter : (letter || (u >= '0' && u <= '9') || u == '_');
}

// Field bytes as a message shows them: trimmed, control bytes as '?'.
QString shownBytes(const char *bytes, int length, CodePage page)
{
    QString text = decodeText(bytes, length, page).trimmed();
    for (QChar &c : text) {
        if (c.unicode() < 0x20 || c.unicode() == 0x7F)
            c = QLatin1Char('?');
    }
    return text;
}

} // namespace

bool isRewriteTemporary(const QString &entryName, const QString &tableFileName)
{
    // mkostemp's six characters.
    const QString prefix = QLatin1Char('.') + tableFileName + QStringLiteral(".tmp");
    if (tableFileName.isEmpty() || entryName.size() != prefix.size() + 6 || !entryName.startsWith(prefix))
        return false;
    for (qsizetype i = prefix.size(); i < entryName.size(); ++i) {
        const char16_t c = entryName.at(i).unicode();
        if (!((c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9')))
            return false;
    }
    return true;
}

namespace {

// The code page a table's language byte declares.
CodePage codePageOf(std::uint8_t languageByte, const QString &path, const QString &name)
{
    switch (languageByte) {
    case 0x00: // no driver declared: read as the program writes
    case 0x03:
    case 0x57: // "ANSI" in some writers, the same Western page
    case 0x58:
        return CodePage::Windows1252;
    case 0x01:
        return CodePage::Dos437;
    case 0x02:
        return CodePage::Dos850;
    default:
        throw DbfError(path,
                       QStringLiteral("El archivo %1 usa una página de códigos que no se puede leer (0x%2).")
                           .arg(name)
                           .arg(uint(languageByte), 2, 16, QLatin1Char('0')));
    }
}

// One 32-byte field descriptor d, checked against the fields before it.
FieldDef parseField(const unsigned char *d, const QList<FieldDef> &fields, const QString &path, const QString &name)
{
    auto fail = [&](const QString &message) { throw DbfError(path, message); };
    int nameLength = 0;
    while (nameLength < 11 && d[nameLength] != 0)
        ++nameLength;
    FieldDef f;
    f.name = QString::fromLatin1(reinterpret_cast<const char *>(d), nameLength).trimmed().toUpper();
    const int number = int(fields.size()) + 1;
    if (f.name.isEmpty())
        fail(QStringLiteral("En el archivo %1 el campo %2 no tiene nombre.").arg(name).arg(number));
    // Fields are found by name: a second one of the same name could never be reached.
    for (qsizetype k = 0; k < fields.size(); ++k) {
        if (fields[k].name == f.name)
            fail(QStringLiteral("En el archivo %1 el campo %2 aparece dos veces (campos %3 y %4).")
                     .arg(name, f.name)
                     .arg(k + 1)
                     .arg(number));
    }
    const unsigned char type = d[11];
    f.length = d[16];
    f.decimals = d[17];
    auto badLength = [&] {
        fail(QStringLiteral("En el archivo %1 el campo %2 tiene una longitud inválida (%3).")
                 .arg(name, f.name)
                 .arg(f.length));
    };
    auto badDecimals = [&] {
        fail(QStringLiteral("En el archivo %1 el campo %2 tiene un número de decimales inválido (%3).")
                 .arg(name, f.name)
                 .arg(f.decimals));
    };
    switch (type) {
    case 'C':
        f.type = FieldType::Character;
        if (f.length < 1 || f.length > 254)
            badLength();
        // Some writers keep a length above 255 here; we would read it differently from them.
        if (f.decimals != 0)
            badDecimals();
        break;
    case 'N':
    case 'F':
        f.type = FieldType(type);
        if (f.length < 1 || f.length > 20)
            badLength();
        if (f.decimals > 15 || (f.decimals > 0 && f.decimals >= f.length))
            badDecimals();
        break;
    case 'D':
        f.type = FieldType::Date;
        if (f.length != 8)
            badLength();
        f.decimals = 0;
        break;
    case 'L':
        f.type = FieldType::Logical;
        if (f.length != 1)
            badLength();
        f.decimals = 0;
        break;
    default:
        fail(QStringLiteral("En el archivo %1 el campo %2 es de un tipo que no se puede leer (%3).")
                 .arg(name, f.name, printableType(type)));
    }
    return f;
}

// The record area: its size against the declared count, the deletion
// marks, and the values of the live records.
void findRecords(Layout &layout, const QByteArray &image, quint32 count, const QString &path,
                 const QString &name)
{
    auto fail = [&](const QString &message) { throw DbfError(path, message); };
    const auto *b = reinterpret_cast<const unsigned char *>(image.constData());
    const qint64 size = image.size();
    const qint64 body = size - layout.headerLength;
    const qint64 need = qint64(count) * layout.recordLength;
    const bool endMarker = body > 0 && b[size - 1] == char(kFileEnd);
    auto countDisagrees = [&] {
        fail(QStringLiteral("En el archivo %1 el número de registros del encabezado (%2) no coincide "
                            "con el tamaño del archivo.")
                 .arg(name)
                 .arg(count));
    };
    if (body < need) {
        // Whole records that are simply fewer than declared are a wrong count;
        // a partial last record is a file cut short.
        const qint64 records = body - (endMarker ? 1 : 0);
        if (records % layout.recordLength == 0)
            countDisagrees();
        fail(QStringLiteral("El archivo %1 está truncado: faltan datos de los registros.").arg(name));
    }
    if (body > need + 1 || (body == need + 1 && !endMarker))
        countDisagrees();


    layout.liveOffsets.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const qint64 off = layout.headerLength + qint64(i) * layout.recordLength;
        if (b[off] == kLive) {
            layout.liveOffsets.push_back(off);
        } else if (b[off] == kDeleted) {
            layout.hasDeleted = true;
        } else {
            fail(QStringLiteral("En el archivo %1 el registro %2 está dañado (marca de borrado inválida).")
                     .arg(name)
                     .arg(i + 1));
        }
    }
    // A value no reader agrees on would read as blank and be written back as
    // one: the table is refused instead, naming where the value is.
    for (size_t i = 0; i < layout.liveOffsets.size(); ++i) {
        const char *rec = image.constData() + layout.liveOffsets[i] + 1;
        for (const FieldDef &f : std::as_const(layout.fields)) {
            if (f.type == FieldType::Character)
                continue;
            const QString why = unreadableField(f, rec + f.offset);
            if (why.isEmpty())
                continue;
            const qint64 number = (layout.liveOffsets[i] - layout.headerLength) / layout.recordLength + 1;
            fail(QStringLiteral("En el archivo %1 el registro %2 tiene en el campo %3 el valor «%4», que %5.")
                     .arg(name)
                     .arg(number)
                     .arg(f.name, shownBytes(rec + f.offset, f.length, layout.codePage), why));
        }
    }
}

} // namespace

Layout parseLayout(const QByteArray &image, const QString &path, const QString &name)
{
    auto fail = [&](const QString &message) { throw DbfError(path, message); };
    const auto *b = reinterpret_cast<const unsigned char *>(image.constData());
    const qint64 size = image.size();

    if (size == 0)
        fail(QStringLiteral("El archivo %1 está vacío: no es una tabla dBASE III.").arg(name));
    if (b[0] != kVersion && b[0] != kVersionWithMemo)
        fail(QStringLiteral("El archivo %1 no es una tabla dBASE III.").arg(name));
    if (size < 32)
        fail(QStringLiteral("El archivo %1 está truncado: el encabezado está incompleto.").arg(name));

    Layout layout;
    const quint32 count = le32(b + 4);
    layout.headerLength = le16(b + 8);
    layout.recordLength = le16(b + 10);
    layout.languageByte = b[29];
    layout.codePage = codePageOf(layout.languageByte, path, name);

    qint64 pos = 32;
    int sum = 0;
    while (true) {
        if (pos >= size)
            fail(QStringLiteral("El archivo %1 está truncado: el encabezado está incompleto.").arg(name));
        if (b[pos] == char(kHeaderEnd))
            break;
        if (pos + 32 > layout.headerLength)
            fail(QStringLiteral("En el archivo %1 la longitud del encabezado (%2) no coincide con los campos.")
                     .arg(name)
                     .arg(layout.headerLength));
        if (pos + 32 > size)
            fail(QStringLiteral("El archivo %1 está truncado: el encabezado está incompleto.").arg(name));
        FieldDef f = parseField(b + pos, layout.fields, path, name);
        f.offset = sum;
        sum += f.length;
        layout.fields.append(f);
        pos += 32;
    }
    if (layout.fields.isEmpty())
        fail(QStringLiteral("El archivo %1 no tiene campos.").arg(name));
    // The records start right after the 0x0D, or after NUL padding some
    // writers leave there; anything else there is a record the header length
    // has skipped into, and every record would be read shifted.
    bool padding = layout.headerLength >= pos + 1;
    for (qint64 at = pos + 1; padding && at < layout.headerLength && at < size; ++at)
        padding = b[at] == 0;
    if (!padding)
        fail(QStringLiteral("En el archivo %1 la longitud del encabezado (%2) no coincide con los campos "
                            "(terminan en el byte %3).")
                 .arg(name)
                 .arg(layout.headerLength)
                 .arg(pos + 1));
    if (size < layout.headerLength)
        fail(QStringLiteral("El archivo %1 está truncado: el encabezado está incompleto.").arg(name));
    if (layout.recordLength != sum + 1)
        fail(QStringLiteral("En el archivo %1 la longitud de registro (%2) no coincide con los campos (%3).")
                 .arg(name)
                 .arg(layout.recordLength)
                 .arg(sum + 1));

    findRecords(layout, image, count, path, name);
    return layout;
}

int prepareFields(QList<FieldDef> *fields, const QString &path)
{
    const QString name = baseName(path);
    auto fail = [&](const QString &message) { throw DbfError(path, message); };
    if (fields->isEmpty())
        fail(QStringLiteral("La tabla %1 necesita al menos un campo.").arg(name));
    if (fields->size() > 2046)
        fail(QStringLiteral("La tabla %1 tiene demasiados campos.").arg(name));
    int sum = 0;
    QStringList seen;
    for (FieldDef &f : *fields) {
        f.name = f.name.trimmed().toUpper();
        bool ok = !f.name.isEmpty() && f.name.size() <= 10;
        for (int i = 0; ok && i < f.name.size(); ++i)
            ok = fieldNameChar(f.name.at(i), i == 0);
        if (!ok)
            fail(QStringLiteral("El nombre de campo «%1» no es válido (hasta 10 letras, cifras o _, "
                                "empezando por letra).")
                     .arg(f.name));
        if (seen.contains(f.name))
            fail(QStringLiteral("La tabla %1 repite el campo %2.").arg(name, f.name));
        seen << f.name;
        auto bad = [&] {
            fail(QStringLiteral("El campo %1 tiene una definición inválida (%2 %3,%4).")
                     .arg(f.name, QString(QLatin1Char(char(f.type))))
                     .arg(f.length)
                     .arg(f.decimals));
        };
        switch (f.type) {
        case FieldType::Character:
            if (f.length < 1 || f.length > 254 || f.decimals != 0)
                bad();
            break;
        case FieldType::Numeric:
        case FieldType::Float:
            if (f.length < 1 || f.length > 20 || f.decimals < 0 || f.decimals > 15
                || (f.decimals > 0 && f.decimals > f.length - 2))
                bad();
            break;
        case FieldType::Date:
            if (f.length != 8 || f.decimals != 0)
                bad();
            break;
        case FieldType::Logical:
            if (f.length != 1 || f.decimals != 0)
                bad();
            break;
        default:
            bad();
        }
        f.offset = sum;
        sum += f.length;
    }
    if (sum + 1 > 65535)
        fail(QStringLiteral("Los registros de la tabla %1 serían demasiado largos.").arg(name));
    return sum + 1;
}

QByteArray todayDateBytes()
{
    const QDate today = QDate::currentDate();
    QByteArray d(3, '\0');
    d[0] = char(qBound(0, today.year() - 1900, 255));
    d[1] = char(today.month());
    d[2] = char(today.day());
    return d;
}

QByteArray buildHeader(const QList<FieldDef> &fields, int recordLength, std::uint32_t count)
{
    const int headerLength = 32 + 32 * int(fields.size()) + 1;
    QByteArray h(headerLength, '\0');
    char *p = h.data();
    p[0] = char(kVersion);
    const QByteArray date = todayDateBytes();
    std::memcpy(p + 1, date.constData(), 3);
    putLe32(p + 4, count);
    putLe16(p + 8, quint16(headerLength));
    putLe16(p + 10, quint16(recordLength));
    p[29] = char(kLanguage1252);
    for (int i = 0; i < fields.size(); ++i) {
        char *d = p + 32 + 32 * i;
        const QByteArray name = fields[i].name.toLatin1();
        std::memcpy(d, name.constData(), size_t(qMin<qsizetype>(name.size(), 10)));
        d[11] = char(fields[i].type);
        d[16] = char(fields[i].length);
        d[17] = char(fields[i].decimals);
    }
    p[headerLength - 1] = kHeaderEnd;
    return h;
}

namespace {

struct FileImage {
    QByteArray bytes;
    dev_t device = 0;
    ino_t inode = 0;
};

FileImage readFile(const QString &path)
{
    const QString name = baseName(path);
    const QByteArray native = QFile::encodeName(path);
    const int fd = ::open(native.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        const int err = errno;
        if (err == ENOENT)
            throw DbfError(path, QStringLiteral("No existe el archivo %1.").arg(name));
        throw DbfError(path, QStringLiteral("No se pudo abrir el archivo %1 (%2).").arg(name, systemReason(err)));
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        throw DbfError(path, QStringLiteral("El archivo %1 no es una tabla dBASE III.").arg(name));
    }
    if (st.st_size > kMaxFileSize) {
        ::close(fd);
        throw DbfError(path, QStringLiteral("El archivo %1 es demasiado grande para ser una tabla de este programa.")
                                 .arg(name));
    }
    FileImage image;
    image.device = st.st_dev;
    image.inode = st.st_ino;
    image.bytes.resize(st.st_size);
    qint64 done = 0;
    while (done < image.bytes.size()) {
        const ssize_t n = ::read(fd, image.bytes.data() + done, size_t(image.bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            const int err = errno;
            ::close(fd);
            throw DbfError(path, QStringLiteral("No se pudo leer el archivo %1 (%2).").arg(name, systemReason(err)));
        }
        if (n == 0)
            break;
        done += n;
    }
    image.bytes.resize(done);
    ::close(fd);
    return image;
}

// Replaces the file at path with image (see writeDurably). Returns the new
// file's identity once it stands under the name: also when only the flush
// of its folder failed, which *folderError then tells (else 0). Any earlier
// failure throws and leaves the old file as it was.
std::pair<dev_t, ino_t> replaceFile(const QString &path, const QByteArray &image, int *folderError)
{
    const QFileInfo info(path);
    const QString name = info.fileName();
    const QString dir = info.absolutePath();
    const QString prefix = QLatin1Char('.') + name + QStringLiteral(".tmp");

    // Leftovers of a write of this table that was cut short.
    QDir folder(dir);
    for (const QString &stale : folder.entryList({prefix + QLatin1Char('*')}, QDir::Files | QDir::Hidden | QDir::System)) {
        if (isRewriteTemporary(stale, name) && !QFileInfo(folder.filePath(stale)).isSymLink())
            folder.remove(stale);
    }

    struct stat old {};
    const mode_t mode = ::stat(QFile::encodeName(path).constData(), &old) == 0 ? (old.st_mode & 07777) : 0644;
    const DurableWrite written = writeDurably(path, prefix, [&](int fd) {
        return ::fchmod(fd, mode) == 0 && writeAll(fd, image.constData(), image.size());
    });
    if (!written.placed())
        throw DbfError(path, QStringLiteral("No se pudo guardar el archivo %1 (%2).").arg(name, systemReason(written.error)));
    *folderError = written.ok() ? 0 : written.error;
    return {written.device, written.inode};
}

// The new file stands under its name but its folder was not flushed: a power
// cut could still bring the old one back, so the save is not done.
[[noreturn]] void failFolderSync(const QString &path, int error)
{
    throw DbfError(path, QStringLiteral("No se pudo guardar el archivo %1 en su carpeta (%2).")
                             .arg(baseName(path), systemReason(error)));
}

} // namespace

// ---------------------------------------------------------------------------

struct DbfTable::Impl {
    QString path;
    QString name;
    bool inMemoryOnly = false;
    Layout layout;
    QByteArray image;
    std::vector<RecordId> ids; // ascending, one per live row
    RecordId nextId = 1;
    dev_t device = 0;
    ino_t inode = 0;
    int writeFd = -1;

    ~Impl() { closeWriteFd(); }

    void closeWriteFd()
    {
        if (writeFd >= 0)
            ::close(writeFd);
        writeFd = -1;
    }

    [[noreturn]] void fail(const QString &message) const { throw DbfError(path, message); }

    void adopt(Layout newLayout, QByteArray newImage)
    {
        layout = std::move(newLayout);
        image = std::move(newImage);
        ids.resize(layout.liveOffsets.size());
        for (RecordId &id : ids)
            id = nextId++;
    }

    void checkRow(int row) const
    {
        if (row < 0 || row >= int(layout.liveOffsets.size()))
            fail(QStringLiteral("La tabla %1 no tiene el registro %2.").arg(name).arg(row));
    }

    void checkWritable() const
    {
        if (inMemoryOnly)
            fail(QStringLiteral("La tabla %1 no se puede modificar: no está en un archivo.").arg(name));
    }

    // The file must still be the one we read; otherwise writing would undo
    // somebody else's changes.
    // The file we opened is still the one under our name.
    bool stillOnDisk() const
    {
        struct stat st {};
        return ::stat(QFile::encodeName(path).constData(), &st) == 0 && st.st_dev == device && st.st_ino == inode;
    }

    void checkSameFile(const struct stat &st) const
    {
        if (st.st_dev != device || st.st_ino != inode)
            fail(QStringLiteral("El archivo %1 cambió desde que se abrió; vuelva a abrir la tabla.").arg(name));
    }

    // The record for values. With current (the record's bytes as they will
    // be written, Windows-1252), a field whose value reads the same as the
    // stored one keeps its bytes: only what the caller changed is re-encoded.
    QByteArray encodeRecord(const QVariantList &values, const QByteArray *current = nullptr) const
    {
        QByteArray rec = current ? *current : QByteArray(layout.recordLength, ' ');
        rec[0] = kLive;
        for (int i = 0; i < layout.fields.size(); ++i) {
            const FieldDef &f = layout.fields[i];
            const QVariant value = i < values.size() ? values[i] : QVariant();
            if (current && holdsValue(f, current->constData() + 1 + f.offset, value))
                continue;
            QByteArray bytes;
            try {
                bytes = encodeField(f, value);
            } catch (const DbfError &e) {
                fail(QStringLiteral("No se guardó el registro en %1. %2").arg(name, e.message()));
            }
            std::memcpy(rec.data() + 1 + f.offset, bytes.constData(), size_t(f.length));
        }
        return rec;
    }

    // True when the field's bytes (Windows-1252) already hold value. Numbers
    // compare exactly before any rounding to the field's decimals, so a value
    // read and handed back unchanged never loses digits.
    static bool holdsValue(const FieldDef &f, const char *bytes, const QVariant &value)
    {
        if (!unreadableField(f, bytes).isEmpty())
            return false;
        const QVariant stored = decodeField(f, bytes, CodePage::Windows1252);
        if (f.type == FieldType::Numeric || f.type == FieldType::Float) {
            const auto held = Decimal::fromVariant(stored); // none when blank
            const bool givenBlank = !value.isValid()
                || (value.typeId() == QMetaType::QString && value.toString().trimmed().isEmpty());
            if (givenBlank)
                return !held;
            const auto given = Decimal::fromVariant(value);
            return given && held && *given == *held;
        }
        try {
            const QByteArray encoded = encodeField(f, value);
            return decodeField(f, encoded.constData(), CodePage::Windows1252) == stored;
        } catch (const DbfError &) {
            return false; // encoding it again reports the fault
        }
    }

    // A live record as it goes into a rewritten file: Windows-1252 text.
    QByteArray recordForRewrite(int row) const
    {
        QByteArray rec = image.mid(layout.liveOffsets[size_t(row)], layout.recordLength);
        if (layout.codePage == CodePage::Windows1252)
            return rec;
        for (const FieldDef &f : layout.fields) {
            if (f.type != FieldType::Character)
                continue;
            const QString text = decodeText(rec.constData() + 1 + f.offset, f.length, layout.codePage);
            const int bad = firstUnrepresentable(text);
            if (bad >= 0)
                fail(QStringLiteral("La tabla %1 está en una página de códigos DOS y el campo %2 del registro %3 "
                                    "tiene el carácter %4, que no se puede guardar en Windows-1252.")
                         .arg(name, f.name)
                         .arg(row + 1)
                         .arg(describeCharacter(text, bad)));
            const QByteArray bytes = encodeWindows1252(text);
            std::memcpy(rec.data() + 1 + f.offset, bytes.constData(), size_t(f.length));
        }
        return rec;
    }

    // Writes the live records (with one replaced, removed or added) to a new
    // file and makes it the table.
    void rewrite(int replaceRow, const QByteArray *replacement, int removeRow, const QByteArray *appended)
    {
        const int rows = int(layout.liveOffsets.size());
        const int newCount = rows - (removeRow >= 0 ? 1 : 0) + (appended ? 1 : 0);
        // The header as it was (field names, reserved bytes, padding), with
        // today's date, the new count and the code page of what is written.
        QByteArray header = image.left(layout.headerLength);
        const QByteArray date = todayDateBytes();
        std::memcpy(header.data() + 1, date.constData(), 3);
        putLe32(header.data() + 4, quint32(newCount));
        header[29] = char(kLanguage1252);
        QByteArray out;
        out.reserve(header.size() + qsizetype(newCount) * layout.recordLength + 1);
        out += header;
        for (int r = 0; r < rows; ++r) {
            if (r == removeRow)
                continue;
            out += (r == replaceRow) ? *replacement : recordForRewrite(r);
        }
        if (appended)
            out += *appended;
        out += kFileEnd;

        struct stat st {};
        if (::stat(QFile::encodeName(path).constData(), &st) != 0)
            fail(QStringLiteral("No se pudo guardar el archivo %1 (%2).").arg(name, systemReason(errno)));
        checkSameFile(st);
        int folderError = 0;
        const auto [dev, ino] = replaceFile(path, out, &folderError);
        closeWriteFd();
        device = dev;
        inode = ino;
        // The table stays as it was, so that the caller's retry writes this
        // same file again; it now knows the file under its name as its own.
        if (folderError != 0)
            failFolderSync(path, folderError);

        Layout next;
        next.fields = layout.fields;
        next.headerLength = int(header.size());
        next.recordLength = layout.recordLength;
        next.liveOffsets.resize(size_t(newCount));
        for (int r = 0; r < newCount; ++r)
            next.liveOffsets[size_t(r)] = next.headerLength + qint64(r) * layout.recordLength;
        layout = std::move(next);
        image = std::move(out);
        if (removeRow >= 0)
            ids.erase(ids.begin() + removeRow);
        if (appended)
            ids.push_back(nextId++);
    }

    void writeInPlace(qint64 offset, const QByteArray &rec)
    {
        const QByteArray native = QFile::encodeName(path);
        if (writeFd < 0) {
            writeFd = ::open(native.constData(), O_RDWR | O_CLOEXEC);
            if (writeFd < 0)
                fail(QStringLiteral("No se pudo guardar el archivo %1 (%2).").arg(name, systemReason(errno)));
            struct stat st {};
            if (::fstat(writeFd, &st) != 0) {
                closeWriteFd();
                fail(QStringLiteral("No se pudo guardar el archivo %1 (%2).").arg(name, systemReason(errno)));
            }
            try {
                checkSameFile(st);
            } catch (...) {
                closeWriteFd();
                throw;
            }
        }
        const QByteArray date = todayDateBytes();
        const bool newDate = image.mid(1, 3) != date;
        if ((newDate && !writeAllAt(writeFd, date.constData(), 3, 1))
            || !writeAllAt(writeFd, rec.constData(), rec.size(), offset) || ::fdatasync(writeFd) != 0) {
            const int err = errno ? errno : EIO;
            closeWriteFd();
            fail(QStringLiteral("No se pudo guardar el archivo %1 (%2).").arg(name, systemReason(err)));
        }
        if (newDate)
            std::memcpy(image.data() + 1, date.constData(), 3);
        std::memcpy(image.data() + offset, rec.constData(), size_t(rec.size()));
    }
};

DbfTable::DbfTable() : d(std::make_unique<Impl>()) {}
DbfTable::~DbfTable() = default;

std::shared_ptr<DbfTable> DbfTable::open(const QString &path)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    FileImage file = readFile(absolute);
    std::shared_ptr<DbfTable> table(new DbfTable());
    table->d->path = absolute;
    table->d->name = baseName(absolute);
    table->d->device = file.device;
    table->d->inode = file.inode;
    Layout layout = parseLayout(file.bytes, absolute, table->d->name);
    table->d->adopt(std::move(layout), std::move(file.bytes));
    return table;
}

std::shared_ptr<DbfTable> DbfTable::fromBytes(const QByteArray &bytes, const QString &fileName)
{
    std::shared_ptr<DbfTable> table(new DbfTable());
    table->d->path = fileName;
    table->d->name = fileName;
    table->d->inMemoryOnly = true;
    Layout layout = parseLayout(bytes, fileName, fileName);
    table->d->adopt(std::move(layout), bytes);
    return table;
}

void DbfTable::create(const QString &path, const QList<FieldDef> &fields, const QList<QVariantList> &rows)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    Impl scratch;
    scratch.path = absolute;
    scratch.name = baseName(absolute);
    scratch.layout.fields = fields;
    scratch.layout.recordLength = prepareFields(&scratch.layout.fields, absolute);
    QByteArray out = buildHeader(scratch.layout.fields, scratch.layout.recordLength, quint32(rows.size()));
    out.reserve(out.size() + qsizetype(rows.size()) * scratch.layout.recordLength + 1);
    for (const QVariantList &row : rows) {
        if (row.size() > scratch.layout.fields.size())
            scratch.fail(QStringLiteral("Un registro para %1 tiene %2 valores y la tabla %3 campos.")
                             .arg(scratch.name)
                             .arg(row.size())
                             .arg(scratch.layout.fields.size()));
        out += scratch.encodeRecord(row);
    }
    out += kFileEnd;
    int folderError = 0;
    replaceFile(absolute, out, &folderError);
    if (folderError != 0)
        failFolderSync(absolute, folderError);
}

const QString &DbfTable::path() const { return d->path; }
const QList<FieldDef> &DbfTable::fields() const { return d->layout.fields; }
int DbfTable::fieldCount() const { return int(d->layout.fields.size()); }
CodePage DbfTable::codePage() const { return d->layout.codePage; }
int DbfTable::recordCount() const { return int(d->layout.liveOffsets.size()); }

int DbfTable::fieldIndex(const QString &name) const
{
    for (int i = 0; i < d->layout.fields.size(); ++i) {
        if (d->layout.fields[i].name.compare(name, Qt::CaseInsensitive) == 0)
            return i;
    }
    return -1;
}

RecordId DbfTable::idAt(int row) const
{
    d->checkRow(row);
    return d->ids[size_t(row)];
}

int DbfTable::rowOf(RecordId id) const
{
    const auto it = std::lower_bound(d->ids.begin(), d->ids.end(), id);
    return (it != d->ids.end() && *it == id) ? int(it - d->ids.begin()) : -1;
}

QVariant DbfTable::value(int row, int field) const
{
    d->checkRow(row);
    if (field < 0 || field >= d->layout.fields.size())
        d->fail(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(d->name).arg(field));
    const FieldDef &f = d->layout.fields[field];
    return decodeField(f, d->image.constData() + d->layout.liveOffsets[size_t(row)] + 1 + f.offset,
                       d->layout.codePage);
}

QVariantList DbfTable::record(int row) const
{
    d->checkRow(row);
    QVariantList values;
    values.reserve(d->layout.fields.size());
    const char *rec = d->image.constData() + d->layout.liveOffsets[size_t(row)] + 1;
    for (const FieldDef &f : d->layout.fields)
        values << decodeField(f, rec + f.offset, d->layout.codePage);
    return values;
}

void DbfTable::updateRecord(int row, const QVariantList &values)
{
    d->checkWritable();
    d->checkRow(row);
    if (values.size() != d->layout.fields.size())
        d->fail(QStringLiteral("El registro para %1 tiene %2 valores y la tabla %3 campos.")
                    .arg(d->name)
                    .arg(values.size())
                    .arg(d->layout.fields.size()));
    const qint64 offset = d->layout.liveOffsets[size_t(row)];
    const QByteArray current = d->recordForRewrite(row);
    const QByteArray rec = d->encodeRecord(values, &current);
    // Nothing to write when the record already holds these bytes (every start
    // rewrites the sales years, which change once a year).
    if (d->layout.languageByte == kLanguage1252
        && QByteArrayView(d->image).sliced(offset, d->layout.recordLength) == QByteArrayView(rec)
        && d->stillOnDisk())
        return;
    const bool oneSector = offset / kAtomicUnit == (offset + d->layout.recordLength - 1) / kAtomicUnit;
    if (oneSector && d->layout.languageByte == kLanguage1252)
        d->writeInPlace(offset, rec);
    else
        d->rewrite(row, &rec, -1, nullptr);
}

RecordId DbfTable::appendRecord(const QVariantList &values)
{
    d->checkWritable();
    if (values.size() > d->layout.fields.size())
        d->fail(QStringLiteral("El registro para %1 tiene %2 valores y la tabla %3 campos.")
                    .arg(d->name)
                    .arg(values.size())
                    .arg(d->layout.fields.size()));
    if (d->layout.liveOffsets.size() >= 0x7FFFFFFF)
        d->fail(QStringLiteral("La tabla %1 no admite más registros.").arg(d->name));
    const QByteArray rec = d->encodeRecord(values);
    d->rewrite(-1, nullptr, -1, &rec);
    return d->ids.back();
}

void DbfTable::deleteRecord(int row)
{
    d->checkWritable();
    d->checkRow(row);
    d->rewrite(-1, nullptr, row, nullptr);
}

// ---------------------------------------------------------------------------

struct DbfScanner::Impl {
    QByteArray image; // a view of the mapping when mapped
    void *mapping = nullptr;
    size_t mappedSize = 0;
    Layout layout;
    size_t next = 0;
    const char *current = nullptr;
    QString buffer;

    ~Impl()
    {
        if (mapping)
            ::munmap(mapping, mappedSize);
    }
};

// The scanner maps the file instead of copying it: bulk export reads every
// byte once, and a copy of a large table costs more than the decoding. (A
// table truncated by another program while it is being scanned would fault;
// the program's own tables are only ever replaced by rename, which keeps the
// mapped file whole.)
DbfScanner::DbfScanner(const QString &path) : d(std::make_unique<Impl>())
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString name = baseName(absolute);
    const int fd = ::open(QFile::encodeName(absolute).constData(), O_RDONLY | O_CLOEXEC);
    struct stat st {};
    if (fd >= 0 && ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size > 0 && st.st_size <= kMaxFileSize) {
        void *m = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (m != MAP_FAILED) {
            d->mapping = m;
            d->mappedSize = size_t(st.st_size);
            d->image = QByteArray::fromRawData(static_cast<const char *>(m), qsizetype(st.st_size));
        }
    }
    if (fd >= 0)
        ::close(fd);
    if (!d->mapping)
        d->image = readFile(absolute).bytes; // gives the same messages as open()
    d->layout = parseLayout(d->image, absolute, name);
}

DbfScanner::~DbfScanner() = default;

const QList<FieldDef> &DbfScanner::fields() const { return d->layout.fields; }
CodePage DbfScanner::codePage() const { return d->layout.codePage; }

bool DbfScanner::next()
{
    if (d->next >= d->layout.liveOffsets.size()) {
        d->current = nullptr;
        return false;
    }
    d->current = d->image.constData() + d->layout.liveOffsets[d->next++] + 1;
    return true;
}

FieldValue DbfScanner::value(int field)
{
    if (!d->current || field < 0 || field >= d->layout.fields.size())
        return {};
    const FieldDef &f = d->layout.fields[field];
    return decodeFieldValue(f, d->current + f.offset, d->layout.codePage, &d->buffer);
}

} // namespace korim::data

// Text conversion for the three code pages a table may declare.
#include "data/dbf.h"
#include "dbfformat.h"

namespace korim::data {
namespace {

// Bytes 0x80..0xFF of each code page. Bytes Windows-1252 leaves undefined
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the same code point and back, as the
// Windows code-page functions do, so a record read from a foreign file writes
// back byte for byte.
constexpr char16_t kDos437[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00A2, 0x00A3, 0x00A5, 0x20A7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x2310, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x2561, 0x2562, 0x2556,
    0x2555, 0x2563, 0x2551, 0x2557, 0x255D, 0x255C, 0x255B, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x255E, 0x255F,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x2567,
    0x2568, 0x2564, 0x2565, 0x2559, 0x2558, 0x2552, 0x2553, 0x256B,
    0x256A, 0x2518, 0x250C, 0x2588, 0x2584, 0x258C, 0x2590, 0x2580,
    0x03B1, 0x00DF, 0x0393, 0x03C0, 0x03A3, 0x03C3, 0x00B5, 0x03C4,
    0x03A6, 0x0398, 0x03A9, 0x03B4, 0x221E, 0x03C6, 0x03B5, 0x2229,
    0x2261, 0x00B1, 0x2265, 0x2264, 0x2320, 0x2321, 0x00F7, 0x2248,
    0x00B0, 0x2219, 0x00B7, 0x221A, 0x207F, 0x00B2, 0x25A0, 0x00A0,
};

constexpr char16_t kDos850[128] = {
    0x00C7, 0x00FC, 0x00E9, 0x00E2, 0x00E4, 0x00E0, 0x00E5, 0x00E7,
    0x00EA, 0x00EB, 0x00E8, 0x00EF, 0x00EE, 0x00EC, 0x00C4, 0x00C5,
    0x00C9, 0x00E6, 0x00C6, 0x00F4, 0x00F6, 0x00F2, 0x00FB, 0x00F9,
    0x00FF, 0x00D6, 0x00DC, 0x00F8, 0x00A3, 0x00D8, 0x00D7, 0x0192,
    0x00E1, 0x00ED, 0x00F3, 0x00FA, 0x00F1, 0x00D1, 0x00AA, 0x00BA,
    0x00BF, 0x00AE, 0x00AC, 0x00BD, 0x00BC, 0x00A1, 0x00AB, 0x00BB,
    0x2591, 0x2592, 0x2593, 0x2502, 0x2524, 0x00C1, 0x00C2, 0x00C0,
    0x00A9, 0x2563, 0x2551, 0x2557, 0x255D, 0x00A2, 0x00A5, 0x2510,
    0x2514, 0x2534, 0x252C, 0x251C, 0x2500, 0x253C, 0x00E3, 0x00C3,
    0x255A, 0x2554, 0x2569, 0x2566, 0x2560, 0x2550, 0x256C, 0x00A4,
    0x00F0, 0x00D0, 0x00CA, 0x00CB, 0x00C8, 0x0131, 0x00CD, 0x00CE,
    0x00CF, 0x2518, 0x250C, 0x2588, 0x2584, 0x00A6, 0x00CC, 0x2580,
    0x00D3, 0x00DF, 0x00D4, 0x00D2, 0x00F5, 0x00D5, 0x00B5, 0x00FE,
    0x00DE, 0x00DA, 0x00DB, 0x00D9, 0x00FD, 0x00DD, 0x00AF, 0x00B4,
    0x00AD, 0x00B1, 0x2017, 0x00BE, 0x00B6, 0x00A7, 0x00F7, 0x00B8,
    0x00B0, 0x00A8, 0x00B7, 0x00B9, 0x00B3, 0x00B2, 0x25A0, 0x00A0,
};

// 0x80..0x9F of Windows-1252; 0xA0..0xFF equal Latin-1.
constexpr char16_t kWin1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
    0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178,
};

// Byte for a UTF-16 unit in Windows-1252, or -1.
int byteFor1252(char16_t c)
{
    if (c < 0x80 || (c >= 0xA0 && c <= 0xFF))
        return c;
    for (int i = 0; i < 32; ++i) {
        if (kWin1252High[i] == c)
            return 0x80 + i;
    }
    return -1;
}

} // namespace

void decodeTextInto(const char *bytes, int length, CodePage page, QString *out)
{
    // A string too small is made anew at the exact size (resize would
    // reserve room to grow); a reused buffer keeps its storage.
    if (out->capacity() < length)
        *out = QString(length, Qt::Uninitialized);
    else
        out->resize(length);
    char16_t *dst = reinterpret_cast<char16_t *>(out->data());
    const auto *src = reinterpret_cast<const unsigned char *>(bytes);
    // Widen first, a loop the compiler runs many bytes at a time, noting
    // whether any byte is one the page maps elsewhere: Windows-1252 agrees
    // with Latin-1 but for 0x80..0x9F (its accented letters are all above),
    // the DOS pages with ASCII only.
    unsigned char remap = 0;
    if (page == CodePage::Windows1252) {
        for (int i = 0; i < length; ++i) {
            dst[i] = char16_t(src[i]);
            remap |= static_cast<unsigned char>(src[i] - 0x80U < 0x20U);
        }
    } else {
        for (int i = 0; i < length; ++i) {
            dst[i] = char16_t(src[i]);
            remap |= static_cast<unsigned char>(src[i] >> 7);
        }
    }
    if (!remap)
        return;
    const char16_t *high = page == CodePage::Dos437 ? kDos437
                         : page == CodePage::Dos850 ? kDos850
                                                    : nullptr;
    for (int i = 0; i < length; ++i) {
        const unsigned b = src[i];
        if (b < 0x80)
            continue;
        if (high)
            dst[i] = high[b - 0x80];
        else if (b < 0xA0)
            dst[i] = kWin1252High[b - 0x80];
    }
}

QString decodeText(const char *bytes, int length, CodePage page)
{
    QString s;
    if (length > 0)
        decodeTextInto(bytes, length, page, &s);
    return s;
}

int firstUnrepresentable(const QString &text)
{
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (byteFor1252(text.at(i).unicode()) < 0)
            return int(i);
    }
    return -1;
}

QString describeCharacter(const QString &text, int index)
{
    char32_t code = text.at(index).unicode();
    QString shown = text.mid(index, 1);
    if (text.at(index).isHighSurrogate() && index + 1 < text.size()
        && text.at(index + 1).isLowSurrogate()) {
        code = QChar::surrogateToUcs4(text.at(index), text.at(index + 1));
        shown = text.mid(index, 2);
    }
    return QStringLiteral("«%1» (U+%2)")
        .arg(shown, QString::number(quint32(code), 16).toUpper().rightJustified(4, QLatin1Char('0')));
}

bool representableInWindows1252(const QString &text, QChar *offending)
{
    const int at = firstUnrepresentable(text);
    if (at < 0)
        return true;
    if (offending)
        *offending = text.at(at);
    return false;
}

QByteArray encodeWindows1252(const QString &text)
{
    QByteArray out(text.size(), Qt::Uninitialized);
    for (qsizetype i = 0; i < text.size(); ++i) {
        const int b = byteFor1252(text.at(i).unicode());
        if (b < 0) {
            throw DbfError(QString(),
                           QStringLiteral("El texto contiene el carácter %1, que no se puede guardar "
                                          "en las tablas (no existe en Windows-1252).")
                               .arg(describeCharacter(text, int(i))));
        }
        out[i] = char(b);
    }
    return out;
}

} // namespace korim::data

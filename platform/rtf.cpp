#include "platform/rtf.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QStringDecoder>
#include <QTextBlock>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QTextTable>

#include <algorithm>
#include <array>
#include <map>
#include <memory>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <variant>

namespace korim::platform {

namespace {

// Deeper nesting than any word processor writes; beyond it the input is
// refused rather than followed.
constexpr int MaxDepth = 512;
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;
// The format allows control words of 32 letters; a longer one is not RTF.
constexpr int MaxWordLength = 32;
constexpr int DefaultHalfPoints = 24;
constexpr int MaxHalfPoints = 2000;
// Word's own limit on the columns of a table.
constexpr int MaxColumns = 63;
// Merging table cells costs Qt a pass over the table; enough for real tables.
constexpr int MaxMerges = 1000;
constexpr int MaxUnicodeSkip = 16;
// Qt keeps a list's items in a linked list and finds each new item's place
// from its start; longer lists are made of several.
constexpr int MaxListItems = 1000;
constexpr int MaxColours = 65536;
constexpr int MaxFonts = 256;
constexpr int PageWidth = 22 * 1440; // twips; indents and cell edges stay within it
// Boundaries of cells in different rows closer than this are one column edge.
constexpr int SnapTwips = 30;

// Windows-1252 bytes 0x80-0x9F; the rest of the upper half is Latin-1. Used
// when the system cannot decode a code page by name.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

char16_t cp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return Cp1252High[byte - 0x80];
    return byte;
}

// The picture fonts writers use for bullets and signs: their byte values
// stand for glyphs, not letters.
enum class SymbolFont { None, Symbol, Wingdings };

constexpr char16_t SymbolUpper[] = u"ΑΒΧΔΕΦΓΗΙϑΚΛΜΝΟΠΘΡΣΤΥςΩΞΨΖ";
constexpr char16_t SymbolLower[] = u"αβχδεφγηιϕκλμνοπθρστυϖωξψζ";

char16_t symbolChar(SymbolFont font, unsigned char b)
{
    if (font == SymbolFont::Symbol) {
        if (b >= 'A' && b <= 'Z')
            return SymbolUpper[b - 'A'];
        if (b >= 'a' && b <= 'z')
            return SymbolLower[b - 'a'];
        switch (b) {
        case 0x22: return 0x2200; case 0x24: return 0x2203; case 0x27: return 0x220B;
        case 0x2A: return 0x2217; case 0x2D: return 0x2212; case 0x40: return 0x2245;
        case 0x5E: return 0x22A5; case 0xA2: return 0x2032; case 0xA3: return 0x2264;
        case 0xA5: return 0x221E; case 0xA7: return 0x2663; case 0xA8: return 0x2666;
        case 0xA9: return 0x2665; case 0xAA: return 0x2660; case 0xAE: return 0x2192;
        case 0xB0: return 0x00B0; case 0xB1: return 0x00B1; case 0xB2: return 0x2033;
        case 0xB3: return 0x2265; case 0xB4: return 0x00D7; case 0xB7: return 0x2022;
        case 0xB8: return 0x00F7; case 0xB9: return 0x2260; case 0xBB: return 0x2248;
        case 0xBC: return 0x2026; case 0xC5: return 0x2295; case 0xC6: return 0x2205;
        case 0xC7: return 0x2229; case 0xC8: return 0x222A; case 0xCE: return 0x2208;
        case 0xD1: return 0x2207; case 0xD2: return 0x00AE; case 0xD3: return 0x00A9;
        case 0xD4: return 0x2122; case 0xD6: return 0x221A; case 0xD7: return 0x22C5;
        case 0xDE: return 0x21D2; case 0xE0: return 0x25CA; case 0xE5: return 0x2211;
        case 0xF2: return 0x222B;
        default: break;
        }
        return b < 0x80 ? char16_t(b) : char16_t(0xFFFD);
    }
    switch (b) {
    case 0x46: return 0x261E; case 0x4A: return 0x263A; case 0x4C: return 0x2639;
    case 0x6C: return 0x25CF; case 0x6D: return 0x274D; case 0x6E: return 0x25A0;
    case 0x6F: return 0x25A1; case 0x71: return 0x2751; case 0x72: return 0x2752;
    case 0x73: return 0x2B27; case 0x74: return 0x29EB; case 0x75: return 0x25C6;
    case 0x76: return 0x2756; case 0x77: return 0x2B25; case 0x9E: return 0x00B7;
    case 0x9F: return 0x2022; case 0xA0: return 0x25AA; case 0xA1: return 0x25CB;
    case 0xA4: return 0x25C9; case 0xA7: return 0x25AA; case 0xA8: return 0x25FB;
    case 0xD8: return 0x27A2; case 0xE8: return 0x2794; case 0xF0: return 0x21E8;
    case 0xFB: return 0x2717; case 0xFC: return 0x2713; case 0xFD: return 0x2612;
    case 0xFE: return 0x2611;
    default: break;
    }
    return 0xFFFD;
}

const char *codePageName(int codePage)
{
    switch (codePage) {
    case 437: return "IBM437";
    case 850: return "IBM850";
    case 852: return "IBM852";
    case 866: return "IBM866";
    case 874: return "windows-874";
    case 932: return "Shift_JIS";
    case 936: return "GBK";
    case 949: return "windows-949";
    case 950: return "Big5";
    case 1250: return "windows-1250";
    case 1251: return "windows-1251";
    case 1253: return "windows-1253";
    case 1254: return "windows-1254";
    case 1255: return "windows-1255";
    case 1256: return "windows-1256";
    case 1257: return "windows-1257";
    case 1258: return "windows-1258";
    case 10000: return "macintosh";
    default: return nullptr; // 1252 and anything unknown
    }
}

int codePageOfCharset(int charset)
{
    switch (charset) {
    case 77: return 10000;
    case 128: return 932;
    case 129: return 949;
    case 134: return 936;
    case 136: return 950;
    case 161: return 1253;
    case 162: return 1254;
    case 163: return 1258;
    case 177: return 1255;
    case 178: return 1256;
    case 186: return 1257;
    case 204: return 1251;
    case 222: return 874;
    case 238: return 1250;
    case 254: return 437;
    default: return 0; // the document's own
    }
}

bool isDoubleByte(int codePage)
{
    return codePage == 932 || codePage == 936 || codePage == 949 || codePage == 950;
}

bool isLeadByte(int codePage, unsigned char b)
{
    if (codePage == 932)
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    return b >= 0x81 && b <= 0xFE;
}

// Decoders by code page, made when a document first needs one.
class CodePages {
public:
    char16_t single(int codePage, unsigned char b)
    {
        if (b < 0x80)
            return b;
        const char *name = codePageName(codePage);
        if (!name)
            return cp1252(b);
        auto it = tables_.find(codePage);
        if (it == tables_.end()) {
            std::array<char16_t, 128> table{};
            QStringDecoder decoder(name, QStringDecoder::Flag::Stateless);
            for (int i = 0; i < 128; ++i) {
                if (!decoder.isValid()) {
                    table[i] = cp1252(static_cast<unsigned char>(0x80 + i));
                    continue;
                }
                const char byte = static_cast<char>(0x80 + i);
                const QString s = decoder.decode(QByteArrayView(&byte, 1));
                table[i] = s.size() == 1 ? s[0].unicode() : char16_t(0xFFFD);
            }
            it = tables_.emplace(codePage, table).first;
        }
        return it->second[b - 0x80];
    }

    QString pair(int codePage, unsigned char lead, unsigned char trail)
    {
        auto it = decoders_.find(codePage);
        if (it == decoders_.end())
            it = decoders_.emplace(codePage, std::make_unique<QStringDecoder>(codePageName(codePage),
                                                                               QStringDecoder::Flag::Stateless))
                     .first;
        if (!it->second->isValid())
            return QString(QChar(0xFFFD));
        const char bytes[2] = {static_cast<char>(lead), static_cast<char>(trail)};
        QString s = it->second->decode(QByteArrayView(bytes, 2));
        if (s.isEmpty())
            s = QString(QChar(0xFFFD));
        return s;
    }

private:
    std::map<int, std::array<char16_t, 128>> tables_;
    std::map<int, std::unique_ptr<QStringDecoder>> decoders_;
};

enum class Underline : quint8 { None, Single, Dotted, Dashed, Wave };
enum class Vertical : quint8 { Normal, Super, Sub };
enum class Caps : quint8 { Normal, All, Small };

struct CharState {
    bool bold = false;
    bool italic = false;
    bool strike = false;
    bool hidden = false;
    Underline underline = Underline::None;
    Vertical vertical = Vertical::Normal;
    Caps caps = Caps::Normal;
    int halfPoints = DefaultHalfPoints;
    int font = -1; // -1: the document's default font
    int colour = 0; // index in the colour table; 0 is the automatic colour
    int background = 0;

    bool operator==(const CharState &) const = default;
};

size_t qHash(const CharState &c, size_t seed = 0)
{
    return qHashMulti(seed, c.bold, c.italic, c.strike, c.hidden, int(c.underline), int(c.vertical), int(c.caps),
                      c.halfPoints, c.font, c.colour, c.background);
}

enum class Destination : quint8 { Text, Skip, FontTable, ColourTable, ListText };

struct TabStop {
    int position; // twips
    QTextOption::TabType type;
};

// Paragraph properties; indents and spacing in twips.
struct ParagraphState {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
    int lineSpacing = 0; // \sl: >0 at least, <0 exactly, 0 single
    bool lineMultiple = false;
    bool inTable = false;
    int nesting = 0; // \itap: table nesting level
    int list = 0;    // \ls: the list the paragraph belongs to, 0 none
    int listLevel = 0;
    bool pageBreakBefore = false;
    QTextOption::TabType nextTabType = QTextOption::LeftTab;
    QList<TabStop> tabs;
};

struct GroupState {
    CharState chars;
    ParagraphState paragraph;
    int unicodeSkip = 1;
    Destination destination = Destination::Text;
};

struct Run {
    QString text;
    CharState chars;
};

struct Paragraph {
    ParagraphState format;
    CharState mark; // the paragraph mark's format: height of an empty line
    QList<Run> runs;
    QList<Run> listText; // the marker the writer put before a list item
    bool pageBreak = false;
};

struct CellDefinition {
    int right = 0;
    bool mergeWithPrevious = false; // \clmrg
    bool mergeDownFirst = false;    // \clvmgf
    bool mergeWithAbove = false;    // \clvmrg
    int shading = 0;
};

struct Cell {
    QList<Paragraph> paragraphs;
    int left = 0;
    int right = 0;
    bool mergeDownFirst = false;
    bool mergeWithAbove = false;
    int shading = 0;
};

struct Row {
    QList<Cell> cells;
};

struct Table {
    QList<Row> rows;
    QList<int> edges; // sorted column edges in twips
    qsizetype cellCount = 0;
    Qt::Alignment alignment = Qt::AlignLeft;
};

using Block = std::variant<Paragraph, Table>;

// Cells of a built table to be joined into one.
struct CellMerge {
    int row, column, rows, columns;
};

// A list marker made of a prefix, a number or letters and a suffix: "(a)" is
// "(", "a" and ")".
struct NumberMarker {
    QString prefix;
    QString core;
    QString suffix;
};

bool isLetter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// The control words the reader acts on.
enum class Word {
    Unknown, Skipped, FontTable, ColourTable, ListText,
    Par, Line, Page, Sect, Column, Tab, Cell, Row, NestCell, NestRow,
    Pard, Plain, Bold, Italic, Strike, Hidden, Underline, UnderlineDotted, UnderlineDashed,
    UnderlineWave, UnderlineNone, Super, Sub, NoSuperSub, Up, Down, Caps, SmallCaps,
    FontSize, Font, DefaultFont, Colour, Background, Red, Green, Blue, Charset, FontCodePage,
    Ansi, AnsiCodePage, Mac, Pc, Pca,
    Centre, Left, Right, Justify, LeftIndent, RightIndent, FirstIndent, SpaceBefore, SpaceAfter,
    LineSpacing, LineMultiple, InTable, Itap, ListId, ListLevel, PageBreakBefore,
    TabCentre, TabRight, TabDecimal, TabStop, TabBar, DefaultTab,
    RowDefinition, CellEdge, RowLeft, RowCentre, RowRight, CellMerge, CellMergeFirst,
    CellVMergeFirst, CellVMerge, CellShading,
    UnicodeSkip, Unicode, Bin, Emdash, Endash, Bullet, LQuote, RQuote, LDblQuote, RDblQuote,
    Space, FootnoteMark, Footnote,
};

const std::unordered_map<std::string_view, Word> &wordTable()
{
    static const std::unordered_map<std::string_view, Word> table = [] {
        std::unordered_map<std::string_view, Word> t;
        // Destinations whose content is not document text.
        for (const char *w : {"stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf",
                              "footer", "footerl", "footerr", "footerf", "fldinst", "object", "objdata",
                              "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl",
                              "listtable", "listoverridetable", "rsidtbl", "generator", "filetbl", "revtbl",
                              "pgdptbl", "shppict", "nonshppict", "bkmkstart", "bkmkend", "annotation", "atnid",
                              "atnauthor", "atnref", "atndate", "atnparent", "private", "template", "userprops",
                              "xe", "tc", "txe", "mmathPr", "wgrffmtfilter", "pntxta", "pntxtb", "ftnsep",
                              "ftnsepc", "aftnsep", "aftnsepc", "ftncn", "aftncn", "nonesttables", "upr",
                              "falt", "panose", "docvar", "fchars", "lchars", "blipuid", "listpicture",
                              "pnseclvl", "xmlopen", "xmlclose", "shprslt", "datafield", "formfield"})
            t.emplace(w, Word::Skipped);
        const std::pair<const char *, Word> words[] = {
            {"fonttbl", Word::FontTable}, {"colortbl", Word::ColourTable}, {"listtext", Word::ListText},
            {"pntext", Word::ListText}, {"par", Word::Par}, {"line", Word::Line}, {"page", Word::Page},
            {"sect", Word::Sect}, {"column", Word::Column}, {"tab", Word::Tab}, {"cell", Word::Cell},
            {"row", Word::Row}, {"nestcell", Word::NestCell}, {"nestrow", Word::NestRow},
            {"pard", Word::Pard}, {"plain", Word::Plain}, {"b", Word::Bold}, {"i", Word::Italic},
            {"strike", Word::Strike}, {"striked", Word::Strike}, {"v", Word::Hidden},
            {"ul", Word::Underline}, {"uldb", Word::Underline}, {"ulw", Word::Underline},
            {"ulth", Word::Underline}, {"uld", Word::UnderlineDotted}, {"ulthd", Word::UnderlineDotted},
            {"uldash", Word::UnderlineDashed}, {"uldashd", Word::UnderlineDashed},
            {"uldashdd", Word::UnderlineDashed}, {"ulldash", Word::UnderlineDashed},
            {"ulthdash", Word::UnderlineDashed}, {"ulthdashd", Word::UnderlineDashed},
            {"ulthdashdd", Word::UnderlineDashed}, {"ulthldash", Word::UnderlineDashed},
            {"ulwave", Word::UnderlineWave}, {"ulhwave", Word::UnderlineWave},
            {"ululdbwave", Word::UnderlineWave}, {"ulnone", Word::UnderlineNone},
            {"super", Word::Super}, {"sub", Word::Sub}, {"nosupersub", Word::NoSuperSub}, {"up", Word::Up},
            {"dn", Word::Down}, {"caps", Word::Caps}, {"scaps", Word::SmallCaps}, {"fs", Word::FontSize},
            {"f", Word::Font}, {"deff", Word::DefaultFont}, {"cf", Word::Colour},
            {"cb", Word::Background}, {"highlight", Word::Background}, {"chcbpat", Word::Background},
            {"red", Word::Red}, {"green", Word::Green}, {"blue", Word::Blue},
            {"fcharset", Word::Charset}, {"cpg", Word::FontCodePage}, {"ansi", Word::Ansi},
            {"ansicpg", Word::AnsiCodePage}, {"mac", Word::Mac}, {"pc", Word::Pc}, {"pca", Word::Pca},
            {"qc", Word::Centre}, {"ql", Word::Left}, {"qr", Word::Right}, {"qj", Word::Justify},
            {"qd", Word::Justify}, {"li", Word::LeftIndent}, {"lin", Word::LeftIndent},
            {"ri", Word::RightIndent}, {"rin", Word::RightIndent}, {"fi", Word::FirstIndent},
            {"sb", Word::SpaceBefore}, {"sa", Word::SpaceAfter}, {"sl", Word::LineSpacing},
            {"slmult", Word::LineMultiple}, {"intbl", Word::InTable}, {"itap", Word::Itap},
            {"ls", Word::ListId}, {"ilvl", Word::ListLevel}, {"pagebb", Word::PageBreakBefore},
            {"tqc", Word::TabCentre}, {"tqr", Word::TabRight}, {"tqdec", Word::TabDecimal},
            {"tx", Word::TabStop}, {"tb", Word::TabBar}, {"deftab", Word::DefaultTab},
            {"trowd", Word::RowDefinition}, {"cellx", Word::CellEdge}, {"trleft", Word::RowLeft},
            {"trqc", Word::RowCentre}, {"trqr", Word::RowRight}, {"clmrg", Word::CellMerge},
            {"clmgf", Word::CellMergeFirst}, {"clvmgf", Word::CellVMergeFirst},
            {"clvmrg", Word::CellVMerge}, {"clcbpat", Word::CellShading}, {"uc", Word::UnicodeSkip},
            {"u", Word::Unicode}, {"bin", Word::Bin}, {"emdash", Word::Emdash}, {"endash", Word::Endash},
            {"bullet", Word::Bullet}, {"lquote", Word::LQuote}, {"rquote", Word::RQuote},
            {"ldblquote", Word::LDblQuote}, {"rdblquote", Word::RDblQuote}, {"emspace", Word::Space},
            {"enspace", Word::Space}, {"qmspace", Word::Space}, {"chftn", Word::FootnoteMark},
            {"footnote", Word::Footnote},
        };
        for (const auto &[name, word] : words)
            t.emplace(name, word);
        return t;
    }();
    return table;
}

// Indents, cell edges and tab stops beyond a page width are nonsense; keep
// them on the page.
int twips(bool hasParam, int param)
{
    return hasParam ? std::clamp(param, -PageWidth, PageWidth) : 0;
}

// Screen pixels at 96 dots per inch; a twip is 1/1440 inch.
qreal toPixels(int twips)
{
    return twips / 15.0;
}

class Parser {
public:
    explicit Parser(const QByteArray &input) : in_(input) {}

    bool parse();
    void fill(QTextDocument *doc);

private:
    void controlSequence(bool *refused);
    void controlSymbol(char c);
    void controlWord(Word word, bool hasParam, int param);
    void fontTableWord(Word word, bool hasParam, int param);
    void colourTableWord(Word word, bool hasParam, int param);
    bool breakWord(Destination destination, Word word);
    bool textWord(Word word, bool hasParam, int param);
    bool characterWord(Word word, bool hasParam, int param);
    bool paragraphWord(Word word, bool hasParam, int param);
    bool rowWord(Word word, bool hasParam, int param);
    bool consumeSkipped();
    void byte(unsigned char b);
    void unicode(int value);
    void text(QChar c);
    void put(QChar c);
    void flushHighSurrogate();
    void endParagraph();
    void endCell();
    void endRow();
    void appendRow(Row row);
    void closeTable();
    void closeGroup();
    void storeFontName();
    void storeColour();
    int codePageOfFont(int font) const;
    SymbolFont symbolOfFont(int font) const;

    // Building the document.
    QTextCharFormat charFormat(const CharState &chars) const;
    QTextBlockFormat blockFormat(const Paragraph &paragraph) const;
    void insertParagraph(QTextCursor &cursor, const Paragraph &paragraph, bool reuseBlock, bool topLevel);
    void insertTable(QTextCursor &cursor, const Table &table);
    void fillCell(QTextTableCell tableCell, const Cell &cell);
    void mergeCells(QTextTable *table, const QList<CellMerge> &merges);
    bool makeListItem(QTextCursor &cursor, const Paragraph &paragraph);

    const QByteArray &in_;
    qsizetype pos_ = 0;
    GroupState state_;
    QList<GroupState> stack_;
    int skipPending_ = 0;
    QChar highSurrogate_;
    CharState highSurrogateChars_;
    int leadByte_ = -1;
    CodePages codePages_;
    int cachedFont_ = 0;
    SymbolFont cachedSymbol_ = SymbolFont::None;
    int cachedCodePage_ = -1; // -1: to be looked up

    struct FontInfo {
        QString name;
        int charset = -1;
        int codePage = 0;
    };
    QHash<int, FontInfo> fonts_;
    int defaultFont_ = 0;
    int documentCodePage_ = 1252;
    int fontNumber_ = -1;
    FontInfo font_;
    QList<QColor> colours_;
    int red_ = -1, green_ = -1, blue_ = -1;
    int defaultTab_ = 720;
    int footnotes_ = 0;

    QList<Block> blocks_;
    Paragraph current_;
    // The table being read: its rows so far, the row and cell being read, the
    // cell definitions of the row.
    Table table_;
    bool tableOpen_ = false;
    Row row_;
    Cell cell_;
    QList<CellDefinition> definitions_;
    CellDefinition definition_;
    int rowLeft_ = 0;
    Qt::Alignment rowAlignment_ = Qt::AlignLeft;

    // Lists met while building: (list, level) -> the QTextList and its items.
    struct ListInUse {
        QTextList *list = nullptr;
        QTextListFormat::Style style = QTextListFormat::ListStyleUndefined;
        int items = 0;
        int lastBlock = -1;
    };
    static void startList(QTextCursor &cursor, ListInUse &inUse, const QTextListFormat &format);
    static void continueList(QTextCursor &cursor, ListInUse &inUse);
    static void addBulletItem(QTextCursor &cursor, ListInUse &inUse, QTextListFormat::Style style);
    static bool addNumberedItem(QTextCursor &cursor, ListInUse &inUse, const NumberMarker &marker);
    std::map<std::pair<int, int>, ListInUse> lists_;
    int merges_ = 0;
    mutable QHash<CharState, QTextCharFormat> formats_;
};

bool Parser::parse()
{
    qsizetype start = 0;
    if (in_.startsWith("\xEF\xBB\xBF"))
        start = 3;
    while (start < in_.size() && (in_[start] == ' ' || in_[start] == '\r' || in_[start] == '\n' || in_[start] == '\t'))
        ++start;
    if (in_.mid(start, 5) != "{\\rtf")
        return false;
    pos_ = start;

    const qsizetype size = in_.size();
    const char *data = in_.constData();
    while (pos_ < size) {
        const char c = data[pos_];
        if (c == '{') {
            ++pos_;
            if (stack_.size() >= MaxDepth)
                return false;
            stack_.append(state_);
            skipPending_ = 0;
            leadByte_ = -1;
        } else if (c == '}') {
            ++pos_;
            closeGroup();
            // The document's own group ended: its last paragraph keeps the
            // format in effect, and anything after it is not read.
            if (stack_.size() <= 1)
                break;
            state_ = stack_.takeLast();
            skipPending_ = 0;
            leadByte_ = -1;
        } else if (c == '\\') {
            ++pos_;
            bool refused = false;
            controlSequence(&refused);
            if (refused)
                return false;
        } else {
            ++pos_;
            if (c == '\r' || c == '\n')
                continue;
            if (c == '\t') {
                if (!consumeSkipped())
                    text(QLatin1Char('\t'));
                continue;
            }
            byte(static_cast<unsigned char>(c));
        }
    }
    // A missing closing brace at the end is forgiven, as word processors do.
    flushHighSurrogate();
    if (!current_.runs.isEmpty() || !current_.listText.isEmpty() || (blocks_.isEmpty() && !tableOpen_ && row_.cells.isEmpty()))
        endParagraph();
    if (!row_.cells.isEmpty() || !cell_.paragraphs.isEmpty())
        endRow();
    closeTable();
    return true;
}

void Parser::controlSequence(bool *refused)
{
    if (pos_ >= in_.size())
        return;
    const char *data = in_.constData();
    const char c = data[pos_];
    if (!isLetter(c)) {
        ++pos_;
        controlSymbol(c);
        return;
    }
    const qsizetype wordStart = pos_;
    while (pos_ < in_.size() && isLetter(data[pos_])) {
        ++pos_;
        if (pos_ - wordStart > MaxWordLength) {
            *refused = true;
            return;
        }
    }
    const std::string_view name(data + wordStart, static_cast<size_t>(pos_ - wordStart));
    bool hasParam = false;
    bool negative = false;
    qint64 param = 0;
    if (pos_ + 1 < in_.size() && data[pos_] == '-' && isDigit(data[pos_ + 1])) {
        negative = true;
        ++pos_;
    }
    while (pos_ < in_.size() && isDigit(data[pos_])) {
        hasParam = true;
        if (param < 100000000000LL)
            param = param * 10 + (data[pos_] - '0');
        ++pos_;
    }
    if (pos_ < in_.size() && data[pos_] == ' ')
        ++pos_;
    param = std::clamp<qint64>(negative ? -param : param, -2147483647LL, 2147483647LL);
    const auto &table = wordTable();
    const auto it = table.find(name);
    controlWord(it == table.end() ? Word::Unknown : it->second, hasParam, static_cast<int>(param));
}

void Parser::controlSymbol(char c)
{
    switch (c) {
    case '\\':
    case '{':
    case '}':
        byte(static_cast<unsigned char>(c));
        break;
    case '\'': {
        const int high = pos_ < in_.size() ? hexValue(in_[pos_]) : -1;
        const int low = pos_ + 1 < in_.size() ? hexValue(in_[pos_ + 1]) : -1;
        if (high >= 0 && low >= 0) {
            pos_ += 2;
            byte(static_cast<unsigned char>(high * 16 + low));
        } else {
            // A broken escape shows nothing; its two characters go with it,
            // unless they open or close a group or start a control word.
            for (int i = 0; i < 2 && pos_ < in_.size() && in_[pos_] != '{' && in_[pos_] != '}' && in_[pos_] != '\\'; ++i)
                ++pos_;
            consumeSkipped();
        }
        break;
    }
    case '*':
        state_.destination = Destination::Skip;
        break;
    case '~':
        if (!consumeSkipped())
            text(QChar(0x00A0));
        break;
    case '_':
        if (!consumeSkipped())
            text(QChar(0x2011));
        break;
    case '\r':
    case '\n':
        if (consumeSkipped())
            break;
        if (state_.destination == Destination::Text)
            endParagraph();
        break;
    default:
        // \- optional hyphen, \| \: and anything unknown: nothing to show,
        // but it takes the place of one skipped character.
        consumeSkipped();
        break;
    }
}

// After \uN the next unicodeSkip characters are the fallback for readers
// without Unicode; they are dropped.
bool Parser::consumeSkipped()
{
    if (skipPending_ <= 0)
        return false;
    --skipPending_;
    return true;
}

void Parser::controlWord(Word word, bool hasParam, int param)
{
    leadByte_ = -1;
    if (word == Word::DefaultFont || word == Word::Ansi || word == Word::AnsiCodePage || word == Word::Mac
        || word == Word::Pc || word == Word::Pca || state_.destination == Destination::FontTable)
        cachedCodePage_ = -1;
    if (word == Word::Bin) {
        // Raw bytes follow; they are never text.
        const qint64 count = hasParam && param > 0 ? param : 0;
        pos_ += std::min<qint64>(count, in_.size() - pos_);
        consumeSkipped();
        return;
    }
    if (consumeSkipped())
        return;
    const Destination destination = state_.destination;
    if (destination == Destination::Skip)
        return;
    switch (word) {
    case Word::FontTable:
        state_.destination = Destination::FontTable;
        return;
    case Word::ColourTable:
        state_.destination = Destination::ColourTable;
        return;
    case Word::Skipped:
        state_.destination = Destination::Skip;
        return;
    case Word::Footnote:
        ++footnotes_;
        state_.destination = Destination::Skip;
        return;
    case Word::ListText:
        if (destination == Destination::Text)
            state_.destination = Destination::ListText;
        return;
    default:
        break;
    }
    if (destination == Destination::FontTable) {
        fontTableWord(word, hasParam, param);
        return;
    }
    if (destination == Destination::ColourTable) {
        colourTableWord(word, hasParam, param);
        return;
    }

    // A word none of these takes changes nothing we show.
    if (!breakWord(destination, word) && !textWord(word, hasParam, param) && !characterWord(word, hasParam, param)
        && !paragraphWord(word, hasParam, param))
        rowWord(word, hasParam, param);
}

// A font's number, character set and code page, in the font table.
void Parser::fontTableWord(Word word, bool hasParam, int param)
{
    if (word == Word::Font && hasParam) {
        storeFontName();
        fontNumber_ = param;
    } else if (word == Word::Charset && hasParam) {
        font_.charset = param;
    } else if (word == Word::FontCodePage && hasParam) {
        font_.codePage = param;
    }
}

// A colour's components, in the colour table.
void Parser::colourTableWord(Word word, bool hasParam, int param)
{
    const int component = hasParam ? std::clamp(param, 0, 255) : 0;
    if (word == Word::Red)
        red_ = component;
    else if (word == Word::Green)
        green_ = component;
    else if (word == Word::Blue)
        blue_ = component;
}

// Paragraph, cell and row ends, which end nothing outside the body text;
// false when the word is none of them.
bool Parser::breakWord(Destination destination, Word word)
{
    switch (word) {
    case Word::Par:
        if (destination == Destination::Text)
            endParagraph();
        break;
    case Word::Page:
        if (destination == Destination::Text) {
            endParagraph();
            current_.pageBreak = true;
        }
        break;
    case Word::Sect:
    case Word::Column:
        if (destination == Destination::Text)
            endParagraph();
        break;
    case Word::Cell:
        if (destination == Destination::Text) {
            if (state_.paragraph.nesting > 1)
                text(QLatin1Char('\t'));
            else
                endCell();
        }
        break;
    case Word::Row:
        if (destination == Destination::Text)
            endRow();
        break;
    default:
        return false;
    }
    return true;
}

// Characters the word puts in the text; false when it is none of them.
bool Parser::textWord(Word word, bool hasParam, int param)
{
    switch (word) {
    case Word::Line:
        text(QChar(QChar::LineSeparator));
        break;
    case Word::Tab:
        text(QLatin1Char('\t'));
        break;
    case Word::NestCell:
        text(QLatin1Char('\t'));
        break;
    case Word::NestRow:
        text(QChar(QChar::LineSeparator));
        break;
    case Word::UnicodeSkip:
        state_.unicodeSkip = hasParam ? std::clamp(param, 0, MaxUnicodeSkip) : 1;
        break;
    case Word::Unicode:
        if (hasParam) {
            unicode(param);
            skipPending_ = state_.unicodeSkip;
        }
        break;
    case Word::Emdash: text(QChar(0x2014)); break;
    case Word::Endash: text(QChar(0x2013)); break;
    case Word::Bullet: text(QChar(0x2022)); break;
    case Word::LQuote: text(QChar(0x2018)); break;
    case Word::RQuote: text(QChar(0x2019)); break;
    case Word::LDblQuote: text(QChar(0x201C)); break;
    case Word::RDblQuote: text(QChar(0x201D)); break;
    case Word::Space: text(QLatin1Char(' ')); break;
    case Word::FootnoteMark:
        // The reference in the text; the note itself is skipped.
        for (QChar c : QString::number(footnotes_ + 1))
            text(c);
        break;
    default:
        return false;
    }
    return true;
}

// Character formatting and the document's code page; false when the word is neither.
bool Parser::characterWord(Word word, bool hasParam, int param)
{
    CharState &chars = state_.chars;
    const bool on = !hasParam || param != 0;
    switch (word) {
    case Word::Plain:
        chars = CharState{};
        break;
    case Word::Bold: chars.bold = on; break;
    case Word::Italic: chars.italic = on; break;
    case Word::Strike: chars.strike = on; break;
    case Word::Hidden: chars.hidden = on; break;
    case Word::Underline: chars.underline = on ? Underline::Single : Underline::None; break;
    case Word::UnderlineDotted: chars.underline = on ? Underline::Dotted : Underline::None; break;
    case Word::UnderlineDashed: chars.underline = on ? Underline::Dashed : Underline::None; break;
    case Word::UnderlineWave: chars.underline = on ? Underline::Wave : Underline::None; break;
    case Word::UnderlineNone: chars.underline = Underline::None; break;
    case Word::Super: chars.vertical = on ? Vertical::Super : Vertical::Normal; break;
    case Word::Sub: chars.vertical = on ? Vertical::Sub : Vertical::Normal; break;
    case Word::NoSuperSub: chars.vertical = Vertical::Normal; break;
    case Word::Up: chars.vertical = hasParam && param == 0 ? Vertical::Normal : Vertical::Super; break;
    case Word::Down: chars.vertical = hasParam && param == 0 ? Vertical::Normal : Vertical::Sub; break;
    case Word::Caps: chars.caps = on ? Caps::All : Caps::Normal; break;
    case Word::SmallCaps: chars.caps = on ? Caps::Small : Caps::Normal; break;
    case Word::FontSize:
        chars.halfPoints = hasParam && param > 0 ? std::min(param, MaxHalfPoints) : DefaultHalfPoints;
        break;
    case Word::Font:
        if (hasParam)
            chars.font = param;
        break;
    case Word::DefaultFont:
        if (hasParam)
            defaultFont_ = param;
        break;
    case Word::Colour:
        chars.colour = hasParam ? std::max(param, 0) : 0;
        break;
    case Word::Background:
        chars.background = hasParam ? std::max(param, 0) : 0;
        break;
    case Word::Ansi: documentCodePage_ = 1252; break;
    case Word::AnsiCodePage:
        if (hasParam)
            documentCodePage_ = param;
        break;
    case Word::Mac: documentCodePage_ = 10000; break;
    case Word::Pc: documentCodePage_ = 437; break;
    case Word::Pca: documentCodePage_ = 850; break;
    default:
        return false;
    }
    return true;
}

// Paragraph and tab stop settings; false when the word is none of them.
bool Parser::paragraphWord(Word word, bool hasParam, int param)
{
    ParagraphState &paragraph = state_.paragraph;
    const bool on = !hasParam || param != 0;
    switch (word) {
    case Word::Pard:
        // Back to the default paragraph, tab stops, list and table included.
        paragraph = ParagraphState{};
        break;
    case Word::Centre: paragraph.alignment = Qt::AlignHCenter; break;
    case Word::Left: paragraph.alignment = Qt::AlignLeft; break;
    case Word::Right: paragraph.alignment = Qt::AlignRight; break;
    case Word::Justify: paragraph.alignment = Qt::AlignJustify; break;
    case Word::LeftIndent: paragraph.leftIndent = twips(hasParam, param); break;
    case Word::RightIndent: paragraph.rightIndent = twips(hasParam, param); break;
    case Word::FirstIndent: paragraph.firstLineIndent = twips(hasParam, param); break;
    case Word::SpaceBefore: paragraph.spaceBefore = std::max(twips(hasParam, param), 0); break;
    case Word::SpaceAfter: paragraph.spaceAfter = std::max(twips(hasParam, param), 0); break;
    case Word::LineSpacing: paragraph.lineSpacing = std::clamp(twips(hasParam, param), -1440, 1440); break;
    case Word::LineMultiple: paragraph.lineMultiple = on; break;
    case Word::InTable: paragraph.inTable = true; paragraph.nesting = std::max(paragraph.nesting, 1); break;
    case Word::Itap:
        paragraph.nesting = hasParam ? std::clamp(param, 0, MaxDepth) : 1;
        paragraph.inTable = paragraph.nesting > 0;
        break;
    case Word::ListId: paragraph.list = hasParam ? std::max(param, 0) : 0; break;
    case Word::ListLevel: paragraph.listLevel = hasParam ? std::clamp(param, 0, 8) : 0; break;
    case Word::PageBreakBefore: paragraph.pageBreakBefore = on; break;
    case Word::TabCentre: paragraph.nextTabType = QTextOption::CenterTab; break;
    case Word::TabRight: paragraph.nextTabType = QTextOption::RightTab; break;
    case Word::TabDecimal: paragraph.nextTabType = QTextOption::DelimiterTab; break;
    case Word::TabStop:
    case Word::TabBar:
        // A paragraph has a few stops; a flood of them adds nothing.
        if (paragraph.tabs.size() < 64)
            paragraph.tabs.append(TabStop{std::max(twips(hasParam, param), 0), paragraph.nextTabType});
        paragraph.nextTabType = QTextOption::LeftTab;
        break;
    case Word::DefaultTab:
        if (hasParam && param > 0)
            defaultTab_ = std::min(param, PageWidth);
        break;
    default:
        return false;
    }
    return true;
}

// Table row and cell definitions; false when the word is none of them.
bool Parser::rowWord(Word word, bool hasParam, int param)
{
    switch (word) {
    case Word::RowDefinition:
        definitions_.clear();
        definition_ = CellDefinition{};
        rowLeft_ = 0;
        rowAlignment_ = Qt::AlignLeft;
        break;
    case Word::CellEdge:
        definition_.right = twips(hasParam, param);
        if (definitions_.size() < 4 * MaxColumns)
            definitions_.append(definition_);
        definition_ = CellDefinition{};
        break;
    case Word::RowLeft: rowLeft_ = twips(hasParam, param); break;
    case Word::RowCentre: rowAlignment_ = Qt::AlignHCenter; break;
    case Word::RowRight: rowAlignment_ = Qt::AlignRight; break;
    case Word::CellMerge: definition_.mergeWithPrevious = true; break;
    case Word::CellMergeFirst: break;
    case Word::CellVMergeFirst: definition_.mergeDownFirst = true; break;
    case Word::CellVMerge: definition_.mergeWithAbove = true; break;
    case Word::CellShading: definition_.shading = hasParam ? std::max(param, 0) : 0; break;
    default:
        return false;
    }
    return true;
}

void Parser::unicode(int value)
{
    // A signed 16-bit value in the format; anything else names no character.
    if (value < -32768 || value > 65535) {
        text(QLatin1Char('?'));
        return;
    }
    const char16_t unit = static_cast<char16_t>(value < 0 ? value + 65536 : value);
    if (unit >= 0xF020 && unit <= 0xF0FF) {
        // Symbol fonts' glyphs in the private area, as some writers put them.
        const SymbolFont font = symbolOfFont(state_.chars.font);
        const char16_t mapped = symbolChar(font == SymbolFont::None ? SymbolFont::Symbol : font,
                                           static_cast<unsigned char>(unit & 0xFF));
        if (mapped != 0xFFFD || font != SymbolFont::None) {
            text(QChar(mapped));
            return;
        }
    }
    if (unit == 0x2029) {
        text(QChar(QChar::LineSeparator));
        return;
    }
    // No NULs or other control characters in the text, nor the marks Qt
    // uses for its own frames; a tab stays a tab.
    if ((unit < 0x20 && unit != '\t') || unit == 0xFFFE || unit == 0xFFFF || unit == 0xFDD0 || unit == 0xFDD1)
        return;
    text(QChar(unit));
}

int Parser::codePageOfFont(int font) const
{
    const auto it = fonts_.constFind(font < 0 ? defaultFont_ : font);
    if (it != fonts_.constEnd()) {
        if (it->codePage > 0)
            return it->codePage;
        if (const int fromCharset = codePageOfCharset(it->charset))
            return fromCharset;
    }
    return documentCodePage_;
}

SymbolFont Parser::symbolOfFont(int font) const
{
    const auto it = fonts_.constFind(font < 0 ? defaultFont_ : font);
    if (it == fonts_.constEnd())
        return SymbolFont::None;
    if (it->name.startsWith(QLatin1String("Wingdings"), Qt::CaseInsensitive))
        return SymbolFont::Wingdings;
    if (it->name.compare(QLatin1String("Symbol"), Qt::CaseInsensitive) == 0
        || (it->charset == 2 && !it->name.contains(QLatin1String("OpenSymbol"), Qt::CaseInsensitive)))
        return SymbolFont::Symbol;
    return SymbolFont::None;
}

void Parser::byte(unsigned char b)
{
    if (consumeSkipped())
        return;
    switch (state_.destination) {
    case Destination::Skip:
        return;
    case Destination::ColourTable:
        if (b == ';')
            storeColour();
        return;
    case Destination::FontTable:
        if (b == ';')
            storeFontName();
        else if (fontNumber_ >= 0 && font_.name.size() < 256)
            font_.name += QChar(cp1252(b));
        return;
    case Destination::Text:
    case Destination::ListText:
        break;
    }
    if (b < 0x20)
        return;
    // The font's reading, remembered while the font and the tables stay.
    if (cachedFont_ != state_.chars.font || cachedCodePage_ < 0) {
        cachedFont_ = state_.chars.font;
        cachedSymbol_ = symbolOfFont(cachedFont_);
        cachedCodePage_ = codePageOfFont(cachedFont_);
    }
    const SymbolFont symbol = cachedSymbol_;
    if (symbol != SymbolFont::None) {
        text(QChar(symbolChar(symbol, b)));
        return;
    }
    const int codePage = cachedCodePage_;
    if (isDoubleByte(codePage)) {
        if (leadByte_ >= 0) {
            const unsigned char lead = static_cast<unsigned char>(leadByte_);
            leadByte_ = -1;
            for (QChar c : codePages_.pair(codePage, lead, b))
                text(c);
            return;
        }
        if (isLeadByte(codePage, b)) {
            leadByte_ = b;
            return;
        }
        text(QChar(static_cast<char16_t>(b < 0x80 ? b : 0xFFFD)));
        return;
    }
    text(QChar(codePages_.single(codePage, b)));
}

void Parser::text(QChar c)
{
    if (state_.destination != Destination::Text && state_.destination != Destination::ListText)
        return;
    if (state_.chars.hidden)
        return;
    // Surrogates arrive one \u at a time; a half without its other half is
    // not a character.
    if (c.isHighSurrogate()) {
        flushHighSurrogate();
        highSurrogate_ = c;
        highSurrogateChars_ = state_.chars;
        return;
    }
    if (c.isLowSurrogate()) {
        if (highSurrogate_.isNull()) {
            put(QChar(0xFFFD));
            return;
        }
        const CharState chars = state_.chars;
        state_.chars = highSurrogateChars_;
        put(highSurrogate_);
        put(c);
        state_.chars = chars;
        highSurrogate_ = QChar();
        return;
    }
    flushHighSurrogate();
    put(c);
}

void Parser::flushHighSurrogate()
{
    if (highSurrogate_.isNull())
        return;
    highSurrogate_ = QChar();
    const CharState chars = state_.chars;
    state_.chars = highSurrogateChars_;
    put(QChar(0xFFFD));
    state_.chars = chars;
}

void Parser::put(QChar c)
{
    QList<Run> &runs = state_.destination == Destination::ListText ? current_.listText : current_.runs;
    if (runs.isEmpty() || !(runs.constLast().chars == state_.chars))
        runs.append(Run{QString(), state_.chars});
    runs.last().text += c;
}

void Parser::endParagraph()
{
    flushHighSurrogate();
    // A paragraph takes the format in effect when it ends.
    Paragraph done = std::move(current_);
    current_ = Paragraph{};
    done.format = state_.paragraph;
    done.mark = state_.chars;
    done.pageBreak = done.pageBreak || done.format.pageBreakBefore;
    if (done.format.inTable) {
        cell_.paragraphs.append(std::move(done));
        return;
    }
    // A row left without \row ends before a paragraph outside the table.
    if (!row_.cells.isEmpty() || !cell_.paragraphs.isEmpty())
        endRow();
    closeTable();
    blocks_.append(std::move(done));
}

void Parser::endCell()
{
    // The cell's last paragraph ends with the cell; a cell written as
    // "text\par\cell" has no empty paragraph after the text.
    if (!current_.runs.isEmpty() || !current_.listText.isEmpty() || cell_.paragraphs.isEmpty()) {
        const bool inTable = state_.paragraph.inTable;
        state_.paragraph.inTable = true;
        endParagraph();
        state_.paragraph.inTable = inTable;
    }
    row_.cells.append(std::move(cell_));
    cell_ = Cell{};
}

void Parser::endRow()
{
    if (!current_.runs.isEmpty() || !current_.listText.isEmpty() || !cell_.paragraphs.isEmpty())
        endCell();
    if (row_.cells.isEmpty())
        return;
    Row row = std::move(row_);
    row_ = Row{};

    // Cells take their edges from the row's definitions; cells merged with
    // the one before become part of it.
    QList<Cell> cells;
    int edge = rowLeft_;
    for (qsizetype i = 0; i < row.cells.size(); ++i) {
        Cell &cell = row.cells[i];
        const CellDefinition definition = i < definitions_.size() ? definitions_[i] : CellDefinition{edge + 1440};
        const int right = std::clamp(std::max(definition.right, edge + 15), -PageWidth, 4 * PageWidth);
        if ((definition.mergeWithPrevious || cells.size() >= MaxColumns) && !cells.isEmpty()) {
            cells.last().paragraphs.append(cell.paragraphs);
            cells.last().right = right;
        } else {
            cell.left = edge;
            cell.right = right;
            cell.mergeDownFirst = definition.mergeDownFirst;
            cell.mergeWithAbove = definition.mergeWithAbove;
            cell.shading = definition.shading;
            cells.append(std::move(cell));
        }
        edge = right;
    }
    row.cells = std::move(cells);

    appendRow(std::move(row));
}

void Parser::appendRow(Row row)
{
    // The column edges of the table so far and this row together; an edge
    // close to one already there is that edge.
    QList<int> edges = tableOpen_ ? table_.edges : QList<int>{};
    auto addEdge = [&edges](int value) {
        for (int e : edges) {
            if (std::abs(e - value) <= SnapTwips)
                return e;
        }
        edges.insert(std::lower_bound(edges.begin(), edges.end(), value), value);
        return value;
    };
    QList<std::pair<int, int>> spans;
    for (const Cell &cell : row.cells) {
        const int left = addEdge(cell.left);
        spans.append({left, addEdge(cell.right)});
    }
    const qsizetype columns = edges.size() - 1;
    const qsizetype cellCount = table_.cellCount + row.cells.size();
    // A row that does not fit the table's columns starts a table of its own;
    // the grid never grows beyond a few times the cells read.
    if (tableOpen_ && (columns > MaxColumns || columns * (table_.rows.size() + 1) > 4 * cellCount)) {
        closeTable();
        appendRow(std::move(row));
        return;
    }
    for (qsizetype i = 0; i < row.cells.size(); ++i) {
        row.cells[i].left = spans[i].first;
        row.cells[i].right = spans[i].second;
    }
    tableOpen_ = true;
    table_.edges = edges;
    table_.cellCount = cellCount;
    table_.alignment = rowAlignment_;
    table_.rows.append(std::move(row));
}

void Parser::closeTable()
{
    if (!tableOpen_)
        return;
    blocks_.append(std::move(table_));
    table_ = Table{};
    tableOpen_ = false;
}

void Parser::closeGroup()
{
    leadByte_ = -1;
    if (state_.destination == Destination::FontTable)
        storeFontName();
}

void Parser::storeFontName()
{
    // Qt asks the system for every face a document names, which costs time
    // and memory for as long as the program runs; real documents name a few.
    if (fontNumber_ >= 0 && (fonts_.size() < MaxFonts || fonts_.contains(fontNumber_))) {
        FontInfo font = font_;
        font.name = font.name.trimmed();
        fonts_.insert(fontNumber_, font);
    }
    fontNumber_ = -1;
    font_ = FontInfo{};
}

void Parser::storeColour()
{
    if (colours_.size() < MaxColours)
        colours_.append(red_ < 0 && green_ < 0 && blue_ < 0
                            ? QColor()
                            : QColor(std::max(red_, 0), std::max(green_, 0), std::max(blue_, 0)));
    red_ = green_ = blue_ = -1;
}

} // namespace

namespace {

QTextCharFormat Parser::charFormat(const CharState &chars) const
{
    // Runs alternate between a few formats; make each once.
    if (const auto it = formats_.constFind(chars); it != formats_.constEnd())
        return *it;
    QTextCharFormat format;
    format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
    format.setFontItalic(chars.italic);
    format.setFontStrikeOut(chars.strike);
    switch (chars.underline) {
    case Underline::None: format.setFontUnderline(false); break;
    case Underline::Single: format.setUnderlineStyle(QTextCharFormat::SingleUnderline); break;
    case Underline::Dotted: format.setUnderlineStyle(QTextCharFormat::DotLine); break;
    case Underline::Dashed: format.setUnderlineStyle(QTextCharFormat::DashUnderline); break;
    case Underline::Wave: format.setUnderlineStyle(QTextCharFormat::WaveUnderline); break;
    }
    if (chars.vertical == Vertical::Super)
        format.setVerticalAlignment(QTextCharFormat::AlignSuperScript);
    else if (chars.vertical == Vertical::Sub)
        format.setVerticalAlignment(QTextCharFormat::AlignSubScript);
    if (chars.caps == Caps::All)
        format.setFontCapitalization(QFont::AllUppercase);
    else if (chars.caps == Caps::Small)
        format.setFontCapitalization(QFont::SmallCaps);
    format.setFontPointSize(chars.halfPoints / 2.0);
    const QString family = fonts_.value(chars.font < 0 ? defaultFont_ : chars.font).name;
    if (!family.isEmpty())
        format.setFontFamilies(QStringList{family});
    if (chars.colour > 0 && chars.colour < colours_.size() && colours_[chars.colour].isValid())
        format.setForeground(colours_[chars.colour]);
    if (chars.background > 0 && chars.background < colours_.size() && colours_[chars.background].isValid())
        format.setBackground(colours_[chars.background]);
    if (formats_.size() < 4096)
        formats_.insert(chars, format);
    return format;
}

QTextBlockFormat Parser::blockFormat(const Paragraph &paragraph) const
{
    const ParagraphState &f = paragraph.format;
    QTextBlockFormat block;
    block.setAlignment(f.alignment);
    block.setLeftMargin(toPixels(std::max(f.leftIndent, 0)));
    block.setRightMargin(toPixels(std::max(f.rightIndent, 0)));
    block.setTextIndent(toPixels(f.firstLineIndent));
    block.setTopMargin(toPixels(f.spaceBefore));
    block.setBottomMargin(toPixels(f.spaceAfter));
    if (f.lineSpacing != 0) {
        if (f.lineMultiple && f.lineSpacing > 0)
            block.setLineHeight(f.lineSpacing * 100.0 / 240.0, QTextBlockFormat::ProportionalHeight);
        else if (f.lineSpacing > 0)
            block.setLineHeight(toPixels(f.lineSpacing), QTextBlockFormat::MinimumHeight);
        else
            block.setLineHeight(toPixels(-f.lineSpacing), QTextBlockFormat::FixedHeight);
    }
    if (!f.tabs.isEmpty()) {
        QList<QTextOption::Tab> tabs;
        for (const TabStop &stop : f.tabs)
            tabs.append(QTextOption::Tab(toPixels(stop.position), stop.type,
                                         stop.type == QTextOption::DelimiterTab ? QLatin1Char('.') : QChar()));
        std::sort(tabs.begin(), tabs.end(), [](const auto &a, const auto &b) { return a.position < b.position; });
        block.setTabPositions(tabs);
    }
    if (paragraph.pageBreak)
        block.setPageBreakPolicy(QTextFormat::PageBreak_AlwaysBefore);
    return block;
}

// The value of a list marker's number in a style, 0 when it is not one.
int markerValue(const QString &core, QTextListFormat::Style style)
{
    if (core.isEmpty() || core.size() > 9)
        return 0;
    switch (style) {
    case QTextListFormat::ListDecimal: {
        bool ok = false;
        const int value = core.toInt(&ok);
        return ok && value > 0 && core[0] != QLatin1Char('0') ? value : 0;
    }
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha: {
        // a..z, then aa..az as Qt counts.
        const QChar base = style == QTextListFormat::ListLowerAlpha ? QLatin1Char('a') : QLatin1Char('A');
        if (core.size() > 2)
            return 0;
        int value = 0;
        for (QChar c : core) {
            const int digit = c.unicode() - base.unicode();
            if (digit < 0 || digit > 25)
                return 0;
            value = value * 26 + digit + 1;
        }
        return value;
    }
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman: {
        const bool lower = style == QTextListFormat::ListLowerRoman;
        static const QString digits = QStringLiteral("ivxlcdm");
        static const int values[] = {1, 5, 10, 50, 100, 500, 1000};
        int value = 0;
        int previous = 0;
        for (qsizetype i = core.size() - 1; i >= 0; --i) {
            const QChar c = core[i];
            if (c.isLower() != lower)
                return 0;
            const qsizetype at = digits.indexOf(c.toLower());
            if (at < 0)
                return 0;
            const int v = values[at];
            value += v < previous ? -v : v;
            previous = std::max(previous, v);
        }
        return value;
    }
    default:
        return 0;
    }
}

// The style Qt draws for a one-character bullet; ListStyleUndefined when the
// marker is no bullet it knows.
QTextListFormat::Style bulletStyle(const QString &marker)
{
    if (marker.size() != 1)
        return QTextListFormat::ListStyleUndefined;
    const char16_t c = marker[0].unicode();
    if (c == 0x2022 || c == 0x25CF || c == 0x00B7 || c == 0x2219)
        return QTextListFormat::ListDisc;
    if (c == 0x25E6 || c == 0x25CB || c == u'o')
        return QTextListFormat::ListCircle;
    if (c == 0x25AA || c == 0x25A0 || c == 0x25FE)
        return QTextListFormat::ListSquare;
    return QTextListFormat::ListStyleUndefined;
}

// Prefix, number or letters, suffix: "1.", "(a)", "iv)"; nothing for other markers.
std::optional<NumberMarker> splitMarker(const QString &marker)
{
    qsizetype begin = 0;
    while (begin < marker.size() && !marker[begin].isLetterOrNumber())
        ++begin;
    qsizetype end = begin;
    while (end < marker.size() && marker[end].isLetterOrNumber())
        ++end;
    if (begin == end || end - begin > 9 || begin > 2 || marker.size() - end > 2)
        return std::nullopt;
    NumberMarker parts{marker.left(begin), marker.mid(begin, end - begin), marker.mid(end)};
    for (QChar c : parts.prefix + parts.suffix) {
        if (c.isLetterOrNumber() || c.isSpace())
            return std::nullopt;
    }
    return parts;
}

void Parser::startList(QTextCursor &cursor, ListInUse &inUse, const QTextListFormat &format)
{
    inUse.list = cursor.createList(format);
    inUse.style = format.style();
    inUse.items = 1;
}

void Parser::continueList(QTextCursor &cursor, ListInUse &inUse)
{
    inUse.list->add(cursor.block());
    ++inUse.items;
}

void Parser::addBulletItem(QTextCursor &cursor, ListInUse &inUse, QTextListFormat::Style style)
{
    // A bulleted list interrupted by other paragraphs starts anew:
    // it looks the same and keeps Qt's lists short.
    if (!inUse.list || inUse.style != style || inUse.items >= MaxListItems
        || inUse.lastBlock != cursor.block().previous().blockNumber()) {
        QTextListFormat format;
        format.setIndent(0);
        format.setStyle(style);
        startList(cursor, inUse, format);
    } else {
        continueList(cursor, inUse);
    }
    inUse.lastBlock = cursor.block().blockNumber();
}

// The next item of the list in use, or the first item of a new one; false
// when the marker is neither.
bool Parser::addNumberedItem(QTextCursor &cursor, ListInUse &inUse, const NumberMarker &marker)
{
    if (inUse.list && inUse.list->format().numberPrefix() == marker.prefix
        && inUse.list->format().numberSuffix() == marker.suffix && inUse.items < MaxListItems
        && markerValue(marker.core, inUse.style) == inUse.items + 1) {
        continueList(cursor, inUse);
        return true;
    }
    const QTextListFormat::Style styles[] = {QTextListFormat::ListDecimal, QTextListFormat::ListLowerRoman,
                                             QTextListFormat::ListUpperRoman, QTextListFormat::ListLowerAlpha,
                                             QTextListFormat::ListUpperAlpha};
    for (QTextListFormat::Style style : styles) {
        if (markerValue(marker.core, style) != 1)
            continue;
        QTextListFormat format;
        format.setIndent(0);
        format.setStyle(style);
        format.setNumberPrefix(marker.prefix);
        format.setNumberSuffix(marker.suffix);
        startList(cursor, inUse, format);
        return true;
    }
    return false;
}

// Makes the paragraph an item of a QTextList when Qt can draw the writer's
// marker: a plain bullet, or a number or letter with a prefix and suffix
// that follows the items before it. Otherwise false: the caller shows the
// marker as text.
bool Parser::makeListItem(QTextCursor &cursor, const Paragraph &paragraph)
{
    QString marker;
    for (const Run &run : paragraph.listText)
        marker += run.text;
    marker = marker.trimmed();
    if (marker.isEmpty() || marker.size() > 12)
        return false;

    ListInUse &inUse = lists_[{paragraph.format.list, paragraph.format.listLevel}];
    const QTextListFormat::Style bullet = bulletStyle(marker);
    if (bullet != QTextListFormat::ListStyleUndefined) {
        addBulletItem(cursor, inUse, bullet);
        return true;
    }
    const std::optional<NumberMarker> parts = splitMarker(marker);
    return parts && addNumberedItem(cursor, inUse, *parts);
}

void Parser::insertParagraph(QTextCursor &cursor, const Paragraph &paragraph, bool reuseBlock, bool topLevel)
{
    QTextBlockFormat block = blockFormat(paragraph);
    const QTextCharFormat mark = charFormat(paragraph.mark);
    const bool listItem = !paragraph.listText.isEmpty() && paragraph.format.list > 0 && topLevel;
    if (listItem) {
        // Qt draws the marker in the hanging part of the indent.
        block.setTextIndent(0);
    }
    if (reuseBlock) {
        cursor.setBlockFormat(block);
        cursor.setBlockCharFormat(mark);
    } else {
        cursor.insertBlock(block, mark);
    }
    if (!listItem || !makeListItem(cursor, paragraph)) {
        if (listItem)
            cursor.setBlockFormat(blockFormat(paragraph));
        for (const Run &run : paragraph.listText)
            cursor.insertText(run.text, charFormat(run.chars));
    }
    for (const Run &run : paragraph.runs)
        cursor.insertText(run.text, charFormat(run.chars));
}

// Single ruled borders; columns as wide as the writer's cell edges say.
QTextTableFormat tableFormat(const Table &table, qsizetype columns)
{
    QTextTableFormat format;
    format.setBorder(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Solid);
    format.setBorderCollapse(true);
    format.setCellPadding(3);
    format.setCellSpacing(0);
    format.setAlignment(table.alignment);
    QList<QTextLength> widths;
    for (qsizetype c = 0; c < columns; ++c) {
        const int width = c + 1 < table.edges.size() ? table.edges[c + 1] - table.edges[c] : 1440;
        widths.append(QTextLength(QTextLength::FixedLength, toPixels(std::max(width, 15))));
    }
    format.setColumnWidthConstraints(widths);
    return format;
}

// The column of a cell edge among the table's edges.
int edgeColumn(const Table &table, int edge)
{
    return int(std::lower_bound(table.edges.begin(), table.edges.end(), edge) - table.edges.begin());
}

// Notes the merge a cell starts or extends. openDown holds, per column, the
// merge a cell below may join.
void noteMerge(QList<CellMerge> &merges, QList<qsizetype> &openDown, const Cell &cell, int row, int column,
               int span)
{
    if (cell.mergeWithAbove && openDown[column] >= 0 && merges[openDown[column]].column == column
        && merges[openDown[column]].columns == span) {
        ++merges[openDown[column]].rows;
    } else if (span > 1 || cell.mergeDownFirst) {
        merges.append(CellMerge{row, column, 1, span});
        if (cell.mergeDownFirst)
            openDown[column] = merges.size() - 1;
    }
    if (!cell.mergeWithAbove && !cell.mergeDownFirst)
        openDown[column] = -1;
}

void Parser::fillCell(QTextTableCell tableCell, const Cell &cell)
{
    QTextCursor inCell = tableCell.lastCursorPosition();
    bool first = inCell.block().length() <= 1 && inCell.block() == tableCell.firstCursorPosition().block();
    for (const Paragraph &paragraph : cell.paragraphs) {
        insertParagraph(inCell, paragraph, first, false);
        first = false;
    }
    // The cell's format is that of its first block's mark: set after the text.
    if (cell.shading > 0 && cell.shading < colours_.size() && colours_[cell.shading].isValid()) {
        QTextCharFormat cellFormat = tableCell.format();
        cellFormat.setBackground(colours_[cell.shading]);
        tableCell.setFormat(cellFormat);
    }
}

void Parser::mergeCells(QTextTable *table, const QList<CellMerge> &merges)
{
    for (const CellMerge &m : merges) {
        if (m.rows * m.columns <= 1)
            continue;
        if (merges_ >= MaxMerges)
            break;
        ++merges_;
        table->mergeCells(m.row, m.column, m.rows, m.columns);
    }
}

void Parser::insertTable(QTextCursor &cursor, const Table &table)
{
    const qsizetype columns = std::max<qsizetype>(table.edges.size() - 1, 1);
    const qsizetype rows = table.rows.size();
    QTextTable *t = cursor.insertTable(int(rows), int(columns), tableFormat(table, columns));
    QList<CellMerge> merges;
    QList<qsizetype> openDown(columns, -1);
    for (qsizetype r = 0; r < rows; ++r) {
        int next = 0;
        for (const Cell &cell : table.rows[r].cells) {
            int column = std::max(edgeColumn(table, cell.left), next);
            int span = std::max(edgeColumn(table, cell.right) - column, 1);
            if (column >= columns) {
                // No column left: the text goes to the row's last cell.
                column = int(columns) - 1;
                span = 1;
            }
            span = std::min<int>(span, int(columns) - column);
            next = column + span;
            fillCell(t->cellAt(int(r), column), cell);
            noteMerge(merges, openDown, cell, int(r), column, span);
        }
    }
    mergeCells(t, merges);
    cursor = t->lastCursorPosition();
    cursor.movePosition(QTextCursor::NextBlock);
}

void Parser::fill(QTextDocument *doc)
{
    // One edit block: the document is laid out once, at the end, not again
    // for every run of text.
    const bool undo = doc->isUndoRedoEnabled();
    doc->setUndoRedoEnabled(false);
    doc->clear();
    QTextOption option = doc->defaultTextOption();
    option.setTabStopDistance(toPixels(defaultTab_));
    doc->setDefaultTextOption(option);
    QTextCursor cursor(doc);
    cursor.beginEditBlock();
    bool reuse = true; // the document's first block, or the one after a table
    for (const Block &block : blocks_) {
        if (const Paragraph *paragraph = std::get_if<Paragraph>(&block)) {
            insertParagraph(cursor, *paragraph, reuse, true);
            reuse = false;
        } else {
            insertTable(cursor, std::get<Table>(block));
            reuse = true;
        }
    }
    cursor.endEditBlock();
    doc->setUndoRedoEnabled(undo);
}

QString notRichText(const QString &what)
{
    return QStringLiteral("%1 no es un documento de texto enriquecido válido.").arg(what);
}

bool load(const QByteArray &rtf, const QString &what, QTextDocument *doc, QString *errorDescription)
{
    Parser parser(rtf);
    if (!parser.parse()) {
        if (errorDescription)
            *errorDescription = notRichText(what);
        return false;
    }
    if (doc)
        parser.fill(doc);
    return true;
}

} // namespace

bool loadRtf(const QByteArray &rtf, QTextDocument *doc, QString *errorDescription)
{
    return load(rtf, QStringLiteral("El texto"), doc, errorDescription);
}

bool loadRtfFile(const QString &path, QTextDocument *doc, QString *errorDescription)
{
    const QString shown = QDir::toNativeSeparators(path);
    auto fail = [&](const QString &description) {
        if (errorDescription)
            *errorDescription = description;
        return false;
    };
    const QFileInfo info(path);
    if (!info.exists())
        return fail(QStringLiteral("No se encuentra el archivo %1.").arg(shown));
    if (!info.isFile())
        return fail(QStringLiteral("%1 no es un archivo.").arg(shown));
    if (info.size() > MaxFileSize)
        return fail(QStringLiteral("El archivo %1 es demasiado grande para mostrarse.").arg(shown));
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return fail(QStringLiteral("No se puede leer el archivo %1: %2.").arg(shown, file.errorString()));
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (file.error() != QFileDevice::NoError)
        return fail(QStringLiteral("No se puede leer el archivo %1: %2.").arg(shown, file.errorString()));
    return load(bytes, QStringLiteral("El archivo %1").arg(shown), doc, errorDescription);
}

} // namespace korim::platform

#include "platform/rtf.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QList>
#include <QTextBlockFormat>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>

#include <algorithm>

namespace korim::platform {

namespace {

// Deeper nesting than any word processor writes; beyond it the input is
// refused rather than followed.
constexpr int MaxDepth = 512;
constexpr qint64 MaxFileSize = 64 * 1024 * 1024;
constexpr int DefaultHalfPoints = 24;
constexpr int MaxHalfPoints = 2000;

// Windows-1252 bytes 0x80-0x9F; the rest of the upper half is Latin-1.
constexpr char16_t Cp1252High[32] = {
    0x20AC, 0xFFFD, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
    0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0xFFFD, 0x017D, 0xFFFD,
    0xFFFD, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
    0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0xFFFD, 0x017E, 0x0178,
};

QChar decodeCp1252(unsigned char byte)
{
    if (byte >= 0x80 && byte < 0xA0)
        return QChar(Cp1252High[byte - 0x80]);
    return QChar(static_cast<char16_t>(byte));
}

struct CharState {
    bool bold = false;
    bool italic = false;
    bool underline = false;
    int halfPoints = DefaultHalfPoints;
    int font = -1; // -1: the document's default font

    bool operator==(const CharState &) const = default;
};

enum class Destination { Text, Skip, FontTable };

// Paragraph properties; indents and spacing in twips.
struct ParagraphState {
    Qt::Alignment alignment = Qt::AlignLeft;
    int leftIndent = 0;
    int rightIndent = 0;
    int firstLineIndent = 0;
    int spaceBefore = 0;
    int spaceAfter = 0;
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
    QList<Run> runs;
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

// Destinations whose content is not document text.
bool isSkippedDestination(const QByteArray &word)
{
    static const QList<QByteArray> words = {
        "colortbl", "stylesheet", "info", "pict", "header", "headerl", "headerr", "headerf",
        "footer", "footerl", "footerr", "footerf", "footnote", "fldinst", "object", "objdata",
        "themedata", "colorschememapping", "latentstyles", "datastore", "xmlnstbl", "listtable",
        "listoverridetable", "rsidtbl", "generator", "filetbl", "revtbl", "pgdptbl", "shppict",
        "nonshppict", "bkmkstart", "bkmkend", "annotation", "atnid", "atnauthor", "private",
        "template", "userprops", "xe", "tc", "txe", "mmathPr", "wgrffmtfilter", "pntxta", "pntxtb"};
    return words.contains(word);
}

class Parser {
public:
    explicit Parser(const QByteArray &input) : in_(input) {}

    bool parse()
    {
        qsizetype start = 0;
        if (in_.startsWith("\xEF\xBB\xBF"))
            start = 3;
        while (start < in_.size() && (in_[start] == ' ' || in_[start] == '\r' || in_[start] == '\n' || in_[start] == '\t'))
            ++start;
        if (in_.mid(start, 5) != "{\\rtf")
            return false;
        pos_ = start;

        while (pos_ < in_.size()) {
            const char c = in_[pos_];
            if (c == '{') {
                ++pos_;
                if (stack_.size() >= MaxDepth)
                    return false;
                stack_.append(state_);
                skipPending_ = 0;
            } else if (c == '}') {
                ++pos_;
                closeGroup();
                if (stack_.isEmpty())
                    break; // the document's own group ended; anything after it is not read
                state_ = stack_.takeLast();
                skipPending_ = 0;
            } else if (c == '\\') {
                ++pos_;
                controlSequence();
            } else {
                ++pos_;
                if (c == '\r' || c == '\n')
                    continue;
                if (c == '\t') {
                    text(QLatin1Char('\t'));
                    continue;
                }
                byte(static_cast<unsigned char>(c));
            }
        }
        // A missing closing brace at the end is forgiven, as word processors do.
        if (!current_.runs.isEmpty() || paragraphs_.isEmpty())
            endParagraph();
        return true;
    }

    void fill(QTextDocument *doc) const
    {
        doc->clear();
        QTextCursor cursor(doc);
        bool first = true;
        for (const Paragraph &paragraph : paragraphs_) {
            if (!first)
                cursor.insertBlock();
            first = false;
            QTextBlockFormat block = cursor.blockFormat();
            const ParagraphState &f = paragraph.format;
            block.setAlignment(f.alignment);
            block.setLeftMargin(toPixels(f.leftIndent));
            block.setRightMargin(toPixels(f.rightIndent));
            block.setTextIndent(toPixels(f.firstLineIndent));
            block.setTopMargin(toPixels(f.spaceBefore));
            block.setBottomMargin(toPixels(f.spaceAfter));
            cursor.setBlockFormat(block);
            for (const Run &run : paragraph.runs)
                cursor.insertText(run.text, charFormat(run.chars));
        }
    }

private:
    // Screen pixels at 96 dots per inch; a twip is 1/1440 inch.
    static qreal toPixels(int twips) { return twips / 15.0; }

    QTextCharFormat charFormat(const CharState &chars) const
    {
        QTextCharFormat format;
        format.setFontWeight(chars.bold ? QFont::Bold : QFont::Normal);
        format.setFontItalic(chars.italic);
        format.setFontUnderline(chars.underline);
        format.setFontPointSize(chars.halfPoints / 2.0);
        const QString family = fonts_.value(chars.font < 0 ? defaultFont_ : chars.font);
        if (!family.isEmpty())
            format.setFontFamilies(QStringList{family});
        return format;
    }

    void controlSequence()
    {
        if (pos_ >= in_.size())
            return;
        const char c = in_[pos_];
        if (!isLetter(c)) {
            ++pos_;
            controlSymbol(c);
            return;
        }
        QByteArray word;
        while (pos_ < in_.size() && isLetter(in_[pos_])) {
            if (word.size() < 32)
                word += in_[pos_];
            ++pos_;
        }
        bool hasParam = false;
        bool negative = false;
        qint64 param = 0;
        if (pos_ < in_.size() && in_[pos_] == '-' && pos_ + 1 < in_.size() && isDigit(in_[pos_ + 1])) {
            negative = true;
            ++pos_;
        }
        while (pos_ < in_.size() && isDigit(in_[pos_])) {
            hasParam = true;
            if (param < 100000000000LL)
                param = param * 10 + (in_[pos_] - '0');
            ++pos_;
        }
        if (pos_ < in_.size() && in_[pos_] == ' ')
            ++pos_;
        param = std::clamp<qint64>(negative ? -param : param, -2147483647LL, 2147483647LL);
        controlWord(word, hasParam, static_cast<int>(param));
    }

    void controlSymbol(char c)
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
            }
            break;
        }
        case '*':
            state_.destination = Destination::Skip;
            break;
        case '~':
            text(QChar(0x00A0));
            break;
        case '_':
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
    bool consumeSkipped()
    {
        if (skipPending_ <= 0)
            return false;
        --skipPending_;
        return true;
    }

    void controlWord(const QByteArray &word, bool hasParam, int param)
    {
        if (word == "bin") {
            // Raw bytes follow; they are never text.
            const qint64 count = hasParam && param > 0 ? param : 0;
            pos_ += std::min<qint64>(count, in_.size() - pos_);
            consumeSkipped();
            return;
        }
        if (consumeSkipped())
            return;
        if (state_.destination == Destination::Skip)
            return;
        if (word == "fonttbl") {
            state_.destination = Destination::FontTable;
            return;
        }
        if (isSkippedDestination(word)) {
            state_.destination = Destination::Skip;
            return;
        }
        if (state_.destination == Destination::FontTable) {
            if (word == "f" && hasParam) {
                storeFontName();
                fontNumber_ = param;
            }
            return;
        }

        const bool on = !hasParam || param != 0;
        if (word == "par" || word == "page" || word == "sect" || word == "row") {
            endParagraph();
        } else if (word == "line") {
            text(QChar(QChar::LineSeparator));
        } else if (word == "tab" || word == "cell") {
            text(QLatin1Char('\t'));
        } else if (word == "pard") {
            state_.paragraph = ParagraphState{};
        } else if (word == "plain") {
            state_.chars = CharState{};
        } else if (word == "b") {
            state_.chars.bold = on;
        } else if (word == "i") {
            state_.chars.italic = on;
        } else if (word == "ul" || word == "uld" || word == "uldb" || word == "ulw" || word == "uldash"
                   || word == "ulth") {
            state_.chars.underline = on;
        } else if (word == "ulnone") {
            state_.chars.underline = false;
        } else if (word == "fs") {
            if (hasParam && param > 0)
                state_.chars.halfPoints = std::min(param, MaxHalfPoints);
            else
                state_.chars.halfPoints = DefaultHalfPoints;
        } else if (word == "f") {
            if (hasParam)
                state_.chars.font = param;
        } else if (word == "deff") {
            if (hasParam)
                defaultFont_ = param;
        } else if (word == "qc") {
            state_.paragraph.alignment = Qt::AlignHCenter;
        } else if (word == "ql") {
            state_.paragraph.alignment = Qt::AlignLeft;
        } else if (word == "qr") {
            state_.paragraph.alignment = Qt::AlignRight;
        } else if (word == "qj") {
            state_.paragraph.alignment = Qt::AlignJustify;
        } else if (word == "li") {
            state_.paragraph.leftIndent = twips(hasParam, param);
        } else if (word == "ri") {
            state_.paragraph.rightIndent = twips(hasParam, param);
        } else if (word == "fi") {
            state_.paragraph.firstLineIndent = twips(hasParam, param);
        } else if (word == "sb") {
            state_.paragraph.spaceBefore = std::max(twips(hasParam, param), 0);
        } else if (word == "sa") {
            state_.paragraph.spaceAfter = std::max(twips(hasParam, param), 0);
        } else if (word == "uc") {
            state_.unicodeSkip = hasParam ? std::max(param, 0) : 1;
        } else if (word == "u") {
            if (hasParam) {
                const int unit = param < 0 ? param + 65536 : param;
                text(QChar(static_cast<char16_t>(unit & 0xFFFF)));
                skipPending_ = state_.unicodeSkip;
            }
        } else if (word == "emdash") {
            text(QChar(0x2014));
        } else if (word == "endash") {
            text(QChar(0x2013));
        } else if (word == "bullet") {
            text(QChar(0x2022));
        } else if (word == "lquote") {
            text(QChar(0x2018));
        } else if (word == "rquote") {
            text(QChar(0x2019));
        } else if (word == "ldblquote") {
            text(QChar(0x201C));
        } else if (word == "rdblquote") {
            text(QChar(0x201D));
        } else if (word == "emspace" || word == "enspace" || word == "qmspace") {
            text(QLatin1Char(' '));
        }
        // Every other control word changes nothing we show.
    }

    // Indents beyond a page width are nonsense; keep them on the page.
    static int twips(bool hasParam, int param)
    {
        constexpr int PageWidth = 22 * 1440;
        return hasParam ? std::clamp(param, -PageWidth, PageWidth) : 0;
    }

    void byte(unsigned char b)
    {
        if (consumeSkipped())
            return;
        switch (state_.destination) {
        case Destination::Skip:
            return;
        case Destination::FontTable:
            if (b == ';')
                storeFontName();
            else if (fontNumber_ >= 0)
                fontName_ += decodeCp1252(b);
            return;
        case Destination::Text:
            if (b < 0x20)
                return;
            text(decodeCp1252(b));
            return;
        }
    }

    void text(QChar c)
    {
        if (state_.destination != Destination::Text)
            return;
        if (current_.runs.isEmpty() || !(current_.runs.last().chars == state_.chars))
            current_.runs.append(Run{QString(), state_.chars});
        current_.runs.last().text += c;
    }

    void endParagraph()
    {
        // A paragraph takes the alignment in effect when it ends.
        current_.format = state_.paragraph;
        paragraphs_.append(std::move(current_));
        current_ = Paragraph{};
    }

    void closeGroup()
    {
        if (state_.destination == Destination::FontTable)
            storeFontName();
    }

    void storeFontName()
    {
        if (fontNumber_ >= 0) {
            const QString name = fontName_.trimmed();
            if (!name.isEmpty())
                fonts_.insert(fontNumber_, name);
        }
        fontNumber_ = -1;
        fontName_.clear();
    }

    const QByteArray &in_;
    qsizetype pos_ = 0;
    GroupState state_;
    QList<GroupState> stack_;
    int skipPending_ = 0;

    QHash<int, QString> fonts_;
    int defaultFont_ = 0;
    int fontNumber_ = -1;
    QString fontName_;

    QList<Paragraph> paragraphs_;
    Paragraph current_;
};

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

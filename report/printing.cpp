#include "report/printing.h"

#include "data/folder.h"
#include "platform/messages.h"
#include "platform/rtf.h"

#include <QAbstractTextDocumentLayout>
#include <QDir>
#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QPageLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextLayout>
#include <QTextList>

#include <cmath>
#include <memory>

namespace korim::report {

namespace {

QString fixedPitchFamily()
{
    static const QString family = [] {
        const QStringList families = QFontDatabase::families();
        for (const char *wanted : {"Courier New", "Liberation Mono"}) {
            const QString name = QString::fromLatin1(wanted);
            if (families.contains(name, Qt::CaseInsensitive))
                return name;
        }
        // Whatever the system resolves a fixed-pitch request to.
        return QFontDatabase::systemFont(QFontDatabase::FixedFont).family();
    }();
    return family;
}

// The longest line by characters; with a fixed pitch it is the widest.
QString longestLine(const QStringList &lines)
{
    QString longest;
    for (const QString &line : lines) {
        if (line.size() > longest.size())
            longest = line;
    }
    return longest;
}

qreal advanceAt(const QString &line, qreal pointSize, QPaintDevice *device)
{
    return QFontMetricsF(fixedPitchFont(pointSize), device).horizontalAdvance(line);
}

// The considerations are laid out in inches at 96 dots each (the RTF
// reader's indents are such pixels) and scaled onto the printer.
constexpr qreal kLayoutDpi = 96.0;

// A block the layout would paint on more than one page: the layout paints a
// block whole and leaves the page's clip to hide what falls outside, so the
// hidden lines would still be in the page's text. Such blocks are painted
// here line by line instead, each line on the page that holds it.
struct SplitBlock {
    QTextBlock block;
    QRectF rect; // in the document; its top left is where the lines are drawn from
};

QList<SplitBlock> blocksOnSeveralPages(const QTextDocument &doc, qreal pageHeight, int pages)
{
    QList<SplitBlock> split;
    const QAbstractTextDocumentLayout *layout = doc.documentLayout();
    for (QTextBlock block = doc.begin(); block.isValid(); block = block.next()) {
        if (!block.isVisible() || !block.layout() || block.layout()->lineCount() == 0)
            continue;
        const QRectF r = layout->blockBoundingRect(block);
        // The layout's own test of a block against a page's clip.
        int drawnOn = 0;
        for (int k = 0; k < pages && drawnOn < 2; ++k) {
            if (!(r.bottom() < k * pageHeight || r.top() > (k + 1) * pageHeight))
                ++drawnOn;
        }
        if (drawnOn > 1)
            split.append({block, r});
    }
    return split;
}

// A list item's bullet or number, placed and drawn as the layout does it for
// a block it paints itself.
void drawListMarker(QPainter &painter, const QTextBlock &block, const QPointF &origin, const QPalette &palette,
                    QPaintDevice *device)
{
    const QTextList *list = block.textList();
    if (!list)
        return;
    int style = list->format().style();
    if (block.blockFormat().hasProperty(QTextFormat::ListStyle))
        style = block.blockFormat().intProperty(QTextFormat::ListStyle);
    const QTextCharFormat charFormat = QTextCursor(block).charFormat();
    const QFont font = device ? QFont(charFormat.font(), device) : charFormat.font();
    const QFontMetrics metrics(font);

    const QTextLine first = block.layout()->lineAt(0);
    const Qt::LayoutDirection direction = block.textDirection();
    QPointF pos = origin.toPoint();
    const QRectF firstRect = first.naturalTextRect();
    pos += firstRect.topLeft().toPoint();
    if (direction == Qt::RightToLeft)
        pos.rx() += firstRect.width();

    QString number;
    QSizeF size;
    switch (style) {
    case QTextListFormat::ListDecimal:
    case QTextListFormat::ListLowerAlpha:
    case QTextListFormat::ListUpperAlpha:
    case QTextListFormat::ListLowerRoman:
    case QTextListFormat::ListUpperRoman:
        number = list->itemText(block);
        size = QSizeF(metrics.horizontalAdvance(number), metrics.height());
        break;
    case QTextListFormat::ListSquare:
    case QTextListFormat::ListCircle:
    case QTextListFormat::ListDisc:
        size = QSizeF(metrics.lineSpacing() / 3, metrics.lineSpacing() / 3);
        break;
    default:
        return;
    }
    QRectF r(pos, size);
    const qreal gap = metrics.horizontalAdvance(QLatin1Char(' '));
    r.translate(direction == Qt::LeftToRight ? -gap - size.width() : gap, (metrics.height() / 2) - (size.height() / 2));

    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    const QBrush foreground = charFormat.foreground();
    painter.setPen(QPen(foreground.style() == Qt::NoBrush ? palette.text() : foreground, 0));
    const QBrush brush = palette.brush(QPalette::Text);
    switch (style) {
    case QTextListFormat::ListSquare:
        painter.fillRect(r, brush);
        break;
    case QTextListFormat::ListCircle:
        painter.setPen(QPen(brush, 0));
        painter.drawEllipse(r.translated(0.5, 0.5));
        break;
    case QTextListFormat::ListDisc:
        painter.setBrush(brush);
        painter.setPen(Qt::NoPen);
        painter.drawEllipse(r);
        break;
    default: {
        QTextLayout layout(number, font, device);
        layout.setCacheEnabled(true);
        QTextOption option(Qt::AlignLeft | Qt::AlignAbsolute);
        option.setTextDirection(direction);
        layout.setTextOption(option);
        layout.beginLayout();
        QTextLine line = layout.createLine();
        if (line.isValid())
            line.setLeadingIncluded(true);
        layout.endLayout();
        layout.draw(&painter, QPointF(r.left(), pos.y()));
        break;
    }
    }
    painter.restore();
}

// The lines of a split block whose middle falls on page (document
// coordinates), with the block's background and, on its first line's page,
// its list marker.
void drawSplitBlock(QPainter &painter, const SplitBlock &split, const QRectF &page, const QPalette &palette,
                    QPaintDevice *device)
{
    QTextLayout *layout = split.block.layout();
    bool begun = false;
    for (int n = 0; n < layout->lineCount(); ++n) {
        const QTextLine line = layout->lineAt(n);
        const qreal middle = split.rect.top() + line.y() + line.height() / 2;
        if (middle < page.top() || middle >= page.bottom())
            continue;
        if (!begun) {
            begun = true;
            const QBrush background = split.block.blockFormat().background();
            if (background.style() != Qt::NoBrush) {
                painter.save();
                painter.setBrushOrigin(split.rect.topLeft());
                painter.fillRect(split.rect, background);
                painter.restore();
            }
            if (n == 0)
                drawListMarker(painter, split.block, split.rect.topLeft(), palette, device);
            painter.setPen(palette.color(QPalette::Text));
        }
        line.draw(&painter, split.rect.topLeft());
    }
}

void printConsiderations(QPainter &painter, QPrinter &printer, const QTextDocument &source)
{
    std::unique_ptr<QTextDocument> doc(source.clone());
    QImage layoutDevice(1, 1, QImage::Format_RGB32);
    layoutDevice.setDotsPerMeterX(qRound(kLayoutDpi / 0.0254));
    layoutDevice.setDotsPerMeterY(qRound(kLayoutDpi / 0.0254));
    doc->documentLayout()->setPaintDevice(&layoutDevice);
    doc->setUseDesignMetrics(true);
    doc->setDocumentMargin(0);

    const QRectF pageInches = printer.pageRect(QPrinter::Inch);
    const QSizeF page(pageInches.width() * kLayoutDpi, pageInches.height() * kLayoutDpi);
    doc->setPageSize(page);
    const int pages = doc->pageCount();
    const qreal scale = printer.resolution() / kLayoutDpi;
    QList<SplitBlock> split = blocksOnSeveralPages(*doc, page.height(), pages);
    const QAbstractTextDocumentLayout::PaintContext context;

    for (int i = 0; i < pages; ++i) {
        printer.newPage();
        const QRectF pageRect(0, i * page.height(), page.width(), page.height());
        painter.save();
        painter.scale(scale, scale);
        painter.translate(0, -i * page.height());
        painter.setClipRect(pageRect);
        // Hidden only from the layout's painting: it is not laid out again.
        for (SplitBlock &s : split)
            s.block.setVisible(false);
        QAbstractTextDocumentLayout::PaintContext pageContext = context;
        pageContext.clip = pageRect;
        doc->documentLayout()->draw(&painter, pageContext);
        for (SplitBlock &s : split)
            s.block.setVisible(true);
        for (const SplitBlock &s : std::as_const(split))
            drawSplitBlock(painter, s, pageRect, context.palette, &layoutDevice);
        painter.restore();
    }
}

} // namespace

QFont fixedPitchFont(qreal pointSize)
{
    QFont font(fixedPitchFamily());
    font.setStyleHint(QFont::Monospace);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    return font;
}

qreal fittingPointSize(const QStringList &lines, QPaintDevice *device, qreal width, qreal maxPointSize)
{
    const QString longest = longestLine(lines);
    if (longest.isEmpty() || width <= 0)
        return maxPointSize;
    qreal size = maxPointSize;
    const qreal atMax = advanceAt(longest, size, device);
    if (atMax <= width)
        return size;
    // Advances grow with the size; start from the proportion, then step
    // down past any rounding of the face's metrics.
    size = std::floor(maxPointSize * width / atMax * 100.0) / 100.0;
    while (size > 1.0 && advanceAt(longest, size, device) > width)
        size -= 0.05;
    return size;
}

void preparePrinter(QPrinter &printer)
{
    printer.setPageOrientation(QPageLayout::Landscape);
    if (printer.outputFormat() == QPrinter::PdfFormat)
        printer.setPageSize(QPageSize(QPageSize::Letter));
    printer.setPageMargins(QMarginsF(12.7, 12.7, 12.7, 12.7), QPageLayout::Millimeter);
}

QString documentName(const ComposedApplication &application)
{
    const QString rfc = application.rfc.trimmed();
    const QString name = QStringLiteral("Solicitud KORIM");
    return rfc.isEmpty() ? name : name + QLatin1Char(' ') + rfc;
}

void nameDocument(QPrinter &printer, const ComposedApplication &application)
{
    printer.setDocName(documentName(application));
    printer.setCreator(QStringLiteral("KORIM"));
}

bool loadConsiderations(const QString &path, QTextDocument *doc, QString *error)
{
    doc->setDefaultFont(fixedPitchFont(8.25));
    return platform::loadRtfFile(path, doc, error);
}

QString considerationsFile(const QString &dataFolder)
{
    const QString found = korim::data::findFileNoCase(dataFolder, QStringLiteral("considera.txt"));
    return found.isEmpty() ? QDir(dataFolder).filePath(QStringLiteral("considera.txt")) : found;
}

bool confirmWithoutConsiderations(QWidget *parent, const QString &error)
{
    platform::MessageRequest box;
    box.text = error
               + QStringLiteral("\r\rLas consideraciones generales no se pueden imprimir. "
                                "¿Desea imprimir la solicitud sin ellas?");
    box.buttons = platform::MsgButtons::YesNo;
    box.icon = platform::MsgIcon::Exclamation;
    return platform::showMessage(parent, box) == platform::MsgAnswer::Yes;
}

bool printApplication(QPrinter &printer, const ComposedApplication &application,
                      const QTextDocument *considerations, QString *error)
{
    nameDocument(printer, application);
    QPainter painter;
    if (!painter.begin(&printer)) {
        if (error) {
            *error = printer.outputFormat() == QPrinter::PdfFormat
                         ? QStringLiteral("No se pudo escribir el archivo %1.").arg(printer.outputFileName())
                         : QStringLiteral("No se pudo abrir la impresora %1.").arg(printer.printerName());
        }
        return false;
    }

    const QRectF page(QPointF(0, 0), printer.pageRect(QPrinter::DevicePixel).size());
    const QStringList lines = application.text.split(QLatin1Char('\n'));
    const qreal size = fittingPointSize(lines, &printer, page.width());
    const QFont font = fixedPitchFont(size);
    painter.setFont(font);
    const QFontMetricsF metrics(font, &printer);
    const qreal lineHeight = metrics.lineSpacing();
    const int perPage = qMax(1, int(page.height() / lineHeight));

    int start = 0; // offset of the line in the text
    for (int i = 0; i < lines.size(); ++i) {
        const QString &line = lines[i];
        const int row = i % perPage;
        if (row == 0 && i > 0)
            printer.newPage();
        const qreal y = row * lineHeight + metrics.ascent();
        qreal x = 0;
        // The title block is centred, every other line left-aligned.
        if (start < application.titleLength)
            x = qMax<qreal>(0, (page.width() - metrics.horizontalAdvance(line)) / 2);
        if (!line.isEmpty())
            painter.drawText(QPointF(x, y), line);
        start += int(line.size()) + 1;
    }

    if (considerations && !considerations->isEmpty())
        printConsiderations(painter, printer, *considerations);
    painter.end();
    return true;
}

} // namespace korim::report

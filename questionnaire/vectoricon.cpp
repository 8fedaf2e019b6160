#include "questionnaire/vectoricon.h"

#include <QApplication>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPixmap>
#include <QStyle>
#include <QStyleOption>
#include <QXmlStreamReader>

#include <cmath>

namespace korim::questionnaire {

namespace {

bool isSpace(QChar c)
{
    return c == u' ' || c == u'\t' || c == u'\n' || c == u'\r';
}

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Plain decimals only: an optional sign, digits with at most one point.
// Exponents are refused; they would mean a picture from another tool.
class Scanner
{
public:
    explicit Scanner(QStringView text)
        : s_(text)
    {
    }

    void skipSpace()
    {
        while (i_ < s_.size() && isSpace(s_[i_]))
            ++i_;
    }

    // White space and at most one comma, as between two numbers.
    void skipSeparator()
    {
        skipSpace();
        if (i_ < s_.size() && s_[i_] == u',') {
            ++i_;
            skipSpace();
        }
    }

    bool atEnd() const { return i_ >= s_.size(); }
    QChar peek() const { return s_[i_]; }
    void advance() { ++i_; }
    qsizetype position() const { return i_; }

    bool atNumber() const
    {
        if (atEnd())
            return false;
        const QChar c = s_[i_];
        return isDigit(c) || c == u'.' || c == u'-' || c == u'+';
    }

    bool readNumber(double &value, QString &error)
    {
        const qsizetype start = i_;
        bool negative = false;
        if (i_ < s_.size() && (s_[i_] == u'-' || s_[i_] == u'+'))
            negative = s_[i_++] == u'-';
        // Up to 15 digits and 22 decimals the integer and the power of ten
        // are exact doubles, so one division rounds correctly; longer
        // numbers go the slow way.
        quint64 mantissa = 0;
        int digits = 0;
        int decimals = 0;
        while (i_ < s_.size() && isDigit(s_[i_]))
            mantissa = mantissa * 10 + (s_[i_++].unicode() - u'0'), ++digits;
        if (i_ < s_.size() && s_[i_] == u'.') {
            ++i_;
            while (i_ < s_.size() && isDigit(s_[i_]))
                mantissa = mantissa * 10 + (s_[i_++].unicode() - u'0'), ++digits, ++decimals;
        }
        const bool tail = i_ < s_.size() && (s_[i_] == u'.' || s_[i_] == u'e' || s_[i_] == u'E');
        bool ok = digits > 0 && !tail;
        if (ok && digits <= 15 && decimals <= 22) {
            static constexpr double powers[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,
                                                1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15,
                                                1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
            value = double(mantissa) / powers[decimals];
            if (negative)
                value = -value;
        } else if (ok) {
            value = s_.mid(start, i_ - start).toDouble(&ok);
        }
        if (!ok || !std::isfinite(value)) {
            error = QStringLiteral("malformed number at %1").arg(start);
            return false;
        }
        return true;
    }

private:
    QStringView s_;
    qsizetype i_ = 0;
};

int argumentCount(QChar command)
{
    switch (command.toUpper().unicode()) {
    case u'M':
    case u'L':
        return 2;
    case u'H':
    case u'V':
        return 1;
    case u'C':
        return 6;
    case u'Z':
        return 0;
    default:
        return -1;
    }
}

bool readPlainNumber(QStringView text, double &value, QString &error)
{
    Scanner scan(text);
    scan.skipSpace();
    if (!scan.readNumber(value, error))
        return false;
    scan.skipSpace();
    if (!scan.atEnd()) {
        error = QStringLiteral("malformed number \"%1\"").arg(text);
        return false;
    }
    return true;
}

// "#rrggbb" or "none"; named and short colours are not ours.
bool readColour(QStringView text, QColor &colour, QString &error)
{
    if (text == u"none") {
        colour = QColor();
        return true;
    }
    bool hex = text.size() == 7 && text[0] == u'#';
    for (qsizetype i = 1; hex && i < text.size(); ++i)
        hex = isDigit(text[i]) || (text[i].toLower() >= u'a' && text[i].toLower() <= u'f');
    if (!hex) {
        error = QStringLiteral("unsupported colour \"%1\"").arg(text);
        return false;
    }
    colour = QColor::fromString(text);
    return true;
}

// Reads the paint attributes common to path and circle; the shape's own
// attributes are left in geometry. Unknown attributes refuse the file: a
// transform, a style or an opacity would otherwise be dropped silently.
bool readShapeAttributes(const QXmlStreamAttributes &attributes, const QList<QStringView> &geometryNames,
                         VectorShape &shape, QHash<QString, QString> &geometry, QString &error)
{
    shape.fill = QColor(Qt::black);
    for (const QXmlStreamAttribute &a : attributes) {
        const QStringView name = a.qualifiedName();
        const QStringView value = a.value();
        if (geometryNames.contains(name)) {
            geometry.insert(name.toString(), value.toString());
        } else if (name == u"fill") {
            if (!readColour(value, shape.fill, error))
                return false;
        } else if (name == u"stroke") {
            if (!readColour(value, shape.stroke, error))
                return false;
        } else if (name == u"stroke-width") {
            double width = 0;
            if (!readPlainNumber(value, width, error))
                return false;
            if (width < 0) {
                error = QStringLiteral("negative stroke-width");
                return false;
            }
            shape.strokeWidth = width;
        } else if (name == u"stroke-linejoin") {
            if (value == u"round")
                shape.join = Qt::RoundJoin;
            else if (value == u"miter")
                shape.join = Qt::MiterJoin;
            else if (value == u"bevel")
                shape.join = Qt::BevelJoin;
            else {
                error = QStringLiteral("unsupported stroke-linejoin \"%1\"").arg(value);
                return false;
            }
        } else if (name == u"stroke-linecap") {
            if (value == u"round")
                shape.cap = Qt::RoundCap;
            else if (value == u"butt")
                shape.cap = Qt::FlatCap;
            else if (value == u"square")
                shape.cap = Qt::SquareCap;
            else {
                error = QStringLiteral("unsupported stroke-linecap \"%1\"").arg(value);
                return false;
            }
        } else if (name != u"id") {
            error = QStringLiteral("unsupported attribute \"%1\"").arg(name);
            return false;
        }
    }
    return true;
}

bool readViewBox(QStringView text, QRectF &box, QString &error)
{
    Scanner scan(text);
    double v[4] = {};
    scan.skipSpace();
    for (int k = 0; k < 4; ++k) {
        if (k > 0)
            scan.skipSeparator();
        if (!scan.readNumber(v[k], error))
            return false;
    }
    scan.skipSpace();
    if (!scan.atEnd() || v[2] <= 0 || v[3] <= 0) {
        error = QStringLiteral("bad viewBox \"%1\"").arg(text);
        return false;
    }
    box = QRectF(v[0], v[1], v[2], v[3]);
    return true;
}

bool readRoot(const QXmlStreamReader &xml, VectorPicture &picture, QString &error)
{
    if (xml.name() != u"svg") {
        error = QStringLiteral("root element is <%1>, not <svg>").arg(xml.name());
        return false;
    }
    bool hasViewBox = false;
    for (const QXmlStreamAttribute &a : xml.attributes()) {
        const QStringView name = a.qualifiedName();
        if (name == u"viewBox") {
            if (!readViewBox(a.value(), picture.viewBox, error))
                return false;
            hasViewBox = true;
        } else if (name != u"width" && name != u"height" && name != u"version" && name != u"id") {
            // The requested size wins over width and height.
            error = QStringLiteral("unsupported attribute \"%1\" on <svg>").arg(name);
            return false;
        }
    }
    if (!hasViewBox) {
        error = QStringLiteral("<svg> without viewBox");
        return false;
    }
    return true;
}

bool readPath(const QXmlStreamReader &xml, VectorShape &shape, QString &error)
{
    QHash<QString, QString> geometry;
    if (!readShapeAttributes(xml.attributes(), {u"d"}, shape, geometry, error))
        return false;
    if (!geometry.contains(QStringLiteral("d"))) {
        error = QStringLiteral("<path> without d");
        return false;
    }
    return parseVectorPath(geometry.value(QStringLiteral("d")), shape.path, &error);
}

bool readCircle(const QXmlStreamReader &xml, VectorShape &shape, QString &error)
{
    QHash<QString, QString> geometry;
    if (!readShapeAttributes(xml.attributes(), {u"cx", u"cy", u"r"}, shape, geometry, error))
        return false;
    double cx = 0, cy = 0, r = 0;
    if (geometry.contains(QStringLiteral("cx")) && !readPlainNumber(geometry.value(QStringLiteral("cx")), cx, error))
        return false;
    if (geometry.contains(QStringLiteral("cy")) && !readPlainNumber(geometry.value(QStringLiteral("cy")), cy, error))
        return false;
    if (!geometry.contains(QStringLiteral("r")) || !readPlainNumber(geometry.value(QStringLiteral("r")), r, error)
        || r <= 0) {
        if (error.isEmpty())
            error = QStringLiteral("<circle> without a positive r");
        return false;
    }
    shape.path.addEllipse(QPointF(cx, cy), r, r);
    return true;
}

bool readPicture(const QByteArray &data, VectorPicture &picture, QString &error)
{
    QXmlStreamReader xml(data);
    int depth = 0;
    bool seenRoot = false;
    while (!xml.atEnd()) {
        switch (xml.readNext()) {
        case QXmlStreamReader::StartDocument:
        case QXmlStreamReader::EndDocument:
        case QXmlStreamReader::Comment:
            break;
        case QXmlStreamReader::Characters:
            if (!xml.isWhitespace()) {
                error = QStringLiteral("unexpected text at line %1").arg(xml.lineNumber());
                return false;
            }
            break;
        case QXmlStreamReader::StartElement: {
            if (!xml.namespaceUri().isEmpty() && xml.namespaceUri() != u"http://www.w3.org/2000/svg") {
                error = QStringLiteral("element <%1> from another namespace").arg(xml.qualifiedName());
                return false;
            }
            if (depth == 0) {
                if (seenRoot || !readRoot(xml, picture, error))
                    return false;
                seenRoot = true;
            } else if (depth == 1 && (xml.name() == u"path" || xml.name() == u"circle")) {
                VectorShape shape;
                if (!(xml.name() == u"path" ? readPath(xml, shape, error) : readCircle(xml, shape, error)))
                    return false;
                picture.shapes.append(shape);
            } else {
                error = QStringLiteral("unsupported element <%1> at line %2").arg(xml.name()).arg(xml.lineNumber());
                return false;
            }
            ++depth;
            break;
        }
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        case QXmlStreamReader::Invalid:
            error = QStringLiteral("not XML: %1").arg(xml.errorString());
            return false;
        default:
            // DTDs, entity references and processing instructions: none of ours has them.
            error = QStringLiteral("unsupported XML construct at line %1").arg(xml.lineNumber());
            return false;
        }
    }
    if (xml.hasError()) {
        error = QStringLiteral("not XML: %1").arg(xml.errorString());
        return false;
    }
    if (picture.shapes.isEmpty()) {
        error = QStringLiteral("no shapes");
        return false;
    }
    return true;
}

// Without a QApplication there is no style to ask: grey and lighten by hand.
QImage greyed(QImage image)
{
    image = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < image.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
        for (int x = 0; x < image.width(); ++x) {
            const int grey = 128 + qGray(line[x]) / 2;
            line[x] = qRgba(grey, grey, grey, qAlpha(line[x]) * 2 / 3);
        }
    }
    return image;
}

} // namespace

bool parseVectorPath(QStringView d, QPainterPath &path, QString *error)
{
    QString reason;
    path = QPainterPath();
    path.setFillRule(Qt::WindingFill);
    Scanner scan(d);
    QPointF current;
    QPointF subpathStart;
    QChar command;
    bool closed = false;

    auto fail = [&](const QString &why) {
        if (error)
            *error = why;
        path = QPainterPath();
        return false;
    };

    scan.skipSpace();
    if (scan.atEnd())
        return fail(QStringLiteral("empty path"));
    while (true) {
        scan.skipSpace();
        if (scan.atEnd())
            break;
        const QChar letter = scan.peek();
        const int count = argumentCount(letter);
        if (count < 0)
            return fail(QStringLiteral("unsupported path command '%1' at %2").arg(letter).arg(scan.position()));
        if (command.isNull() && letter.toUpper() != u'M')
            return fail(QStringLiteral("path does not start with a move"));
        scan.advance();
        command = letter;
        if (count == 0) {
            path.closeSubpath();
            current = subpathStart;
            closed = true;
            continue;
        }
        // One group after the letter, then as many more as follow.
        do {
            double v[6] = {};
            for (int k = 0; k < count; ++k) {
                if (k > 0)
                    scan.skipSeparator();
                else
                    scan.skipSpace();
                if (!scan.atNumber())
                    return fail(QStringLiteral("'%1' lacks a number at %2").arg(command).arg(scan.position()));
                if (!scan.readNumber(v[k], reason))
                    return fail(reason);
            }
            const bool relative = command.isLower();
            const QPointF base = relative ? current : QPointF();
            if (closed && command.toUpper() != u'M') {
                path.moveTo(current);
                subpathStart = current;
            }
            closed = false;
            switch (command.toUpper().unicode()) {
            case u'M':
                current = base + QPointF(v[0], v[1]);
                path.moveTo(current);
                subpathStart = current;
                // Further pairs after a move are lines.
                command = relative ? QChar(u'l') : QChar(u'L');
                break;
            case u'L':
                current = base + QPointF(v[0], v[1]);
                path.lineTo(current);
                break;
            case u'H':
                current.setX(base.x() + v[0]);
                path.lineTo(current);
                break;
            case u'V':
                current.setY(base.y() + v[0]);
                path.lineTo(current);
                break;
            case u'C': {
                const QPointF c1 = base + QPointF(v[0], v[1]);
                const QPointF c2 = base + QPointF(v[2], v[3]);
                current = base + QPointF(v[4], v[5]);
                if (!std::isfinite(c1.x() + c1.y() + c2.x() + c2.y()))
                    return fail(QStringLiteral("path coordinates overflow"));
                path.cubicTo(c1, c2, current);
                break;
            }
            }
            if (!std::isfinite(current.x()) || !std::isfinite(current.y()))
                return fail(QStringLiteral("path coordinates overflow"));
            scan.skipSpace();
            if (!scan.atEnd() && scan.peek() == u',') {
                scan.advance();
                scan.skipSpace();
                if (!scan.atNumber())
                    return fail(QStringLiteral("stray comma at %1").arg(scan.position()));
            } else if (!scan.atNumber()) {
                break;
            }
        } while (true);
    }
    return true;
}

VectorPicture readVectorPicture(const QByteArray &data, QString *error)
{
    VectorPicture picture;
    QString reason;
    if (!readPicture(data, picture, reason)) {
        if (error)
            *error = reason;
        return VectorPicture();
    }
    return picture;
}

void paintVectorPicture(QPainter *painter, const VectorPicture &picture, const QRectF &target)
{
    if (picture.isNull() || target.isEmpty())
        return;
    const QRectF &box = picture.viewBox;
    const qreal scale = qMin(target.width() / box.width(), target.height() / box.height());
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->translate(target.x() + (target.width() - box.width() * scale) / 2,
                       target.y() + (target.height() - box.height() * scale) / 2);
    painter->scale(scale, scale);
    painter->translate(-box.topLeft());
    for (const VectorShape &shape : picture.shapes) {
        if (shape.fill.isValid())
            painter->fillPath(shape.path, shape.fill);
        // A zero width means no stroke; QPen would take it as a hairline.
        if (shape.stroke.isValid() && shape.strokeWidth > 0) {
            QPen pen(shape.stroke, shape.strokeWidth, Qt::SolidLine, shape.cap, shape.join);
            pen.setMiterLimit(4); // the SVG default; Qt's is 2
            painter->strokePath(shape.path, pen);
        }
    }
    painter->restore();
}

VectorIconEngine::VectorIconEngine(VectorPicture picture)
    : picture_(std::move(picture))
{
}

void VectorIconEngine::paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state)
{
    if (mode == QIcon::Normal) {
        paintVectorPicture(painter, picture_, rect);
        return;
    }
    const qreal ratio = painter->device() ? painter->device()->devicePixelRatio() : 1.0;
    QPixmap pm = pixmap(rect.size() * ratio, mode, state);
    pm.setDevicePixelRatio(ratio);
    painter->drawPixmap(rect, pm);
}

QPixmap VectorIconEngine::pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state)
{
    Q_UNUSED(state); // one picture for on and off
    if (size.isEmpty() || picture_.isNull())
        return QPixmap();
    const quint64 key = (quint64(quint32(size.width()) & 0xffffff) << 32) | (quint64(quint32(size.height()) & 0xffffff) << 8)
                        | quint64(mode);
    auto found = cache_.constFind(key);
    if (found != cache_.constEnd())
        return *found;
    if (cache_.size() >= 32)
        cache_.clear();
    const QPixmap pm = render(size, mode);
    cache_.insert(key, pm);
    return pm;
}

QPixmap VectorIconEngine::render(const QSize &size, QIcon::Mode mode)
{
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        paintVectorPicture(&painter, picture_, QRectF(QPointF(0, 0), QSizeF(size)));
    }
    QPixmap normal = QPixmap::fromImage(image);
    if (mode == QIcon::Normal)
        return normal;
    // The same greying and tinting the style gives every other icon.
    if (qobject_cast<QApplication *>(QCoreApplication::instance())) {
        QStyleOption option;
        option.palette = QApplication::palette();
        const QPixmap generated = QApplication::style()->generatedIconPixmap(mode, normal, &option);
        if (!generated.isNull())
            return generated;
    }
    return mode == QIcon::Disabled ? QPixmap::fromImage(greyed(image)) : normal;
}

QIconEngine *VectorIconEngine::clone() const
{
    return new VectorIconEngine(picture_);
}

QString VectorIconEngine::key() const
{
    return QStringLiteral("korim-vector");
}

bool VectorIconEngine::isNull()
{
    return picture_.isNull();
}

QIcon vectorIcon(const QString &resourcePath)
{
    QFile file(resourcePath);
    if (!file.open(QIODevice::ReadOnly)) {
        qWarning("vectorIcon: cannot read %s", qPrintable(resourcePath));
        return QIcon();
    }
    QString error;
    VectorPicture picture = readVectorPicture(file.readAll(), &error);
    if (picture.isNull()) {
        qWarning("vectorIcon: %s: %s", qPrintable(resourcePath), qPrintable(error));
        return QIcon();
    }
    return QIcon(new VectorIconEngine(std::move(picture)));
}

} // namespace korim::questionnaire

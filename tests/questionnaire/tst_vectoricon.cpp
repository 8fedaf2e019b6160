// The toolbar pictures drawn by our own SVG reader: every shipped picture,
// pixels where faults would show, path syntax, and refusal of the rest.
#include "questionnaire/vectoricon.h"

#include <QApplication>
#include <QDir>
#include <QPainter>
#include <QRegularExpression>
#include <QTemporaryFile>
#include <QTest>

using namespace korim::questionnaire;

static void initIcons()
{
    Q_INIT_RESOURCE(form1icons);
}

namespace {

QByteArray source(const QString &nameOrSvg)
{
    if (nameOrSvg.startsWith(QLatin1Char('<')))
        return nameOrSvg.toUtf8();
    QFile file(QStringLiteral(":/questionnaire/icons/%1.svg").arg(nameOrSvg));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

QImage render(const VectorPicture &picture, int size)
{
    QImage image(size, size, QImage::Format_ARGB32);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    paintVectorPicture(&painter, picture, QRectF(0, 0, size, size));
    return image;
}

// A point of the 24-unit grid in an image of any size.
QRgb at(const QImage &image, double x, double y)
{
    return image.pixel(int(x * image.width() / 24.0), int(y * image.height() / 24.0));
}

bool near(QRgb pixel, const QColor &expected)
{
    if (!expected.isValid())
        return qAlpha(pixel) < 30;
    return qAlpha(pixel) > 200 && qAbs(qRed(pixel) - expected.red()) < 40
           && qAbs(qGreen(pixel) - expected.green()) < 40 && qAbs(qBlue(pixel) - expected.blue()) < 40;
}

int painted(const QImage &image)
{
    int count = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            count += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
    return count;
}

QString svg(const char *body, const char *viewBox = "0 0 24 24")
{
    return QStringLiteral("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"%1\">%2</svg>")
        .arg(QLatin1String(viewBox), QLatin1String(body));
}

} // namespace

class TestVectorIcon : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { initIcons(); }
    void everyPictureReadsAndRenders_data();
    void everyPictureReadsAndRenders();
    void pixels_data();
    void pixels();
    void cancelMatchesTheOldArcs();
    void pathSyntax_data();
    void pathSyntax();
    void refused_data();
    void refused();
    void iconModesAndRatios();
};

void TestVectorIcon::everyPictureReadsAndRenders_data()
{
    QTest::addColumn<QString>("name");
    const QStringList files = QDir(QStringLiteral(":/questionnaire/icons")).entryList();
    QCOMPARE(files.size(), 8);
    for (const QString &file : files)
        QTest::newRow(qPrintable(file)) << QFileInfo(file).completeBaseName();
}

void TestVectorIcon::everyPictureReadsAndRenders()
{
    QFETCH(QString, name);
    QString error;
    const VectorPicture picture = readVectorPicture(source(name), &error);
    QVERIFY2(!picture.isNull(), qPrintable(error));
    const QIcon icon = vectorIcon(QStringLiteral(":/questionnaire/icons/%1.svg").arg(name));
    QVERIFY(!icon.isNull());
    for (int size : {20, 40}) {
        const QImage image = icon.pixmap(QSize(size, size)).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        // A real picture covers a good part of its square, and stays inside it.
        QVERIFY2(painted(image) > size * size / 5, qPrintable(QString::number(size)));
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0);
    }
}

void TestVectorIcon::pixels_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<double>("x");
    QTest::addColumn<double>("y");
    QTest::addColumn<QColor>("expected"); // invalid = transparent

    const QColor none;
    QTest::newRow("save label") << "save" << 12.0 << 17.0 << QColor(Qt::white);
    QTest::newRow("save body") << "save" << 5.0 << 10.0 << QColor(0x2f6db5);
    QTest::newRow("save shutter window") << "save" << 14.0 << 6.0 << QColor(0x2f6db5);
    QTest::newRow("about disc") << "about" << 7.0 << 12.0 << QColor(0x2f6db5);
    QTest::newRow("about dot") << "about" << 12.0 << 7.0 << QColor(Qt::white);
    QTest::newRow("about stem") << "about" << 12.0 << 14.0 << QColor(Qt::white);
    QTest::newRow("about outside") << "about" << 1.0 << 1.0 << none;
    QTest::newRow("print lamp") << "print" << 18.5 << 11.5 << QColor(0x3aa655);
    QTest::newRow("disk arrow") << "disk" << 20.0 << 17.5 << QColor(0x3aa655);
    // The rewritten arcs: the band between radius 3.7 and 6.7 around (15.5, 15.5).
    QTest::newRow("cancel bottom") << "cancel" << 15.5 << 20.5 << QColor(0xd9534f);
    QTest::newRow("cancel right") << "cancel" << 20.7 << 15.5 << QColor(0xd9534f);
    QTest::newRow("cancel lower diagonal") << "cancel" << 19.2 << 19.2 << QColor(0xd9534f);
    QTest::newRow("cancel upper diagonal") << "cancel" << 19.2 << 11.8 << QColor(0xd9534f);
    QTest::newRow("cancel hole") << "cancel" << 14.0 << 15.5 << none;
    QTest::newRow("cancel outside the band") << "cancel" << 23.5 << 15.5 << none;
    QTest::newRow("cancel arrow head") << "cancel" << 6.0 << 10.0 << QColor(0xd9534f);

    // Defaults and paint attributes.
    QTest::newRow("fill defaults to black") << svg("<path d='M4 4h16v16H4z'/>") << 12.0 << 12.0 << QColor(Qt::black);
    QTest::newRow("zero stroke width draws nothing")
        << svg("<path d='M2 12h20' fill='none' stroke='#ff0000' stroke-width='0'/>") << 12.0 << 12.0 << none;
    QTest::newRow("fill none keeps the inside empty")
        << svg("<circle cx='12' cy='12' r='8' fill='none' stroke='#00ff00' stroke-width='2'/>") << 12.0 << 12.0
        << none;
    QTest::newRow("stroke of the unfilled circle")
        << svg("<circle cx='12' cy='12' r='8' fill='none' stroke='#00ff00' stroke-width='2'/>") << 20.0 << 12.0
        << QColor(Qt::green);
    QTest::newRow("butt cap stops at the end")
        << svg("<path d='M4 12h16' stroke='#0000ff' stroke-width='4' stroke-linecap='butt'/>") << 2.5 << 12.0 << none;
    QTest::newRow("round cap goes past the end")
        << svg("<path d='M4 12h16' stroke='#0000ff' stroke-width='4' stroke-linecap='round'/>") << 2.5 << 12.0
        << QColor(Qt::blue);
    QTest::newRow("inner square of the same winding is filled")
        << svg("<path d='M2 2h20v20H2zM8 8h8v8H8z' fill='#ff0000'/>") << 12.0 << 12.0 << QColor(Qt::red);
    QTest::newRow("wide view box is centred, top empty")
        << svg("<path d='M0 0h48v24H0z'/>", "0 0 48 24") << 12.0 << 2.0 << none;
    QTest::newRow("wide view box is centred, middle drawn")
        << svg("<path d='M0 0h48v24H0z'/>", "0 0 48 24") << 12.0 << 12.0 << QColor(Qt::black);
    QTest::newRow("view box origin shifts the picture")
        << svg("<path d='M10 10h12v12H10z'/>", "10 10 24 24") << 6.0 << 6.0 << QColor(Qt::black);
}

void TestVectorIcon::pixels()
{
    QFETCH(QString, picture);
    QFETCH(double, x);
    QFETCH(double, y);
    QFETCH(QColor, expected);
    QString error;
    const VectorPicture read = readVectorPicture(source(picture), &error);
    QVERIFY2(!read.isNull(), qPrintable(error));
    // Below 40 px the thinner details fall inside single pixels.
    for (int size : {40, 80}) {
        const QRgb pixel = at(render(read, size), x, y);
        QVERIFY2(near(pixel, expected), qPrintable(QStringLiteral("%1 px: got #%2")
                                                         .arg(size)
                                                         .arg(pixel, 8, 16, QLatin1Char('0'))));
    }
}

void TestVectorIcon::cancelMatchesTheOldArcs()
{
    // The same outline with true arcs, as the picture was first drawn.
    QPainterPath arcs;
    arcs.moveTo(9, 5);
    arcs.lineTo(3, 10);
    arcs.lineTo(9, 15);
    arcs.lineTo(9, 11.8);
    arcs.lineTo(15.5, 11.8);
    arcs.arcTo(QRectF(11.8, 11.8, 7.4, 7.4), 90, -180);
    arcs.lineTo(9, 19.2);
    arcs.lineTo(9, 22.2);
    arcs.lineTo(15.5, 22.2);
    arcs.arcTo(QRectF(8.8, 8.8, 13.4, 13.4), -90, 180);
    arcs.lineTo(9, 8.8);
    arcs.closeSubpath();
    arcs.setFillRule(Qt::WindingFill);

    VectorPicture expected;
    expected.viewBox = QRectF(0, 0, 24, 24);
    expected.shapes.append(VectorShape{arcs, QColor(Qt::black), QColor(), 1, Qt::MiterJoin, Qt::FlatCap});
    VectorPicture actual = readVectorPicture(source(QStringLiteral("cancel")));
    QCOMPARE(actual.shapes.size(), 1);
    actual.shapes[0].fill = Qt::black;
    actual.shapes[0].stroke = QColor();

    const QImage a = render(expected, 96), b = render(actual, 96);
    int differing = 0;
    for (int y = 0; y < 96; ++y)
        for (int x = 0; x < 96; ++x)
            differing += qAbs(qAlpha(a.pixel(x, y)) - qAlpha(b.pixel(x, y))) > 64 ? 1 : 0;
    QVERIFY2(differing == 0, qPrintable(QString::number(differing)));
}

void TestVectorIcon::pathSyntax_data()
{
    QTest::addColumn<QString>("d");
    QTest::addColumn<QPointF>("end");
    QTest::addColumn<QRectF>("bounds");

    QTest::newRow("absolute and relative lines") << "M1 1h2v3H0V0z" << QPointF(1, 1) << QRectF(0, 0, 3, 4);
    QTest::newRow("pairs after M are lines") << "M1 1 2 0 0 2" << QPointF(0, 2) << QRectF(0, 0, 2, 2);
    QTest::newRow("pairs after m are relative lines") << "m1 1 2 0 0 2" << QPointF(3, 3) << QRectF(1, 1, 2, 2);
    QTest::newRow("repeated H and v") << "M0 0H4 2v1 1" << QPointF(2, 2) << QRectF(0, 0, 4, 2);
    QTest::newRow("sign separates numbers") << "M1-0.3L2-1" << QPointF(2, -1) << QRectF(1, -1, 1, 0.7);
    QTest::newRow("commas and blanks") << " M 1,2 , 3 ,4 " << QPointF(3, 4) << QRectF(1, 2, 2, 2);
    QTest::newRow("many digits") << "M1.00000000000000000001 2h0.25" << QPointF(1.25, 2) << QRectF(1, 2, 0.25, 0);
    QTest::newRow("leading point and plus") << "M.5 +.5h1" << QPointF(1.5, 0.5) << QRectF(0.5, 0.5, 1, 0);
    // Each relative curve starts where the previous one ended.
    QTest::newRow("repeated relative curves")
        << "M10 10c0 5 5 5 5 0 0-5 5-5 5 0" << QPointF(20, 10) << QRectF(10, 6.25, 10, 7.5);
    QTest::newRow("absolute curve") << "M0 0C0 4 4 4 4 0" << QPointF(4, 0) << QRectF(0, 0, 4, 3);
    QTest::newRow("relative move after close starts from the subpath start")
        << "M5 5h2v2zm1 1h1" << QPointF(7, 6) << QRectF(5, 5, 2, 2);
    QTest::newRow("line after close starts from the subpath start")
        << "M5 5h2v2zl-1 0" << QPointF(4, 5) << QRectF(4, 5, 3, 2);
}

void TestVectorIcon::pathSyntax()
{
    QFETCH(QString, d);
    QFETCH(QPointF, end);
    QFETCH(QRectF, bounds);
    QPainterPath path;
    QString error;
    QVERIFY2(parseVectorPath(d, path, &error), qPrintable(error));
    QCOMPARE(path.currentPosition(), end);
    const QRectF box = path.boundingRect();
    QVERIFY2(qAbs(box.left() - bounds.left()) < 1e-3 && qAbs(box.top() - bounds.top()) < 1e-3
                 && qAbs(box.width() - bounds.width()) < 1e-3 && qAbs(box.height() - bounds.height()) < 1e-3,
             qPrintable(QStringLiteral("%1,%2 %3x%4").arg(box.x()).arg(box.y()).arg(box.width()).arg(box.height())));
}

void TestVectorIcon::refused_data()
{
    QTest::addColumn<QString>("file");

    QTest::newRow("arc") << svg("<path d='M9 5a3.7 3.7 0 0 1 0 7.4'/>");
    QTest::newRow("quadratic") << svg("<path d='M0 0Q4 4 8 0'/>");
    QTest::newRow("smooth curve") << svg("<path d='M0 0C1 1 2 2 3 3S5 5 6 6'/>");
    QTest::newRow("transform") << svg("<path d='M0 0h4v4z' transform='scale(2)'/>");
    QTest::newRow("style") << svg("<path d='M0 0h4v4z' style='fill:red'/>");
    QTest::newRow("opacity") << svg("<path d='M0 0h4v4z' fill-opacity='0.5'/>");
    QTest::newRow("fill rule") << svg("<path d='M0 0h4v4z' fill-rule='evenodd'/>");
    QTest::newRow("rect") << svg("<rect x='0' y='0' width='4' height='4'/>");
    QTest::newRow("group") << svg("<g><path d='M0 0h4v4z'/></g>");
    QTest::newRow("gradient") << svg("<defs><linearGradient id='g'/></defs><path d='M0 0h4v4z'/>");
    QTest::newRow("child of a shape") << svg("<path d='M0 0h4v4z'><title>x</title></path>");
    QTest::newRow("exponent") << svg("<path d='M1e2 0h4'/>");
    QTest::newRow("two points") << svg("<path d='M1.5.5 0h4'/>");
    QTest::newRow("double sign") << svg("<path d='M--1 0h4'/>");
    QTest::newRow("sign alone") << svg("<path d='M- 0h4'/>");
    QTest::newRow("number too long") << svg(qPrintable(QStringLiteral("<path d='M%1 0h4'/>").arg(QString(400, u'9'))));
    QTest::newRow("odd count") << svg("<path d='M1 2 3'/>");
    QTest::newRow("command without numbers") << svg("<path d='M1 2Lz'/>");
    QTest::newRow("numbers after close") << svg("<path d='M1 2h3z 4 5'/>");
    QTest::newRow("no leading move") << svg("<path d='L1 1'/>");
    QTest::newRow("stray comma") << svg("<path d='M1 1,L2 2'/>");
    QTest::newRow("empty d") << svg("<path d=''/>");
    QTest::newRow("no d") << svg("<path fill='#000000'/>");
    QTest::newRow("named colour") << svg("<path d='M0 0h4v4z' fill='red'/>");
    QTest::newRow("short colour") << svg("<path d='M0 0h4v4z' fill='#f00'/>");
    QTest::newRow("bad hex") << svg("<path d='M0 0h4v4z' fill='#12345g'/>");
    QTest::newRow("stroke width with unit") << svg("<path d='M0 0h4' stroke='#000000' stroke-width='1px'/>");
    QTest::newRow("negative stroke width") << svg("<path d='M0 0h4' stroke='#000000' stroke-width='-1'/>");
    QTest::newRow("unknown join") << svg("<path d='M0 0h4' stroke='#000000' stroke-linejoin='arcs'/>");
    QTest::newRow("unknown cap") << svg("<path d='M0 0h4' stroke='#000000' stroke-linecap='flat'/>");
    QTest::newRow("circle without r") << svg("<circle cx='1' cy='1'/>");
    QTest::newRow("circle with negative r") << svg("<circle cx='1' cy='1' r='-2'/>");
    QTest::newRow("circle with bad centre") << svg("<circle cx='1x' cy='1' r='2'/>");
    QTest::newRow("no shapes") << svg("");
    QTest::newRow("no view box") << "<svg xmlns='http://www.w3.org/2000/svg'><path d='M0 0h4v4z'/></svg>";
    QTest::newRow("view box of three") << svg("<path d='M0 0h4v4z'/>", "0 0 24");
    QTest::newRow("empty view box") << svg("<path d='M0 0h4v4z'/>", "0 0 0 24");
    QTest::newRow("other root") << "<html><path d='M0 0h4v4z'/></html>";
    QTest::newRow("nested svg") << svg("<svg viewBox='0 0 4 4'><path d='M0 0h4v4z'/></svg>");
    QTest::newRow("text") << svg("hello<path d='M0 0h4v4z'/>");
    QTest::newRow("other namespace")
        << svg("<x:path xmlns:x='urn:other' d='M0 0h4v4z'/>");
    QTest::newRow("entity") << "<!DOCTYPE svg [<!ENTITY a 'M0 0h4v4z'>]>" + svg("<path d='&a;'/>");
    QTest::newRow("stylesheet") << "<?xml-stylesheet href='a.css'?>" + svg("<path d='M0 0h4v4z'/>");
    QTest::newRow("empty file") << "";
    QTest::newRow("not XML") << "M0 0h4v4z";
    QTest::newRow("cut short") << svg("<path d='M0 0h4v4z'/>").chopped(8);
    QTest::newRow("binary") << QString::fromLatin1(QByteArray("\x00\xff<svg\x01", 7));
}

void TestVectorIcon::refused()
{
    QFETCH(QString, file);
    QString error;
    QVERIFY(readVectorPicture(file.toUtf8(), &error).isNull());
    QVERIFY(!error.isEmpty());

    // Through the icon: a null icon and a warning, never a wrong picture.
    QTemporaryFile temp;
    QVERIFY(temp.open());
    temp.write(file.toUtf8());
    temp.close();
    QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("^vectorIcon: ")));
    QVERIFY(vectorIcon(temp.fileName()).isNull());
}

void TestVectorIcon::iconModesAndRatios()
{
    const QIcon icon = vectorIcon(QStringLiteral(":/questionnaire/icons/save.svg"));
    QVERIFY(!icon.isNull());

    // Sharp on a high-density screen: twice the pixels, not a scaled copy.
    const QPixmap doubled = icon.pixmap(QSize(20, 20), 2.0);
    QCOMPARE(doubled.size(), QSize(40, 40));
    QCOMPARE(doubled.devicePixelRatio(), 2.0);
    QImage doubledImage = doubled.toImage();
    doubledImage.setDevicePixelRatio(1.0);
    QCOMPARE(doubledImage, icon.pixmap(QSize(40, 40)).toImage());

    // Painting straight onto a high-density device draws the vectors at its resolution.
    QImage direct(40, 40, QImage::Format_ARGB32);
    direct.setDevicePixelRatio(2.0);
    direct.fill(Qt::transparent);
    {
        QPainter painter(&direct);
        icon.paint(&painter, QRect(0, 0, 20, 20));
    }
    QVERIFY(near(at(direct, 12, 17), Qt::white));
    QVERIFY(near(at(direct, 5, 10), QColor(0x2f6db5)));

    // Disabled: grey where the normal picture is blue, and painted the same way.
    const QImage normal = icon.pixmap(QSize(40, 40)).toImage();
    const QImage disabled = icon.pixmap(QSize(40, 40), QIcon::Disabled).toImage();
    QCOMPARE(disabled.size(), normal.size());
    const QColor body = QColor::fromRgba(at(disabled, 5, 10));
    QVERIFY2(body.alpha() > 0 && body.hsvSaturation() < 40, qPrintable(body.name(QColor::HexArgb)));
    QVERIFY(qAlpha(at(disabled, 1, 23)) == 0);
    QImage painted(40, 40, QImage::Format_ARGB32_Premultiplied);
    painted.fill(Qt::transparent);
    {
        QPainter painter(&painted);
        icon.paint(&painter, QRect(0, 0, 40, 40), Qt::AlignCenter, QIcon::Disabled);
    }
    QCOMPARE(painted.convertToFormat(QImage::Format_ARGB32), disabled.convertToFormat(QImage::Format_ARGB32));

    // Pixmaps are kept, not drawn again for each request.
    QCOMPARE(icon.pixmap(QSize(40, 40), QIcon::Disabled).cacheKey(),
             icon.pixmap(QSize(40, 40), QIcon::Disabled).cacheKey());
}

QTEST_MAIN(TestVectorIcon)
#include "tst_vectoricon.moc"

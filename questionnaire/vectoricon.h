#pragma once

// Toolbar pictures drawn from our own small SVG files without Qt's SVG
// plugin: loading that plugin and parsing each file twice was a measurable
// share of start-up. The reader knows only what our pictures use and refuses
// everything else, so a picture drawn with a new feature fails loudly in the
// tests instead of being drawn wrong.

#include <QColor>
#include <QHash>
#include <QIcon>
#include <QIconEngine>
#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <QString>

class QPainter;

namespace korim::questionnaire {

struct VectorShape
{
    QPainterPath path;
    QColor fill;   // invalid = not filled
    QColor stroke; // invalid = not stroked
    qreal strokeWidth = 1.0;
    Qt::PenJoinStyle join = Qt::MiterJoin;
    Qt::PenCapStyle cap = Qt::FlatCap;
};

struct VectorPicture
{
    QRectF viewBox;
    QList<VectorShape> shapes;

    bool isNull() const { return shapes.isEmpty(); }
};

// Reads an SVG file of the subset our pictures use. Anything else gives an
// empty picture, with the reason in *error when given.
VectorPicture readVectorPicture(const QByteArray &data, QString *error = nullptr);

// Parses path data ("M9 5L3 10l6 5z"); false on anything outside M L H V C Z.
bool parseVectorPath(QStringView d, QPainterPath &path, QString *error = nullptr);

// Draws the picture scaled into target, centred, keeping its proportions.
void paintVectorPicture(QPainter *painter, const VectorPicture &picture, const QRectF &target);

class VectorIconEngine : public QIconEngine
{
public:
    explicit VectorIconEngine(VectorPicture picture);

    void paint(QPainter *painter, const QRect &rect, QIcon::Mode mode, QIcon::State state) override;
    QPixmap pixmap(const QSize &size, QIcon::Mode mode, QIcon::State state) override;
    QIconEngine *clone() const override;
    QString key() const override;
    bool isNull() override;

private:
    QPixmap render(const QSize &size, QIcon::Mode mode);

    VectorPicture picture_;
    QHash<quint64, QPixmap> cache_;
};

// The icon for an SVG file in the resources; a null icon, with a warning,
// when the file cannot be read or uses something the reader does not know.
QIcon vectorIcon(const QString &resourcePath);

} // namespace korim::questionnaire

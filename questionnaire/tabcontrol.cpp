#include "questionnaire/tabcontrol.h"

#include <QFontMetrics>
#include <QList>
#include <QPainter>
#include <QStyleOptionTab>
#include <QStylePainter>

#include <algorithm>
#include <limits>
#include <numeric>

namespace korim::questionnaire {

namespace {
constexpr int kPadX = 4;      // blank space left and right of a caption
constexpr int kPadY = 4;      // above and below
constexpr int kMaxLines = 3;  // captions wrap onto at most this many lines
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;

// Lines the caption takes word-wrapped into width, measured as it is drawn;
// 0 when a word is wider than width.
int wrappedLines(const QFontMetrics &metrics, const QString &caption, int width)
{
    const QRect needed = metrics.boundingRect(QRect(0, 0, width, 1 << 16), kTextFlags, caption);
    if (needed.width() > width)
        return 0;
    return qMax(1, qRound(qreal(needed.height() + metrics.leading()) / metrics.lineSpacing()));
}

// The rest of the row goes to the narrowest tabs first, so short captions
// get tabs of one common width.
void shareSpare(QList<int> &widths, int spare)
{
    while (spare > 0) {
        const int low = *std::min_element(widths.cbegin(), widths.cend());
        int next = std::numeric_limits<int>::max();
        int atLow = 0;
        for (int w : widths) {
            if (w == low)
                ++atLow;
            else
                next = qMin(next, w);
        }
        const int raise = qMin(spare / atLow, next == std::numeric_limits<int>::max() ? spare : next - low);
        if (raise <= 0) {
            // Fewer pixels left than tabs at the floor: one each, from the left.
            for (int i = 0; i < widths.size() && spare > 0; ++i) {
                if (widths[i] == low) {
                    ++widths[i];
                    --spare;
                }
            }
            break;
        }
        for (int &w : widths) {
            if (w == low)
                w += raise;
        }
        spare -= raise * atLow;
    }
}
} // namespace

WrappingTabBar::WrappingTabBar(QWidget *parent)
    : QTabBar(parent)
{
    setExpanding(false);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    setDrawBase(true);
}

int WrappingTabBar::captionHeight(const QString &faceKey, const QString &caption, int textWidth) const
{
    const QString key = QStringLiteral("h|%1|%2|").arg(faceKey).arg(textWidth) + caption;
    auto known = measured_.constFind(key);
    if (known != measured_.cend())
        return *known;
    const int lines = wrappedLines(fontMetrics(), caption, textWidth);
    const int height = fontMetrics().lineSpacing() * (lines > 0 ? lines : 1);
    measured_.insert(key, height);
    return height;
}

int WrappingTabBar::rowWidth() const
{
    const QWidget *owner = parentWidget();
    return owner ? owner->width() : width();
}

// The narrowest tab that keeps the caption within the line limit with no
// word cut, remembered per face and caption.
int WrappingTabBar::captionWidth(const QFont &face, const QString &caption) const
{
    const QString memo = QStringLiteral("w|%1|").arg(face.key()) + caption;
    if (auto known = measured_.constFind(memo); known != measured_.cend())
        return *known;
    // Wrapping only moves whole words, so the answer lies between the
    // widest word and the caption on one line.
    const QFontMetrics metrics(face);
    int lo = 8;
    for (QStringView word : QStringView(caption).split(QLatin1Char(' '), Qt::SkipEmptyParts))
        lo = qMax(lo, metrics.horizontalAdvance(word.toString()));
    int hi = qMax(lo, metrics.horizontalAdvance(caption));
    while (lo < hi) {
        const int mid = (lo + hi) / 2;
        const int lines = wrappedLines(metrics, caption, mid);
        if (lines > 0 && lines <= kMaxLines)
            hi = mid;
        else
            lo = mid + 1;
    }
    const int width = lo + 2 * kPadX;
    measured_.insert(memo, width);
    return width;
}

QList<int> WrappingTabBar::tabWidths(int rowWidth) const
{
    const int n = count();
    // Layout asks for every tab's size many times; the answer only changes
    // with the width, the captions or the face.
    QStringList captions;
    captions.reserve(n);
    for (int i = 0; i < n; ++i)
        captions.append(tabText(i));
    const QFont face = font();
    if (widthsRound_ != 0 && rowWidth == widthsRow_ && face == widthsFont_ && captions == widthsCaptions_)
        return widths_;
    QList<int> widths(n, 0);
    if (n == 0)
        return widths;
    for (int i = 0; i < n; ++i)
        widths[i] = captionWidth(face, captions.at(i));
    shareSpare(widths, rowWidth - std::accumulate(widths.cbegin(), widths.cend(), 0));
    widthsRow_ = rowWidth;
    widthsFont_ = face;
    widthsCaptions_ = captions;
    widths_ = widths;
    ++widthsRound_;
    return widths;
}

int WrappingTabBar::rowHeight(int rowWidth) const
{
    const QList<int> widths = tabWidths(rowWidth);
    if (heightRound_ == widthsRound_)
        return height_;
    int tallest = fontMetrics().lineSpacing();
    const QString faceKey = font().key();
    for (int i = 0; i < count(); ++i)
        tallest = qMax(tallest, captionHeight(faceKey, tabText(i), widths[i] - 2 * kPadX));
    height_ = tallest + 2 * kPadY;
    heightRound_ = widthsRound_;
    return height_;
}

QSize WrappingTabBar::tabSizeHint(int index) const
{
    const int row = rowWidth();
    const QList<int> widths = tabWidths(row);
    if (index < 0 || index >= widths.size())
        return QTabBar::tabSizeHint(index);
    return QSize(widths[index], rowHeight(row));
}

QSize WrappingTabBar::minimumTabSizeHint(int index) const
{
    return tabSizeHint(index);
}

void WrappingTabBar::paintEvent(QPaintEvent *)
{
    QStylePainter painter(this);
    for (int i = 0; i < count(); ++i) {
        QStyleOptionTab option;
        initStyleOption(&option, i);
        const QString caption = option.text;
        option.text.clear();
        painter.drawControl(QStyle::CE_TabBarTabShape, option);
        const bool enabled = isEnabled() && isTabEnabled(i);
        painter.setPen(palette().color(enabled ? QPalette::Active : QPalette::Disabled, QPalette::WindowText));
        const QRect text = tabRect(i).adjusted(kPadX, kPadY, -kPadX, -kPadY);
        painter.drawText(text, kTextFlags, caption);
        if (i == currentIndex() && hasFocus()) {
            QStyleOptionFocusRect focus;
            focus.initFrom(this);
            focus.rect = text;
            painter.drawPrimitive(QStyle::PE_FrameFocusRect, focus);
        }
    }
}

TabControl::TabControl(QWidget *parent)
    : QTabWidget(parent)
    , bar_(new WrappingTabBar(this))
{
    // Connected before the tab widget's own handler, which shows the page.
    connect(bar_, &QTabBar::currentChanged, this, &TabControl::aboutToShow);
    setTabBar(bar_);
    setUsesScrollButtons(false);
    setElideMode(Qt::ElideNone);
    // A closed tab is never shown, also when code asks for it.
    connect(this, &QTabWidget::currentChanged, this, [this](int index) {
        if (index >= 0 && !isTabEnabled(index) && lastOpen_ >= 0 && isTabEnabled(lastOpen_))
            setCurrentIndex(lastOpen_);
        else
            lastOpen_ = index;
    });
}

} // namespace korim::questionnaire

#pragma once
// The tab control: seven tabs in one row, as wide as the control, each
// caption wrapped onto as many lines as it needs (long captions get wider
// tabs). A closed tab is drawn greyed out and cannot be selected.

#include <QFont>
#include <QHash>
#include <QStringList>
#include <QTabBar>
#include <QTabWidget>

namespace korim::questionnaire {

class WrappingTabBar : public QTabBar {
    Q_OBJECT
public:
    explicit WrappingTabBar(QWidget *parent = nullptr);

    // Widths of the tabs for a row of the given width, and the height that
    // holds every caption.
    QList<int> tabWidths(int rowWidth) const;
    int rowHeight(int rowWidth) const;

protected:
    QSize tabSizeHint(int index) const override;
    QSize minimumTabSizeHint(int index) const override;
    void paintEvent(QPaintEvent *event) override;

private:
    int captionHeight(const QString &faceKey, const QString &caption, int textWidth) const;
    int captionWidth(const QFont &face, const QString &caption) const;
    int rowWidth() const;
    // What the widths were worked out for; layout asks many times.
    mutable int widthsRow_ = -1;
    mutable QFont widthsFont_;
    mutable QStringList widthsCaptions_;
    mutable QList<int> widths_;
    mutable quint64 widthsRound_ = 0;
    // Word-wrapped text measuring is slow and adding each tab re-lays out
    // all of them: remember each caption's answers.
    mutable QHash<QString, int> measured_;
    mutable quint64 heightRound_ = 0;
    mutable int height_ = 0;
};

class TabControl : public QTabWidget {
    Q_OBJECT
public:
    explicit TabControl(QWidget *parent = nullptr);
    WrappingTabBar *wrappingTabBar() const { return bar_; }

signals:
    // The tab is becoming the current one; its page is not shown yet.
    void aboutToShow(int index);

private:
    WrappingTabBar *bar_;
    int lastOpen_ = -1;
};

} // namespace korim::questionnaire

#include "questionnaire/support/gridtest.h"

#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include <QApplication>
#include <QTableView>
#include <QTest>

namespace korim::test {

namespace {

QWidget *focused(QTableView *grid)
{
    QWidget *w = QApplication::focusWidget();
    return w && (w == grid || grid->isAncestorOf(w)) ? w : grid;
}

void press(QWidget *w, QChar c)
{
    if (c.unicode() < 128) {
        QTest::keyClick(w, c.toLatin1());
        return;
    }
    typeText(w, QString(c));
}

} // namespace

void typeIntoCell(QTableView *grid, int row, int column, const QString &text, Qt::Key leave)
{
    if (!grid->hasFocus() && !grid->isAncestorOf(QApplication::focusWidget()))
        focusOn(grid);
    grid->setCurrentIndex(grid->model()->index(row, column));
    for (QChar c : text)
        press(focused(grid), c);
    if (leave != Qt::Key_unknown)
        pressInGrid(grid, leave);
}

void clearCell(QTableView *grid, int row, int column)
{
    typeIntoCell(grid, row, column, QString(), Qt::Key_F2);
    pressInGrid(grid, Qt::Key_Backspace);
    pressInGrid(grid, Qt::Key_Tab);
}

void pressInGrid(QTableView *grid, Qt::Key key)
{
    QTest::keyClick(focused(grid), key);
    // The editor hands its text over from the event loop on Enter.
    QCoreApplication::processEvents();
}

QString shownIn(const QTableView *grid, int row, int column)
{
    return grid->model()->index(row, column).data().toString();
}

bool editing(const QTableView *grid)
{
    const QWidget *w = QApplication::focusWidget();
    return w && w != grid && grid->isAncestorOf(w);
}

} // namespace korim::test

#pragma once
// Driving the questionnaire's grids as a clerk does: the cursor put on a cell,
// keys typed (the first one to the grid, which opens the cell editor), the
// cell left with Tab or Enter.

#include "application/support/appfolder.h"

#include <QJsonArray>
#include <QString>
#include <Qt>

class QTableView;

namespace korim::test {

// Puts the cursor on the cell and types text; then presses `leave` on
// whatever has the focus (Qt::Key_unknown: the cell is not left).
void typeIntoCell(QTableView *grid, int row, int column, const QString &text, Qt::Key leave = Qt::Key_Tab);
// Empties a cell: F2 opens its editor with the text selected, Backspace
// deletes it, Tab leaves the cell.
void clearCell(QTableView *grid, int row, int column);
// Presses a key on whatever widget of the grid has the focus.
void pressInGrid(QTableView *grid, Qt::Key key);
// The text a cell shows.
QString shownIn(const QTableView *grid, int row, int column);
// True while a cell editor of the grid is open.
bool editing(const QTableView *grid);
} // namespace korim::test

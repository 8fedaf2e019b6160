// The three grids: the sales grids keep their derived columns up to date and
// refuse exports above sales, "Borrar Registro" deletes the product the
// clerk's cursor is on, and every edit reaches its table before the clerk can
// lose it.

#include "questionnaire/form1.h"

#include "application/solicitud.h"

#include "data/datasource.h"
#include "platform/messages.h"
#include "questionnaire/gridmodel.h"
#include "application/gridrules.h"
#include "questionnaire/keypipeline.h"
#include "questionnaire/tabcontrol.h"

#include <QApplication>
#include <QEvent>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>

#include <functional>

namespace korim::questionnaire {

using namespace korim::application;

using korim::data::DataError;
using korim::data::DataSource;
namespace platform = korim::platform;

namespace {

// Columns of dbgVTotales.
enum TotalsColumn { kPesoSales = 2, kExchangeRate = 3, kDollarSales = 4, kExports = 5, kExportShare = 7 };
// Columns of dbVentasTot.
enum IndirectColumn { kCertificates = 2, kExporterLetters = 3, kVirtualOperations = 4, kIndirectTotal = 5 };

// A cell as the grid shows it: numbers in the column's display format with
// the system's separators, texts as they are.
QString cellText(const QString &format, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return {};
    if (value.typeId() == QMetaType::QString)
        return value.toString();
    return displayText(cellNumber(value), format, QLocale());
}

// What the key pipeline does with a key of a sales grid.
int gridKeyCode(GridKey action, int keyAscii)
{
    switch (action) {
    case GridKey::Discard: return 0;
    case GridKey::NextCell: return 9; // moves on as Tab does
    case GridKey::Type: break;
    }
    return keyAscii;
}

bool inside(const QWidget *grid, const QWidget *widget)
{
    return widget && (widget == grid || grid->isAncestorOf(widget));
}

// Runs a function before the watched window handles its close event.
class CloseWatcher : public QObject {
public:
    CloseWatcher(QObject *parent, std::function<void()> beforeClose)
        : QObject(parent)
        , beforeClose_(std::move(beforeClose))
    {
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == parent() && event->type() == QEvent::Close)
            beforeClose_();
        return false;
    }

private:
    std::function<void()> beforeClose_;
};

GridDelegate *delegateOf(QTableView *grid)
{
    return qobject_cast<GridDelegate *>(grid->itemDelegate());
}

} // namespace

void Form1::connectGridHandlers()
{
    for (GridModel *model : {productosModel, vTotalesModel, ventasExpModel})
        model->setFormatter(cellText);

    // dbgVTotales gains the focus from outside (not from its own cell editor).
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        const QTableView *grid = dbgVTotales.made();
        if (grid && inside(grid, now) && !inside(grid, old))
            totalsFocusGained();
    });

    // A cell still being edited goes to its table before the tab changes,
    // before any toolbar command, before "Borrar Registro" and before the
    // window closes.
    connect(SSTab1, &QTabWidget::currentChanged, this, [this] { commitGridEdits(); });
    connect(this, &Form1::commandRun, this, [this] { commitGridEdits(); });
    installEventFilter(new CloseWatcher(this, [this] { commitGridEdits(); }));

    // "Borrar Registro" deletes the current record of dtsProductos: make it
    // the product under the cursor first. Only then: following every cursor
    // move would also follow the moves the selection makes while records are
    // being deleted, and drag the source away under the deleting loop.
    connect(Command2, &QPushButton::pressed, this, [this] {
        commitGridEdits();
        followGridRow(productosModel, dbProductos->currentIndex().row());
    });
}

void Form1::connectGridView(QTableView *grid)
{
    if (grid == dbProductos.made()) {
        showCurrentProduct(grid);
        // After the products are read again the cursor shows the current
        // one. Connected after the grid's own handler, which clears it.
        connect(productosModel, &QAbstractItemModel::modelReset, this, [this, grid] { showCurrentProduct(grid); });
    } else if (grid == dbgVTotales.made()) {
        // Keys of the sales grid, after the window's upper-casing: digits and
        // "." only, Enter moves on like Tab, nothing into a locked exchange rate.
        KeyPipeline::setKeyFilter(grid, [this, grid](int keyAscii) {
            const QModelIndex at = grid->currentIndex();
            return gridKeyCode(totalsGridKey(at.row(), at.column(), keyAscii), keyAscii);
        });
        // The cursor moved. The grid has already stored the cell it left.
        connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex &current) { totalsCellEntered(current.row(), current.column()); });
        // An edited cell was stored, or refused by its table.
        connect(delegateOf(grid), &GridDelegate::cellStored, this,
                [this](const QModelIndex &index) { totalsCellStored(index.row(), index.column()); });
    } else if (grid == dbVentasTot.made()) {
        KeyPipeline::setKeyFilter(grid, [](int keyAscii) { return gridKeyCode(indirectGridKey(keyAscii), keyAscii); });
        connect(grid->selectionModel(), &QItemSelectionModel::currentChanged, this,
                [this](const QModelIndex &current) { indirectRowTotal(current.row()); });
        connect(delegateOf(grid), &GridDelegate::cellStored, this,
                [this](const QModelIndex &index) { indirectRowTotal(index.row()); });
    }
    auto *model = qobject_cast<GridModel *>(grid->model());
    connect(delegateOf(grid), &GridDelegate::cellRefused, this, [this, model](const QModelIndex &) {
        platform::MessageRequest refused;
        refused.text = model->lastError();
        refused.icon = platform::MsgIcon::Critical;
        platform::showMessage(this, refused);
    });
}

void Form1::showCurrentProduct(QTableView *grid)
{
    // After the products are read again the cursor shows the current one.
    const int row = application_->dtsProductos()->currentRow();
    if (row >= 0 && row < productosModel->rowCount())
        grid->setCurrentIndex(productosModel->index(row, 0));
}

void Form1::commitGridEdits()
{
    // A grid not made yet has no cell open.
    for (QTableView *grid : {dbProductos.made(), dbgVTotales.made(), dbVentasTot.made()}) {
        if (!grid)
            continue;
        // The cell editor open on the cursor, if any.
        QWidget *editor = grid->indexWidget(grid->currentIndex());
        if (!editor)
            continue;
        QAbstractItemDelegate *delegate = grid->itemDelegateForIndex(grid->currentIndex());
        emit delegate->commitData(editor);
        emit delegate->closeEditor(editor, QAbstractItemDelegate::NoHint);
    }
}

void Form1::followGridRow(GridModel *model, int row)
{
    DataSource *source = model->source();
    // No cursor: the source stays where it is. An addition being written
    // keeps its place.
    if (row < 0 || source->editMode() == DataSource::EditAdd)
        return;
    const int records = source->recordCount();
    try {
        if (row >= records) {
            // The blank new row: no current record, so nothing can be deleted.
            if (!source->eof()) {
                source->moveLast();
                source->moveNext();
            }
            return;
        }
        if (source->currentRow() == row)
            return;
        if (source->currentRow() < 0 || source->currentRow() > row)
            source->moveFirst();
        while (source->currentRow() >= 0 && source->currentRow() < row)
            source->moveNext();
    } catch (const DataError &e) {
        platform::MessageRequest failed;
        failed.text = e.description();
        failed.icon = platform::MsgIcon::Critical;
        platform::showMessage(this, failed);
    }
}

bool Form1::storeGridValue(GridModel *model, int row, int column, const QVariant &value)
{
    if (model->storeValue(row, column, value))
        return true;
    platform::MessageRequest failed;
    failed.text = model->lastError();
    failed.icon = platform::MsgIcon::Critical;
    platform::showMessage(this, failed);
    // A computed figure the field cannot hold leaves its cell empty rather
    // than showing a figure that no longer belongs to the row.
    if (value.isValid() && !model->columns().at(column).editable)
        model->storeValue(row, column, QVariant());
    return false;
}

bool Form1::totalsExportCheck(int row)
{
    if (!exportsExceedSales(vTotalesModel->value(row, kDollarSales), vTotalesModel->value(row, kExports)))
        return true;
    platform::MessageRequest refused;
    refused.text = kExportsAboveSalesMessage;
    refused.icon = platform::MsgIcon::Critical;
    platform::showMessage(this, refused);
    // After the box: while it is up the cell editor may hand its text over
    // once more, and it must not bring the refused figure back.
    storeGridValue(vTotalesModel, row, kExports, 0.0);
    return false;
}

void Form1::totalsRecompute(int row)
{
    const TotalsRow figures = recomputeTotalsRow(vTotalesModel->value(row, kPesoSales),
                                                 vTotalesModel->value(row, kExchangeRate),
                                                 vTotalesModel->value(row, kExports));
    storeGridValue(vTotalesModel, row, kDollarSales, figures.dollarSales);
    // The percentage from the dollar sales as the table now holds them.
    storeGridValue(vTotalesModel, row, kExportShare,
                   exportShare(vTotalesModel->value(row, kDollarSales), vTotalesModel->value(row, kExports)));
}

void Form1::formatExchangeRateCell(int row)
{
    // The cell shows the rate with two decimals, grouped; the table keeps the
    // number so rounded (the grouped text read back would be a different number).
    const QVariant rate = vTotalesModel->value(row, kExchangeRate);
    if (!rate.isValid() || rate.isNull())
        return;
    storeGridValue(vTotalesModel, row, kExchangeRate, exchangeRateValue(cellNumber(rate)));
}

void Form1::totalsCellEntered(int row, int column)
{
    if (row < 0 || row >= vTotalesModel->rowCount())
        return;
    vTotalesModel->setAllowUpdate(!exchangeRateLocked(row, column));
    // Reopening a recovered cell stores nothing.
    if (applyingJournal_)
        return;
    if (column == kExchangeRate)
        formatExchangeRateCell(row);
    if (!totalsExportCheck(row))
        return;
    totalsRecompute(row);
    if (column == kExchangeRate)
        formatExchangeRateCell(row);
}

void Form1::totalsCellStored(int row, int column)
{
    if (row < 0 || row >= vTotalesModel->rowCount())
        return;
    if (!totalsExportCheck(row))
        return;
    if (column == kExchangeRate)
        formatExchangeRateCell(row);
    totalsRecompute(row);
}

void Form1::totalsFocusGained()
{
    if (applyingJournal_)
        return;
    int row = dbgVTotales->currentIndex().row();
    if (row < 0 && vTotalesModel->rowCount() > 0)
        row = 0;
    if (row >= 0)
        totalsRecompute(row);
}

void Form1::indirectRowTotal(int row)
{
    if (applyingJournal_)
        return;
    if (row < 0 || row >= ventasExpModel->rowCount())
        return;
    storeGridValue(ventasExpModel, row, kIndirectTotal,
                   indirectExportTotal(ventasExpModel->value(row, kCertificates),
                                       ventasExpModel->value(row, kExporterLetters),
                                       ventasExpModel->value(row, kVirtualOperations)));
}

} // namespace korim::questionnaire

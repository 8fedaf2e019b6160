// The three grids driven as the clerk drives them: cursor moves, typed keys,
// Enter and Tab, cells left; checked in the cells and in the tables.

#include "questionnaire/support/formtest.h"
#include "questionnaire/support/gridtest.h"
#include "support/testsupport.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "questionnaire/form1.h"
#include "questionnaire/gridmodel.h"
#include "questionnaire/keyorder.h"
#include "questionnaire/tabcontrol.h"

#include <QApplication>
#include <QJsonArray>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMessageBox>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace korim::test;
using korim::platform::MessageRequest;
using korim::platform::MsgAnswer;
using korim::platform::MsgButtons;
using korim::platform::MsgIcon;
using korim::questionnaire::Form1;
using korim::questionnaire::TabControl;

namespace {

// Columns of the two sales grids.
enum { Pesos = 2, Rate = 3, Dollars = 4, Exports = 5, Imports = 6, Share = 7 };
enum { Certificates = 2, Letters = 3, Virtual = 4, Total = 5 };

const QString kRefusal = QStringLiteral("Las Exportaciones no pueden ser mayor a las ventas totales");

double field(const QJsonArray &rows, int row, int position)
{
    return rows.at(row).toArray().at(position).toDouble();
}

bool isNull(const QJsonArray &rows, int row, int position)
{
    return rows.at(row).toArray().at(position).isNull();
}

int refusals(const MessageRecorder &boxes)
{
    int n = 0;
    for (const MessageRequest &r : boxes.requests())
        n += r.text == kRefusal ? 1 : 0;
    return n;
}

} // namespace

class GridsTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString folder_;
    std::unique_ptr<Form1> form_;

    QTableView *totals() { return form_->control<QTableView>(u"dbgVTotales"); }
    QTableView *indirect() { return form_->control<QTableView>(u"dbVentasTot"); }

    void showTab(int index, QTableView *grid)
    {
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(index);
        QVERIFY(focusOn(grid));
    }

    // Row 0 of dbgVTotales: pesos and rate typed, the cursor left on col 5.
    void salesOfFirstRow(const QString &pesos, const QString &rate)
    {
        typeIntoCell(totals(), 0, Pesos, pesos, Qt::Key_Tab);
        typeIntoCell(totals(), 0, Rate, rate, Qt::Key_Return);
        pressInGrid(totals(), Qt::Key_Tab); // over the computed dollars
    }

private slots:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
    }

    void init()
    {
        QVERIFY(dir_.isValid());
        folder_ = makeDataFolder(dir_.path() + QStringLiteral("/") + QString::fromLatin1(QTest::currentTestFunction()));
        form_ = openForm(folder_);
        showTab(4, totals());
    }

    void cleanup()
    {
        MessageRecorder boxes;
        form_->close();
        form_.reset();
    }

    void gridsAreMadeAsTheirTabsShow()
    {
        // A window fresh from start-up has made none of its grids yet.
        form_.reset();
        form_ = openForm(folder_);
        for (const char *name : {"dbProductos", "dbgVTotales", "dbVentasTot"})
            QVERIFY2(!form_->findChild<QTableView *>(QLatin1String(name)), name);
        // Clicked into view, a grid is made, shown, in the keyboard order and
        // reached through its caption.
        QTabBar *bar = form_->control<TabControl>(u"SSTab1")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(4).center());
        QCOMPARE(form_->control<TabControl>(u"SSTab1")->currentIndex(), 4);
        QTableView *grid = form_->findChild<QTableView *>(QStringLiteral("dbgVTotales"));
        QVERIFY(grid);
        QVERIFY(grid->isVisible());
        for (const char *name : {"dbProductos", "dbVentasTot"})
            QVERIFY2(!form_->findChild<QTableView *>(QLatin1String(name)), name);
        QCOMPARE(korim::questionnaire::keyboardPlace(grid), 52);
        QCOMPARE(form_->control<QLabel>(u"lbldbgVTotales")->buddy(), static_cast<QWidget *>(grid));
        QCOMPARE(form_->labelOf(grid), form_->control<QLabel>(u"lbldbgVTotales"));
        QCOMPARE(grid->model()->rowCount(), 3);
        // Its handlers came with it: letters do not open a cell.
        MessageRecorder boxes;
        typeIntoCell(grid, 0, Pesos, QStringLiteral("x"), Qt::Key_unknown);
        QVERIFY(!editing(grid));
        // Tab moves from the products grid into it, as the keyboard order says.
        QWidget *next = form_->control<QTableView>(u"dbProductos")->nextInFocusChain();
        while (korim::questionnaire::keyboardPlace(next) < 0)
            next = next->nextInFocusChain();
        QCOMPARE(next, static_cast<QWidget *>(grid));
        // Closing with grids never made asks nothing of them.
        form_->close();
        QVERIFY(!form_->isVisible());
    }

    void dollarsAndShareFollowTheFigures()
    {
        MessageRecorder boxes;
        salesOfFirstRow(QStringLiteral("2000"), QStringLiteral("10"));
        QCOMPARE(totals()->currentIndex(), totals()->model()->index(0, Exports));
        QCOMPARE(shownIn(totals(), 0, Dollars), QStringLiteral("200"));
        typeIntoCell(totals(), 0, Exports, QStringLiteral("50"), Qt::Key_Return);
        // Enter moved on like Tab and was not typed into the cell.
        QCOMPARE(totals()->currentIndex(), totals()->model()->index(0, Imports));
        QCOMPARE(shownIn(totals(), 0, Exports), QStringLiteral("50"));
        QCOMPARE(shownIn(totals(), 0, Share), QStringLiteral("25"));
        QCOMPARE(shownIn(totals(), 0, Pesos), QStringLiteral("2,000.00"));
        QCOMPARE(shownIn(totals(), 0, Rate), QStringLiteral("10.00"));
        QVERIFY(boxes.requests().isEmpty());

        const QJsonArray rows = salesRows(folder_, 1);
        QCOMPARE(field(rows, 0, 1), 2000.0); // VTOT
        QCOMPARE(field(rows, 0, 6), 10.0);   // TC
        QCOMPARE(field(rows, 0, 2), 200.0);  // VTOTD
        QCOMPARE(field(rows, 0, 3), 50.0);   // EXPORTA
        QCOMPARE(field(rows, 0, 5), 25.0);   // SALDO
        // Only the row being edited changed.
        QCOMPARE(field(rows, 1, 1), 0.0);

        // A percentage with decimals is kept as the field holds it.
        typeIntoCell(totals(), 0, Exports, QStringLiteral("30"), Qt::Key_Tab);
        QCOMPARE(field(salesRows(folder_, 1), 0, 5), 15.0);
        typeIntoCell(totals(), 0, Pesos, QStringLiteral("2100"), Qt::Key_Tab);
        QCOMPARE(field(salesRows(folder_, 1), 0, 2), 210.0);
        QCOMPARE(field(salesRows(folder_, 1), 0, 5), 14.29);
        QCOMPARE(shownIn(totals(), 0, Share), QStringLiteral("14"));
    }

    void theRowIsBroughtUpToDateWhenTheGridGainsTheFocus()
    {
        salesOfFirstRow(QStringLiteral("2000"), QStringLiteral("10"));
        QVERIFY(focusOn(form_->control<QLineEdit>(u"txtApePat1")));
        // The figures change under the grid, which keeps its cursor in row 0.
        korim::data::DataSource *source = form_->application().dtsVTotales();
        QCOMPARE(source->currentRow(), 0);
        source->edit();
        source->setValue(QStringLiteral("VTOT"), 3000);
        source->updateRecord();
        QCOMPARE(shownIn(totals(), 0, Dollars), QStringLiteral("200"));
        QVERIFY(focusOn(totals()));
        QCOMPARE(shownIn(totals(), 0, Dollars), QStringLiteral("300"));
        QCOMPARE(field(salesRows(folder_, 1), 0, 2), 300.0);
    }

    void rateZeroOrEmptyGivesZero()
    {
        MessageRecorder boxes;
        salesOfFirstRow(QStringLiteral("2000"), QStringLiteral("0"));
        QCOMPARE(shownIn(totals(), 0, Dollars), QStringLiteral("0"));
        QCOMPARE(field(salesRows(folder_, 1), 0, 2), 0.0);
        QCOMPARE(field(salesRows(folder_, 1), 0, 5), 0.0);

        typeIntoCell(totals(), 0, Rate, QStringLiteral("10"), Qt::Key_Tab);
        QCOMPARE(field(salesRows(folder_, 1), 0, 2), 200.0);
        clearCell(totals(), 0, Rate);
        QCOMPARE(shownIn(totals(), 0, Rate), QString());
        QCOMPARE(shownIn(totals(), 0, Dollars), QStringLiteral("0"));
        const QJsonArray rows = salesRows(folder_, 1);
        QVERIFY(isNull(rows, 0, 6));
        QCOMPARE(field(rows, 0, 2), 0.0);
        QCOMPARE(field(rows, 0, 5), 0.0);
        QVERIFY(boxes.requests().isEmpty());

        // With exports in the row, a rate taken back to 0 leaves 0 dollars:
        // the exports now exceed them and are refused on the next move.
        typeIntoCell(totals(), 0, Rate, QStringLiteral("10"), Qt::Key_Tab);
        typeIntoCell(totals(), 0, Exports, QStringLiteral("50"), Qt::Key_Tab);
        QCOMPARE(field(salesRows(folder_, 1), 0, 5), 25.0);
        typeIntoCell(totals(), 0, Rate, QStringLiteral("0"), Qt::Key_Tab);
        QCOMPARE(refusals(boxes), 1);
        QCOMPARE(field(salesRows(folder_, 1), 0, 3), 0.0);
        QCOMPARE(field(salesRows(folder_, 1), 0, 2), 0.0);
    }

    void exportsAboveSalesAreRefused()
    {
        MessageRecorder boxes;
        salesOfFirstRow(QStringLiteral("2000"), QStringLiteral("10"));
        typeIntoCell(totals(), 0, Exports, QStringLiteral("250"), Qt::Key_Tab);
        QCOMPARE(boxes.requests().size(), 1);
        const MessageRequest &box = boxes.requests().at(0);
        QCOMPARE(box.text, kRefusal);
        QVERIFY(box.title.isEmpty() || box.title == QStringLiteral("KORIM"));
        QCOMPARE(korim::platform::applicationTitle(), QStringLiteral("KORIM"));
        QCOMPARE(box.icon, MsgIcon::Critical);
        QCOMPARE(box.buttons, MsgButtons::Ok);
        QCOMPARE(shownIn(totals(), 0, Exports), QStringLiteral("0"));
        QCOMPARE(field(salesRows(folder_, 1), 0, 3), 0.0);
        QCOMPARE(field(salesRows(folder_, 1), 0, 5), 0.0);
        // The clerk stays in the grid.
        QVERIFY(totals()->hasFocus() || editing(totals()));

        // Equal to the dollar sales is accepted.
        typeIntoCell(totals(), 0, Exports, QStringLiteral("200"), Qt::Key_Tab);
        QCOMPARE(boxes.requests().size(), 1);
        QCOMPARE(field(salesRows(folder_, 1), 0, 3), 200.0);
        QCOMPARE(field(salesRows(folder_, 1), 0, 5), 100.0);
        QCOMPARE(shownIn(totals(), 0, Share), QStringLiteral("100"));

        // Sales lowered below the exports: refused when the cursor moves on.
        typeIntoCell(totals(), 0, Pesos, QStringLiteral("1000"), Qt::Key_Tab);
        QCOMPARE(refusals(boxes), 2);
        QCOMPARE(field(salesRows(folder_, 1), 0, 3), 0.0);

        // Exports typed before the sales of the row.
        boxes.clear();
        typeIntoCell(totals(), 1, Exports, QStringLiteral("50"), Qt::Key_Tab);
        QCOMPARE(boxes.requests().size(), 1);
        QCOMPARE(boxes.requests().at(0).text, kRefusal);
        QCOMPARE(field(salesRows(folder_, 1), 1, 3), 0.0);
        QCOMPARE(shownIn(totals(), 1, Exports), QStringLiteral("0"));
    }

    void refusalWithARealBoxIsShownOnce()
    {
        // A real box takes the focus from the cell editor while it is up.
        salesOfFirstRow(QStringLiteral("2000"), QStringLiteral("10"));
        QStringList shown;
        QTimer answer;
        answer.setInterval(10);
        connect(&answer, &QTimer::timeout, this, [&shown] {
            if (auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget())) {
                shown << box->text();
                box->accept();
            }
        });
        answer.start();
        typeIntoCell(totals(), 0, Exports, QStringLiteral("250"), Qt::Key_Tab);
        QTest::qWait(50);
        answer.stop();
        QCOMPARE(shown, QStringList{kRefusal});
        QCOMPARE(field(salesRows(folder_, 1), 0, 3), 0.0);
        QCOMPARE(shownIn(totals(), 0, Exports), QStringLiteral("0"));
        QCOMPARE(totals()->currentIndex(), totals()->model()->index(0, Imports));
    }

    void exchangeRateOnlyInTheFirstRow()
    {
        MessageRecorder boxes;
        for (int row : {1, 2}) {
            typeIntoCell(totals(), row, Rate, QStringLiteral("5"), Qt::Key_unknown);
            QVERIFY(!editing(totals()));
            QVERIFY(!(totals()->model()->index(row, Rate).flags() & Qt::ItemIsEditable));
            QTest::keyClick(totals(), Qt::Key_F2);
            QVERIFY(!editing(totals()));
            QTest::mouseDClick(totals()->viewport(), Qt::LeftButton, {},
                               totals()->visualRect(totals()->model()->index(row, Rate)).center());
            QVERIFY(!editing(totals()));
            QCOMPARE(field(salesRows(folder_, 1), row, 6), 0.0);
            // A locked cell refuses typing, not moving on: Tab, Enter and the
            // arrows leave it.
            const QModelIndex locked = totals()->model()->index(row, Rate);
            const QModelIndex next = totals()->model()->index(row, Rate + 1);
            for (Qt::Key key : {Qt::Key_Tab, Qt::Key_Return, Qt::Key_Right}) {
                totals()->setCurrentIndex(locked);
                pressInGrid(totals(), key);
                QVERIFY2(totals()->currentIndex() == next, qPrintable(QString::number(key, 16)));
            }
            totals()->setCurrentIndex(next);
            pressInGrid(totals(), Qt::Key_Backtab);
            QCOMPARE(totals()->currentIndex(), locked);
        }
        // The other cells of those rows still take figures.
        typeIntoCell(totals(), 1, Pesos, QStringLiteral("7"), Qt::Key_Tab);
        QCOMPARE(field(salesRows(folder_, 1), 1, 1), 7.0);

        // The first row's rate takes digits and ".", shown with two decimals
        // and grouped; the table keeps the number so rounded.
        typeIntoCell(totals(), 0, Rate, QStringLiteral("1.5"), Qt::Key_Tab);
        QCOMPARE(shownIn(totals(), 0, Rate), QStringLiteral("1.50"));
        QCOMPARE(field(salesRows(folder_, 1), 0, 6), 1.5);
        typeIntoCell(totals(), 0, Pesos, QStringLiteral("2469.14"), Qt::Key_Tab);
        typeIntoCell(totals(), 0, Rate, QStringLiteral("1234.567"), Qt::Key_Tab);
        QCOMPARE(shownIn(totals(), 0, Rate), QStringLiteral("1,234.57"));
        QCOMPARE(field(salesRows(folder_, 1), 0, 6), 1234.57);
        // The grouped text is not read back as 1.
        QCOMPARE(field(salesRows(folder_, 1), 0, 2), 2.0);
        QVERIFY(boxes.requests().isEmpty());
    }

    void onlyDigitsAndPointInTheSalesGrids()
    {
        MessageRecorder boxes;
        for (int column = 0; column < 8; ++column) {
            typeIntoCell(totals(), 0, column, QStringLiteral("a-,"), Qt::Key_unknown);
            QVERIFY2(!editing(totals()), qPrintable(QString::number(column)));
        }
        showTab(5, indirect());
        for (int column = 0; column < 6; ++column) {
            typeIntoCell(indirect(), 0, column, QStringLiteral("x-ñ"), Qt::Key_unknown);
            QVERIFY2(!editing(indirect()), qPrintable(QString::number(column)));
        }
        // Also once the editor is open.
        typeIntoCell(indirect(), 0, Certificates, QStringLiteral("1a-2.5"), Qt::Key_Return);
        QCOMPARE(indirect()->currentIndex(), indirect()->model()->index(0, Letters));
        const QJsonArray rows = salesRows(folder_, 2);
        QCOMPARE(field(rows, 0, 1), 12.5);
        QCOMPARE(rows.at(0).toArray().at(7).toString(), QStringLiteral("Año anterior"));
        QVERIFY(boxes.requests().isEmpty());
    }

    void indirectTotalOfTheThreeDocuments()
    {
        showTab(5, indirect());
        typeIntoCell(indirect(), 0, Certificates, QStringLiteral("100"), Qt::Key_Tab);
        QCOMPARE(shownIn(indirect(), 0, Total), QStringLiteral("100"));
        typeIntoCell(indirect(), 0, Letters, QStringLiteral("200"), Qt::Key_Return);
        typeIntoCell(indirect(), 0, Virtual, QStringLiteral("300"), Qt::Key_unknown);
        // Leaving the cell by moving the cursor stores it and totals the row.
        indirect()->setCurrentIndex(indirect()->model()->index(1, Certificates));
        QCOMPARE(shownIn(indirect(), 0, Total), QStringLiteral("600"));
        QCOMPARE(field(salesRows(folder_, 2), 0, 5), 600.0);
        // An empty cell counts 0.
        clearCell(indirect(), 0, Letters);
        QCOMPARE(shownIn(indirect(), 0, Letters), QString());
        QCOMPARE(field(salesRows(folder_, 2), 0, 5), 400.0);
        // Another row has its own total.
        typeIntoCell(indirect(), 2, Virtual, QStringLiteral("7.5"), Qt::Key_Tab);
        QCOMPARE(field(salesRows(folder_, 2), 2, 5), 7.5);
        QCOMPARE(field(salesRows(folder_, 2), 0, 5), 400.0);
    }

    void tabWrapsAndNoRowIsAdded()
    {
        QTableView *grid = totals();
        grid->setCurrentIndex(grid->model()->index(0, Share));
        pressInGrid(grid, Qt::Key_Tab);
        QCOMPARE(grid->currentIndex(), grid->model()->index(1, 0));
        // Enter in the last cell of the last row adds nothing.
        grid->setCurrentIndex(grid->model()->index(2, Share));
        pressInGrid(grid, Qt::Key_Return);
        pressInGrid(grid, Qt::Key_Down);
        QCOMPARE(grid->model()->rowCount(), 3);
        showTab(5, indirect());
        indirect()->setCurrentIndex(indirect()->model()->index(0, Total));
        pressInGrid(indirect(), Qt::Key_Return);
        QCOMPARE(indirect()->currentIndex(), indirect()->model()->index(1, 0));
        indirect()->setCurrentIndex(indirect()->model()->index(2, Total));
        pressInGrid(indirect(), Qt::Key_Tab);
        pressInGrid(indirect(), Qt::Key_Down);
        QCOMPARE(indirect()->model()->rowCount(), 3);
        // No blank row to type into, no row to delete.
        QCOMPARE(form_->vTotalesModel->newRow(), -1);
        QCOMPARE(form_->ventasExpModel->newRow(), -1);
        pressInGrid(indirect(), Qt::Key_Delete);
        QCOMPARE(readWithDbfread(tablePath(folder_, QStringLiteral("VENTAS.dbf"))).size(), 6);
    }

    void displayFormatsFollowTheSystem()
    {
        typeIntoCell(totals(), 0, Pesos, QStringLiteral("1234567.5"), Qt::Key_Tab);
        typeIntoCell(totals(), 0, Imports, QStringLiteral("1500000"), Qt::Key_Tab);
        QCOMPARE(shownIn(totals(), 0, Pesos), QStringLiteral("1,234,567.50"));
        QCOMPARE(shownIn(totals(), 0, Imports), QStringLiteral("1,500,000"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(shownIn(totals(), 0, Pesos), QStringLiteral("1.234.567,50"));
        QCOMPARE(shownIn(totals(), 0, Imports), QStringLiteral("1.500.000"));
        QLocale::setDefault(QLocale::c());
        // Years and labels as they are.
        QCOMPARE(shownIn(totals(), 0, 0), QStringLiteral("2004"));
        QCOMPARE(shownIn(totals(), 2, 1), QStringLiteral("Año siguiente"));
    }

    void figuresTheFieldCannotHoldAreReported()
    {
        MessageRecorder boxes;
        // Typed: 16 integer digits where the field holds 15.
        typeIntoCell(totals(), 0, Pesos, QStringLiteral("1234567890123456"), Qt::Key_Tab);
        QCOMPARE(boxes.requests().size(), 1);
        QVERIFY2(boxes.requests().at(0).text.contains(QStringLiteral("VTOT")), qPrintable(boxes.requests().at(0).text));
        QCOMPARE(boxes.requests().at(0).icon, MsgIcon::Critical);
        QCOMPARE(field(salesRows(folder_, 1), 0, 1), 0.0);
        QCOMPARE(shownIn(totals(), 0, Pesos), QStringLiteral(".00"));
        // The row still takes figures afterwards.
        typeIntoCell(totals(), 0, Pesos, QStringLiteral("123456789012345"), Qt::Key_Tab);
        QCOMPARE(field(salesRows(folder_, 1), 0, 1), 123456789012345.0);
        // Computed: the dollars outgrow their field; the cell is left empty.
        boxes.clear();
        typeIntoCell(totals(), 0, Rate, QStringLiteral("0.01"), Qt::Key_Tab);
        QVERIFY(!boxes.requests().isEmpty());
        QVERIFY2(boxes.requests().at(0).text.contains(QStringLiteral("VTOTD")), qPrintable(boxes.requests().at(0).text));
        QVERIFY(isNull(salesRows(folder_, 1), 0, 2));
        QCOMPARE(shownIn(totals(), 0, Dollars), QString());
    }

    void editsInProgressReachTheTable()
    {
        MessageRecorder boxes;
        // Tab change.
        typeIntoCell(totals(), 0, Imports, QStringLiteral("321"), Qt::Key_unknown);
        QVERIFY(editing(totals()));
        form_->control<TabControl>(u"SSTab1")->setCurrentIndex(5);
        QCOMPARE(field(salesRows(folder_, 1), 0, 4), 321.0);
        // Closing the window.
        QVERIFY(focusOn(indirect()));
        typeIntoCell(indirect(), 2, Virtual, QStringLiteral("9"), Qt::Key_unknown);
        QVERIFY(editing(indirect()));
        QVERIFY(form_->close());
        QCOMPARE(field(salesRows(folder_, 2), 2, 4), 9.0);
        QCOMPARE(field(salesRows(folder_, 2), 2, 5), 9.0);

        // Saving, with a stored application whose RFC passes the check.
        FolderSpec spec;
        spec.application = sampleApplication();
        folder_ = makeDataFolder(folder_ + QStringLiteral("-saved"), spec);
        form_ = openForm(folder_);
        showTab(5, indirect());
        typeIntoCell(indirect(), 1, Letters, QStringLiteral("45"), Qt::Key_unknown);
        QVERIFY(editing(indirect()));
        form_->Command1_Click(1);
        QCOMPARE(field(salesRows(folder_, 2), 1, 3), 45.0);
        QCOMPARE(field(salesRows(folder_, 2), 1, 5), 45.0);
        QVERIFY(!editing(indirect()));
    }

    void productsAddedChangedDeletedAndKept()
    {
        MessageRecorder boxes;
        showTab(3, form_->control<QTableView>(u"dbProductos"));
        QTableView *products = form_->control<QTableView>(u"dbProductos");
        QCOMPARE(products->model()->rowCount(), 1); // the blank new row
        typeIntoCell(products, 0, 0, QStringLiteral("mesa de pino"), Qt::Key_Return);
        typeIntoCell(products, 1, 0, QStringLiteral("silla tejida"), Qt::Key_Return);
        typeIntoCell(products, 2, 0, QStringLiteral("banco-3 ñ"), Qt::Key_Return);
        QCOMPARE(products->model()->rowCount(), 4);
        QCOMPARE(form_->productosModel->newRow(), 3);
        // Changed in place.
        typeIntoCell(products, 0, 0, QStringLiteral("mesa de roble"), Qt::Key_Return);
        QCOMPARE(shownIn(products, 0, 0), QStringLiteral("MESA DE ROBLE"));
        // "Borrar Registro" deletes the row of the cursor.
        products->setCurrentIndex(products->model()->index(1, 0));
        form_->control<QPushButton>(u"Command2")->click();
        QCOMPARE(products->model()->rowCount(), 3);
        // On the blank row there is nothing to delete.
        products->setCurrentIndex(products->model()->index(form_->productosModel->newRow(), 0));
        form_->control<QPushButton>(u"Command2")->click();
        QCOMPARE(products->model()->rowCount(), 3);

        QJsonArray rows = readWithDbfread(tablePath(folder_, QStringLiteral("PROVMERC.dbf")));
        QCOMPARE(rows.size(), 2);
        QCOMPARE(rows.at(0).toArray().at(2).toString(), QStringLiteral("MESA DE ROBLE"));
        QCOMPARE(rows.at(1).toArray().at(2).toString(), QStringLiteral("BANCO-3 Ñ"));

        // A second start of the program over the same folder.
        QVERIFY(form_->close());
        form_ = openForm(folder_);
        products = form_->control<QTableView>(u"dbProductos");
        QCOMPARE(products->model()->rowCount(), 3);
        QCOMPARE(shownIn(products, 0, 0), QStringLiteral("MESA DE ROBLE"));
        QCOMPARE(shownIn(products, 1, 0), QStringLiteral("BANCO-3 Ñ"));
        QCOMPARE(form_->productosModel->newRow(), 2);
    }

    void eraseRemovesEveryProductWhereverTheCursorIs()
    {
        FolderSpec spec;
        spec.application = sampleApplication();
        spec.products = QStringList{QStringLiteral("UNO"), QStringLiteral("DOS"), QStringLiteral("TRES"),
                                    QStringLiteral("CUATRO")};
        folder_ = makeDataFolder(folder_ + QStringLiteral("-erase"), spec);
        form_ = openForm(folder_);
        showTab(3, form_->control<QTableView>(u"dbProductos"));
        QTableView *products = form_->control<QTableView>(u"dbProductos");
        products->setCurrentIndex(products->model()->index(2, 0));
        form_->control<QPushButton>(u"Command2")->click();
        QStringList left;
        for (const QJsonValue &row : readWithDbfread(tablePath(folder_, QStringLiteral("PROVMERC.dbf"))))
            left << row.toArray().at(2).toString();
        QCOMPARE(left, (QStringList{QStringLiteral("UNO"), QStringLiteral("DOS"), QStringLiteral("CUATRO")}));
        // The cursor shows the product a second click would delete.
        QCOMPARE(products->currentIndex().row(), form_->application().dtsProductos()->currentRow());
        products->setCurrentIndex(products->model()->index(1, 0));
        MessageRecorder boxes;
        boxes.answer(MsgAnswer::Yes);
        form_->Command1_Click(0);
        QCOMPARE(readWithDbfread(tablePath(folder_, QStringLiteral("PROVMERC.dbf"))).size(), 0);
        QCOMPARE(products->model()->rowCount(), 1); // the blank new row only
    }

    void salesFiguresKeptAcrossARestart()
    {
        MessageRecorder boxes;
        salesOfFirstRow(QStringLiteral("2000"), QStringLiteral("10"));
        typeIntoCell(totals(), 0, Exports, QStringLiteral("50"), Qt::Key_Tab);
        QVERIFY(form_->close());
        form_ = openForm(folder_, QDate(2005, 6, 15));
        QCOMPARE(shownIn(form_->control<QTableView>(u"dbgVTotales"), 0, Pesos), QStringLiteral("2,000.00"));
        QCOMPARE(shownIn(form_->control<QTableView>(u"dbgVTotales"), 0, Dollars), QStringLiteral("200"));
        QCOMPARE(shownIn(form_->control<QTableView>(u"dbgVTotales"), 0, Share), QStringLiteral("25"));
        QVERIFY(boxes.requests().isEmpty());
    }
};

QTEST_MAIN(GridsTest)
#include "tst_form1_grids.moc"

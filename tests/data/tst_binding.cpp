// Widgets bound to a data source through its model: a text field, a masked
// field and a grid show the current record and hand what the user typed to
// the record when the source writes it.

#include "data/datasource.h"

#include <QAbstractItemModelTester>
#include <QDataWidgetMapper>
#include <QDir>
#include <QLineEdit>
#include <QTableView>
#include <QTemporaryDir>
#include <QVBoxLayout>
#include <QWidget>
#include <QtTest>

using namespace korim::data;

namespace {

FieldDef field(const char *name, FieldType type, int length, int decimals = 0)
{
    return makeField(QString::fromLatin1(name), type, length, decimals);
}

// How a window wires its single fields: a manual-submit mapper that hands
// over when the source is about to write and follows its current record.
void bind(DataSource &source, QDataWidgetMapper &mapper)
{
    mapper.setModel(source.model());
    mapper.setSubmitPolicy(QDataWidgetMapper::ManualSubmit);
    QObject::connect(&source, &DataSource::aboutToWrite, &mapper, &QDataWidgetMapper::submit);
    QObject::connect(&source, &DataSource::currentChanged, &mapper,
                     [&source, &mapper] { mapper.setCurrentIndex(source.currentRow()); });
}

void retype(QLineEdit &edit, const QString &text)
{
    edit.setFocus();
    edit.selectAll();
    QTest::keyClick(&edit, Qt::Key_Backspace);
    QTest::keyClicks(&edit, text);
}

} // namespace

class TestBinding : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    QString path(const char *file) const { return dir_.path() + QLatin1Char('/') + QLatin1String(file); }

private slots:
    void init()
    {
        QVERIFY(dir_.isValid());
        const auto C = FieldType::Character;
        const auto N = FieldType::Numeric;
        DbfTable::create(path("datoprov.dbf"), {field("RFC", C, 13), field("NOMBRE", C, 25), field("TIPOPROG", N, 1)},
                         {{QStringLiteral("ABCD800101AB1"), QStringLiteral("ACME"), 1}});
        DbfTable::create(path("VENTAS.dbf"), {field("ANO", N, 4), field("ETIQUETA", C, 30), field("TIPO", N, 1)},
                         {{2021, QStringLiteral("UNO"), 1}, {2022, QStringLiteral("DOS"), 2},
                          {2023, QStringLiteral("TRES"), 1}});
    }

    void textAndMaskedFieldsFollowTheRecord()
    {
        DataSource source(QStringLiteral("dtsDatoProv"));
        source.setConnect(QStringLiteral("dBASE III;"));
        source.setDatabaseName(dir_.path());
        source.setRecordSource(QStringLiteral("datoprov"));

        QWidget window;
        auto *layout = new QVBoxLayout(&window);
        auto *rfc = new QLineEdit;
        rfc->setInputMask(QStringLiteral("xxxx000000nnn; "));
        auto *name = new QLineEdit;
        layout->addWidget(rfc);
        layout->addWidget(name);
        QDataWidgetMapper mapper;
        bind(source, mapper);
        mapper.addMapping(rfc, 0);
        mapper.addMapping(name, 1);
        window.show();

        source.refresh();
        QCOMPARE(rfc->displayText(), QStringLiteral("ABCD800101AB1"));
        QCOMPARE(name->text(), QStringLiteral("ACME"));

        // Typed text reaches the file at the write, without setting anything by code.
        source.edit();
        retype(*name, QStringLiteral("NUEVA RAZON"));
        rfc->setFocus();
        rfc->clear();
        QTest::keyClicks(rfc, QStringLiteral("WXYZ900101CD2"));
        source.updateRecord();
        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        auto disk = DbfTable::open(path("datoprov.dbf"));
        QCOMPARE(disk->value(0, 0).toString(), QStringLiteral("WXYZ900101CD2"));
        QCOMPARE(disk->value(0, 1).toString(), QStringLiteral("NUEVA RAZON"));

        // Cancelling shows the stored record again.
        source.edit();
        retype(*name, QStringLiteral("NO GUARDAR"));
        source.cancelUpdate();
        QCOMPARE(name->text(), QStringLiteral("NUEVA RAZON"));
        QCOMPARE(DbfTable::open(path("datoprov.dbf"))->value(0, 1).toString(), QStringLiteral("NUEVA RAZON"));

        // A new record shows blank fields; what is typed into it survives the close.
        source.addNew();
        QCOMPARE(name->text(), QString());
        retype(*name, QStringLiteral("SEGUNDA"));
        source.closePendingAddition();
        disk = DbfTable::open(path("datoprov.dbf"));
        QCOMPARE(disk->recordCount(), 2);
        QCOMPARE(disk->value(1, 1).toString(), QStringLiteral("SEGUNDA"));
        QCOMPARE(name->text(), QStringLiteral("NUEVA RAZON")); // the former record is current again

        // An untouched new record is dropped at the close.
        source.addNew();
        source.closePendingAddition();
        QCOMPARE(DbfTable::open(path("datoprov.dbf"))->recordCount(), 2);
    }

    void gridCellEditsAreWrittenAtOnce()
    {
        DataSource source(QStringLiteral("dtsVTotales"));
        source.setDatabaseName(dir_.path());
        source.setRecordSource(QStringLiteral("select * from ventas where tipo = 1 "));
        source.refresh();
        source.model()->setWriteThrough(true);
        QAbstractItemModelTester tester(source.model(), QAbstractItemModelTester::FailureReportingMode::QtTest);

        QTableView grid;
        grid.setModel(source.model());
        grid.show();
        QVERIFY(QTest::qWaitForWindowExposed(&grid));
        QCOMPARE(grid.model()->rowCount(), 2);
        QCOMPARE(grid.model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("ETIQUETA"));

        const QModelIndex cell = source.model()->index(1, 1);
        grid.setCurrentIndex(cell);
        grid.edit(cell);
        auto *editor = grid.viewport()->findChild<QLineEdit *>();
        QVERIFY(editor);
        retype(*editor, QStringLiteral("TRES EDITADA"));
        QTest::keyClick(editor, Qt::Key_Return); // the delegate commits from the event loop
        QTRY_COMPARE(grid.model()->data(cell).toString(), QStringLiteral("TRES EDITADA"));

        QCOMPARE(source.editMode(), int(DataSource::EditNone));
        QCOMPARE(source.currentRow(), 1);
        QCOMPARE(DbfTable::open(path("VENTAS.dbf"))->value(2, 1).toString(), QStringLiteral("TRES EDITADA"));
    }
};

QTEST_MAIN(TestBinding)
#include "tst_binding.moc"

// The toolbar commands on the real window: save, edit, cancel, erase and
// "Borrar Registro", their messages, what reaches the table files (read back
// with the independent reader and as raw bytes), and failures of the tables.

#include "questionnaire/support/commandtest.h"
#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "data/dbf.h"
#include "questionnaire/form1.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QApplication>
#include <QComboBox>
#include <QJsonArray>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTabBar>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace korim::test;
using korim::data::DataSource;
using korim::data::DbfTable;
using korim::data::FieldDef;
using korim::data::FieldType;
using korim::platform::MessageRequest;
using korim::platform::MsgAnswer;
using korim::platform::MsgButtons;
using korim::platform::MsgIcon;
using korim::questionnaire::Form1;
using korim::questionnaire::MaskedEdit;
using korim::questionnaire::TabControl;

namespace {

const QString kSaveFailed =
    QStringLiteral("No se pudieron grabar los datos; lo capturado sigue en pantalla y no se ha perdido.\r\r");

QJsonArray rowsOf(const QString &folder, const char *file)
{
    QString error;
    const QJsonArray rows = readWithDbfread(tablePath(folder, QString::fromLatin1(file)), &error);
    if (!error.isEmpty())
        qWarning("dbfread: %s", qPrintable(error));
    return rows;
}

QJsonArray application(const QString &folder)
{
    const QJsonArray rows = rowsOf(folder, "datoprov.dbf");
    return rows.isEmpty() ? QJsonArray{} : rows.at(0).toArray();
}

void typeInto(QLineEdit *field, const QString &text)
{
    field->clear();
    focusOn(field);
    typeText(field, text);
}

QString confirmation()
{
    MessageRequest r;
    r.text = QStringLiteral("Con esta Acción borrar toda su solicitud");
    r.title = QStringLiteral("ATENCION");
    r.buttons = MsgButtons::YesNo;
    r.defaultAnswer = MsgAnswer::Yes;
    return describeBox(r);
}

// The enabled state of every toolbar button and of a field of the stretch.
QList<bool> toolbarState(Form1 *form)
{
    QList<bool> state;
    for (int i = 0; i < 10; ++i) {
        const auto *b = form->control<QToolButton>(QStringLiteral("Command1_%1").arg(i));
        state << (b && b->isEnabled());
    }
    state << form->control<QLineEdit>(u"txtCalle")->isEnabled();
    return state;
}

} // namespace

class CommandsTest : public QObject {
    Q_OBJECT

    QString folder_;

    std::unique_ptr<Form1> storedForm(QTemporaryDir &dir, const QStringList &products = {})
    {
        FolderSpec spec;
        spec.application = sampleApplication();
        spec.products = products;
        folder_ = makeDataFolder(dir.path(), spec);
        return openForm(folder_);
    }

    std::unique_ptr<Form1> newForm(QTemporaryDir &dir)
    {
        folder_ = makeDataFolder(dir.path());
        return openForm(folder_);
    }

    // Types a valid RFC and leaves the field, which unlocks the window.
    static void unlock(Form1 *form, const QString &rfc)
    {
        typeRfc(form->control<MaskedEdit>(u"MaskEdBox1"), rfc);
        QTest::keyClick(form->control<MaskedEdit>(u"MaskEdBox1"), Qt::Key_Tab);
    }

private slots:
    void saveStoresTheChoicesAndStaysOpen()
    {
        QTemporaryDir dir;
        auto form = newForm(dir);
        MessageRecorder boxes;
        unlock(form.get(), QStringLiteral(" abc800101ab1"));
        QVERIFY(form->control<QLineEdit>(u"txtCalle")->isEnabled());
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral("av. central 100"));
        form->control<QComboBox>(u"Combo5")->setCurrentIndex(2);       // key 5
        form->control<QComboBox>(u"cmbActividad")->setCurrentIndex(4); // code 337110
        form->control<QComboBox>(u"cmbBanco")->setCurrentIndex(1);     // key 3
        form->control<QRadioButton>(u"chkAbastecedor")->click();       // programme type 4

        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QVERIFY(!QApplication::overrideCursor());
        const QJsonArray stored = application(folder_);
        QCOMPARE(stored.at(0).toString(), QStringLiteral(" ABC800101AB1"));
        QCOMPARE(stored.at(8).toString(), QStringLiteral("AV. CENTRAL 100"));
        QCOMPARE(stored.at(15).toInt(), 1);
        QCOMPARE(stored.at(20).toString(), QStringLiteral("14"));
        QCOMPARE(stored.at(21).toInt(), 4);
        QCOMPARE(stored.at(22).toInt(), 337110);
        QCOMPARE(stored.at(28).toInt(), 5);
        QCOMPARE(stored.at(35).toInt(), 3);
        // Open for editing at once, on the record just written.
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
        QCOMPARE(form->application().dtsDatoProv()->recordCount(), 1);
        QVERIFY(form->control<QToolButton>(u"Command1_5")->isEnabled());
        QCOMPARE(form->control<MaskedEdit>(u"MaskEdBox1")->maskedText(), QStringLiteral(" ABC800101AB1"));

        // Saved again without changes: the same values, still one record.
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QCOMPARE(rowsOf(folder_, "datoprov.dbf"), QJsonArray{stored});
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
    }

    void tabsOpenedLaterShowTheRecordAndKeepTheTyping()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        MessageRecorder boxes;
        // Start-up made none of the fields of tabs 1, 2 and 6.
        for (const char *name : {"txtcargo", "NoEmpleados", "txtsucursal"})
            QVERIFY2(!form->findChild<QLineEdit *>(QLatin1String(name)), name);
        // Unlocked before the tabs are made: they are made unlocked.
        unlock(form.get(), QStringLiteral(" abc800101ab1"));
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral("av. nueva 1"));
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("AV. NUEVA 1"));
        QTabBar *bar = form->control<TabControl>(u"SSTab1")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QLineEdit *cargo = form->findChild<QLineEdit *>(QStringLiteral("txtcargo"));
        QVERIFY(cargo);
        QVERIFY(cargo->isVisible());
        QVERIFY(cargo->isEnabled());
        QCOMPARE(cargo->text(), QStringLiteral("DIRECTOR"));
        // Showing the new tab's record left the typing on the first one alone.
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("AV. NUEVA 1"));
        typeInto(cargo, QStringLiteral("gerente"));
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
        QCOMPARE(form->control<QLineEdit>(u"NoEmpleados")->text(), QStringLiteral("3"));
        QCOMPARE(form->control<QLineEdit>(u"TotalPersonal")->text(), QStringLiteral("15"));

        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        const QJsonArray stored = application(folder_);
        QCOMPARE(stored.at(8).toString(), QStringLiteral("AV. NUEVA 1"));
        QCOMPARE(stored.at(23).toString(), QStringLiteral("GERENTE"));
        QCOMPARE(stored.at(27).toString(), QStringLiteral("3"));
        // The bank tab was never opened (the save made it to read the list):
        // the bank start-up chose and its stored details stay as they were.
        QCOMPARE(form->control<QComboBox>(u"cmbBanco")->currentIndex(), 1);
        QCOMPARE(stored.at(35).toInt(), 3);
        QCOMPARE(stored.at(36).toString(), QStringLiteral("MATRIZ"));
    }

    void saveRefusedByTheRfc()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        form->Habilita(true);
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral("otra calle"));
        form->control<MaskedEdit>(u"MaskEdBox1")->setMaskedText(QStringLiteral("GOMJ801332AB1"));
        const auto before = settledFolderBytes(form.get(), folder_);
        MessageRecorder boxes;
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()),
                 (QStringList{plainBox(QStringLiteral("El valor del mes del RFC es incorrecto")),
                              plainBox(QStringLiteral("El valor del dia del RFC es incorrecto"))}));
        QCOMPARE(settledFolderBytes(form.get(), folder_), before);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->control<MaskedEdit>(u"MaskEdBox1")));
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("OTRA CALLE"));
        QVERIFY(!form->control<QLineEdit>(u"txtCalle")->isEnabled());
        QVERIFY(!QApplication::overrideCursor());
    }

    void saveWithoutLocalOffice()
    {
        QTemporaryDir dir;
        auto form = newForm(dir);
        MessageRecorder boxes;
        unlock(form.get(), QStringLiteral("gomj800101ab1"));
        QCOMPARE(form->control<QComboBox>(u"Combo5")->currentIndex(), -1); // a new application has none
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{plainBox(QStringLiteral("Capture la admon. local del proveedor"))});
        QCOMPARE(form->control<TabControl>(u"SSTab1")->currentIndex(), 1);
        QCOMPARE(rowsOf(folder_, "datoprov.dbf").size(), 0);
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditAdd));
    }

    void saveNeedsProcedureAndBankFromTheirLists()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        form->Habilita(true);
        const auto before = settledFolderBytes(form.get(), folder_);
        MessageRecorder boxes;

        form->control<QComboBox>(u"Combo1")->setCurrentIndex(-1);
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()),
                 QStringList{plainBox(QStringLiteral("Elija el tipo de trámite de la solicitud."))});
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(form->control<QComboBox>(u"Combo1")));
        QCOMPARE(settledFolderBytes(form.get(), folder_), before);

        boxes.clear();
        form->control<QComboBox>(u"Combo1")->setCurrentIndex(0);
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(0);
        form->control<QComboBox>(u"cmbBanco")->setCurrentIndex(4); // key 9
        form->control<QComboBox>(u"cmbBanco")->lineEdit()->setText(QStringLiteral("BANCO X"));
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()),
                 QStringList{plainBox(QStringLiteral("El banco «BANCO X» no está en la lista. Elija de la lista el "
                                                     "banco de la cuenta para la devolución de IVA."))});
        QCOMPARE(form->control<TabControl>(u"SSTab1")->currentIndex(), 6);
        QCOMPARE(settledFolderBytes(form.get(), folder_), before);

        // A name typed as the list has it is that bank.
        boxes.clear();
        form->control<QComboBox>(u"cmbBanco")->lineEdit()->setText(QStringLiteral("BANCA CUMBRE AZUL"));
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QCOMPARE(form->control<QComboBox>(u"cmbBanco")->currentIndex(), 1);
        QCOMPARE(application(folder_).at(35).toInt(), 3);
    }

    void editOnEmptyTable()
    {
        QTemporaryDir dir;
        auto form = newForm(dir);
        form->control<QToolButton>(u"Command1_6")->setEnabled(true); // as an erase leaves it
        QList<bool> expected = toolbarState(form.get());
        expected[6] = false;
        form->Command1_Click(6);
        QCOMPARE(toolbarState(form.get()), expected);
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditAdd));
    }

    void editStoredApplication()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        MessageRecorder boxes;
        form->Command1_Click(5);
        form->control<QLineEdit>(u"txtnombre1")->setEnabled(false);
        QVERIFY(!form->control<QLineEdit>(u"txtCalle")->isEnabled());
        form->Command1_Click(6);
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
        QVERIFY(form->control<QLineEdit>(u"txtCalle")->isEnabled());
        QVERIFY(form->control<QToolButton>(u"Command1_1")->isEnabled());
        QVERIFY(form->control<QToolButton>(u"Command1_4")->isEnabled());
        QVERIFY(!form->control<QToolButton>(u"Command1_6")->isEnabled());
        QVERIFY(form->control<QLineEdit>(u"txtnombre1")->isEnabled());
        QVERIFY(boxes.requests().isEmpty());
    }

    void cancelThenSaveKeepsTheTyping()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        MessageRecorder boxes;
        form->Command1_Click(6);
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral("calle nueva 7"));
        form->Command1_Click(5);
        // Locked, "Editar Datos" included (the lock comes last); nothing written.
        QVERIFY(!form->control<QLineEdit>(u"txtCalle")->isEnabled());
        QVERIFY(!form->control<QToolButton>(u"Command1_1")->isEnabled());
        QVERIFY(!form->control<QToolButton>(u"Command1_4")->isEnabled());
        QVERIFY(!form->control<QToolButton>(u"Command1_6")->isEnabled());
        QVERIFY(form->control<QToolButton>(u"Command1_9")->isEnabled());
        QCOMPARE(application(folder_).at(8).toString(), QStringLiteral("AV. CENTRAL 100"));
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("CALLE NUEVA 7"));
        // A valid RFC unlocks again and the next save stores what was typed.
        unlock(form.get(), QStringLiteral(" abc800101ab1"));
        QVERIFY(form->control<QToolButton>(u"Command1_1")->isEnabled());
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QCOMPARE(application(folder_).at(8).toString(), QStringLiteral("CALLE NUEVA 7"));

        // A move of the application's source locks the window the same way.
        form->application().dtsDatoProv()->moveFirst();
        QVERIFY(!form->control<QLineEdit>(u"txtCalle")->isEnabled());
        QVERIFY(!form->control<QToolButton>(u"Command1_1")->isEnabled());
        // With no procedure chosen the cancel does nothing.
        form->Habilita(true);
        form->control<QComboBox>(u"Combo1")->setCurrentIndex(-1);
        form->Command1_Click(5);
        QVERIFY(form->control<QLineEdit>(u"txtCalle")->isEnabled());
    }

    void eraseOnEmptyTableOrAnsweredNo()
    {
        QTemporaryDir dir;
        auto form = newForm(dir);
        const auto empty = settledFolderBytes(form.get(), folder_);
        MessageRecorder boxes;
        form->Command1_Click(0);
        QVERIFY(boxes.requests().isEmpty());
        QCOMPARE(settledFolderBytes(form.get(), folder_), empty);

        QTemporaryDir dir2;
        auto stored = storedForm(dir2, {QStringLiteral("MESA DE PINO")});
        stored->Habilita(true);
        const auto before = settledFolderBytes(stored.get(), folder_);
        boxes.answer(MsgAnswer::No);
        stored->Command1_Click(0);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{confirmation()});
        QCOMPARE(settledFolderBytes(stored.get(), folder_), before);
        QCOMPARE(stored->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
    }

    void eraseLeavesNoTrace()
    {
        QTemporaryDir dir;
        auto form = newForm(dir);
        MessageRecorder boxes;
        const QString rfc = QStringLiteral("QXZ850505K7A");
        const QString account = QStringLiteral("98765432101234");
        unlock(form.get(), QStringLiteral(" qxz850505k7a"));
        typeInto(form->control<QLineEdit>(u"txtApePat1"), QStringLiteral("zafiro tequilera"));
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(6);
        typeInto(form->control<QLineEdit>(u"txtNumCuenta"), account);
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(0);
        form->control<QComboBox>(u"Combo5")->setCurrentIndex(3);
        form->control<QComboBox>(u"cmbBanco")->setCurrentIndex(2);
        form->control<QRadioButton>(u"chkrodIndirecto")->click();
        form->Command1_Click(1);
        for (const QString &product : {QStringLiteral("TEQUILA AÑEJO ZAFIRO"), QStringLiteral("MEZCAL ZAFIRO")}) {
            form->application().dtsProductos()->addNew();
            form->application().dtsProductos()->setValue(QStringLiteral("DESCRIPCIO"), product);
            form->application().dtsProductos()->updateRecord();
        }
        form->application().dtsVTotales()->moveFirst();
        form->application().dtsVTotales()->edit();
        form->application().dtsVTotales()->setValue(1, 98765.43);
        form->application().dtsVTotales()->setValue(3, 4321.5);
        form->application().dtsVTotales()->updateRecord();
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});

        // The marks are there before the erase, so their absence means something.
        const QByteArray zafiro = korim::data::encodeWindows1252(QStringLiteral("ZAFIRO"));
        const QByteArray anejo = korim::data::encodeWindows1252(QStringLiteral("AÑEJO"));
        const QStringList tables = {QStringLiteral("datoprov.dbf"), QStringLiteral("PROVMERC.dbf")};
        auto traces = [&](const QString &file) {
            const QByteArray bytes = fileBytes(tablePath(folder_, file));
            return bytes.contains(rfc.toLatin1()) || bytes.contains(account.toLatin1()) || bytes.contains(zafiro)
                   || bytes.contains(anejo);
        };
        for (const QString &file : tables)
            QVERIFY2(traces(file), qPrintable(file));
        QVERIFY(fileBytes(tablePath(folder_, QStringLiteral("VENTAS.dbf"))).contains("98765.43"));
        const QStringList files = folderBytes(folder_).keys();

        boxes.answer(MsgAnswer::Yes);
        form->Command1_Click(0);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{confirmation()});
        QVERIFY(!QApplication::overrideCursor());

        // The files: no application, no products, six zeroed sales rows with their years.
        QCOMPARE(rowsOf(folder_, "datoprov.dbf").size(), 0);
        QCOMPARE(rowsOf(folder_, "PROVMERC.dbf").size(), 0);
        const QJsonArray sales = rowsOf(folder_, "VENTAS.dbf");
        QCOMPARE(sales.size(), 6);
        QList<int> years;
        for (const QJsonValue &row : sales) {
            const QJsonArray r = row.toArray();
            years << r.at(0).toInt();
            for (int p = 1; p <= 5; ++p)
                QCOMPARE(r.at(p).toDouble(), 0.0);
        }
        QCOMPARE(years, (QList<int>{2004, 2004, 2005, 2005, 2006, 2006}));
        for (const QString &file : tables)
            QVERIFY2(!traces(file), qPrintable(file));
        QVERIFY(!fileBytes(tablePath(folder_, QStringLiteral("VENTAS.dbf"))).contains("98765.43"));
        QCOMPARE(folderBytes(folder_).keys(), files); // nothing left beside the tables

        // The window: a new application, locked except "Editar Datos" and "Acerca de..".
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditAdd));
        QCOMPARE(form->control<MaskedEdit>(u"MaskEdBox1")->maskedText(), QString(13, QLatin1Char(' ')));
        QCOMPARE(form->control<MaskedEdit>(u"MaskEdBox1")->mask(), QStringLiteral("&&&&999999aaa"));
        QCOMPARE(form->control<QLineEdit>(u"txtApePat1")->text(), QString());
        QCOMPARE(form->control<MaskedEdit>(u"txtnummaquila")->maskedText(), QStringLiteral("____"));
        for (QComboBox *list : {form->control<QComboBox>(u"Combo5"), form->control<QComboBox>(u"Combo1"),
                                form->control<QComboBox>(u"cmbActividad"), form->control<QComboBox>(u"cmbBanco")})
            QCOMPARE(list->currentIndex(), 0);
        QVERIFY(!form->control<QRadioButton>(u"chkProdFinal")->isChecked()
                && !form->control<QRadioButton>(u"chkrodIndirecto")->isChecked()
                && !form->control<QRadioButton>(u"chkAbastecedor")->isChecked());
        QCOMPARE(form->control<TabControl>(u"SSTab1")->currentIndex(), 0);
        for (int i : {0, 1, 2, 4, 7})
            QVERIFY2(!form->control<QToolButton>(QStringLiteral("Command1_%1").arg(std::size_t(i)))->isEnabled(),
                     qPrintable(QString::number(i)));
        QVERIFY(form->control<QToolButton>(u"Command1_6")->isEnabled());
        QVERIFY(form->control<QToolButton>(u"Command1_9")->isEnabled());

        // Closing keeps no new record: nothing was typed into it.
        QVERIFY(form->close());
        QCOMPARE(rowsOf(folder_, "datoprov.dbf").size(), 0);
    }

    void aValueTheTableRefuses()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        form.reset();
        // A bank whose key is wider than the application's bank field.
        const FieldDef key{QStringLiteral("CLAVE"), FieldType::Numeric, 12, 0, 0};
        const FieldDef abbreviation{QStringLiteral("SIGLAS"), FieldType::Character, 10, 0, 0};
        const FieldDef name{QStringLiteral("NOMBRE"), FieldType::Character, 60, 0, 0};
        DbfTable::create(tablePath(folder_, QStringLiteral("catbanco.dbf")), {key, abbreviation, name},
                         {{3, QStringLiteral("BCA"), QStringLiteral("Banca Cumbre Azul")},
                          {123456789012LL, QStringLiteral("BGR"), QStringLiteral("Banca Demasiado Grande")}});
        form = openForm(folder_);
        form->Habilita(true);
        MessageRecorder boxes;
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral("calle del intento 9"));
        form->control<QComboBox>(u"cmbBanco")->setCurrentIndex(1);
        const auto before = settledFolderBytes(form.get(), folder_);
        form->Command1_Click(1);
        QCOMPARE(boxes.requests().size(), 1);
        const MessageRequest &failed = boxes.requests().at(0);
        QVERIFY2(failed.text.startsWith(kSaveFailed) && failed.text.size() > kSaveFailed.size(), qPrintable(failed.text));
        QCOMPARE(failed.icon, MsgIcon::Critical);
        QCOMPARE(failed.buttons, MsgButtons::Ok);
        QCOMPARE(settledFolderBytes(form.get(), folder_), before);
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("CALLE DEL INTENTO 9"));
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
        QVERIFY(!QApplication::overrideCursor());
        // Another bank, and the same typing is stored.
        boxes.clear();
        form->control<QComboBox>(u"cmbBanco")->setCurrentIndex(0);
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QCOMPARE(application(folder_).at(8).toString(), QStringLiteral("CALLE DEL INTENTO 9"));
        QCOMPARE(application(folder_).at(35).toInt(), 3);
    }

    void anUnwritableFolder()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir, {QStringLiteral("MESA DE PINO")});
        form->Habilita(true);
        MessageRecorder boxes;
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral("calle sin disco 1"));
        const auto before = settledFolderBytes(form.get(), folder_);
        {
            Unwritable locked(folder_);
            if (!locked.active())
                QSKIP(qPrintable(QStringLiteral("the folder cannot be made unwritable: ") + locked.why()));
            form->Command1_Click(1);
            boxes.answer(MsgAnswer::Yes);
            form->Command1_Click(0);
            form->Command2_Click();
        }
        const QStringList shown = describeBoxes(boxes.requests());
        QCOMPARE(shown.size(), 4);
        QVERIFY2(shown.at(0).startsWith(QStringLiteral("KORIM | Ok | Critical | Ok | No se pudieron grabar los datos")),
                 qPrintable(shown.at(0)));
        QCOMPARE(shown.at(1), confirmation());
        QVERIFY2(shown.at(2).startsWith(QStringLiteral("KORIM | Ok | Critical | Ok | No se pudo borrar la solicitud.")),
                 qPrintable(shown.at(2)));
        QVERIFY2(shown.at(3).startsWith(QStringLiteral("KORIM | Ok | Critical | Ok | No se pudo borrar el producto.")),
                 qPrintable(shown.at(3)));
        QCOMPARE(settledFolderBytes(form.get(), folder_), before);
        QCOMPARE(form->control<QLineEdit>(u"txtCalle")->text(), QStringLiteral("CALLE SIN DISCO 1"));
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditInProgress));
        QVERIFY(!QApplication::overrideCursor());
        // Writable again: the same typing is stored.
        boxes.clear();
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QCOMPARE(application(folder_).at(8).toString(), QStringLiteral("CALLE SIN DISCO 1"));
    }

    void eraseFailingHalfWayLeavesARecordToTypeInto()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir, {QStringLiteral("MESA DE PINO"), QStringLiteral("SILLA")});
        MessageRecorder boxes;
        // The folder turns read-only once the application is deleted and the
        // sales rows are zeroed, as the products are about to go.
        std::unique_ptr<Unwritable> locked;
        QString why;
        connect(form->application().dtsProductos()->model(), &QAbstractItemModel::modelReset, this, [&] {
            if (!locked && form->application().dtsDatoProv()->recordCount() == 0) {
                locked = std::make_unique<Unwritable>(folder_);
                why = locked->why();
            }
        });
        boxes.answer(MsgAnswer::Yes);
        form->Command1_Click(0);
        if (!locked || !locked->active())
            QSKIP(qPrintable(QStringLiteral("the folder cannot be made unwritable: ") + why));
        locked.reset();
        const QStringList shown = describeBoxes(boxes.requests());
        QCOMPARE(shown.size(), 2);
        QCOMPARE(shown.at(0), confirmation());
        QVERIFY2(shown.at(1).startsWith(QStringLiteral("KORIM | Ok | Critical | Ok | No se pudo borrar la solicitud.")),
                 qPrintable(shown.at(1)));
        QCOMPARE(rowsOf(folder_, "datoprov.dbf").size(), 0);
        QCOMPARE(rowsOf(folder_, "PROVMERC.dbf").size(), 2);

        // The window is where a finished erase leaves it: a new application
        // pending, the clerk can type it and save it.
        QCOMPARE(form->application().dtsDatoProv()->editMode(), int(DataSource::EditAdd));
        QCOMPARE(form->control<MaskedEdit>(u"MaskEdBox1")->maskedText(), QString(13, QLatin1Char(' ')));
        QVERIFY(form->control<QToolButton>(u"Command1_6")->isEnabled());
        boxes.clear();
        unlock(form.get(), QStringLiteral(" qxz850505k7a"));
        typeInto(form->control<QLineEdit>(u"txtCalle"), QStringLiteral("calle nueva 2"));
        form->Command1_Click(1);
        QCOMPARE(describeBoxes(boxes.requests()), QStringList{});
        QCOMPARE(application(folder_).at(0).toString(), QStringLiteral(" QXZ850505K7A"));
        QCOMPARE(application(folder_).at(8).toString(), QStringLiteral("CALLE NUEVA 2"));
        QVERIFY(!QApplication::overrideCursor());
    }

    void deleteProduct()
    {
        QTemporaryDir dir;
        auto form = storedForm(dir);
        form->Habilita(true);
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(3);
        MessageRecorder boxes;
        const QByteArray empty = fileBytes(tablePath(folder_, QStringLiteral("PROVMERC.dbf")));
        QTest::mouseClick(form->control<QPushButton>(u"Command2"), Qt::LeftButton);
        QCOMPARE(fileBytes(tablePath(folder_, QStringLiteral("PROVMERC.dbf"))), empty);

        QTemporaryDir dir2;
        form = storedForm(dir2, {QStringLiteral("UNO"), QStringLiteral("DOS"), QStringLiteral("TRES")});
        form->Habilita(true);
        form->control<TabControl>(u"SSTab1")->setCurrentIndex(3);
        // The product under the grid's cursor.
        form->control<QTableView>(u"dbProductos")
                ->setCurrentIndex(form->control<QTableView>(u"dbProductos")->model()->index(1, 0));
        QTest::mouseClick(form->control<QPushButton>(u"Command2"), Qt::LeftButton);
        QStringList left;
        for (const QJsonValue &row : rowsOf(folder_, "PROVMERC.dbf"))
            left << row.toArray().at(2).toString();
        QCOMPARE(left, (QStringList{QStringLiteral("UNO"), QStringLiteral("TRES")}));
        QCOMPARE(form->application().dtsProductos()->value(QStringLiteral("DESCRIPCIO")).toString(), QStringLiteral("UNO"));
        QVERIFY(boxes.requests().isEmpty());
    }
};

QTEST_MAIN(CommandsTest)
#include "tst_form1_commands.moc"

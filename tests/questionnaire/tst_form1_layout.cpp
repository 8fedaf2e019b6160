// The window as the clerk meets it: measures, toolbar, the controls with
// their labels, limits, required marks and names in messages, the tabs and
// grids, and the keyboard order.

#include "questionnaire/support/commandtest.h"
#include "questionnaire/support/formtest.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "questionnaire/form1.h"
#include "questionnaire/gridmodel.h"
#include "questionnaire/keyorder.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QScreen>
#include <QSet>
#include <QSignalSpy>
#include <QTabBar>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QTextEdit>
#include <QToolButton>

using namespace korim::test;
using korim::questionnaire::Form1;
using korim::questionnaire::keyboardOrder;
using korim::questionnaire::keyboardPlace;
using korim::questionnaire::MaskedEdit;
using korim::questionnaire::TabControl;

namespace {

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// Tab page (0 to 6) a control stands on; -1 above the tabs.
int tabOf(Form1 *form, QWidget *w)
{
    for (int t = 0; t < form->control<TabControl>(u"SSTab1")->count(); ++t) {
        if (form->control<TabControl>(u"SSTab1")->widget(t)->isAncestorOf(w))
            return t;
    }
    return -1;
}

// The controls the Tab key visits from the focused one until the RFC field.
QString tabWalk(Form1 *f)
{
    QStringList visited;
    for (int i = 0; i < 25; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *w = QApplication::focusWidget();
        // A list's editor or a tab bar stands for its control.
        while (w && w->objectName().isEmpty())
            w = w->parentWidget();
        visited << (w ? w->objectName() : QStringLiteral("?"));
        if (w == f->control<MaskedEdit>(u"MaskEdBox1"))
            break;
    }
    return visited.join(QLatin1Char(' '));
}

// The window's keyboard order, as the Tab key should follow it.
const QStringList kKeyboardOrder = QStringLiteral(
    "SSTab1 MaskEdBox1 txtApePat1 txtnombre1 txtEmail1 cmbActividad Combo1 txtCalle txtColonia txtCP txtEstado "
    "txtCiudad Combo5 txtDelMun txtfax txtTelefono txtApePatR2 txtApeMatR2 txtNombreR2 txtcargo txtTelefonoR2 "
    "txtFaxR2 EMAILREP NoEmpleados NoObreros Command1_0 Command1_1 Command1_2 Command1_4 Command1_6 Command1_7 "
    "Command1_9 dbProductos dbgVTotales cmbBanco txtsucursal txtNumCuenta txtlocalidad txtDomSucursal VentasPais "
    "VentasExterior chkProdFinal chkrodIndirecto chkAbastecedor Command2 dbVentasTot RichTextBox1 RichTextBox2 "
    "txtApemat1").split(QLatin1Char(' '));

// The whole round of the Tab key from the RFC field back to it, and the
// controls of that order the clerk can reach on the tab shown.
QPair<QString, QString> tabRound(Form1 *f)
{
    // A grid takes Tab from cell to cell and counts once.
    QStringList walked{QStringLiteral("MaskEdBox1")};
    for (int i = 0; i < 200; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QWidget *w = QApplication::focusWidget();
        while (w && w->objectName().isEmpty())
            w = w->parentWidget();
        const QString name = w ? w->objectName() : QStringLiteral("?");
        if (name != walked.last())
            walked << name;
        if (w == f->control<MaskedEdit>(u"MaskEdBox1"))
            break;
    }
    const QHash<QString, QWidget *> byName = korim::questionnaire::controlsByName(f);
    QStringList reachable;
    for (const QString &name : kKeyboardOrder) {
        QWidget *w = byName.value(name);
        if (w && w->isVisible() && w->isEnabled() && (w->focusPolicy() & Qt::TabFocus))
            reachable << name;
    }
    // The round starts at the RFC field.
    const qsizetype rfc = reachable.indexOf(QStringLiteral("MaskEdBox1"));
    reachable = reachable.mid(rfc) + reachable.mid(0, rfc) + QStringList{QStringLiteral("MaskEdBox1")};
    return {walked.join(QLatin1Char(' ')), reachable.join(QLatin1Char(' '))};
}

} // namespace

class LayoutTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir_;
    std::unique_ptr<Form1> form_;

private slots:
    void initTestCase()
    {
        form_ = openForm(makeDataFolder(dir_.path()));
    }

    void cleanupTestCase()
    {
        form_->close();
        form_.reset();
    }

    void windowMeasures()
    {
        Form1 *f = form_.get();
        QCOMPARE(f->windowTitle(), QStringLiteral("KORIM Ver. 1.0"));
        QCOMPARE(f->size(), QSize(745, 469)); // 11175 x 7035 twips
        QCOMPARE(f->minimumSize(), f->maximumSize());
        QVERIFY(!(f->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(f->control<QGroupBox>(u"fraDatosGenerales")->geometry(), QRect(20, 90, 706, 124));
        QCOMPARE(f->control<TabControl>(u"SSTab1")->geometry(), QRect(15, 215, 719, 253));
        const QPoint screenCentre = f->screen()->availableGeometry().center();
        // Centred with its frame (a few pixels of border either way).
        QVERIFY(qAbs(f->frameGeometry().center().x() - screenCentre.x()) <= 3);
        QVERIFY(qAbs(f->frameGeometry().center().y() - screenCentre.y()) <= 3);
    }

    void toolbar()
    {
        Form1 *f = form_.get();
        QVERIFY(f->control<QToolButton>(u"Command1_3") == nullptr);
        struct Expected {
            int index;
            const char *tip;
            int left;
        };
        const Expected row[] = {{6, "Editar Datos", 1320},
                                {0, "Borrar toda la información", 2520},
                                {2, "Generar disco  para Zentoria", 3788},
                                {7, "Imprimir solicitud", 5022},
                                {1, "Grabar datos", 6256},
                                {9, "Acerca de..", 7490},
                                {4, "Consideraciones generales", 8724}};
        int previousX = -1;
        for (const Expected &e : row) {
            QToolButton *b = f->control<QToolButton>(QStringLiteral("Command1_%1").arg(std::size_t(e.index)));
            QCOMPARE(b->toolTip(), QString::fromUtf8(e.tip));
            QVERIFY(b->text().isEmpty() || b->toolButtonStyle() == Qt::ToolButtonIconOnly);
            QVERIFY(!b->icon().isNull());
            QCOMPARE(b->x(), (e.left + 7) / 15);
            QCOMPARE(b->size(), QSize(25, 33)); // 375 x 495 twips
            QVERIFY(b->isVisible());
            QVERIFY(b->x() > previousX); // left to right in this order
            previousX = b->x();
        }
        QCOMPARE(f->control<QToolButton>(u"Command1_5")->toolTip(), QStringLiteral("Cancelar cambios"));
        QVERIFY(f->control<QToolButton>(u"Command1_5")->isHidden());
        QVERIFY(!f->control<QToolButton>(u"Command1_5")->isEnabled());
        QCOMPARE(f->control<QToolButton>(u"Command1_8")->toolTip(), QStringLiteral("Borrar toda la imformación"));
        QVERIFY(f->control<QToolButton>(u"Command1_8")->isHidden());

        // One handler that receives the index.
        QSignalSpy run(f, &Form1::commandRun);
        MessageRecorder boxes; // the commands behind the buttons show their messages
        f->Habilita(true);
        for (const Expected &e : row)
            QTest::mouseClick(f->control<QToolButton>(QStringLiteral("Command1_%1").arg(std::size_t(e.index))),
                              Qt::LeftButton);
        // The diskette (2) runs the save (1) first, through the same handler.
        QList<int> expected;
        for (const Expected &e : row) {
            expected << e.index;
            if (e.index == 2)
                expected << 1;
        }
        QList<int> seen;
        for (const QList<QVariant> &call : run)
            seen << call.at(0).toInt();
        QCOMPARE(seen, expected);
        QVERIFY(!QApplication::overrideCursor()); // the hourglass is gone again
        f->Habilita(false);
    }

    void controls_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::addColumn<int>("maxLength");
        QTest::addColumn<QString>("tag");
        QTest::addColumn<QString>("messageName");
        QTest::addColumn<int>("tab");
        QTest::addColumn<bool>("shown");
        QTest::addColumn<bool>("enabled");
        auto row = [](const char *name, const char *label, int max, const char *tag, const char *message, int tab,
                      bool shown, bool enabled) {
            QTest::newRow(name) << QString::fromLatin1(name) << QString::fromUtf8(label) << max
                                << QString::fromLatin1(tag) << QString::fromUtf8(message) << tab << shown << enabled;
        };
        // As designed, before start-up's Nuevo locks or leaves the window.
        row("MaskEdBox1", "RFC", 13, "1", "RFC", -1, true, true);
        row("txtProg1", "Año QUIDAS", 4, "", "Año del Registro", -1, false, false);
        row("txtProg2", "Número QUIDAS", 4, "", "", -1, false, false);
        row("txtacredita", "No. de acreditamiento", 10, "", "", -1, false, true);
        row("txtApePat1", "Razón  Social o Apellido Paterno:", 100, "1", "", -1, true, true);
        row("txtApemat1", "Apellido Materno:", 100, "", "", -1, true, true);
        row("txtnombre1", "Nombre(s):", 25, "", "", -1, true, true);
        row("txtEmail1", "Correo Electrónico:", 50, "", "", -1, true, true);
        row("txtCalle", "Calle y No.", 254, "1", "Calle", 0, true, false);
        row("txtCP", "CP", 5, "1", "codigo postal", 0, true, false);
        row("txtCiudad", "Ciudad", 60, "", "", 0, true, false);
        row("txtDelMun", "Del/Mun.", 40, "1", "Delegación o Municipio", 0, true, false);
        row("txtTelefono", "Teléfono", 15, "1", "Teléfono", 0, true, false);
        row("txtColonia", "Colonia", 30, "1", "", 0, true, false);
        row("txtEstado", "Estado", 30, "1", "Estado", 0, true, false);
        row("txtfax", "Fax", 15, "R", "", 0, true, false);
        row("txtAdmLocal", "", 30, "R", "", 0, false, false);
        row("txtApePatR2", "Apellido Paterno", 25, "", "", 1, true, false);
        row("txtApeMatR2", "Apellido Materno", 25, "R", "", 1, true, false);
        row("txtNombreR2", "Nombre(s)", 25, "1", "Nombre rep. legal", 1, true, false);
        row("txtcargo", "Cargo o Puesto", 60, "1", "Cargo", 1, true, true);
        row("txtTelefonoR2", "Teléfono", 25, "1", "Telefono rep. Legal", 1, true, false);
        row("txtFaxR2", "Fax", 25, "R", "", 1, true, false);
        row("EMAILREP", "Correo Electrónico:", 50, "", "", 1, true, true);
        row("NoEmpleados", "No. de Administrativos:", 15, "1", "No. Administrativos", 2, true, true);
        row("NoObreros", "No. de Obreros:", 15, "1", "No. Obreros", 2, true, true);
        row("TotalPersonal", "Total:", 0, "", "", 2, true, false);
        row("VentasPais", "En el país:", 20, "1", "Ventas Pais", 2, true, true);
        row("VentasExterior", "Al exterior:", 20, "1", "Ventas Exterior", 2, true, true);
        row("TotalVentas", "Total:", 0, "", "", 2, true, false);
        row("TipoProg", "", 0, "", "", 3, false, true);
        row("txtsucursal", "Sucursal :", 60, "1", "cursals", 6, true, true);
        row("txtNumCuenta", "Número de cuenta :", 20, "1", "Número Cuenta", 6, true, true);
        row("txtlocalidad", "Localidad :", 60, "1", "Localidad", 6, true, true);
        row("txtDomSucursal", "Domicilio de la sucursal bancaria :", 254, "1", "Domicilio", 6, true, true);
    }

    void controls()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        QFETCH(int, maxLength);
        QFETCH(QString, tag);
        QFETCH(QString, messageName);
        QFETCH(int, tab);
        QFETCH(bool, shown);
        QFETCH(bool, enabled);
        // A fresh window, as designed (no start-up).
        QTemporaryDir dir;
        Form1 fresh(makeDataFolder(dir.path()));
        // The tabs not opened yet are made when first needed.
        fresh.makeAllControls();
        auto *field = fresh.findChild<QLineEdit *>(name);
        QVERIFY(field);
        QCOMPARE(tabOf(&fresh, field), tab);
        if (maxLength > 0)
            QCOMPARE(field->maxLength(), maxLength);
        QCOMPARE(field->property("tag").toString(), tag);
        QCOMPARE(field->toolTip(), messageName);
        QCOMPARE(!field->isHidden(), shown);
        QCOMPARE(field->isEnabled(), enabled);
        QLabel *l = fresh.labelOf(field);
        if (label.isEmpty()) {
            QVERIFY(!l);
            return;
        }
        QVERIFY(l);
        QCOMPARE(plain(l->text()), label);
        QCOMPARE(l->buddy(), field);
        QCOMPARE(l->isHidden(), !shown);
        QVERIFY(!field->accessibleName().isEmpty());
        QVERIFY(label.startsWith(field->accessibleName()));
        // Required fields are marked next to their label.
        auto *mark = fresh.findChild<QLabel *>(l->objectName() + QStringLiteral("Mark"));
        QCOMPARE(mark != nullptr, tag == QLatin1String("1"));
    }

    void listsAndOptions()
    {
        Form1 *f = form_.get();
        QVERIFY(!f->control<QComboBox>(u"Combo1")->isEditable());
        QVERIFY(!f->control<QComboBox>(u"cmbActividad")->isEditable());
        QVERIFY(!f->control<QComboBox>(u"Combo5")->isEditable());
        QVERIFY(f->control<QComboBox>(u"cmbBanco")->isEditable());
        QCOMPARE(plain(f->labelOf(f->control<QComboBox>(u"Combo1"))->text()), QStringLiteral("Tipo de Trámite"));
        QCOMPARE(plain(f->labelOf(f->control<QComboBox>(u"cmbActividad"))->text()),
                 QStringLiteral("Actividad Principal"));
        QCOMPARE(plain(f->labelOf(f->control<QComboBox>(u"Combo5"))->text()),
                 QStringLiteral("Adm. local de recaudación"));
        QCOMPARE(plain(f->labelOf(f->control<QComboBox>(u"cmbBanco"))->text()), QStringLiteral("Nombre del banco :"));
        QCOMPARE(tabOf(f, f->control<QComboBox>(u"Combo5")), 0);
        QCOMPARE(tabOf(f, f->control<QComboBox>(u"cmbBanco")), 6);
        QVERIFY(f->control<QGroupBox>(u"fraDatosGenerales")->isAncestorOf(f->control<QComboBox>(u"cmbActividad")));
        QCOMPARE(f->control<QGroupBox>(u"fraDatosGenerales")->title(), QStringLiteral("Datos Generales"));
        QCOMPARE(f->control<QGroupBox>(u"fraDomicilioFiscal")->title(), QStringLiteral("Domicilio Fiscal"));
        QCOMPARE(f->control<QGroupBox>(u"fraRepresentante")->title(), QStringLiteral("Datos del Representante legal"));
        QCOMPARE(f->control<QGroupBox>(u"fraTipoPrograma")->title(), QStringLiteral("Tipo de Programa"));
        QCOMPARE(f->control<QGroupBox>(u"fraProductos")->title(),
                 QStringLiteral(
                         "Principales productos exportados en el año anterior(anotarlos en orden de importancia)"));
        QCOMPARE(f->control<QGroupBox>(u"fraVentasExp")->title(),
                 QStringLiteral("VENTAS A EXPORTADORES FINALES REALIZADAS ATRAVES DE :"));
        QCOMPARE(f->control<QRadioButton>(u"chkProdFinal")->text(), QStringLiteral("Productor Directo"));
        QCOMPARE(f->control<QRadioButton>(u"chkrodIndirecto")->text(), QStringLiteral("Productor Indirecto"));
        QCOMPARE(f->control<QRadioButton>(u"chkAbastecedor")->text(), QStringLiteral("Directo e Indirecto"));
        QCOMPARE(f->control<QPushButton>(u"Command2")->text(), QStringLiteral("Borrar Registro"));
        QCOMPARE(tabOf(f, f->control<QPushButton>(u"Command2")), 3);
        QCOMPARE(tabOf(f, f->control<QTextEdit>(u"RichTextBox1")), 4);
        QCOMPARE(tabOf(f, f->control<QTextEdit>(u"RichTextBox2")), 5);
        QVERIFY(f->control<QTextEdit>(u"RichTextBox1")->isReadOnly()
                && f->control<QTextEdit>(u"RichTextBox2")->isReadOnly());
        // Both hidden maquila fields carry their masks.
        QCOMPARE(f->control<MaskedEdit>(u"txtanomaquila")->mask(), QStringLiteral("####"));
        QCOMPARE(f->control<MaskedEdit>(u"txtnummaquila")->promptChar(), QLatin1Char('_'));
        QVERIFY(f->control<MaskedEdit>(u"txtanomaquila")->isHidden()
                && f->control<MaskedEdit>(u"txtnummaquila")->isHidden());
        QCOMPARE(f->control<MaskedEdit>(u"MaskEdBox1")->mask(), QStringLiteral("&&&&999999aaa"));
    }

    void tabsAndGrids()
    {
        Form1 *f = form_.get();
        const QStringList captions = {QStringLiteral("I. Datos Generales"),
                                      QStringLiteral("II Datos del Representante Legal"),
                                      QStringLiteral("Personal ocupado"),
                                      QStringLiteral("III y IV Tipo de Exportador y Operaciones Totales de la Empresa"),
                                      QStringLiteral("Ventas totales e intercambio comercial con el exterior"),
                                      QStringLiteral("Exportadores Indirectos"),
                                      QStringLiteral("Devolución de IVA")};
        QCOMPARE(f->control<TabControl>(u"SSTab1")->count(), 7);
        for (int t = 0; t < 7; ++t)
            QCOMPARE(f->control<TabControl>(u"SSTab1")->tabText(t), captions[t]);
        // All seven in one row within the control.
        const QRect last = f->control<TabControl>(u"SSTab1")->tabBar()->tabRect(6);
        QCOMPARE(last.top(), f->control<TabControl>(u"SSTab1")->tabBar()->tabRect(0).top());
        QVERIFY(last.right() < f->control<TabControl>(u"SSTab1")->width());

        auto captionsOf = [](QTableView *grid) {
            QStringList out;
            for (int c = 0; c < grid->model()->columnCount(); ++c)
                out << grid->model()->headerData(c, Qt::Horizontal, Qt::ToolTipRole).toString();
            return out;
        };
        QCOMPARE(plain(f->control<QLabel>(u"lbldbgVTotales")->text()),
                 QStringLiteral(" VENTAS TOTALES E INTERCAMBIO COMERCIAL CON EL EXTERIOR"));
        QCOMPARE(
                captionsOf(f->control<QTableView>(u"dbgVTotales")),
                (QStringList{QStringLiteral("Año"), QStringLiteral("ETIQUETA"),
                             QStringLiteral("Ventas Tot. Miles Pesos  ( A )"), QStringLiteral("Tipo de Cambio"),
                             QStringLiteral("Ventas Totales (A)         Miles Dolares "),
                             QStringLiteral("Exportación (B)       Miles de Dólares"),
                             QStringLiteral("Importación (C)       Miles de Dólares"), QStringLiteral("%  (B  / A)")}));
        QCOMPARE(plain(f->control<QLabel>(u"lbldbVentasTot")->text()), QStringLiteral("Miles de pesos"));
        QCOMPARE(captionsOf(f->control<QTableView>(u"dbVentasTot")),
                 (QStringList{QString(), QStringLiteral("Año"), QStringLiteral("Constancia transf. de mercancias"),
                              QStringLiteral("Carta de exportador"), QStringLiteral("Operaciones virtuales"),
                              QStringLiteral("Total"), QStringLiteral("TC"), QStringLiteral("TIPO")}));
        QVERIFY(f->control<QTableView>(u"dbVentasTot")->isColumnHidden(6)
                && f->control<QTableView>(u"dbVentasTot")->isColumnHidden(7));
        QCOMPARE(captionsOf(f->control<QTableView>(u"dbProductos")), QStringList{QStringLiteral("Descripción")});
        // The grids' fields, by column.
        auto fieldsOf = [](QTableView *grid) {
            QStringList out;
            for (const auto &column : static_cast<korim::questionnaire::GridModel *>(grid->model())->columns())
                out << column.field;
            return out;
        };
        QCOMPARE(fieldsOf(f->control<QTableView>(u"dbgVTotales")).join(QLatin1Char(',')),
                 QStringLiteral("ANO,ETIQUETA,VTOT,TC,VTOTD,EXPORTA,IMPORTA,SALDO"));
        QCOMPARE(fieldsOf(f->control<QTableView>(u"dbVentasTot")).join(QLatin1Char(',')),
                 QStringLiteral("ETIQUETA,ANO,VTOT,EXPORTA,IMPORTA,SALDO,TC,TIPO"));
        // Two header lines on the sales grids.
        const QString header =
                f->control<QTableView>(u"dbgVTotales")->model()->headerData(4, Qt::Horizontal).toString();
        QCOMPARE(header, QStringLiteral("Ventas Totales (A)\nMiles Dolares"));
        QVERIFY(f->control<QTableView>(u"dbgVTotales")->horizontalHeader()->height()
                >= 2 * f->control<QTableView>(u"dbgVTotales")->horizontalHeader()->fontMetrics().lineSpacing());
        // Computed columns and the year cannot be typed into.
        QVERIFY(!(f->control<QTableView>(u"dbgVTotales")->model()->index(0, 4).flags() & Qt::ItemIsEditable));
        QVERIFY(f->control<QTableView>(u"dbgVTotales")->model()->index(0, 2).flags() & Qt::ItemIsEditable);
        QVERIFY(!(f->control<QTableView>(u"dbVentasTot")->model()->index(0, 5).flags() & Qt::ItemIsEditable));
        QCOMPARE(f->control<QTableView>(u"dbProductos")->model(), static_cast<QAbstractItemModel *>(f->productosModel));
        QCOMPARE(f->productosModel->source(), f->application().dtsProductos());
    }

    void keyboardOrderTable()
    {
        Form1 *f = form_.get();
        // Every row names a control of the window, places increase.
        QCOMPARE(korim::questionnaire::applyKeyboardOrder(f), QList<const char *>());
        int previous = -1;
        for (const auto &entry : keyboardOrder()) {
            QVERIFY(entry.place > previous);
            previous = entry.place;
        }
        // The stretch Habilita switches, by keyboard place.
        QStringList stretch;
        for (const auto &entry : keyboardOrder()) {
            if (entry.place >= 10 && entry.place <= 36)
                stretch << QString::fromLatin1(entry.control);
        }
        QCOMPARE(stretch.join(QLatin1Char(' ')),
                 QStringLiteral("txtCalle txtColonia txtCP txtEstado txtCiudad Combo5 txtDelMun txtfax txtTelefono "
                                "txtAdmLocal txtApePatR2 txtApeMatR2 txtNombreR2 txtcargo txtTelefonoR2 txtFaxR2 "
                                "EMAILREP NoEmpleados NoObreros Command1_0 Command1_1 Command1_2 Command1_4 "
                                "Command1_5 Command1_6 Command1_7 fraDomicilioFiscal"));
        QCOMPARE(keyboardPlace(f->control<QToolButton>(u"Command1_9")), 50);
        QCOMPARE(keyboardPlace(f->control<QToolButton>(u"Command1_8")), 41);
        QCOMPARE(keyboardPlace(f->control<QLineEdit>(u"txtApemat1")), 67);
    }

    void tabKeyFollowsTheOrder()
    {
        Form1 *f = form_.get();
        f->Habilita(true);
        f->control<TabControl>(u"SSTab1")->setCurrentIndex(0);
        // Leaving the RFC field checks it; a valid one lets the focus go on.
        f->control<MaskedEdit>(u"MaskEdBox1")->setMaskedText(QStringLiteral(" ABC800101AB1"));
        QVERIFY(focusOn(f->control<MaskedEdit>(u"MaskEdBox1")));
        // The controls on screen (tab 0) in keyboard order, then round again.
        QCOMPARE(tabWalk(f),
                 QStringLiteral("txtApePat1 txtnombre1 txtEmail1 cmbActividad Combo1 txtCalle txtColonia txtCP "
                                "txtEstado txtCiudad Combo5 txtDelMun txtfax txtTelefono Command1_0 Command1_1 "
                                "Command1_2 Command1_4 Command1_6 Command1_7 Command1_9 txtApemat1 SSTab1 MaskEdBox1"));
        f->Habilita(false);
    }

    void tabKeyFollowsTheWholeOrder_data()
    {
        QTest::addColumn<bool>("madeFirst");
        QTest::newRow("no tab made before") << false;
        QTest::newRow("every tab made") << true;
    }

    void tabKeyFollowsTheWholeOrder()
    {
        // A fresh window unlocked by a typed RFC, as a clerk starts; the Tab
        // key round on every tab in turn.
        QFETCH(bool, madeFirst);
        QTemporaryDir dir;
        auto f = openForm(makeDataFolder(dir.path()));
        MessageRecorder boxes;
        if (madeFirst)
            f->makeAllControls();
        typeRfc(f->control<MaskedEdit>(u"MaskEdBox1"), QStringLiteral(" abc800101ab1"));
        QTest::keyClick(f->control<MaskedEdit>(u"MaskEdBox1"), Qt::Key_Tab);
        QVERIFY(f->control<QLineEdit>(u"txtCalle")->isEnabled());
        QString lastRound;
        for (int t : {0, 1, 2, 3, 4, 5, 6, 0}) {
            f->control<TabControl>(u"SSTab1")->setCurrentIndex(t);
            QVERIFY(focusOn(f->control<MaskedEdit>(u"MaskEdBox1")));
            const auto [walked, expected] = tabRound(f.get());
            QVERIFY2(walked == expected, qPrintable(QStringLiteral("tab %1:\n walked   %2\n expected %3")
                                                        .arg(t)
                                                        .arg(walked, expected)));
            lastRound = walked;
        }
        // Shift+Tab goes the same round backwards.
        QStringList back{QStringLiteral("MaskEdBox1")};
        for (int i = 0; i < 40 && (back.size() == 1 || back.last() != back.first()); ++i) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
            QWidget *w = QApplication::focusWidget();
            while (w && w->objectName().isEmpty())
                w = w->parentWidget();
            back << (w ? w->objectName() : QStringLiteral("?"));
        }
        std::reverse(back.begin(), back.end());
        QCOMPARE(back.join(QLatin1Char(' ')), lastRound);
        QVERIFY(boxes.requests().isEmpty());
        f->close();
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    void tabKeyOnATabMadeLater()
    {
        // A fresh window: the representative's tab is made by the click.
        QTemporaryDir dir;
        auto f = openForm(makeDataFolder(dir.path()));
        MessageRecorder boxes;
        f->Habilita(true);
        // Leaving the RFC field checks it; a valid one lets the focus go on.
        f->control<MaskedEdit>(u"MaskEdBox1")->setMaskedText(QStringLiteral(" ABC800101AB1"));
        QVERIFY(!f->findChild<QLineEdit *>(QStringLiteral("txtApePatR2")));
        QTabBar *bar = f->control<TabControl>(u"SSTab1")->tabBar();
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(1).center());
        QVERIFY(focusOn(f->control<QLineEdit>(u"txtApePatR2")));
        QCOMPARE(tabWalk(f.get()),
                 QStringLiteral("txtApeMatR2 txtNombreR2 txtcargo txtTelefonoR2 txtFaxR2 EMAILREP Command1_0 "
                                "Command1_1 Command1_2 Command1_4 Command1_6 Command1_7 Command1_9 txtApemat1 "
                                "SSTab1 MaskEdBox1"));
        // The grids and the other tabs made afterwards leave that order alone.
        f->makeAllControls();
        QVERIFY(focusOn(f->control<QLineEdit>(u"txtFaxR2")));
        QTest::keyClick(f->control<QLineEdit>(u"txtFaxR2"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f->control<QLineEdit>(u"EMAILREP")));
        QTest::keyClick(f->control<QLineEdit>(u"EMAILREP"), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(f->control<QToolButton>(u"Command1_0")));
        f->Habilita(false);
        f->close();
        // The shared window is the active one again for the tests after.
        form_->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(form_.get()));
    }

    void mnemonicsAreUniqueOnScreen()
    {
        Form1 *f = form_.get();
        QSet<QChar> top;
        auto letterOf = [](QLabel *l) {
            const int at = l->text().indexOf(QLatin1Char('&'));
            return at >= 0 ? l->text().at(at + 1).toLower() : QChar();
        };
        f->makeAllControls();
        QList<QLabel *> labels = f->findChildren<QLabel *>();
        for (QLabel *l : labels) {
            if (l->buddy() && !l->isHidden() && !f->control<TabControl>(u"SSTab1")->isAncestorOf(l)) {
                QVERIFY(!letterOf(l).isNull());
                QVERIFY2(!top.contains(letterOf(l)), qPrintable(l->text()));
                top.insert(letterOf(l));
            }
        }
        for (int t = 0; t < 7; ++t) {
            QSet<QChar> used = top;
            for (QLabel *l : labels) {
                if (!l->buddy() || l->isHidden() || !f->control<TabControl>(u"SSTab1")->widget(t)->isAncestorOf(l))
                    continue;
                QVERIFY2(!letterOf(l).isNull(), qPrintable(l->text()));
                QVERIFY2(!used.contains(letterOf(l)), qPrintable(l->text()));
                used.insert(letterOf(l));
            }
        }
        // Alt+letter moves to the field.
        f->control<TabControl>(u"SSTab1")->setCurrentIndex(6);
        QLabel *sucursal = f->labelOf(f->control<QLineEdit>(u"txtsucursal"));
        const QChar key = letterOf(sucursal).toUpper();
        QTest::keyClick(f, key.toLatin1(), Qt::AltModifier);
        QCOMPARE(QApplication::focusWidget(), f->control<QLineEdit>(u"txtsucursal"));
        f->control<TabControl>(u"SSTab1")->setCurrentIndex(0);
    }
};

QTEST_MAIN(LayoutTest)
#include "tst_form1_layout.moc"

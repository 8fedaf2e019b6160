// The controls of the questionnaire window and their measures. Positions of
// the window's main parts are in twips as drawn; inside frames and tabs they
// are in pixels.

#include "questionnaire/form1.h"

#include "application/rfcrules.h"
#include "application/solicitud.h"
#include "questionnaire/cataloguelist.h"
#include "questionnaire/controltable.h"
#include "questionnaire/gridmodel.h"
#include "questionnaire/keyorder.h"
#include "questionnaire/keypipeline.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"
#include "platform/twips.h"

#include <QButtonGroup>
#include <QComboBox>
#include <QFontDatabase>
#include <QFrame>
#include <QGuiApplication>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QResource>
#include <QScreen>
#include <QSet>
#include <QStyleOptionComboBox>
#include <QStylePainter>
#include <QTableView>
#include <QTextEdit>
#include <QToolButton>

#include <limits>
#include <utility>

namespace korim::questionnaire {

using korim::platform::twipsRect;
using korim::platform::twipsSize;
using korim::platform::twipsToPixels;

namespace {

constexpr int kFieldHeight = 22;
constexpr int kRowPitch = 27;
const QColor kRequiredColour(150, 60, 60);

QString withoutMnemonic(QString text)
{
    return text.remove(QLatin1Char('&'));
}

// A label's text as a name for the field: without the trailing colon.
QString accessibleFromLabel(const QString &text)
{
    QString name = withoutMnemonic(text).trimmed();
    while (name.endsWith(QLatin1Char(':')))
        name.chop(1);
    return name.trimmed();
}

template <class W>
W *make(QWidget *parent, const char *name, const QRect &geometry)
{
    auto *w = new W(parent);
    w->setObjectName(QString::fromLatin1(name));
    w->setGeometry(geometry);
    return w;
}

// A list that shortens a long entry in its middle, where the office names
// differ, rather than at its end.
class MiddleElidingList : public QComboBox {
public:
    using QComboBox::QComboBox;

    void showPopup() override
    {
        // The office names are long: the open list shows them whole. Set
        // here, since the list's view is only made when first asked for.
        view()->setMinimumWidth(380);
        QComboBox::showPopup();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QStylePainter painter(this);
        QStyleOptionComboBox option;
        initStyleOption(&option);
        painter.drawComplexControl(QStyle::CC_ComboBox, option);
        const QRect text = style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, this);
        option.currentText = fontMetrics().elidedText(option.currentText, Qt::ElideMiddle, text.width());
        painter.drawControl(QStyle::CE_ComboBoxLabel, option);
    }
};

template <class List = QComboBox>
QComboBox *makeList(QWidget *parent, const char *name, const QRect &geometry, bool editable)
{
    QComboBox *list = make<List>(parent, name, geometry);
    list->setEditable(editable);
    if (editable)
        list->setInsertPolicy(QComboBox::NoInsert); // typed text is not a new entry
    list->setMaxVisibleItems(16);
    return list;
}

QGroupBox *makeFrame(QWidget *parent, const char *name, const QString &title, const QRect &geometry)
{
    auto *frame = make<QGroupBox>(parent, name, geometry);
    frame->setTitle(title);
    return frame;
}

// A grid header of fixed thickness. The grid asks its size hint only for
// that thickness; Qt would measure every caption in bold for it, loading
// more faces at start for nothing.
class FixedHeader : public QHeaderView {
public:
    FixedHeader(Qt::Orientation orientation, QWidget *parent)
        : QHeaderView(orientation, parent)
    {
        // As the grid's own headers.
        setSectionsClickable(true);
        setHighlightSections(true);
    }

    QSize sizeHint() const override
    {
        if (orientation() == Qt::Horizontal && minimumHeight() == maximumHeight())
            return QSize(length(), minimumHeight());
        if (orientation() == Qt::Vertical && minimumWidth() == maximumWidth())
            return QSize(minimumWidth(), length());
        return QHeaderView::sizeHint();
    }
};

} // namespace

// Toolbar pictures, captions-free buttons with the command as tooltip.
void Form1::buildToolbar()
{
    struct Button {
        int index;
        const char *tip;
        int left; // twips
        const char *icon;
    };
    const Button buttons[] = {
        {6, "Editar Datos", 1320, "edit"},
        {0, "Borrar toda la información", 2520, "erase"},
        {2, "Generar disco  para Zentoria", 3788, "disk"},
        {7, "Imprimir solicitud", 5022, "print"},
        {1, "Grabar datos", 6256, "save"},
        {9, "Acerca de..", 7490, "about"},
        {4, "Consideraciones generales", 8724, "help"},
        {5, "Cancelar cambios", 6825, "cancel"},
        // Never shown, and no command behind it.
        {8, "Borrar toda la imformación", 10200, "erase"},
    };
    QHash<QString, QIcon> pictures; // the erase picture serves two buttons
    for (const Button &b : buttons) {
        const QString name = QStringLiteral("Command1_%1").arg(b.index);
        auto *button = make<QToolButton>(this, name.toLatin1().constData(), twipsRect(b.left, 30, 375, 495));
        const QString picture = QString::fromLatin1(b.icon);
        if (!pictures.contains(picture))
            pictures.insert(picture, QIcon(QStringLiteral(":/questionnaire/icons/%1.svg").arg(picture)));
        button->setIcon(pictures.value(picture));
        button->setIconSize(QSize(20, 20));
        button->setToolButtonStyle(Qt::ToolButtonIconOnly);
        button->setToolTip(QString::fromUtf8(b.tip));
        button->setAccessibleName(QString::fromUtf8(b.tip));
        // Clicking takes the focus, so the field being left runs its
        // focus-lost handling before the command.
        button->setFocusPolicy(Qt::StrongFocus);
        const int index = b.index;
        connect(button, &QToolButton::clicked, this, [this, index] { Command1_Click(index); });
        Command1[std::size_t(b.index)] = button;
    }
    auto *rule = make<QFrame>(this, "lineToolbar", QRect(0, twipsToPixels(30 + 495) + 2, twipsToPixels(11175), 2));
    rule->setFrameShape(QFrame::HLine);
    rule->setFrameShadow(QFrame::Sunken);
}

QLabel *Form1::addLabel(QWidget *parent, const QString &text, const QRect &rect, QWidget *buddy)
{
    auto *label = new QLabel(text, parent);
    label->setObjectName(QStringLiteral("lbl") + buddy->objectName());
    QRect r = rect;
    if (r.width() <= 0)
        r.setWidth(label->sizeHint().width());
    if (r.height() <= 0)
        r.setHeight(kFieldHeight);
    label->setGeometry(r);
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    label->setBuddy(buddy);
    labels_.insert(buddy, label);
    labelOrder_.append(label);
    return label;
}

void Form1::markRequired(QLabel *label)
{
    auto *mark = new QLabel(QStringLiteral("*"), label->parentWidget());
    mark->setObjectName(label->objectName() + QStringLiteral("Mark"));
    QPalette p = mark->palette();
    p.setColor(QPalette::WindowText, kRequiredColour);
    mark->setPalette(p);
    // Exact advances here: the mark sits in the gap before the field.
    const QFontMetrics metrics = label->fontMetrics();
    const int textWidth = metrics.horizontalAdvance(withoutMnemonic(label->text()));
    mark->setGeometry(label->x() + textWidth + 2, label->y(), metrics.horizontalAdvance(QLatin1Char('*')),
                      label->height());
    mark->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    mark->setToolTip(QStringLiteral("Dato requerido"));
    mark->setAccessibleName(QStringLiteral("Dato requerido"));
}

// Tag (the required-data mark), name in messages, accessible name.
void Form1::describe(QWidget *field, QLabel *label, const QString &tag, const QString &messageName)
{
    field->setProperty("tag", tag);
    field->setToolTip(messageName);
    if (label)
        field->setAccessibleName(accessibleFromLabel(label->text()));
    if (tag == QLatin1String("1")) {
        field->setAccessibleDescription(QStringLiteral("Dato requerido"));
        if (label)
            markRequired(label);
    }
}

// The plain fields of one frame or page, as their table describes them.
void Form1::addPlainFields(QWidget *container)
{
    const QString name = container->objectName();
    for (const PlainField &row : plainFields()) {
        if (name != QLatin1String(row.container))
            continue;
        auto *field = make<QLineEdit>(container, row.name, row.fieldRect);
        if (row.maxLength > 0)
            field->setMaxLength(row.maxLength);
        QLabel *label = row.label ? addLabel(container, QString::fromUtf8(row.label), row.labelRect, field) : nullptr;
        describe(field, label, QString::fromLatin1(row.tag), fieldToolTip(row));
        KeyPipeline::setMode(field, row.keys);
        if (row.design & kLocked)
            field->setEnabled(false);
        if (row.design & kHidden) {
            field->hide();
            if (label)
                label->hide();
        }
    }
}

QLineEdit *Form1::plainEdit(const char *name) const
{
    return findChild<QLineEdit *>(QLatin1String(name));
}

void Form1::buildTopRows()
{
    const int y1 = 41;
    const int y2 = 65;
    MaskEdBox1 = make<MaskedEdit>(this, "MaskEdBox1", QRect(130, y1, 140, kFieldHeight));
    MaskEdBox1->setMask(application::rfcMask(), QLatin1Char(' '));
    describe(MaskEdBox1, addLabel(this, QStringLiteral("RFC"), QRect(20, y1, 0, 0), MaskEdBox1),
             QStringLiteral("1"), QStringLiteral("RFC"));
    KeyPipeline::setMode(MaskEdBox1, KeyMode::Upper);
    buildRfcNote();

    Combo1 = makeList(this, "Combo1", QRect(130, y2, 200, kFieldHeight), false);
    Combo1->addItem(QStringLiteral("Programa nuevo"), qlonglong(1));
    describe(Combo1, addLabel(this, QStringLiteral("Tipo de Trámite"), QRect(20, y2, 0, 0), Combo1), {}, {});

    // The registration and maquila fields are never shown; the bound ones
    // still carry their values between the record and the save.
    addPlainFields(this);
    txtProg1 = plainEdit("txtProg1");
    txtProg2 = plainEdit("txtProg2");
    txtanomaquila = make<MaskedEdit>(this, "txtanomaquila", QRect(470, y2, 50, kFieldHeight));
    txtanomaquila->setMask(QStringLiteral("####"), QLatin1Char('_'));
    describe(txtanomaquila,
             addLabel(this, QStringLiteral("Año Programa Maquila"), QRect(360, y2, 0, 0), txtanomaquila), {}, {});
    txtnummaquila = make<MaskedEdit>(this, "txtnummaquila", QRect(650, y2, 50, kFieldHeight));
    txtnummaquila->setMask(QStringLiteral("####"), QLatin1Char('_'));
    describe(txtnummaquila,
             addLabel(this, QStringLiteral("Numero de Maquila"), QRect(540, y2, 0, 0), txtnummaquila), {}, {});
}

void Form1::buildGeneralFrame()
{
    fraDatosGenerales = makeFrame(this, "fraDatosGenerales", QStringLiteral("Datos Generales"),
                                  twipsRect(300, 1350, 10590, 1860));
    QWidget *f = fraDatosGenerales;
    addPlainFields(f);
    txtnombre1 = plainEdit("txtnombre1");
    txtApemat1 = plainEdit("txtApemat1");
    const int x = 215;
    cmbActividad = makeList(f, "cmbActividad", QRect(x, 93, 480, kFieldHeight), false);
    cmbActividad->setModel(new CatalogueList(cmbActividad));
    describe(cmbActividad, addLabel(f, QStringLiteral("Actividad Principal"), QRect(10, 93, 0, 0), cmbActividad),
             {}, {});
}

void Form1::buildTab0(QWidget *page)
{
    fraDomicilioFiscal = makeFrame(page, "fraDomicilioFiscal", QStringLiteral("Domicilio Fiscal"),
                                   QRect(4, 2, 701, 180));
    QWidget *f = fraDomicilioFiscal;
    addPlainFields(f);
    txtColonia = plainEdit("txtColonia");
    txtAdmLocal = plainEdit("txtAdmLocal");
    auto row = [](int i) { return 20 + i * kRowPitch; };
    Combo5 = makeList<MiddleElidingList>(f, "Combo5", QRect(490, row(2), 200, kFieldHeight), false);
    Combo5->setModel(new CatalogueList(Combo5));
    describe(Combo5, addLabel(f, QStringLiteral("Adm. local de recaudación"), QRect(320, row(2), 0, 0), Combo5), {},
             {});
    Combo5->setEnabled(false);
}

void Form1::buildTab1(QWidget *page)
{
    QGroupBox *frame = makeFrame(page, "fraRepresentante", QStringLiteral("Datos del Representante legal"),
                                 QRect(4, 2, 701, 180));
    addPlainFields(frame);
}

void Form1::buildTab2(QWidget *page)
{
    QGroupBox *fraPersonal = makeFrame(page, "fraPersonal", QStringLiteral("Personal ocupado en el año anterior"),
                            QRect(4, 2, 346, 180));
    auto *note1 = make<QLabel>(fraPersonal, "lblPromedio", QRect(10, 20, 320, 18));
    note1->setText(QStringLiteral("(Promedio en el año)"));
    addPlainFields(fraPersonal);
    NoEmpleados = plainEdit("NoEmpleados");
    NoObreros = plainEdit("NoObreros");
    TotalPersonal = plainEdit("TotalPersonal");

    QGroupBox *fraVentas = makeFrame(page, "fraVentas", QStringLiteral("Valor de las ventas en el año anterior"),
                          QRect(359, 2, 346, 180));
    auto *note2 = make<QLabel>(fraVentas, "lblMilesPesos", QRect(10, 20, 320, 18));
    note2->setText(QStringLiteral("(En miles de pesos)"));
    addPlainFields(fraVentas);
    VentasPais = plainEdit("VentasPais");
    VentasExterior = plainEdit("VentasExterior");
    TotalVentas = plainEdit("TotalVentas");
    for (QLineEdit *total : std::initializer_list<QLineEdit *>{TotalPersonal, TotalVentas})
        total->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
}

void Form1::buildTab3(QWidget *page)
{
    fraTipoPrograma = makeFrame(page, "fraTipoPrograma", QStringLiteral("Tipo de Programa"), QRect(4, 0, 701, 50));
    chkProdFinal = make<QRadioButton>(fraTipoPrograma, "chkProdFinal", QRect(20, 20, 200, kFieldHeight));
    chkProdFinal->setText(QStringLiteral("Productor Directo"));
    chkrodIndirecto = make<QRadioButton>(fraTipoPrograma, "chkrodIndirecto", QRect(250, 20, 200, kFieldHeight));
    chkrodIndirecto->setText(QStringLiteral("Productor Indirecto"));
    chkAbastecedor = make<QRadioButton>(fraTipoPrograma, "chkAbastecedor", QRect(480, 20, 200, kFieldHeight));
    chkAbastecedor->setText(QStringLiteral("Directo e Indirecto"));
    optTipoPrograma = new QButtonGroup(this);
    optTipoPrograma->setObjectName(QStringLiteral("optTipoPrograma"));
    optTipoPrograma->addButton(chkProdFinal, 1);
    optTipoPrograma->addButton(chkrodIndirecto, 2);
    optTipoPrograma->addButton(chkAbastecedor, 4);
    addPlainFields(fraTipoPrograma);
    TipoProg = plainEdit("TipoProg");
    TipoProg->setText(QStringLiteral("0"));

    fraProductos = makeFrame(page,
                             "fraProductos",
                             QStringLiteral("Principales productos exportados en el año anterior(anotarlos en orden de "
                                            "importancia)"),
                             QRect(4, 52, 701, 132));
    Command2 = make<QPushButton>(fraProductos, "Command2", QRect(582, 20, 110, 26));
    Command2->setText(QStringLiteral("Borrar Registro"));
}

// A grid's caption: a raised panel above it, the grid's buddy label once the
// grid is made.
QLabel *Form1::addGridCaption(QWidget *parent, const char *name, const QString &text, const QRect &rect)
{
    QLabel *caption = make<QLabel>(parent, name, rect);
    caption->setText(text);
    caption->setAlignment(Qt::AlignCenter);
    caption->setFrameShape(QFrame::Panel);
    caption->setFrameShadow(QFrame::Raised);
    labelOrder_.append(caption);
    return caption;
}

void Form1::buildTab4(QWidget *page)
{
    lbldbgVTotales = addGridCaption(page, "lbldbgVTotales",
                                    QStringLiteral(" VENTAS TOTALES E INTERCAMBIO COMERCIAL CON EL EXTERIOR"),
                                    QRect(4, 2, 701, 18));
    RichTextBox1 = make<QTextEdit>(page, "RichTextBox1", QRect(4, 134, 701, 60));
}

void Form1::buildTab5(QWidget *page)
{
    fraVentasExp = makeFrame(page, "fraVentasExp",
                             QStringLiteral("VENTAS A EXPORTADORES FINALES REALIZADAS ATRAVES DE :"),
                             QRect(4, 0, 701, 146));
    lbldbVentasTot = addGridCaption(fraVentasExp, "lbldbVentasTot", QStringLiteral("Miles de pesos"),
                                    QRect(10, 18, 681, 18));
    RichTextBox2 = make<QTextEdit>(page, "RichTextBox2", QRect(4, 148, 701, 50));
}

void Form1::buildTab6(QWidget *page)
{
    auto row = [](int i) { return 14 + i * kRowPitch; };
    const int fx = 240;
    cmbBanco = makeList(page, "cmbBanco", QRect(fx, row(0), 320, kFieldHeight), true);
    describe(cmbBanco, addLabel(page, QStringLiteral("Nombre del banco :"), QRect(14, row(0), 0, 0), cmbBanco), {}, {});
    KeyPipeline::setMode(cmbBanco, KeyMode::Upper);
    // The catalogue read at start-up, and the entry start-up chose.
    cmbBanco->setModel(banks_);
    cmbBanco->setCurrentIndex(bankShown_);
    addPlainFields(page);
}

void Form1::buildGrids()
{
    productosModel = new GridModel(application_->dtsProductos(), {{QStringLiteral("DESCRIPCIO"), QStringLiteral("Descripción"), {}, true, true, 150}},
                                   true, this);
    vTotalesModel = new GridModel(
        application_->dtsVTotales(),
        {
            {QStringLiteral("ANO"), QStringLiteral("Año"), {}, false},
            {QStringLiteral("ETIQUETA"), QStringLiteral("ETIQUETA"), {}, false},
            {QStringLiteral("VTOT"), QStringLiteral("Ventas Tot. Miles Pesos  ( A )"),
             QStringLiteral("###,###,###,###.00"), true},
            {QStringLiteral("TC"), QStringLiteral("Tipo de Cambio"), QStringLiteral("Standard"), true},
            {QStringLiteral("VTOTD"), QStringLiteral("Ventas Totales (A)         Miles Dolares "),
             QStringLiteral("General Number"), false},
            {QStringLiteral("EXPORTA"), QStringLiteral("Exportación (B)       Miles de Dólares"), {}, true},
            {QStringLiteral("IMPORTA"), QStringLiteral("Importación (C)       Miles de Dólares"),
             QStringLiteral("###,###,###,###"), true},
            {QStringLiteral("SALDO"), QStringLiteral("%  (B  / A)"), QStringLiteral("###,###,###,###"), false},
        },
        false, this);
    ventasExpModel = new GridModel(application_->dtsVentasExp(),
                                   {
                                       {QStringLiteral("ETIQUETA"), QString(), {}, true, true, 30},
                                       {QStringLiteral("ANO"), QStringLiteral("Año"), {}, false},
                                       {QStringLiteral("VTOT"), QStringLiteral("Constancia transf. de mercancias"), {}, true},
                                       {QStringLiteral("EXPORTA"), QStringLiteral("Carta de exportador"), {}, true},
                                       {QStringLiteral("IMPORTA"), QStringLiteral("Operaciones virtuales"), {}, true},
                                       {QStringLiteral("SALDO"), QStringLiteral("Total"), {}, false},
                                       {QStringLiteral("TC"), QStringLiteral("TC"), {}, false, false},
                                       {QStringLiteral("TIPO"), QStringLiteral("TIPO"), {}, false, false},
                                   },
                                   false, this);
}

// Columns as wide as their captions need (at least the given width); the
// last visible one takes what is left.
void Form1::makeGrid(Deferred<QTableView> &slot, QWidget *parent, const char *name, const QRect &geometry,
                     GridModel *model, const QList<int> &minimum, QLabel *caption)
{
    auto *view = make<GridView>(parent, name, geometry);
    slot = view;
    // Everything that does not need the model is set first: a header with
    // sections measures all its captions again on each font or style change.
    view->setHorizontalHeader(new FixedHeader(Qt::Horizontal, view));
    view->setVerticalHeader(new FixedHeader(Qt::Vertical, view));
    view->setItemDelegate(new GridDelegate(view));
    view->setSelectionMode(QAbstractItemView::SingleSelection);
    view->setSelectionBehavior(QAbstractItemView::SelectItems);
    view->setTabKeyNavigation(true);
    view->setWordWrap(false);
    view->verticalHeader()->setDefaultSectionSize(22);
    view->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    view->verticalHeader()->setFixedWidth(18);
    QHeaderView *header = view->horizontalHeader();
    header->setHighlightSections(false);
    header->setDefaultAlignment(Qt::AlignCenter);
    // Two header lines on the sales grids, whose eight columns share the
    // width of the window in a slightly smaller face.
    const int lines = model == productosModel ? 1 : GridModel::kHeaderLines;
    if (lines > 1) {
        QFont small = view->font();
        small.setPointSize(small.pointSize() - 1);
        view->setFont(small);
        header->setFont(small);
    }
    header->setFixedHeight(lines * header->fontMetrics().lineSpacing() + 8);
    view->setModel(model);
    for (int c = 0; c < model->columnCount(); ++c) {
        view->setColumnHidden(c, !model->columns().at(c).visible);
        const QString caption = model->headerData(c, Qt::Horizontal).toString();
        const int needed = header->fontMetrics().boundingRect(QRect(0, 0, 10000, 100), 0, caption).width() + 10;
        view->setColumnWidth(c, qMax(needed, minimum.value(c)));
    }
    header->setStretchLastSection(true);
    KeyPipeline::setMode(view, KeyMode::Upper);

    if (caption) {
        caption->setBuddy(view);
        labels_.insert(view, caption);
    }
    connectGridView(view);
    applyKeyboardOrder(this);
    showMadeLater(view);
}

void Form1::makeProductosGrid()
{
    makeGrid(dbProductos, fraProductos, "dbProductos", QRect(10, 20, 560, 104), productosModel, {}, nullptr);
    dbProductos.made()->setAccessibleName(QStringLiteral("Productos exportados"));
}

void Form1::makeVTotalesGrid()
{
    makeGrid(dbgVTotales, SSTab1->widget(4), "dbgVTotales", QRect(4, 20, 701, 110), vTotalesModel, {40, 90},
             lbldbgVTotales);
    dbgVTotales.made()->setAccessibleName(accessibleFromLabel(lbldbgVTotales->text()));
}

void Form1::makeVentasTotGrid()
{
    makeGrid(dbVentasTot, fraVentasExp, "dbVentasTot", QRect(10, 36, 681, 104), ventasExpModel,
             {130, 40, 120, 110, 110}, lbldbVentasTot);
    dbVentasTot.made()->setAccessibleName(accessibleFromLabel(fraVentasExp->title()));
}

// Qt shows only the children a widget had when it was shown: one made after
// its tab was shown is shown here, unless it was hidden on purpose.
void Form1::showMadeLater(QWidget *control)
{
    if (control->parentWidget()->isVisible() && !control->testAttribute(Qt::WA_WState_ExplicitShowHide))
        control->show();
}

void Form1::makeTabContents(int tab)
{
    switch (tab) {
    case 1: makeTab1(); break;
    case 2: makeTab2(); break;
    case 3: dbProductos.get(); break;
    case 4: dbgVTotales.get(); break;
    case 5: dbVentasTot.get(); break;
    case 6: makeTab6(); break;
    default: break;
    }
}

void Form1::makeAllControls()
{
    for (int tab = 0; tab < SSTab1->count(); ++tab)
        makeTabContents(tab);
}

QObject *Form1::controlObject(QStringView name)
{
    const QString wanted = name.toString();
    if (QObject *made = findChild<QObject *>(wanted))
        return made;
    // Made later: the plain fields know their tab; the other controls of
    // those tabs are few.
    static const QHash<QString, int> laterTabs = {
        {QStringLiteral("fraRepresentante"), 1}, {QStringLiteral("fraPersonal"), 2},
        {QStringLiteral("fraVentas"), 2},        {QStringLiteral("dbProductos"), 3},
        {QStringLiteral("dbgVTotales"), 4},      {QStringLiteral("dbVentasTot"), 5},
        {QStringLiteral("cmbBanco"), 6},
    };
    if (const PlainField *field = plainField(name))
        makeTabContents(field->tab);
    else if (laterTabs.contains(wanted))
        makeTabContents(laterTabs.value(wanted));
    else
        makeAllControls();
    return findChild<QObject *>(wanted);
}

void Form1::makeTab1()
{
    makeLaterTab(1, &Form1::buildTab1);
}

void Form1::makeTab2()
{
    makeLaterTab(2, &Form1::buildTab2);
}

void Form1::makeTab6()
{
    makeLaterTab(6, &Form1::buildTab6);
}

// Keyboard places, Alt letters, bound fields, handlers and Habilita's state
// for a tab made after start-up.
void Form1::makeLaterTab(int tab, void (Form1::*build)(QWidget *))
{
    if (std::exchange(tabMade_[std::size_t(tab)], true))
        return;
    QWidget *page = SSTab1->widget(tab);
    (this->*build)(page);
    connectTabTotals(tab);
    if (tab == 6)
        connectBankHandlers();
    applyKeyboardOrder(this);
    if (stretchEnabled_)
        setStretchEnabled(page, *stretchEnabled_);
    assignTabMnemonics(page);
    mapBoundFields(page);
    watchForJournal(page);
    for (QWidget *w : page->findChildren<QWidget *>(Qt::FindDirectChildrenOnly))
        showMadeLater(w);
}

namespace {

QList<QChar> lettersOf(const QLabel *label)
{
    QList<QChar> out;
    for (QChar c : label->text()) {
        const QChar l = c.toLower();
        if (l.isLetter() && !out.contains(l))
            out.append(l);
    }
    return out;
}

// Each round the label with the fewest letters left chooses, taking a letter
// outside `avoid` when it can.
void assignLetters(QList<QLabel *> group, QSet<QChar> &used, const QSet<QChar> &avoid)
{
    while (!group.isEmpty()) {
        int best = 0;
        int fewest = std::numeric_limits<int>::max();
        for (int i = 0; i < group.size(); ++i) {
            int left = 0;
            for (QChar c : lettersOf(group[i]))
                left += used.contains(c) ? 0 : 1;
            if (left < fewest) {
                fewest = left;
                best = i;
            }
        }
        QLabel *label = group.takeAt(best);
        QChar chosen;
        for (int pass = 0; pass < 2 && chosen.isNull(); ++pass) {
            for (QChar c : lettersOf(label)) {
                if (!used.contains(c) && (pass == 1 || !avoid.contains(c))) {
                    chosen = c;
                    break;
                }
            }
        }
        if (chosen.isNull())
            continue;
        used.insert(chosen);
        const QString text = label->text();
        const int at = int(text.indexOf(chosen, 0, Qt::CaseInsensitive));
        label->setText(text.left(at) + QLatin1Char('&') + text.mid(at));
    }
}

} // namespace

void Form1::assignMnemonics()
{
    // Alt+letter moves to a field through its label. The parts above the tabs
    // are always on screen, so their letters are kept out of every tab.
    QList<QLabel *> always;
    QList<QList<QLabel *>> pages(SSTab1->count());
    // Letters short labels on the tabs depend on. The tabs made later have no
    // label of three letters or fewer that the first tab lacks ("Fax").
    QSet<QChar> scarce;
    for (QLabel *label : std::as_const(labelOrder_)) {
        if (label->isHidden())
            continue;
        const int page = SSTab1->isAncestorOf(label) ? SSTab1->indexOf(pageOf(label)) : -1;
        if (page < 0) {
            always.append(label);
            continue;
        }
        pages[page].append(label);
        if (lettersOf(label).size() <= 3) {
            for (QChar c : lettersOf(label))
                scarce.insert(c);
        }
    }
    topLetters_.clear();
    assignLetters(always, topLetters_, scarce);
    for (const QList<QLabel *> &page : std::as_const(pages)) {
        QSet<QChar> used = topLetters_;
        assignLetters(page, used, {});
    }
}

void Form1::assignTabMnemonics(QWidget *page)
{
    QList<QLabel *> labels;
    for (QLabel *label : std::as_const(labelOrder_)) {
        if (!label->isHidden() && page->isAncestorOf(label) && !label->text().contains(QLatin1Char('&')))
            labels.append(label);
    }
    // Letters already taken on this tab (a grid's caption was named before).
    QSet<QChar> used = topLetters_;
    for (QLabel *label : std::as_const(labelOrder_)) {
        const QString text = label->text();
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        if (page->isAncestorOf(label) && at >= 0 && at + 1 < text.size())
            used.insert(text.at(at + 1).toLower());
    }
    assignLetters(labels, used, {});
}

QWidget *Form1::pageOf(const QWidget *control) const
{
    for (int t = 0; t < SSTab1->count(); ++t) {
        if (SSTab1->widget(t)->isAncestorOf(control))
            return SSTab1->widget(t);
    }
    return nullptr;
}

void Form1::setDesignedStates()
{
    // The plain fields got theirs from their table.
    for (QWidget *w : std::initializer_list<QWidget *>{txtanomaquila, txtnummaquila}) {
        w->hide();
        if (QLabel *l = labelOf(w))
            l->hide();
    }
    Command1[5]->hide();
    Command1[8]->hide();
    Command1[5]->setEnabled(false);
    for (QTextEdit *box : {RichTextBox1, RichTextBox2}) {
        box->setReadOnly(true);
        // Read only, they take no Tab of their own: it moves on.
        box->setTabChangesFocus(true);
        box->document()->setDocumentMargin(2);
        box->setAcceptRichText(true);
    }
    RichTextBox1->setAccessibleName(QStringLiteral("Requisito de exportación directa"));
    RichTextBox2->setAccessibleName(QStringLiteral("Requisito de exportación indirecta"));
}

namespace {

// The face the fixed places were measured with travels inside the program,
// so the window keeps its layout where the system lacks it. Read in place
// from the resource: the face is most of a megabyte.
QString windowFamily()
{
    static const QString family = [] {
        const QResource file(QStringLiteral(":/questionnaire/fonts/DejaVuSans.ttf"));
        int id = -1;
        if (file.isValid() && file.compressionAlgorithm() == QResource::NoCompression)
            id = QFontDatabase::addApplicationFontFromData(
                QByteArray::fromRawData(reinterpret_cast<const char *>(file.data()), qsizetype(file.size())));
        const QStringList families = QFontDatabase::applicationFontFamilies(id);
        if (families.isEmpty())
            qWarning("The window's face could not be loaded; the system's is used");
        return families.isEmpty() ? QStringLiteral("DejaVu Sans") : families.constFirst();
    }();
    return family;
}

} // namespace

void Form1::buildLayout()
{
    setWindowTitle(QStringLiteral("KORIM Ver. 1.0"));
    // Fixed border, no maximize button.
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                   | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint);
    // The window is drawn in fixed places: keep the face it was measured with.
    QFont face(windowFamily());
    face.setPointSize(9);
    setFont(face);
    setFixedSize(twipsSize(11175, 7035));

    buildToolbar();
    buildTopRows();
    buildGeneralFrame();

    SSTab1 = make<TabControl>(this, "SSTab1", twipsRect(225, 3225, 10785, 3795));
    const char *const captions[] = {
        "I. Datos Generales",
        "II Datos del Representante Legal",
        "Personal ocupado",
        "III y IV Tipo de Exportador y Operaciones Totales de la Empresa",
        "Ventas totales e intercambio comercial con el exterior",
        "Exportadores Indirectos",
        "Devolución de IVA",
    };
    QList<QWidget *> pages;
    for (int i = 0; i < 7; ++i) {
        auto *page = new QWidget;
        page->setObjectName(QStringLiteral("SSTab1_page%1").arg(i));
        SSTab1->addTab(page, QString::fromUtf8(captions[i]));
        pages.append(page);
    }
    SSTab1->setAccessibleName(QStringLiteral("Secciones de la solicitud"));
    buildTab0(pages[0]);
    // Tabs 1, 2 and 6 and the grids are made when first needed.
    buildTab3(pages[3]);
    buildTab4(pages[4]);
    buildTab5(pages[5]);
    buildGrids();
    setDesignedStates();
    assignMnemonics();

    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
}

} // namespace korim::questionnaire

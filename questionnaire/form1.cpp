#include "questionnaire/form1.h"

#include "data/datasource.h"
#include "questionnaire/keyorder.h"
#include "questionnaire/keypipeline.h"
#include "questionnaire/tabcontrol.h"

#include <QApplication>
#include <QStandardItemModel>

// The toolbar pictures and the window's face are compiled into this static
// library; they must be registered by hand, from the global namespace.
static void initForm1Resources()
{
    Q_INIT_RESOURCE(form1icons);
    Q_INIT_RESOURCE(form1face);
}

namespace korim::questionnaire {

using korim::data::DataSource;

Form1::Form1(const QString &dataFolder, QWidget *parent)
    : QWidget(parent)
    , dataFolder_(dataFolder)
    , today_(QDate::currentDate())
{
    initForm1Resources();
    setObjectName(QStringLiteral("Form1"));
    createDataSources();
    banks_ = new QStandardItemModel(0, 1, this);
    buildLayout();
    // The controls of the tabs made later join the order as they are made.
    applyKeyboardOrder(this);
    KeyPipeline::instance().addWindow(this);
    bindFields();
    connectStateHandlers();
    connectListHandlers();
    connectRfcHandlers();
    connectKeyFilters();
    connectCommandHandlers();
    connectGridHandlers();
    // What a tab makes later is made as it is about to show, at the latest.
    connect(SSTab1, &TabControl::aboutToShow, this, &Form1::makeTabContents);
}

bool Form1::focusNextPrevChild(bool next)
{
    // Qt also comes here to move the focus off a control being hidden (a tab
    // page going); that move stays Qt's.
    QWidget *focused = QApplication::focusWidget();
    if (!focused || !focused->isVisible())
        return QWidget::focusNextPrevChild(next);
    if (QWidget *to = nextTabStop(this, focused, next)) {
        to->setFocus(next ? Qt::TabFocusReason : Qt::BacktabFocusReason);
        return true;
    }
    return QWidget::focusNextPrevChild(next);
}

Form1::~Form1()
{
    // Destroying the controls below still emits signals (focus moves, tabs
    // and rows removed); the handlers must not run on a half-destroyed window.
    QObject::disconnect(qApp, nullptr, this, nullptr);
    for (QObject *child : findChildren<QObject *>())
        QObject::disconnect(child, nullptr, this, nullptr);
}

void Form1::createDataSources()
{
    struct Setting {
        DataSource *Form1::*member;
        const char *name;
        const char *connect;
        const char *recordSource;
    };
    // As the window defines them; start-up sets the record sources of five.
    const Setting settings[] = {
        {&Form1::dtsDatoProv, "dtsDatoProv", "FoxPro 2.5;", "datoprov"},
        {&Form1::Data1, "Data1", "dBASE III;", "admlocal"},
        {&Form1::dtsBanco, "dtsBanco", "dBASE III;", "CATBANCO"},
        {&Form1::dtsacti, "dtsacti", "dBASE III;", "ACTIVIDA"},
        {&Form1::dtsVTotales, "dtsVTotales", "FoxPro 2.5;", "VENTAS"},
        {&Form1::dtsVentasExp, "dtsVentasExp", "dBASE III;", "VENTAS"},
        {&Form1::dtsProductos, "dtsProductos", "dBASE III;", "PROVMERC"},
    };
    for (const Setting &s : settings) {
        auto *source = new DataSource(QString::fromLatin1(s.name), this);
        source->setConnect(QString::fromLatin1(s.connect));
        source->setDatabaseName(dataFolder_);
        source->setRecordSource(QString::fromLatin1(s.recordSource));
        this->*(s.member) = source;
    }
    // Grid edits go to the table as soon as a cell is left.
    dtsVTotales->model()->setWriteThrough(true);
    dtsVentasExp->model()->setWriteThrough(true);
    dtsProductos->model()->setWriteThrough(true);
}

} // namespace korim::questionnaire

#include "questionnaire/form1.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "questionnaire/cataloguelist.h"
#include "questionnaire/keyorder.h"
#include "questionnaire/keypipeline.h"
#include "questionnaire/tabcontrol.h"

#include <QApplication>

// The toolbar pictures and the window's face are compiled into this static
// library; they must be registered by hand, from the global namespace.
static void initForm1Resources()
{
    Q_INIT_RESOURCE(form1icons);
    Q_INIT_RESOURCE(form1face);
}

namespace korim::questionnaire {

Form1::Form1(const QString &dataFolder, QWidget *parent)
    : QWidget(parent)
    , application_(new application::Solicitud(dataFolder, this))
    , today_(QDate::currentDate())
{
    initForm1Resources();
    setObjectName(QStringLiteral("Form1"));
    banks_ = new CatalogueList(this);
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
    connectJournal();
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

} // namespace korim::questionnaire

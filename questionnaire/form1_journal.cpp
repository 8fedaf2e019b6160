// What the clerk types goes to the application's journal as it is typed,
// so that a crash, a kill or a power cut does not take it; at the next start
// it is offered back and applied as pending changes, never stored by itself.
//
// Keys: "f:<field>" a text field's text, "l:<list>" a list's place (the bank
// list with its typed text), "o:optTipoPrograma" the option chosen, "cell"
// the grid cell being typed into (grid, row, column, text).

#include "questionnaire/form1.h"

#include "application/rfcrules.h"
#include "application/solicitud.h"
#include "platform/messages.h"
#include "questionnaire/maskededit.h"
#include "questionnaire/tabcontrol.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDateTime>
#include <QDir>
#include <QJsonObject>
#include <QLineEdit>
#include <QLocale>
#include <QPointer>
#include <QRadioButton>
#include <QTableView>

#include <algorithm>

namespace korim::questionnaire {

using korim::application::JournalContents;
namespace platform = korim::platform;

namespace {

const QString kCell = QStringLiteral("cell");
const QString kOption = QStringLiteral("o:optTipoPrograma");

QString fieldKey(const QObject *o) { return QStringLiteral("f:") + o->objectName(); }
QString listKey(const QObject *o) { return QStringLiteral("l:") + o->objectName(); }

bool insideAny(const QWidget *w, std::initializer_list<const QWidget *> parents)
{
    for (const QWidget *p : parents)
        if (p && p->isAncestorOf(w))
            return true;
    return false;
}

// "08/dic/2026" and "10:42", as the clerk reads dates.
std::pair<QString, QString> whenShown(qint64 msecs)
{
    const QDateTime at = QDateTime::fromMSecsSinceEpoch(msecs).toLocalTime();
    const QLocale mx(QLocale::Spanish, QLocale::Mexico);
    return {mx.toString(at.date(), QStringLiteral("dd/MMM/yyyy")), at.time().toString(QStringLiteral("HH:mm"))};
}

} // namespace

void Form1::connectJournal()
{
    watchForJournal(this);
    connect(optTipoPrograma, &QButtonGroup::idClicked, this, [this](int id) {
        if (!applyingJournal_)
            application_->recordPending(kOption, id);
    });
    // Leaving a field puts what was typed on the disk; a grid's cell editor
    // is watched from the moment it takes the focus, before its first key.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *old, QWidget *now) {
        if (old && isAncestorOf(old))
            application_->fieldLeft();
        if (now && qobject_cast<QLineEdit *>(now)
            && insideAny(now, {dbProductos.made(), dbgVTotales.made(), dbVentasTot.made()}))
            recordGridEditor(now);
    });
}

void Form1::watchForJournal(QWidget *root)
{
    for (QLineEdit *edit : root->findChildren<QLineEdit *>()) {
        // Lists' own edits are the lists'; grid editors come and go.
        if (qobject_cast<QComboBox *>(edit->parentWidget()) || journalWatched_.contains(edit))
            continue;
        if (insideAny(edit, {dbProductos.made(), dbgVTotales.made(), dbVentasTot.made()}))
            continue;
        journalWatched_.insert(edit);
        // The key made once: this runs on every key the clerk types.
        connect(edit, &QLineEdit::textEdited, this, [this, edit, key = fieldKey(edit)] { recordControl(edit, key); });
    }
    for (QComboBox *list : root->findChildren<QComboBox *>()) {
        if (journalWatched_.contains(list))
            continue;
        journalWatched_.insert(list);
        connect(list, &QComboBox::activated, this, [this, list, key = listKey(list)] { recordControl(list, key); });
        if (list->lineEdit())
            connect(list->lineEdit(), &QLineEdit::textEdited, this,
                    [this, list, key = listKey(list)] { recordControl(list, key); });
    }
}

void Form1::recordControl(QObject *control, const QString &key)
{
    if (applyingJournal_)
        return;
    if (auto *masked = qobject_cast<MaskedEdit *>(control)) {
        application_->recordPending(key, masked->maskedText());
    } else if (auto *edit = qobject_cast<QLineEdit *>(control)) {
        application_->recordPending(key, edit->text());
    } else if (auto *list = qobject_cast<QComboBox *>(control)) {
        if (list->isEditable())
            application_->recordPending(key, QJsonObject{{QStringLiteral("i"), list->currentIndex()},
                                                         {QStringLiteral("t"), list->currentText()}});
        else
            application_->recordPending(key, list->currentIndex());
    }
}

void Form1::recordGridEditor(QWidget *editor)
{
    auto *line = qobject_cast<QLineEdit *>(editor);
    if (!line || journalWatched_.contains(line))
        return;
    QTableView *grid = nullptr;
    for (QTableView *g : {dbProductos.made(), dbgVTotales.made(), dbVentasTot.made()})
        if (g && g->isAncestorOf(line))
            grid = g;
    if (!grid)
        return;
    journalWatched_.insert(line);
    const QModelIndex at = grid->currentIndex();
    const QJsonObject where{{QStringLiteral("g"), grid->objectName()},
                            {QStringLiteral("r"), at.row()},
                            {QStringLiteral("c"), at.column()}};
    connect(line, &QLineEdit::textEdited, this, [this, where](const QString &text) {
        if (applyingJournal_)
            return;
        QJsonObject cell = where;
        cell.insert(QStringLiteral("t"), text);
        application_->recordPending(kCell, cell);
    });
    // Closed, the cell was stored by its grid (or refused): nothing of it is pending.
    auto closed = [this] {
        if (application_->isPending(kCell) && !sessionEnding_ && !applyingJournal_)
            application_->recordPending(kCell, QJsonValue::Null);
    };
    // In the window's context, so that its destructor cuts it off with the
    // others: a cell closed while the window is being destroyed is no edit.
    connect(grid->itemDelegate(), &QAbstractItemDelegate::closeEditor, this,
            [editorShown = QPointer<QLineEdit>(line), closed](QWidget *editor) {
                if (editorShown && editor == editorShown)
                    closed();
            });
    connect(line, &QObject::destroyed, this, [this, line, closed] {
        journalWatched_.remove(line);
        closed();
    });
}

bool Form1::offerRecovery()
{
    const JournalContents found = application_->readJournal();
    if (!found.exists)
        return false;
    const QString aside = QDir::toNativeSeparators(application::Solicitud::journalBackupPath(dataFolder()));
    auto ask = [this](const QString &text, platform::MsgIcon icon) {
        const platform::MessageRequest question{text, QString(), platform::MsgButtons::YesNo, icon,
                                                platform::MsgAnswer::Yes};
        return platform::showMessage(this, question) == platform::MsgAnswer::Yes;
    };
    // Ended while the question was up: the journal stays for the next start.
    auto ended = [this] { return sessionEnding_; };
    if (!found.hasHeader) {
        if (found.intactBytes == 0 && found.damaged) {
            if (ask(QStringLiteral("Quedó un registro de lo capturado que KORIM no puede leer. ¿Desea apartarlo "
                                   "en el archivo %1? Si responde No, se descarta.")
                        .arg(aside),
                    platform::MsgIcon::Exclamation))
                application_->setJournalAside();
            else if (!ended())
                application_->pendingEnded();
        }
        return false;
    }
    if (!found.pending()) {
        // Nothing was left unsaved in it.
        application_->pendingEnded();
        return false;
    }
    const auto [day, time] = whenShown(found.lastAt());
    const QString mismatch = application_->journalMismatch(found);
    if (!mismatch.isEmpty()) {
        if (ask(QStringLiteral("KORIM se cerró el %1 a las %2 sin grabar lo capturado, pero %3: no se puede "
                               "recuperar sobre ella. ¿Desea apartarlo en el archivo %4? Si responde No, se descarta.")
                    .arg(day, time, mismatch, aside),
                platform::MsgIcon::Exclamation))
            application_->setJournalAside();
        else if (!ended())
            application_->pendingEnded();
        return false;
    }
    if (!ask(QStringLiteral("KORIM se cerró el %1 a las %2 sin grabar lo capturado. ¿Desea recuperarlo?").arg(day, time),
             platform::MsgIcon::Question)) {
        if (!ended())
            application_->setJournalAside();
        return false;
    }
    applyRecovered(found.state());
    application_->adoptJournal(found);
    return true;
}

void Form1::applyRecovered(const QMap<QString, QJsonValue> &values)
{
    applyingJournal_ = true;
    struct Done {
        bool &flag;
        ~Done() { flag = false; }
    } done{applyingJournal_};

    // The RFC first: its field's handler unlocks the name fields.
    QStringList order = values.keys();
    std::stable_partition(order.begin(), order.end(),
                          [](const QString &k) { return k == QLatin1String("f:MaskEdBox1"); });
    for (const QString &key : std::as_const(order)) {
        const QJsonValue value = values.value(key);
        if (key.startsWith(QLatin1String("f:"))) {
            if (auto *masked = control<MaskedEdit>(QStringView(key).mid(2)))
                masked->setMaskedText(value.toString());
            else if (auto *edit = control<QLineEdit>(QStringView(key).mid(2)))
                edit->setText(value.toString());
        } else if (key.startsWith(QLatin1String("l:"))) {
            auto *list = control<QComboBox>(QStringView(key).mid(2));
            if (!list)
                continue;
            const int place = value.isObject() ? value.toObject().value(QStringLiteral("i")).toInt() : value.toInt();
            if (place >= -1 && place < list->count())
                list->setCurrentIndex(place);
            if (value.isObject() && list->lineEdit())
                list->lineEdit()->setText(value.toObject().value(QStringLiteral("t")).toString());
        } else if (key == kOption) {
            if (QAbstractButton *option = optTipoPrograma->button(value.toInt()))
                option->click();
        }
    }
    recomputeTotals();
    // Unlocked as it was before, when the recovered RFC is valid.
    if (application::checkRfc(MaskEdBox1->maskedText()).valid) {
        application_->RFCValido = true;
        Habilita(true);
    }
    SSTab1->setCurrentIndex(0);

    // The cell being typed in, open again with its text: shown, not stored.
    const QJsonObject cell = values.value(kCell).toObject();
    auto *grid = cell.isEmpty() ? nullptr : control<QTableView>(cell.value(QStringLiteral("g")).toString());
    if (!grid)
        return;
    const QModelIndex at = grid->model()->index(cell.value(QStringLiteral("r")).toInt(),
                                                cell.value(QStringLiteral("c")).toInt());
    const int tab = SSTab1->indexOf(pageOf(grid));
    if (!at.isValid() || tab < 0 || !SSTab1->isTabEnabled(tab))
        return;
    SSTab1->setCurrentIndex(tab);
    grid->setFocus(Qt::OtherFocusReason);
    grid->setCurrentIndex(at);
    grid->edit(at);
    if (auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(at))) {
        editor->setText(cell.value(QStringLiteral("t")).toString());
        recordGridEditor(editor);
    }
}

void Form1::endSession()
{
    sessionEnding_ = true;
    application_->makePendingDurable();
}

} // namespace korim::questionnaire

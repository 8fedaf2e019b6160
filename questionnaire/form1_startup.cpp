// Start-up, tab switching and shut-down of the questionnaire window.

#include "questionnaire/form1.h"

#include "data/datasource.h"
#include "data/folder.h"
#include "platform/messages.h"
#include "application/rules.h"
#include "questionnaire/tabcontrol.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QStandardItemModel>
#include <QTableView>

namespace korim::questionnaire {

using namespace korim::application;

using korim::data::DataError;
using korim::data::DataSource;
namespace platform = korim::platform;

namespace {

// Start-up cannot go on: the message names the file and says what is wrong.
[[noreturn]] void fail(const QString &message)
{
    throw DataError(DataError::EngineFailure, message);
}

// Opens a source for start-up; a failure names the table's file.
void openFor(DataSource *source, const QString &file)
{
    try {
        source->refresh();
    } catch (const DataError &e) {
        const QString name = QFileInfo(file).fileName();
        if (e.description().contains(name, Qt::CaseInsensitive))
            throw;
        throw DataError(e.number(), QStringLiteral("No se pudo abrir la tabla %1: %2").arg(file, e.description()));
    }
}

// The entries of a list made by the window (its own model).
QStandardItemModel *listEntries(QComboBox *list)
{
    return qobject_cast<QStandardItemModel *>(list->model());
}

} // namespace

QString Form1::tableFile(const QString &table) const
{
    const QString name = table + QStringLiteral(".dbf");
    QString path = korim::data::findFileNoCase(dataFolder_, name);
    if (path.isEmpty())
        path = QDir(dataFolder_).filePath(name);
    return QDir::toNativeSeparators(path);
}

void Form1::fillList(DataSource *source, const QString &recordSource, QStandardItemModel *model,
                     int textPosition, int keyPosition, int minFields)
{
    const QString table = recordSource.section(QLatin1Char(' '), -1);
    const QString file = tableFile(table);
    source->setRecordSource(recordSource);
    openFor(source, file);
    if (source->fieldCount() < minFields)
        fail(QStringLiteral("La tabla %1 no tiene los campos que el programa necesita "
                            "(tiene %2 y necesita al menos %3).")
                 .arg(file)
                 .arg(source->fieldCount())
                 .arg(minFields));
    if (source->eof())
        fail(QStringLiteral("El catálogo %1 está vacío: la carpeta de datos está incompleta.").arg(file));
    source->moveLast();
    source->moveFirst();
    const int n = source->recordCount();
    // The entries go to the model in one step: added one by one, each would
    // be announced to the list and its view.
    QList<QStandardItem *> entries;
    entries.reserve(n);
    for (int i = 0; i < n; ++i) {
        auto *entry = new QStandardItem(source->value(textPosition).toString().trimmed());
        entry->setData(qlonglong(qRound64(source->value(keyPosition).toDouble())), Qt::UserRole);
        entries.append(entry);
        source->moveNext();
    }
    model->clear();
    model->invisibleRootItem()->appendRows(entries);
}

void Form1::writeSalesYears(DataSource *source, const QString &recordSource, int kind)
{
    const QString file = tableFile(QStringLiteral("VENTAS"));
    source->setRecordSource(recordSource);
    openFor(source, file);
    if (source->recordCount() < 3)
        fail(QStringLiteral("La tabla %1 debe tener tres renglones de tipo %2 y tiene %3: "
                            "la carpeta de datos está incompleta.")
                 .arg(file)
                 .arg(kind)
                 .arg(source->recordCount()));
    for (int i = 0; i < 3; ++i) {
        source->edit();
        source->setValue(0, i + (AnioActual - 1));
        source->updateRecord();
        source->moveNext();
    }
}

void Form1::load()
{
    // 1. The current year.
    AnioActual = short(today_.year());
    // 2 to 4. The catalogue lists, with their keys as item data.
    fillList(Data1, QStringLiteral("admlocal"), listEntries(Combo5), 1, 0, 2);
    Combo5->setCurrentIndex(0);
    fillList(dtsBanco, QStringLiteral("catbanco"), banks_, 2, 0, 3);
    bankShown_ = 0;
    if (QComboBox *banks = cmbBanco.made())
        banks->setCurrentIndex(0);
    fillList(dtsacti, QStringLiteral("select * from activida"), listEntries(cmbActividad), 2, 0, 4);
    cmbActividad->setCurrentIndex(0);
    // 5 and 6. The years of the sales rows: previous, current, next.
    writeSalesYears(dtsVTotales, QStringLiteral("select * from ventas where tipo = 1 "), 1);
    writeSalesYears(dtsVentasExp, QStringLiteral("select * from ventas where tipo = 2 "), 2);
    openFor(dtsProductos, tableFile(QStringLiteral("PROVMERC")));
    // 7. The stored application into the bound fields.
    const QString application = tableFile(QStringLiteral("datoprov"));
    openFor(dtsDatoProv, application);
    if (dtsDatoProv->fieldCount() < 40)
        fail(QStringLiteral("La tabla %1 no tiene los campos que el programa necesita "
                            "(tiene %2 y necesita al menos 40).")
                 .arg(application)
                 .arg(dtsDatoProv->fieldCount()));
    for (const auto &binding : bindings_) {
        if (dtsDatoProv->fieldIndex(binding.second) < 0)
            fail(QStringLiteral("La tabla %1 no tiene el campo %2.").arg(application, binding.second));
    }
    // 8. The programme type.
    restoreProgrammeType();
    // 9. A new application, or the stored one opened for editing.
    Nuevo();
    loaded_ = true;
}

void Form1::recomputeTotals()
{
    TotalPersonal->setText(plainNumber(numericValue(NoEmpleados->text()) + numericValue(NoObreros->text())));
    TotalVentas->setText(plainNumber(numericValue(VentasPais->text()) + numericValue(VentasExterior->text())));
}

void Form1::tabChanged(int index)
{
    recomputeTotals();
    if (index == 2)
        restoreProgrammeType();
}

void Form1::closeEvent(QCloseEvent *event)
{
    // A cell being edited in a grid goes to its table before anything else.
    if (QWidget *focused = QApplication::focusWidget()) {
        for (QAbstractItemView *grid : std::initializer_list<QAbstractItemView *>{
                 dbProductos.made(), dbgVTotales.made(), dbVentasTot.made()}) {
            if (grid && grid->isAncestorOf(focused))
                focused->clearFocus();
        }
    }
    if (!loaded_) {
        event->accept();
        return;
    }
    try {
        switch (dtsDatoProv->editMode()) {
        case DataSource::EditInProgress: {
            const platform::MessageRequest question{QStringLiteral("Salvar los datos antes de salir?"),
                                                    QStringLiteral("ATENCION"), platform::MsgButtons::YesNoCancel,
                                                    platform::MsgIcon::None, platform::MsgAnswer::Yes};
            switch (platform::showMessage(this, question)) {
            case platform::MsgAnswer::Yes:
                dtsDatoProv->updateRecord();
                break;
            case platform::MsgAnswer::No:
                dtsDatoProv->cancelUpdate();
                break;
            default:
                event->ignore();
                return;
            }
            break;
        }
        case DataSource::EditAdd:
            // Written when something was typed into it, dropped when untouched.
            dtsDatoProv->closePendingAddition();
            break;
        default:
            break;
        }
    } catch (const DataError &e) {
        // Nothing typed is dropped silently: the clerk decides.
        platform::MessageRequest failed;
        failed.text = QStringLiteral("No se pudieron guardar los datos:\r%1\r\r¿Salir sin guardarlos?")
                          .arg(e.description());
        failed.buttons = platform::MsgButtons::YesNo;
        failed.icon = platform::MsgIcon::Critical;
        failed.defaultAnswer = platform::MsgAnswer::No;
        if (platform::showMessage(this, failed) != platform::MsgAnswer::Yes) {
            event->ignore();
            return;
        }
        try {
            dtsDatoProv->cancelUpdate();
        } catch (const DataError &) {
        }
    }
    event->accept();
}

} // namespace korim::questionnaire

// The catalogue lists' model: a list on it must behave as on the list's own
// model filled the way start-up used to (emptied, then all entries at once),
// since the handlers and busca see only the list.

#include "questionnaire/cataloguelist.h"

#include <QComboBox>
#include <QCompleter>
#include <QSignalSpy>
#include <QStandardItemModel>
#include <QTest>

using korim::questionnaire::CatalogueList;

namespace {

using Entries = QList<std::pair<QString, qlonglong>>;

void fill(CatalogueList *model, const Entries &entries)
{
    korim::application::Catalogue list;
    for (const auto &[text, key] : entries)
        list.append({text, key});
    model->setEntries(list);
}

void fill(QStandardItemModel *model, const Entries &entries)
{
    QList<QStandardItem *> items;
    for (const auto &[text, key] : entries) {
        auto *item = new QStandardItem(text);
        item->setData(key, Qt::UserRole);
        items.append(item);
    }
    model->clear();
    model->invisibleRootItem()->appendRows(items);
}

const Entries kBanks = {{QStringLiteral("BANCA CUMBRE AZUL"), 3},
                        {QStringLiteral("BANCO DEL VALLE"), 9},
                        {QStringLiteral("BANCO DEL VALLE NORTE"), 12},
                        {QStringLiteral("BANCA INDUSTRIAL ZENTORIANA"), 104}};

} // namespace

class CatalogueListTest : public QObject {
    Q_OBJECT

private slots:
    void listsShowTheSameAsOnTheirOwnModel()
    {
        QComboBox ours;
        QComboBox own;
        ours.setModel(new CatalogueList(&ours));
        QSignalSpy oursChanged(&ours, &QComboBox::currentIndexChanged);
        QSignalSpy ownChanged(&own, &QComboBox::currentIndexChanged);
        auto sameAsOwn = [&] {
            QCOMPARE(ours.count(), own.count());
            QCOMPARE(ours.currentIndex(), own.currentIndex());
            QCOMPARE(ours.currentText(), own.currentText());
            for (int i = 0; i < own.count(); ++i) {
                QCOMPARE(ours.itemText(i), own.itemText(i));
                QCOMPARE(ours.itemData(i), own.itemData(i));
                QCOMPARE(ours.findData(own.itemData(i)), i);
            }
            QCOMPARE(oursChanged.count(), ownChanged.count());
        };
        // First fill, a refill after the clerk moved, and an empty one.
        fill(qobject_cast<CatalogueList *>(ours.model()), kBanks);
        fill(qobject_cast<QStandardItemModel *>(own.model()), kBanks);
        sameAsOwn();
        QCOMPARE(ours.currentIndex(), 0);
        QCOMPARE(ours.itemData(3).toLongLong(), 104LL);
        ours.setCurrentIndex(2);
        own.setCurrentIndex(2);
        fill(qobject_cast<CatalogueList *>(ours.model()), kBanks.mid(1, 2));
        fill(qobject_cast<QStandardItemModel *>(own.model()), kBanks.mid(1, 2));
        sameAsOwn();
        fill(qobject_cast<CatalogueList *>(ours.model()), {});
        fill(qobject_cast<QStandardItemModel *>(own.model()), {});
        sameAsOwn();
        QCOMPARE(ours.currentIndex(), -1);
    }

    void typedTextCompletesAsOnTheOwnModel()
    {
        // The bank list is editable: what the clerk types completes from
        // the entries.
        QStandardItemModel reference;
        fill(&reference, kBanks);
        QComboBox ours;
        QComboBox own;
        auto *model = new CatalogueList(&ours);
        fill(model, kBanks);
        for (QComboBox *list : {&ours, &own}) {
            list->setEditable(true);
            list->setInsertPolicy(QComboBox::NoInsert);
        }
        ours.setModel(model);
        own.setModel(&reference);
        for (const char *typed : {"banco d", "BANCA I", "zz", "banco del valle n", ""}) {
            for (QComboBox *list : {&ours, &own})
                list->completer()->setCompletionPrefix(QLatin1String(typed));
            QCOMPARE(ours.completer()->completionCount(), own.completer()->completionCount());
            QCOMPARE(ours.completer()->currentCompletion(), own.completer()->currentCompletion());
        }
        ours.completer()->setCompletionPrefix(QStringLiteral("banco del valle n"));
        QCOMPARE(ours.completer()->completionCount(), 1);
        QCOMPARE(ours.completer()->currentCompletion(), QStringLiteral("BANCO DEL VALLE NORTE"));
    }
};

QTEST_MAIN(CatalogueListTest)
#include "tst_cataloguelist.moc"

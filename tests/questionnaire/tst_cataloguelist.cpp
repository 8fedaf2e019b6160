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
    // Plain lists and the editable bank list, whose typed text completes
    // from the entries.
    void listsBehaveAsOnTheirOwnModel_data()
    {
        QTest::addColumn<bool>("editable");
        QTest::newRow("plain") << false;
        QTest::newRow("editable") << true;
    }
    void listsBehaveAsOnTheirOwnModel()
    {
        QFETCH(bool, editable);
        QComboBox ours;
        QComboBox own;
        auto *model = new CatalogueList(&ours);
        auto *reference = new QStandardItemModel(&own);
        for (QComboBox *list : {&ours, &own}) {
            list->setEditable(editable);
            list->setInsertPolicy(QComboBox::NoInsert);
        }
        ours.setModel(model);
        own.setModel(reference);
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
            if (!editable)
                return;
            for (const char *typed : {"banco d", "BANCA I", "zz", "banco del valle n", ""}) {
                for (QComboBox *list : {&ours, &own})
                    list->completer()->setCompletionPrefix(QLatin1String(typed));
                QCOMPARE(ours.completer()->completionCount(), own.completer()->completionCount());
                QCOMPARE(ours.completer()->currentCompletion(), own.completer()->currentCompletion());
            }
        };
        auto fillBoth = [&](const Entries &entries) {
            fill(model, entries);
            fill(reference, entries);
            sameAsOwn();
        };
        // First fill, a refill after the clerk moved, and an empty one.
        fillBoth(kBanks);
        QCOMPARE(ours.currentIndex(), 0);
        QCOMPARE(ours.itemData(3).toLongLong(), 104LL);
        ours.setCurrentIndex(2);
        own.setCurrentIndex(2);
        fillBoth(kBanks.mid(1, 2));
        fillBoth({});
        QCOMPARE(ours.currentIndex(), -1);
    }
};

QTEST_MAIN(CatalogueListTest)
#include "tst_cataloguelist.moc"

// Drive A: among the media the clerk plugs in (real mounts standing in for
// the desktop's media folder), the list the clerk picks one from, the
// question's second line in smaller type.

#include "support/mounts.h"

#include "platform/messages.h"
#include "platform/places.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QListView>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

using namespace korim::platform;
using korim::test::Mount;

namespace {

// Runs act on the modal dialog once it is up; a watchdog rejects it if
// act did not, so no test can hang.
template <class Dialog>
void whenShown(const std::function<void(Dialog *)> &act)
{
    QTimer::singleShot(0, [act] {
        if (auto *d = qobject_cast<Dialog *>(QApplication::activeModalWidget()))
            act(d);
    });
    QTimer::singleShot(5000, [] {
        if (auto *d = qobject_cast<QDialog *>(QApplication::activeModalWidget()))
            d->reject();
    });
}

} // namespace

class MediaTest : public QObject {
    Q_OBJECT

private slots:
    void mediaUnderTheUsersFolder()
    {
        QTemporaryDir dir;
        const QString user = dir.path() + QStringLiteral("/media/ana");
        const QString other = dir.path() + QStringLiteral("/mnt/copia");
        for (const QString &p : {user + QStringLiteral("/USB2"), user + QStringLiteral("/USB1"), other})
            QVERIFY(QDir().mkpath(p));
        std::vector<Mount> mounts;
        mounts.push_back(Mount::tmpfs(user + QStringLiteral("/USB2"), 2 << 20));
        if (!mounts.back().active())
            QSKIP(qPrintable(mounts.back().why()));
        mounts.push_back(Mount::tmpfs(other, 1 << 20)); // mounted, but not the user's media
        const QByteArray home = qgetenv("HOME");
        qputenv("HOME", QFile::encodeName(dir.path()));
        qunsetenv("KORIM_DRIVE_A");

        int asked = 0;
        const MediumChooser chooser = [&asked](const QList<Medium> &) {
            ++asked;
            return 0;
        };
        // One medium: it is A:, nobody is asked.
        auto place = locateDriveA(chooser, {user});
        QVERIFY(place && place->medium);
        QCOMPARE(place->path, user + QStringLiteral("/USB2"));
        QCOMPARE(place->medium->fileSystem, QStringLiteral("tmpfs"));
        QCOMPARE(place->medium->name, QStringLiteral("tmpfs"));
        QCOMPARE(place->medium->bytesFree, qint64(2 << 20));
        QCOMPARE(asked, 0);

        // Two: the clerk picks, from the list in the order of their places.
        mounts.push_back(Mount::tmpfs(user + QStringLiteral("/USB1"), 1 << 20));
        QList<Medium> offered;
        place = locateDriveA(
            [&offered](const QList<Medium> &media) {
                offered = media;
                return 1;
            },
            {user});
        QCOMPARE(offered.size(), 2);
        QCOMPARE(offered.at(0).root, user + QStringLiteral("/USB1"));
        QVERIFY(place);
        QCOMPARE(place->path, user + QStringLiteral("/USB2"));
        // Choosing none leaves no place at all; the folder is not taken instead.
        QVERIFY(!locateDriveA([](const QList<Medium> &) { return -1; }, {user}));

        // $KORIM_DRIVE_A before any medium.
        qputenv("KORIM_DRIVE_A", "/srv/disco");
        place = locateDriveA(chooser, {user});
        QVERIFY(place && !place->medium);
        QCOMPARE(place->path, QStringLiteral("/srv/disco"));
        qunsetenv("KORIM_DRIVE_A");

        // No medium: the folder in the home directory.
        mounts.clear();
        place = locateDriveA(chooser, {user});
        QVERIFY(place && !place->medium);
        QCOMPARE(place->path, dir.path() + QStringLiteral("/KORIM-A"));
        QCOMPARE(asked, 0);
        qputenv("HOME", home);
    }

    void theClerkPicksFromAList()
    {
        const ChoiceRequest request{QStringLiteral("Elija el medio que hará de unidad A:"), {},
                                    {QStringLiteral("USB1 (/media/ana/USB1)"), QStringLiteral("USB2 (/media/ana/USB2)")}};
        QString title, label;
        QStringList items;
        whenShown<QInputDialog>([&](QInputDialog *d) {
            title = d->windowTitle();
            label = d->labelText();
            items = d->comboBoxItems();
            QVERIFY(d->findChild<QListView *>()); // a list, not a drop-down
            d->setTextValue(items.at(1));
            d->accept();
        });
        QCOMPARE(chooseFromList(nullptr, request), 1);
        QCOMPARE(title, QStringLiteral("KORIM"));
        QCOMPARE(label, request.text);
        QCOMPARE(items, request.items);

        whenShown<QInputDialog>([](QInputDialog *d) { d->reject(); });
        QCOMPARE(chooseFromList(nullptr, request), -1);

        // Tests answer it without a dialog.
        ChoiceRequest seen;
        setChoiceAnswerer([&seen](const ChoiceRequest &r) {
            seen = r;
            return 0;
        });
        QCOMPARE(chooseFromList(nullptr, request), 0);
        QCOMPARE(seen.title, QStringLiteral("KORIM"));
        setChoiceAnswerer({});
    }

    void secondLineInSmallerType()
    {
        MessageRequest r;
        r.text = QStringLiteral("Asegúrese de que el disco esté en la unidad A:");
        r.title = QStringLiteral("Grabar Disco");
        r.buttons = MsgButtons::OkCancel;
        r.detail = QStringLiteral("A: es el medio «USB1» (vfat) en /media/ana/USB1; libre: 1.4 MB.");
        QString text, informative;
        qreal textSize = 0, detailSize = 0;
        whenShown<QMessageBox>([&](QMessageBox *box) {
            text = box->text();
            informative = box->informativeText();
            textSize = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_label"))->font().pointSizeF();
            detailSize = box->findChild<QLabel *>(QStringLiteral("qt_msgbox_informativelabel"))->font().pointSizeF();
            box->button(QMessageBox::Ok)->click();
        });
        QCOMPARE(showMessage(nullptr, r), MsgAnswer::Ok);
        QCOMPARE(text, r.text);
        QCOMPARE(informative, r.detail);
        QVERIFY2(detailSize < textSize, qPrintable(QStringLiteral("%1 %2").arg(detailSize).arg(textSize)));
    }
};

QTEST_MAIN(MediaTest)
#include "tst_media.moc"

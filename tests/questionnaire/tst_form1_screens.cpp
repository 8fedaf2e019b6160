// What the window looks like: nothing clipped or overlapping on any tab, at
// every scale and without the face on the machine; the toolbar pictures
// drawn crisp at 100 % to 200 %; the screenshots of every tab as documented
// (written to $KORIM_SCREENSHOT_DIR when it is set).

#include "questionnaire/support/formtest.h"
#include "support/testsupport.h"

#include "data/datasource.h"
#include "data/dbf.h"
#include "questionnaire/form1.h"
#include "questionnaire/tabcontrol.h"

#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QFontDatabase>
#include <QFontInfo>
#include <QProcess>
#include <QGroupBox>
#include <QHeaderView>
#include <QScrollBar>
#include <QImage>
#include <QLabel>
#include <QRadioButton>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace korim::test;
using korim::questionnaire::Form1;
using korim::questionnaire::TabControl;

class ScreensTest : public QObject {
    Q_OBJECT

private:
    // A filled-in application over the shipped catalogues, or the test ones.
    static std::unique_ptr<Form1> filledForm(QTemporaryDir &dir)
    {
        FolderSpec spec;
        QVariantMap app = sampleApplication();
        app.insert(QStringLiteral("APEMAT"), QString());
        app.insert(QStringLiteral("CIUDAD"), QStringLiteral("PUERTO ALEGRE"));
        app.insert(QStringLiteral("DELMUN"), QStringLiteral("SAN MARCOS"));
        app.insert(QStringLiteral("TELEFONO"), QStringLiteral("5551234567"));
        app.insert(QStringLiteral("FAX"), QStringLiteral("5551234568"));
        app.insert(QStringLiteral("APEPREPLEG"), QStringLiteral("RAMOS"));
        app.insert(QStringLiteral("APEMREPLEG"), QStringLiteral("LUNA"));
        app.insert(QStringLiteral("NOMBREREPL"), QStringLiteral("ELENA"));
        app.insert(QStringLiteral("TEL_REPREG"), QStringLiteral("5557654321"));
        app.insert(QStringLiteral("EMAILREPL"), QStringLiteral("elena.ramos@sur.com"));
        app.insert(QStringLiteral("NUMCUENTA"), QStringLiteral("0123456789"));
        app.insert(QStringLiteral("LOCALIDAD"), QStringLiteral("PUERTO ALEGRE"));
        app.insert(QStringLiteral("DOMBANCO"), QStringLiteral("AV. DEL PUERTO 45"));
        const QString shipped = shippedDataFolder();
        const bool useShipped = !shipped.isEmpty() && QFile::exists(shipped + QStringLiteral("/activida.dbf"));
        if (useShipped) {
            // Choices that exist in the shipped catalogues.
            auto keyAt = [&](const QString &file, int row, int field) {
                return korim::data::DbfTable::open(shipped + QLatin1Char('/') + file)->value(row, field);
            };
            app.insert(QStringLiteral("ACTIVIDAD"), keyAt(QStringLiteral("activida.dbf"), 40, 3));
            app.insert(QStringLiteral("ADMLOCAL"), keyAt(QStringLiteral("admlocal.dbf"), 2, 0));
            app.insert(QStringLiteral("CVEBANCO"), keyAt(QStringLiteral("catbanco.dbf"), 1, 0));
        }
        spec.application = app;
        spec.products = {QStringLiteral("MUEBLES DE PINO PARA COMEDOR"), QStringLiteral("SILLAS TAPIZADAS"),
                         QStringLiteral("MESAS DE CENTRO")};
        QString folder = makeDataFolder(dir.path(), spec);
        if (useShipped) {
            // The shipped catalogues look like the real thing.
            for (const QString &name : {QStringLiteral("activida.dbf"), QStringLiteral("admlocal.dbf"),
                                        QStringLiteral("catbanco.dbf")}) {
                QFile::remove(tablePath(folder, name));
                QFile::copy(shipped + QLatin1Char('/') + name, tablePath(folder, name));
                QFile::setPermissions(tablePath(folder, name), QFile::ReadOwner | QFile::WriteOwner);
            }
        }
        auto form = openForm(folder, QDate(2005, 6, 15));
        // As after a valid RFC: the fields are open for typing.
        form->Habilita(true);
        // Some sales figures in the grids, typed in a clerk's order: sales and
        // rate, then exports; the cursor's visits keep the derived columns.
        QAbstractItemModel *totals = form->control<QTableView>(u"dbgVTotales")->model();
        const double figures[3][4] = {{2000, 10, 50, 30}, {2400, 10.5, 60, 35}, {2600, 0, 0, 0}};
        for (int r = 0; r < 3; ++r) {
            totals->setData(totals->index(r, 2), QString::number(figures[r][0]));
            if (r == 0 || figures[r][1] != 0)
                totals->setData(totals->index(r, 3), QString::number(figures[r][1]));
            totals->setData(totals->index(r, 6), QString::number(figures[r][3]));
            form->control<QTableView>(u"dbgVTotales")->setCurrentIndex(totals->index(r, 2));
            totals->setData(totals->index(r, 5), QString::number(figures[r][2]));
            form->control<QTableView>(u"dbgVTotales")->setCurrentIndex(totals->index(r, 6));
        }
        QAbstractItemModel *indirect = form->control<QTableView>(u"dbVentasTot")->model();
        for (int r = 0; r < 3; ++r) {
            indirect->setData(indirect->index(r, 2), QString::number(100 * (r + 1)));
            indirect->setData(indirect->index(r, 3), QString::number(200 * (r + 1)));
            indirect->setData(indirect->index(r, 4), QString::number(300 * (r + 1)));
            form->control<QTableView>(u"dbVentasTot")->setCurrentIndex(indirect->index(r, 2));
            form->control<QTableView>(u"dbVentasTot")->setCurrentIndex(indirect->index(r, 4));
        }
        form->control<QTableView>(u"dbgVTotales")->setCurrentIndex(totals->index(0, 2));
        form->control<QTableView>(u"dbVentasTot")->setCurrentIndex(indirect->index(0, 2));
        return form;
    }

    // Every visible child of parent lies inside it, no two visible siblings
    // overlap, and no text is cut.
    static void checkTidy(QWidget *parent, QStringList &faults)
    {
        QList<QWidget *> shown;
        for (QObject *o : parent->children()) {
            auto *w = qobject_cast<QWidget *>(o);
            if (!w || w->isWindow() || w->isHidden())
                continue;
            shown.append(w);
        }
        for (QWidget *w : shown) {
            const QString name = w->objectName().isEmpty() ? QString::fromLatin1(w->metaObject()->className())
                                                           : w->objectName();
            if (!parent->rect().contains(w->geometry()) && parent->objectName() != QLatin1String("SSTab1"))
                faults << QStringLiteral("%1 sticks out of %2").arg(name, parent->objectName());
            if (auto *label = qobject_cast<QLabel *>(w)) {
                if (label->sizeHint().width() > label->width() + 1)
                    faults << QStringLiteral("label %1 cut (%2 > %3)").arg(name).arg(label->sizeHint().width()).arg(label->width());
            }
            if (auto *box = qobject_cast<QGroupBox *>(w)) {
                if (box->fontMetrics().horizontalAdvance(box->title()) + 16 > box->width())
                    faults << QStringLiteral("frame title %1 cut").arg(name);
            }
            if (qobject_cast<QRadioButton *>(w) || qobject_cast<QPushButton *>(w)) {
                if (w->sizeHint().width() > w->width())
                    faults << QStringLiteral("%1 cut").arg(name);
            }
        }
        for (int i = 0; i < shown.size(); ++i) {
            for (int j = i + 1; j < shown.size(); ++j) {
                QWidget *a = shown[i];
                QWidget *b = shown[j];
                // A required mark sits right after its own label.
                if (a->objectName() + QStringLiteral("Mark") == b->objectName()
                    || b->objectName() + QStringLiteral("Mark") == a->objectName())
                    continue;
                if (a->geometry().intersects(b->geometry()))
                    faults << QStringLiteral("%1 overlaps %2").arg(a->objectName(), b->objectName());
            }
        }
        for (QWidget *w : shown) {
            if (qobject_cast<QGroupBox *>(w) || w->objectName().startsWith(QLatin1String("SSTab1_page")))
                checkTidy(w, faults);
        }
    }

private slots:
    void initTestCase()
    {
        // A child run for a machine without the face must really lack it.
        if (qEnvironmentVariableIsSet("KORIM_SCREENS_NO_FACE"))
            QVERIFY(!QFontDatabase::families().contains(QStringLiteral("DejaVu Sans")));
    }

    void everyTabIsTidy()
    {
        QTemporaryDir dir;
        MessageRecorder boxes;
        auto form = filledForm(dir);
        // The window draws in the face it was laid out for, shipped or not.
        QCOMPARE(QFontInfo(form->font()).family(), QStringLiteral("DejaVu Sans"));
        QStringList faults;
        checkTidy(form.get(), faults);
        for (int t = 0; t < form->control<TabControl>(u"SSTab1")->count(); ++t) {
            form->control<TabControl>(u"SSTab1")->setCurrentIndex(t);
            QWidget *page = form->control<TabControl>(u"SSTab1")->widget(t);
            QCoreApplication::processEvents();
            checkTidy(page, faults);
            // Tab captions fit their tabs (they wrap onto at most three lines).
            const QRect tab = form->control<TabControl>(u"SSTab1")->tabBar()->tabRect(t);
            const QRect text = form->control<TabControl>(u"SSTab1")->tabBar()->fontMetrics().boundingRect(
                    tab.adjusted(4, 4, -4, -4), Qt::AlignCenter | Qt::TextWordWrap,
                    form->control<TabControl>(u"SSTab1")->tabText(t));
            if (text.height() > tab.height() - 4 || text.width() > tab.width())
                faults << QStringLiteral("tab caption %1 cut").arg(t);
            for (QTableView *grid : page->findChildren<QTableView *>()) {
                if (grid->horizontalScrollBar()->isVisible())
                    faults << QStringLiteral("%1 scrolls sideways").arg(grid->objectName());
            }
            if (!form->control<TabControl>(u"SSTab1")->rect().contains(
                        form->control<TabControl>(u"SSTab1")->tabBar()->geometry()))
                faults << QStringLiteral("tab bar wider than the tab control");
        }
        // Grid captions fit their columns on their header lines.
        for (QTableView *grid : {form->control<QTableView>(u"dbProductos"), form->control<QTableView>(u"dbgVTotales"),
                                 form->control<QTableView>(u"dbVentasTot")}) {
            QHeaderView *header = grid->horizontalHeader();
            for (int c = 0; c < header->count(); ++c) {
                if (header->isSectionHidden(c))
                    continue;
                const QString text = grid->model()->headerData(c, Qt::Horizontal).toString();
                const QRect needed = header->fontMetrics().boundingRect(QRect(0, 0, 10000, 10000), 0, text);
                if (needed.width() + 6 > header->sectionSize(c) || needed.height() + 4 > header->height())
                    faults << QStringLiteral("%1 column %2 caption cut").arg(grid->objectName()).arg(c);
            }
            // Figures and years are not cut either.
            for (int r = 0; r < grid->model()->rowCount(); ++r) {
                for (int c = 0; c < grid->model()->columnCount(); ++c) {
                    const QModelIndex cell = grid->model()->index(r, c);
                    if (grid->isColumnHidden(c) || cell.data(Qt::TextAlignmentRole).toInt() & Qt::AlignLeft)
                        continue;
                    if (grid->fontMetrics().horizontalAdvance(cell.data().toString()) + 8 > grid->columnWidth(c))
                        faults << QStringLiteral("%1 cell %2,%3 cut").arg(grid->objectName()).arg(r).arg(c);
                }
            }
        }
        QVERIFY2(faults.isEmpty(), qPrintable(faults.join(QLatin1Char('\n'))));
    }

    // The fixed places hold at the scales a clerk may set and on a machine
    // without the window's face: each case runs the tidiness check above in
    // a child process under that scale and those fonts.
    void tidyAtEveryScaleAndFace_data()
    {
        QTest::addColumn<QString>("scale");
        QTest::addColumn<bool>("withoutFace");
        for (const char *scale : {"1", "1.25", "1.5", "2"})
            QTest::newRow(scale) << QString::fromLatin1(scale) << false;
        QTest::newRow("no DejaVu Sans, 1") << QStringLiteral("1") << true;
        QTest::newRow("no DejaVu Sans, 1.5") << QStringLiteral("1.5") << true;
    }

    void tidyAtEveryScaleAndFace()
    {
        if (qEnvironmentVariableIsSet("KORIM_SCREENS_CHILD"))
            QSKIP("runs in the parent only");
        QFETCH(QString, scale);
        QFETCH(bool, withoutFace);
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("KORIM_SCREENS_CHILD"), QStringLiteral("1"));
        env.insert(QStringLiteral("QT_SCALE_FACTOR"), scale);
        QTemporaryDir fonts;
        if (withoutFace) {
            // Every font of the machine but the DejaVu Sans family.
            QDir dir(fonts.path());
            QVERIFY(dir.mkpath(QStringLiteral("files")));
            QDirIterator it(QStringLiteral("/usr/share/fonts"), QDir::Files, QDirIterator::Subdirectories);
            while (it.hasNext()) {
                const QFileInfo file(it.next());
                if (file.fileName().startsWith(QLatin1String("DejaVuSans"))
                    && !file.fileName().startsWith(QLatin1String("DejaVuSansMono")))
                    continue;
                QFile::link(file.filePath(), dir.filePath(QStringLiteral("files/") + file.fileName()));
            }
            QFile conf(dir.filePath(QStringLiteral("fonts.conf")));
            QVERIFY(conf.open(QIODevice::WriteOnly));
            conf.write(QStringLiteral("<?xml version=\"1.0\"?>\n<!DOCTYPE fontconfig SYSTEM \"fonts.dtd\">\n"
                                      "<fontconfig><dir>%1/files</dir><cachedir>%1/cache</cachedir>"
                                      "<include ignore_missing=\"yes\">/etc/fonts/conf.d</include></fontconfig>\n")
                           .arg(fonts.path())
                           .toUtf8());
            conf.close();
            env.insert(QStringLiteral("FONTCONFIG_FILE"), conf.fileName());
            env.insert(QStringLiteral("KORIM_SCREENS_NO_FACE"), QStringLiteral("1"));
        }
        QProcess child;
        child.setProcessEnvironment(env);
        child.setProcessChannelMode(QProcess::MergedChannels);
        child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("everyTabIsTidy")});
        QVERIFY(child.waitForFinished(240000));
        QVERIFY2(child.exitStatus() == QProcess::NormalExit && child.exitCode() == 0,
                 child.readAll().constData());
    }

    void toolbarPicturesAreDrawn()
    {
        QTemporaryDir dir;
        auto form = openForm(makeDataFolder(dir.path()));
        for (int index : {0, 1, 2, 4, 5, 6, 7, 8, 9}) {
            const QIcon icon =
                    form->control<QToolButton>(QStringLiteral("Command1_%1").arg(std::size_t(index)))->icon();
            for (qreal scale : {1.0, 1.25, 1.5, 2.0}) {
                const QPixmap pixmap = icon.pixmap(QSize(20, 20), scale);
                QVERIFY2(!pixmap.isNull(), qPrintable(QStringLiteral("button %1 has no picture").arg(index)));
                const QImage image = pixmap.toImage();
                const int side = qRound(20 * scale);
                QCOMPARE(image.width(), side);
                // Crisp: drawn at the screen's pixels, not a 20-pixel picture stretched.
                const QImage direct = icon.pixmap(QSize(side, side), 1.0).toImage();
                QVERIFY2(image.convertToFormat(QImage::Format_ARGB32) == direct.convertToFormat(QImage::Format_ARGB32),
                         qPrintable(QStringLiteral("button %1 at %2x is not drawn at its size").arg(index).arg(scale)));
                int painted = 0;
                for (int y = 0; y < image.height(); ++y) {
                    for (int x = 0; x < image.width(); ++x)
                        painted += qAlpha(image.pixel(x, y)) > 0 ? 1 : 0;
                }
                // A real picture covers a good part of its square.
                QVERIFY2(painted > image.width() * image.height() / 5,
                         qPrintable(QStringLiteral("button %1 at %2x is nearly empty").arg(index).arg(scale)));
            }
        }
    }

    void screenshots()
    {
        const QString out = qEnvironmentVariable("KORIM_SCREENSHOT_DIR");
        QTemporaryDir dir;
        MessageRecorder boxes;
        auto form = filledForm(dir);
        // The sample RFC's check digit disagrees, so the window opens with its
        // note; the documented tabs are shown without it (the RFC tests show
        // the note, and the tidiness check above measures it).
        QLabel *note = form->control<QLabel>(u"lblAvisoRFC");
        QVERIFY(note && note->isVisible());
        note->hide();
        for (int t = 0; t < form->control<TabControl>(u"SSTab1")->count(); ++t) {
            form->control<TabControl>(u"SSTab1")->setCurrentIndex(t);
            QCoreApplication::processEvents();
            const QImage shot = form->grab().toImage();
            QCOMPARE(shot.size(), form->size() * shot.devicePixelRatio());
            // At the default scale the window looks exactly as documented.
            const QString documented = qEnvironmentVariable("KORIM_SOURCE_DIR")
                                       + QStringLiteral("/docs/screenshots/tab%1.png").arg(t);
            if (shot.devicePixelRatio() == 1.0 && QFile::exists(documented)) {
                const QImage expected = QImage(documented).convertToFormat(QImage::Format_RGB32);
                const QImage actual = shot.convertToFormat(QImage::Format_RGB32);
                QCOMPARE(actual.size(), expected.size());
                int differing = 0;
                for (int y = 0; y < actual.height(); ++y) {
                    for (int x = 0; x < actual.width(); ++x)
                        differing += actual.pixel(x, y) != expected.pixel(x, y) ? 1 : 0;
                }
                QVERIFY2(differing == 0, qPrintable(QStringLiteral("tab %1: %2 pixels differ from %3")
                                                        .arg(t).arg(differing).arg(documented)));
            }
            if (!out.isEmpty()) {
                QDir().mkpath(out);
                QVERIFY(shot.save(QDir(out).filePath(QStringLiteral("tab%1.png").arg(t))));
            }
        }
        if (out.isEmpty())
            QSKIP("set KORIM_SCREENSHOT_DIR to write the screenshots");
    }
};

QTEST_MAIN(ScreensTest)
#include "tst_form1_screens.moc"

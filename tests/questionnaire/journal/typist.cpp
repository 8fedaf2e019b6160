// A clerk for the kill test: opens the real window on a data folder, answers
// "Sí" to the recovery question, writes what the window then shows, and
// types real key events into fields, a list and a grid cell, logging each
// key with the monotonic clock before it is sent, until it is ended.
//
//   typist FOLDER LOG STATE SEED [commit-after-N]

#include "application/solicitud.h"
#include "platform/messages.h"
#include "platform/translations.h"
#include "questionnaire/form1.h"
#include "questionnaire/tabcontrol.h"
#include "sessionend.h"

#include <QApplication>
#include <QComboBox>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QRandomGenerator>
#include <QSessionManager>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <fcntl.h>
#include <time.h>
#include <unistd.h>

using korim::questionnaire::Form1;

namespace {

struct Field {
    const char *name;
    int tab;
};
const Field kFields[] = {{"txtCalle", 0}, {"txtColonia", 0}, {"txtCiudad", 0}, {"txtApePatR2", 1}};
const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";

qint64 monotonicNs()
{
    timespec ts{};
    ::clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

int logFd = -1;
void logLine(const QByteArray &line)
{
    const QByteArray l = QByteArray::number(monotonicNs()) + ' ' + line + '\n';
    [[maybe_unused]] const ssize_t n = ::write(logFd, l.constData(), size_t(l.size()));
}

QJsonObject tableDigests(const QString &folder)
{
    QJsonObject digests;
    for (const QFileInfo &f : QDir(folder).entryInfoList({QStringLiteral("*.dbf"), QStringLiteral("*.DBF")}, QDir::Files)) {
        QFile file(f.filePath());
        file.open(QIODevice::ReadOnly);
        digests.insert(f.fileName(), QString::fromLatin1(QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256).toHex()));
    }
    return digests;
}

// What the window shows now of the typed controls.
QJsonObject shown(Form1 &w, bool recovered, const QStringList &questions)
{
    QJsonObject fields;
    for (const Field &f : kFields)
        fields.insert(QLatin1String(f.name), w.control<QLineEdit>(QString::fromLatin1(f.name))->text());
    QJsonObject state{{QStringLiteral("fields"), fields},
                      {QStringLiteral("combo5"), w.control<QComboBox>(u"Combo5")->currentIndex()},
                      {QStringLiteral("recovered"), recovered},
                      {QStringLiteral("questions"), QJsonArray::fromStringList(questions)},
                      {QStringLiteral("tables"), tableDigests(w.dataFolder())},
                      {QStringLiteral("unlocked"), w.control<QLineEdit>(u"txtCalle")->isEnabled()}};
    auto *grid = w.control<QTableView>(u"dbVentasTot");
    if (auto *editor = qobject_cast<QLineEdit *>(grid->indexWidget(grid->currentIndex())))
        state.insert(QStringLiteral("cell"), QJsonObject{{QStringLiteral("r"), grid->currentIndex().row()},
                                                        {QStringLiteral("c"), grid->currentIndex().column()},
                                                        {QStringLiteral("t"), editor->text()}});
    return state;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 5)
        return 2;
    const QString folder = QString::fromLocal8Bit(argv[1]);
    logFd = ::open(argv[2], O_WRONLY | O_CREAT | O_TRUNC | O_APPEND | O_CLOEXEC, 0600);
    const QString statePath = QString::fromLocal8Bit(argv[3]);
    QRandomGenerator rng(QByteArray(argv[4]).toUInt());
    const int commitAfter = argc > 5 ? QByteArray(argv[5]).toInt() : -1;
    korim::platform::installSpanishTranslations(app);

    QStringList questions;
    korim::platform::setMessageAnswerer([&](const korim::platform::MessageRequest &r) {
        questions << r.text;
        return r.buttons == korim::platform::MsgButtons::YesNo ? korim::platform::MsgAnswer::Yes
                                                               : korim::platform::MsgAnswer::Ok;
    });

    Form1 w(folder);
    w.load();
    korim::app::onSessionEnd(&w, [&w] { w.endSession(); });
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        return 3;
    const bool recovered = w.offerRecovery();
    {
        QFile state(statePath);
        state.open(QIODevice::WriteOnly);
        state.write(QJsonDocument(shown(w, recovered, questions)).toJson(QJsonDocument::Compact));
    }
    if (!w.control<QLineEdit>(u"txtCalle")->isEnabled())
        w.Command1_Click(6); // "Editar Datos"
    logLine("ready");

    auto *tabs = w.control<korim::questionnaire::TabControl>(u"SSTab1");
    auto *grid = w.control<QTableView>(u"dbVentasTot");
    auto *offices = w.control<QComboBox>(u"Combo5");
    // The segment being typed: a field, the list or a grid cell, and how
    // many keys are left of it.
    int target = -1, left = 0, sent = 0, gridRow = 0;
    QTimer keys;
    QObject::connect(&keys, &QTimer::timeout, &w, [&] {
        if (left == 0) {
            target = int(rng.bounded(6)); // 0-3 fields, 4 the list, 5 a grid cell
            left = 3 + int(rng.bounded(25));
            if (target < 4) {
                tabs->setCurrentIndex(kFields[target].tab);
                auto *edit = w.control<QLineEdit>(QString::fromLatin1(kFields[target].name));
                edit->setFocus(Qt::OtherFocusReason);
                edit->end(false);
                logLine("focus f " + QByteArray(kFields[target].name));
            } else if (target == 4) {
                tabs->setCurrentIndex(0);
                offices->setFocus(Qt::OtherFocusReason);
                logLine("focus l Combo5");
            } else {
                tabs->setCurrentIndex(5);
                grid->setFocus(Qt::OtherFocusReason);
                gridRow = (gridRow + 1) % 3;
                const int column = 2 + int(rng.bounded(3));
                grid->setCurrentIndex(grid->model()->index(gridRow, column));
                left = std::min(left, 6); // the column's width
                logLine("focus c " + QByteArray::number(gridRow) + ' ' + QByteArray::number(column));
            }
            QCoreApplication::processEvents();
            return;
        }
        --left;
        if (target < 4) {
            auto *edit = w.control<QLineEdit>(QString::fromLatin1(kFields[target].name));
            if (edit->text().size() >= edit->maxLength() - 1 || edit->text().size() > 60) {
                left = 0;
                return;
            }
            const char c = kLetters[rng.bounded(int(sizeof kLetters) - 1)];
            logLine("key f " + QByteArray(kFields[target].name) + ' ' + c);
            QTest::keyClick(edit, c);
        } else if (target == 4) {
            if (offices->currentIndex() + 1 >= offices->count()) {
                logLine("key l Combo5 0");
                QTest::keyClick(offices, Qt::Key_Home);
            } else {
                logLine("key l Combo5 " + QByteArray::number(offices->currentIndex() + 1));
                QTest::keyClick(offices, Qt::Key_Down);
            }
        } else {
            const char c = char('1' + rng.bounded(9));
            logLine(QByteArray("key c ") + c);
            QTest::keyClick(QApplication::focusWidget(), c);
        }
        if (++sent == commitAfter) {
            // The desktop session ends: Qt's session manager asks for the data.
            // The handler does not look at the manager it is given.
            alignas(QSessionManager) static char none[sizeof(QSessionManager)];
            emit qApp->commitDataRequest(*reinterpret_cast<QSessionManager *>(none));
        }
    });
    keys.start(6);
    return QApplication::exec();
}

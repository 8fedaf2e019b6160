// Typing cost of the journal: keys through the real key pipeline into the
// questionnaire window's fields, with the journal on and off in alternating
// rounds of the same run, on a copy of the shipped data folder.
//
//   korim_bench_typing SHIPPED_FOLDER [KEYS_PER_MODE]

#include "application/solicitud.h"
#include "questionnaire/form1.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <algorithm>
#include <cstdio>

namespace {

const char *const kFields[] = {"txtCalle", "txtColonia", "txtCiudad", "txtEstado", "txtApePat1"};

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? 0 : v.at(v.size() / 2);
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2)
        return 2;
    const int perMode = argc > 2 ? std::atoi(argv[2]) : 10000;
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("KORIM"));
    QDir().mkpath(folder);
    for (const QString &f : QDir(QString::fromLocal8Bit(argv[1])).entryList(QDir::Files))
        QFile::copy(QDir(QString::fromLocal8Bit(argv[1])).filePath(f), QDir(folder).filePath(f));

    korim::questionnaire::Form1 w(folder);
    w.load();
    w.show();
    w.activateWindow();
    if (!QTest::qWaitForWindowActive(&w))
        return 3;
    w.Habilita(true);

    constexpr int kRound = 100;
    const int rounds = std::max(1, perMode / kRound);
    QList<double> with, without, pairRatios;
    qint64 keysWith = 0, keysWithout = 0;
    int field = 0;
    for (int r = 0; r < 2 * rounds; ++r) {
        const bool journal = (r % 2 == 0) == ((r / 2) % 2 == 0); // on/off, off/on, ...
        w.application().setJournaling(journal);
        QElapsedTimer t;
        t.start();
        for (int k = 0; k < kRound; ++k) {
            if (k % 25 == 0) { // the clerk moves on to another field
                auto *edit = w.control<QLineEdit>(QString::fromLatin1(kFields[field++ % 5]));
                edit->setFocus(Qt::OtherFocusReason);
                if (edit->text().size() > 30)
                    edit->clear();
            }
            QTest::keyClick(QApplication::focusWidget(), char('a' + k % 26));
        }
        const double perKey = double(t.nsecsElapsed()) / kRound / 1000.0;
        (journal ? with : without).append(perKey);
        (journal ? keysWith : keysWithout) += kRound;
        // Each pair of neighbouring rounds, one of each, shares the machine's mood.
        if (r % 2 == 1)
            pairRatios.append(journal ? perKey / without.last() : with.last() / perKey);
    }
    const double a = median(with), b = median(without);
    std::printf("keys: %lld with the journal, %lld without (rounds of %d, alternating)\n", keysWith, keysWithout, kRound);
    std::printf("median time per key: %.1f us with the journal, %.1f us without\n", a, b);
    const double ratio = median(pairRatios);
    std::printf("ratio: %.3f, median of %lld neighbouring pairs (goal at most 1.1); ratio of the medians %.3f\n",
                ratio, qint64(pairRatios.size()), a / b);
    w.application().pendingEnded();
    return ratio <= 1.1 ? 0 : 1;
}

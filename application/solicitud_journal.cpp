// The journal of the application's pending edits: started at the first
// change after the last store, gone when the edits end, and identified with
// the stored application so that it is never applied over another one.

#include "application/solicitud.h"

#include "application/schema.h"
#include "data/datasource.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>

namespace korim::application {

namespace {

const QString kJournalName = QStringLiteral("KORIM-unsaved.jsonl");
const QString kBackupName = QStringLiteral("KORIM-unsaved.aside.jsonl");

QString fileDigest(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(&f);
    return QString::fromLatin1(hash.result().toHex());
}

} // namespace

QString Solicitud::journalPath(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(kJournalName);
}

QString Solicitud::journalBackupPath(const QString &dataFolder)
{
    return QDir(dataFolder).filePath(kBackupName);
}

QJsonObject Solicitud::storedIdentity() const
{
    // The stored record as the table holds it: a save, an erase or another
    // program's write each change the file's bytes.
    const bool stored = isStored();
    QString rfc;
    if (stored) {
        try {
            rfc = dtsDatoProv_->value(QLatin1String(schema::datoprov::RFC)).toString().trimmed();
        } catch (const data::DataError &) {
        }
    }
    return QJsonObject{{QStringLiteral("stored"), stored},
                       {QStringLiteral("rfc"), rfc},
                       {QStringLiteral("datoprov"), fileDigest(tableFile(QStringLiteral("datoprov")))}};
}

JournalContents Solicitud::readJournal() const
{
    return Journal::read(journalPath(dataFolder_));
}

QString Solicitud::journalMismatch(const JournalContents &contents) const
{
    const QJsonObject now = storedIdentity();
    const QJsonObject then = contents.app;
    if (then == now)
        return {};
    const QString rfcThen = then.value(QStringLiteral("rfc")).toString();
    const QString rfcNow = now.value(QStringLiteral("rfc")).toString();
    const bool storedThen = then.value(QStringLiteral("stored")).toBool();
    const bool storedNow = now.value(QStringLiteral("stored")).toBool();
    if (storedThen && !storedNow)
        return QStringLiteral("la solicitud guardada se borró desde entonces");
    if (storedNow && rfcThen != rfcNow)
        return QStringLiteral("la solicitud guardada ahora es de otro RFC (%1)").arg(rfcNow);
    return QStringLiteral("la solicitud guardada se cambió o se reemplazó desde entonces");
}

void Solicitud::recordPending(const QString &key, const QJsonValue &value)
{
    if (!journaling_)
        return;
    if (!journal_->isOpen() && !journal_->begin(storedIdentity()))
        return;
    journal_->append(key, value);
    if (value.isNull())
        pendingKeys_.remove(key);
    else
        pendingKeys_.insert(key);
}

void Solicitud::fieldLeft()
{
    journal_->syncSoon();
}

bool Solicitud::makePendingDurable()
{
    return journal_->syncNow();
}

void Solicitud::pendingEnded()
{
    pendingKeys_.clear();
    if (journal_->isOpen() || QFile::exists(journal_->path()))
        journal_->remove();
}

void Solicitud::adoptJournal(const JournalContents &contents)
{
    QList<JournalEntry> entries;
    const auto state = contents.state();
    for (auto it = state.cbegin(); it != state.cend(); ++it)
        entries.append({it.key(), it.value(), contents.lastAt()});
    // Written beside the old one and renamed over it once on disk: a cut
    // now leaves one or the other, whole.
    if (journal_->begin(storedIdentity(), entries, true)) {
        pendingKeys_.clear();
        for (const JournalEntry &e : std::as_const(entries))
            pendingKeys_.insert(e.key);
    }
}

bool Solicitud::setJournalAside()
{
    pendingKeys_.clear();
    return journal_->setAside(journalBackupPath(dataFolder_));
}

void Solicitud::eraseJournals()
{
    pendingEnded();
    QFile::remove(journalBackupPath(dataFolder_));
}

} // namespace korim::application

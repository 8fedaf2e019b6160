#include "application/journal.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>

#include <algorithm>
#include <array>
#include <charconv>
#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace korim::application {

namespace {

constexpr int kFormat = 1;
// Fields left in quick succession share one flush: a flush at most every
// quarter second keeps the disk from stealing the clerk's processor.
constexpr auto kGroup = std::chrono::milliseconds(250);
// `,"crc":"xxxxxxxx"}`: what follows the entry's own members on its line.
constexpr qsizetype kCrcTail = 18;

const std::array<std::uint32_t, 256> &crcTable()
{
    static const std::array<std::uint32_t, 256> table = [] {
        std::array<std::uint32_t, 256> t{};
        for (std::uint32_t i = 0; i < 256; ++i) {
            std::uint32_t c = i;
            for (int k = 0; k < 8; ++k)
                c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
            t[i] = c;
        }
        return t;
    }();
    return table;
}

QByteArray hex8(std::uint32_t v)
{
    return QByteArray::number(v, 16).rightJustified(8, '0');
}

void syncFolderOf(const QString &path)
{
    const int dir = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(),
                           O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
}

// JSON text of a string, as QJsonDocument writes it; built by hand, with
// no allocation once the buffer has grown, because it runs on every key.
void appendJsonString(QByteArray &out, const QString &text)
{
    out += '"';
    const char16_t *p = reinterpret_cast<const char16_t *>(text.utf16());
    const char16_t *const end = p + text.size();
    for (; p < end; ++p) {
        char32_t c = *p;
        if (QChar::isHighSurrogate(c) && p + 1 < end && QChar::isLowSurrogate(p[1]))
            c = QChar::surrogateToUcs4(char16_t(c), *++p);
        if (QChar::isSurrogate(c)) { // a lone half, escaped as QJsonDocument does
            out += "\\u";
            for (int shift = 12; shift >= 0; shift -= 4)
                out += "0123456789abcdef"[(c >> shift) & 0xF];
        } else if (c < 0x80) {
            switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            default:
                if (c < 0x20) {
                    out += "\\u00";
                    out += "0123456789abcdef"[(c >> 4) & 0xF];
                    out += "0123456789abcdef"[c & 0xF];
                } else {
                    out += char(c);
                }
            }
        } else if (c < 0x800) {
            out += char(0xC0 | (c >> 6));
            out += char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            out += char(0xE0 | (c >> 12));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        } else {
            out += char(0xF0 | (c >> 18));
            out += char(0x80 | ((c >> 12) & 0x3F));
            out += char(0x80 | ((c >> 6) & 0x3F));
            out += char(0x80 | (c & 0x3F));
        }
    }
    out += '"';
}

void appendNumber(QByteArray &out, qint64 n)
{
    char digits[24];
    const auto r = std::to_chars(digits, digits + sizeof digits, n);
    out.append(digits, r.ptr - digits);
}

} // namespace

std::uint32_t crc32(QByteArrayView bytes)
{
    const auto &table = crcTable();
    std::uint32_t c = 0xFFFFFFFFu;
    for (const char ch : bytes)
        c = table[(c ^ static_cast<unsigned char>(ch)) & 0xFFu] ^ (c >> 8);
    return c ^ 0xFFFFFFFFu;
}

qint64 JournalContents::lastAt() const
{
    return entries.isEmpty() ? startedAt : entries.constLast().at;
}

QMap<QString, QJsonValue> JournalContents::state() const
{
    QMap<QString, QJsonValue> values;
    for (const JournalEntry &e : entries) {
        if (e.value.isNull())
            values.remove(e.key);
        else
            values.insert(e.key, e.value);
    }
    return values;
}

QByteArray Journal::encodeLine(const QJsonObject &object)
{
    QByteArray body = QJsonDocument(object).toJson(QJsonDocument::Compact);
    const std::uint32_t sum = crc32(body);
    body.chop(1); // the closing brace: the checksum goes inside the object
    body += ",\"crc\":\"" + hex8(sum) + "\"}\n";
    return body;
}

std::optional<QJsonObject> Journal::decodeLine(QByteArrayView line)
{
    if (line.size() <= kCrcTail + 1 || !line.endsWith("\"}"))
        return std::nullopt;
    const QByteArrayView tail = line.last(kCrcTail);
    if (!tail.startsWith(",\"crc\":\""))
        return std::nullopt;
    for (const char c : tail.sliced(8, 8))
        if (!((c >= '0' && c <= '9') || (c >= 'a' && c <= 'f')))
            return std::nullopt;
    bool ok = false;
    const std::uint32_t stated = QByteArray(tail.sliced(8, 8).data(), 8).toUInt(&ok, 16);
    if (!ok)
        return std::nullopt;
    QByteArray body = line.first(line.size() - kCrcTail).toByteArray();
    body += '}';
    if (crc32(body) != stated)
        return std::nullopt;
    QJsonParseError error{};
    const QJsonDocument doc = QJsonDocument::fromJson(body, &error);
    if (error.error != QJsonParseError::NoError || !doc.isObject())
        return std::nullopt;
    return doc.object();
}

JournalContents Journal::parse(QByteArrayView bytes)
{
    JournalContents contents;
    contents.exists = true;
    qsizetype from = 0;
    qint64 expected = 0;
    while (from < bytes.size()) {
        const qsizetype end = bytes.indexOf('\n', from);
        if (end < 0) { // a last line without its newline was cut short
            contents.damaged = true;
            break;
        }
        const std::optional<QJsonObject> line = decodeLine(bytes.sliced(from, end - from));
        // Whole lines in their order only: one out of sequence came from a
        // block the disk wrote out of turn.
        if (!line || line->value(QLatin1String("n")).toInteger(-1) != expected) {
            contents.damaged = true;
            break;
        }
        if (expected == 0) {
            if (line->value(QLatin1String("journal")).toInt() != kFormat) {
                contents.damaged = true;
                break;
            }
            contents.hasHeader = true;
            contents.app = line->value(QLatin1String("app")).toObject();
            contents.startedAt = line->value(QLatin1String("at")).toInteger();
        } else {
            const QJsonValue key = line->value(QLatin1String("key"));
            if (!key.isString()) {
                contents.damaged = true;
                break;
            }
            contents.entries.append({key.toString(), line->value(QLatin1String("value")),
                                     line->value(QLatin1String("at")).toInteger()});
        }
        ++expected;
        from = end + 1;
        contents.intactBytes = from;
    }
    return contents;
}

JournalContents Journal::read(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return parse(file.readAll());
}

Journal::Journal(QString path)
    : path_(std::move(path))
{
}

Journal::~Journal()
{
    stopSyncer();
    syncNow();
    closeFd(false);
}

void Journal::setSyncInterval(int ms)
{
    {
        const std::lock_guard lock(mutex_);
        intervalMs_ = ms;
        ++kicks_;
    }
    wake_.notify_one();
}

void Journal::setHandOverDelay(int ms)
{
    {
        const std::lock_guard lock(mutex_);
        handOverMs_ = ms;
        ++kicks_;
    }
    wake_.notify_one();
}

bool Journal::writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t n = ::write(fd, bytes.constData() + done, static_cast<size_t>(bytes.size() - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return false;
        done += n;
    }
    return true;
}

bool Journal::begin(const QJsonObject &app, const QList<JournalEntry> &entries, bool durable)
{
    close();
    QByteArray bytes = encodeLine(QJsonObject{{QLatin1String("journal"), kFormat},
                                              {QLatin1String("n"), 0},
                                              {QLatin1String("at"), QDateTime::currentMSecsSinceEpoch()},
                                              {QLatin1String("app"), app}});
    qint64 n = 1;
    for (const JournalEntry &e : entries) {
        bytes += encodeLine(QJsonObject{{QLatin1String("n"), n++},
                                        {QLatin1String("at"), e.at},
                                        {QLatin1String("key"), e.key},
                                        {QLatin1String("value"), e.value}});
    }
    // mkstemp makes the file 0600 whatever the umask.
    QByteArray temp = QFile::encodeName(path_) + ".tmpXXXXXX";
    const int fd = ::mkostemp(temp.data(), O_CLOEXEC | O_APPEND);
    if (fd < 0)
        return false;
    bool ok = writeAll(fd, bytes) && (!durable || ::fdatasync(fd) == 0);
    ok = ok && ::rename(temp.constData(), QFile::encodeName(path_).constData()) == 0;
    if (!ok) {
        ::close(fd);
        ::unlink(temp.constData());
        return false;
    }
    if (durable)
        syncFolderOf(path_);
    {
        const std::lock_guard lock(mutex_);
        fd_ = fd;
        next_ = n;
        written_ = bytes.size();
        handed_ = bytes.size();
        synced_ = durable ? bytes.size() : 0;
        unsynced_ = !durable;
        unsyncedSince_ = Clock::now();
        failed_ = false;
        stop_ = false;
        ++kicks_;
    }
    if (syncer_.joinable())
        wake_.notify_one();
    else
        syncer_ = std::thread([this] { syncLoop(); });
    return true;
}

bool Journal::append(const QString &key, const QJsonValue &value)
{
    if (fd_ < 0)
        return false;
    // Built here, handed to the OS by the thread: a system call per key
    // would cost the clerk more than the rest of the journal.
    const qint64 at = QDateTime::currentMSecsSinceEpoch();
    QByteArray &line = line_;
    line.resize(0); // keeps its room
    if (value.isString()) {
        // The line encodeLine would write, members in the same order.
        line += "{\"at\":";
        appendNumber(line, at);
        line += ",\"key\":";
        appendJsonString(line, key);
        line += ",\"n\":";
        appendNumber(line, next_);
        line += ",\"value\":";
        appendJsonString(line, value.toString());
        line += '}';
        const std::uint32_t sum = crc32(line);
        line.chop(1);
        line += ",\"crc\":\"";
        for (int shift = 28; shift >= 0; shift -= 4)
            line += "0123456789abcdef"[(sum >> shift) & 0xF];
        line += "\"}\n";
    } else {
        line = encodeLine(QJsonObject{{QLatin1String("n"), next_},
                                      {QLatin1String("at"), at},
                                      {QLatin1String("key"), key},
                                      {QLatin1String("value"), value}});
    }
    std::unique_lock lock(mutex_);
    if (failed_)
        return false;
    const auto now = Clock::now();
    bool kick = false;
    if (pending_.isEmpty()) {
        pendingSince_ = now;
        // The thread sleeps past the hand-over: wake it once for the batch.
        kick = wakeAt_ > now + std::chrono::milliseconds(handOverMs_);
    }
    if (!unsynced_) {
        unsynced_ = true;
        unsyncedSince_ = now;
    }
    pending_ += line;
    written_ += line.size();
    ++next_;
    if (kick)
        ++kicks_;
    lock.unlock();
    if (kick)
        wake_.notify_one();
    return true;
}

bool Journal::handOverLocked()
{
    if (pending_.isEmpty())
        return !failed_;
    const bool ok = fd_ >= 0 && !failed_ && writeAll(fd_, pending_);
    if (ok)
        handed_ += pending_.size();
    else
        failed_ = true;
    pending_.resize(0); // keeps its room
    return ok;
}

void Journal::syncSoon()
{
    if (fd_ < 0)
        return;
    {
        const std::lock_guard lock(mutex_);
        if (urgent_ || !unsynced_)
            return;
        urgent_ = true;
        // Waking a thread costs more than a key: only when it would not
        // wake by itself by the time the flush is due.
        if (wakeAt_ <= std::max(Clock::now(), lastSync_ + kGroup))
            return;
        ++kicks_;
    }
    wake_.notify_one();
}

bool Journal::syncNow()
{
    if (fd_ < 0)
        return true;
    std::unique_lock lock(mutex_);
    if (!handOverLocked())
        return false;
    const qint64 target = handed_.load();
    unsynced_ = false;
    lock.unlock();
    // Only this thread closes the file, so it stays open meanwhile.
    const bool ok = ::fdatasync(fd_) == 0;
    lock.lock();
    if (!ok) {
        unsynced_ = true;
        unsyncedSince_ = Clock::now();
        return false;
    }
    ++syncs_;
    if (synced_.load() < target)
        synced_ = target;
    return true;
}

void Journal::syncLoop()
{
    using std::chrono::milliseconds;
    std::unique_lock lock(mutex_);
    lastSync_ = Clock::now() - kGroup;
    while (!stop_) {
        const auto now = Clock::now();
        std::optional<Clock::time_point> next;
        if (fd_ >= 0 && unsynced_) {
            auto syncAt = unsyncedSince_ + milliseconds(intervalMs_);
            if (urgent_)
                syncAt = std::min(syncAt, lastSync_ + kGroup);
            if (now >= syncAt) {
                urgent_ = false;
                const bool handed = handOverLocked();
                // A duplicate keeps the file open while the flush runs
                // unlocked, even if the journal is closed meanwhile.
                const int fd = handed ? ::fcntl(fd_, F_DUPFD_CLOEXEC, 0) : -1;
                const int original = fd_;
                const qint64 target = handed_.load();
                unsynced_ = false;
                bool ok = false;
                if (fd >= 0) {
                    lock.unlock();
                    ok = ::fdatasync(fd) == 0;
                    ::close(fd);
                    lock.lock();
                }
                lastSync_ = Clock::now();
                if (fd_ == original) {
                    if (ok) {
                        ++syncs_;
                        if (synced_.load() < target)
                            synced_ = target;
                    } else if (!unsynced_) { // tried again after an interval
                        unsynced_ = true;
                        unsyncedSince_ = lastSync_;
                    }
                }
                continue;
            }
            next = syncAt;
        } else {
            urgent_ = false;
        }
        if (fd_ >= 0 && !pending_.isEmpty()) {
            const auto handAt = pendingSince_ + milliseconds(handOverMs_);
            if (now >= handAt) {
                handOverLocked();
                continue;
            }
            next = next ? std::min(*next, handAt) : handAt;
        }
        const unsigned seen = kicks_;
        wakeAt_ = next.value_or(Clock::time_point::max());
        if (next)
            wake_.wait_until(lock, *next, [&] { return stop_ || kicks_ != seen; });
        else
            wake_.wait(lock, [&] { return stop_ || kicks_ != seen; });
        wakeAt_ = Clock::time_point::min();
    }
}

void Journal::stopSyncer()
{
    {
        const std::lock_guard lock(mutex_);
        stop_ = true;
    }
    wake_.notify_one();
    if (syncer_.joinable())
        syncer_.join();
}

void Journal::closeFd(bool handOver)
{
    const std::lock_guard lock(mutex_);
    if (handOver)
        handOverLocked();
    pending_.resize(0);
    if (fd_ >= 0)
        ::close(fd_);
    fd_ = -1;
    written_ = 0;
    handed_ = 0;
    synced_ = 0;
    unsynced_ = false;
    urgent_ = false;
    failed_ = false;
}

void Journal::close()
{
    closeFd(true);
}

void Journal::remove()
{
    closeFd(false);
    if (::unlink(QFile::encodeName(path_).constData()) == 0)
        syncFolderOf(path_);
}

bool Journal::setAside(const QString &backup)
{
    syncNow();
    closeFd(false);
    if (!QFileInfo::exists(path_))
        return true;
    if (::rename(QFile::encodeName(path_).constData(), QFile::encodeName(backup).constData()) != 0)
        return false;
    ::chmod(QFile::encodeName(backup).constData(), 0600);
    syncFolderOf(path_);
    return true;
}

} // namespace korim::application

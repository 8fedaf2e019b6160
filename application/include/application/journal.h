#pragma once
// The journal of what the clerk typed and did not store yet: one UTF-8 line
// per entry, each a JSON object carrying the CRC-32 of the rest of its line,
// so support staff can read it and a torn tail is told from a whole one.
//
//   {"app":{...},"at":1765190520123,"journal":1,"n":0,"crc":"<8 hex digits>"}
//   {"at":1765190521002,"key":"txtCalle","n":1,"value":"AV. JUAREZ","crc":"..."}
//
// The first line identifies the stored application the edits were made on;
// every later one sets a named value (null: the change ended). A line is
// handed to the OS by the journal's own thread within a fifth of a second,
// so a killed process loses no more than that, and the disk gets it within
// about a second; the clerk's keys never wait on a system call.

#include <QByteArray>
#include <QByteArrayView>
#include <QJsonObject>
#include <QJsonValue>
#include <QList>
#include <QMap>
#include <QString>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <optional>
#include <thread>

namespace korim::application {

struct JournalEntry {
    QString key;
    QJsonValue value; // null: the change ended (stored, or gone)
    qint64 at = 0;    // milliseconds since the epoch
};

// What a journal file holds, read up to its first damaged line.
struct JournalContents {
    bool exists = false;  // a file was there
    bool hasHeader = false;
    QJsonObject app;      // the header's identification of the stored application
    qint64 startedAt = 0; // the header's time
    QList<JournalEntry> entries;
    bool damaged = false; // reading stopped at a line that was not whole
    qint64 intactBytes = 0;

    // The time of the last whole line (the header's when there is none).
    qint64 lastAt() const;
    // Each key's last value; keys whose last value is null are left out.
    QMap<QString, QJsonValue> state() const;
    // A header and at least one value still pending.
    bool pending() const { return hasHeader && !state().isEmpty(); }
};

std::uint32_t crc32(QByteArrayView bytes);

class Journal {
public:
    explicit Journal(QString path);
    // Flushes what was written to the disk; the file stays.
    ~Journal();
    Journal(const Journal &) = delete;
    Journal &operator=(const Journal &) = delete;

    QString path() const { return path_; }

    // One line, newline included.
    static QByteArray encodeLine(const QJsonObject &object);
    // The object of a whole line (without its newline); nullopt when its
    // checksum or its JSON is wrong.
    static std::optional<QJsonObject> decodeLine(QByteArrayView line);
    static JournalContents parse(QByteArrayView bytes);
    static JournalContents read(const QString &path);

    // Starts the file over with the header and the given values: written
    // beside it, then renamed over it. With durable, it reaches the disk
    // before the rename (start-up, where a short wait is no stall).
    bool begin(const QJsonObject &app, const QList<JournalEntry> &entries = {}, bool durable = false);
    bool isOpen() const { return fd_ >= 0; }
    // Appends a value; it reaches the OS within the hand-over delay, and
    // false means the journal is closed or an earlier hand-over failed.
    bool append(const QString &key, const QJsonValue &value);
    // Asks the sync thread to flush now (the clerk left a field).
    void syncSoon();
    // Hands over and flushes now, on this thread; true when everything
    // appended is on disk.
    bool syncNow();
    // Closes and deletes the file.
    void remove();
    // Closes the file and moves it to backup, replacing any older one.
    bool setAside(const QString &backup);
    // Hands over what is left and closes the file; it stays as it is.
    void close();

    // The bytes appended, the bytes handed to the OS and the bytes known to
    // be on disk (for the tests).
    qint64 writtenBytes() const { return written_.load(); }
    qint64 handedBytes() const { return handed_.load(); }
    qint64 syncedBytes() const { return synced_.load(); }
    int syncCount() const { return syncs_.load(); }
    // How long appended data may wait for the disk (1000 ms unless set).
    void setSyncInterval(int ms);
    // How long it may wait for the OS (200 ms unless set).
    void setHandOverDelay(int ms);

private:
    using Clock = std::chrono::steady_clock;
    static bool writeAll(int fd, const QByteArray &bytes);
    bool handOverLocked();
    void syncLoop();
    void stopSyncer();
    void closeFd(bool handOver);

    QString path_;
    int fd_ = -1;
    qint64 next_ = 1; // sequence number of the next entry
    QByteArray line_; // the line being built, its room kept between keys
    std::atomic<qint64> written_{0};
    std::atomic<qint64> handed_{0};
    std::atomic<qint64> synced_{0};
    std::atomic<int> syncs_{0};

    std::mutex mutex_; // guards fd_ against the thread, and what follows
    std::condition_variable wake_;
    QByteArray pending_; // appended, not handed over yet
    Clock::time_point pendingSince_{};
    Clock::time_point unsyncedSince_{}; // the oldest append not on disk yet
    Clock::time_point wakeAt_ = Clock::time_point::min(); // when the thread wakes by itself
    Clock::time_point lastSync_{};
    bool unsynced_ = false;
    bool failed_ = false; // a hand-over failed: the file is no longer whole
    bool urgent_ = false;
    bool stop_ = false;
    unsigned kicks_ = 0;
    int intervalMs_ = 1000;
    int handOverMs_ = 200;
    std::thread syncer_;
};

} // namespace korim::application

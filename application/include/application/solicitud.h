#pragma once
// Solicitud: the application being captured, without any window. It owns the
// seven data sources over the data folder, reads the catalogues into plain
// lists, holds the data halves of the commands and lookups, and gives a
// snapshot of everything the printed application needs. The questionnaire
// shows and edits it; the command line prints it.

#include "application/catalogue.h"
#include "application/journal.h"
#include "application/recordrules.h"
#include "application/snapshot.h"

#include <QDate>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QSet>
#include <QString>
#include <QVariant>

#include <memory>

namespace korim::data {
class DataSource;
}

namespace korim::application {

// busca's outcome: the place of the first entry with the key, else the last
// place (-1 for an empty list). Keys compare as text, trimmed, upper-cased.
int buscaPlace(const Catalogue &entries, const QVariant &clave);
int buscaPlace(const QList<QVariant> &keys, const QVariant &clave);

// What Nuevo found: a new record pending, or the stored one opened for
// editing with the choices it stores.
struct Opened {
    bool added = false;
    QVariant procedure;     // TIPOTRAM
    int activityPlace = -1; // list place of the stored activity code; -1: no such code
    QVariant office;
    QVariant bank;
    QString numMaquila, anioMaquila; // empty for none (0 or no value)
};

// What the save writes by position besides the bound fields.
struct Choices {
    qlonglong procedure = 0;
    qlonglong office = 0;
    double programmeType = 0; // the number of the programme-type text
    int activityPlace = -1;   // the activity list's place
    qlonglong bank = 0;
};

class Solicitud : public QObject {
    Q_OBJECT
public:
    explicit Solicitud(const QString &dataFolder, QObject *parent = nullptr);
    ~Solicitud() override;

    QString dataFolder() const { return dataFolder_; }

    // Start-up's data half: the current year, the catalogues, the years of
    // the six sales rows, the products, the stored application. Throws
    // korim::data::DataError with a Spanish description naming the file.
    void open(const QDate &today);

    // The current year, from the date open() was given.
    short AnioActual = 0;
    // Whether the last RFC check found the RFC valid.
    bool RFCValido = false;

    const Catalogue &procedures() const { return procedures_; }
    const Catalogue &offices() const { return offices_; }
    const Catalogue &banks() const { return banks_; }
    const Catalogue &activities() const { return activities_; }

    // Activity list place -> activity code (0 when no entry has that place),
    // and code -> place (-1 when the catalogue has no such code).
    int BuscaActividad(int place) const;
    int BuscaActividadEntrada(int code) const;

    // The data half of the new-application routine. Throws at its first
    // failing step; what was done stays.
    Opened Nuevo();
    // Writes the choices by position and the record, then opens it for
    // editing again. Throws DataError; the edit then stays pending.
    void GrabaDatos(const Choices &choices);
    // Opens the stored record for editing; false when there is none.
    bool EditaDatos();
    // A command that failed halfway may have left the stored record closed.
    void ensureOpen();
    // Deletes the application, zeroes the sales rows, deletes the products;
    // the first failure after the record went is returned (empty when
    // none). Failing to delete the record throws.
    QString BorraRegistros();
    // The office, activity (by list place) and bank keys into the open record.
    void writeListKeys(qlonglong office, int activityPlace, qlonglong bank);
    // A pending new record (after the erase).
    void addNew();
    // Sets a field of the open record; false when none is open or it fails.
    bool setField(int position, const QVariant &value);
    // After the diskette: a stored application is read again and opened;
    // a never-stored one stays pending. Steps fail quietly.
    void reopenAfterDisk();
    bool isStored() const;
    // No current application record: none stored and none pending.
    bool atEnd() const;

    // Closing: the pending edit written or dropped, a pending addition
    // written when typed into.
    int editMode() const;
    void saveRecord();
    // A failed save keeps its journal: the next start offers it back.
    void dropChanges(bool keepJournal = false);
    void closePendingAddition();

    // Products.
    bool hasProducts() const;
    // "Borrar Registro": the current product goes. Throws DataError.
    void deleteCurrentProduct();

    // What the questionnaire shows of the open record right after start-up
    // (the stored application, or a new one).
    Shown shownFromRecord() const;
    // The printed application's input: shown as given, the sales rows and
    // products as the sources hold them. The two sales sources get their
    // print query texts (not re-opened) and all three are left at their end.
    // "No current record" skips the step that raised it; any other failure
    // throws (DataError).
    Snapshot snapshot(const Shown &shown);
    Snapshot snapshot() { return snapshot(shownFromRecord()); }

    // The journal of what was typed and not stored yet (solicitud_journal.cpp).
    static QString journalPath(const QString &dataFolder);
    static QString journalBackupPath(const QString &dataFolder);
    JournalContents readJournal() const;
    // Empty when the journal was kept over the application stored now;
    // otherwise, in Spanish, what changed since.
    QString journalMismatch(const JournalContents &contents) const;
    // A value the clerk changed; it reaches the OS before this returns.
    void recordPending(const QString &key, const QJsonValue &value);
    // A value recorded since the pending edits last ended is still pending
    // (a grid cell closed by its grid is not).
    bool hasPending() const { return !pendingKeys_.isEmpty(); }
    bool isPending(const QString &key) const { return pendingKeys_.contains(key); }
    // The clerk left a field: the journal goes to the disk now.
    void fieldLeft();
    // On disk before this returns (the session ends).
    bool makePendingDurable();
    // Stored or dropped: the journal goes.
    void pendingEnded();
    // Recovered: the journal starts over with these values, on disk at once.
    void adoptJournal(const JournalContents &contents);
    // The clerk declined it: kept as the one backup file.
    bool setJournalAside();
    // The journal and its backup, for the erase.
    void eraseJournals();
    // Off: nothing is recorded (the typing benchmark's baseline).
    void setJournaling(bool on) { journaling_ = on; }
    Journal &journal() { return *journal_; }

    // The sources the questionnaire binds its fields and grids to.
    data::DataSource *dtsDatoProv() const { return dtsDatoProv_; }
    data::DataSource *Data1() const { return Data1_; }
    data::DataSource *dtsBanco() const { return dtsBanco_; }
    data::DataSource *dtsacti() const { return dtsacti_; }
    data::DataSource *dtsVTotales() const { return dtsVTotales_; }
    data::DataSource *dtsVentasExp() const { return dtsVentasExp_; }
    data::DataSource *dtsProductos() const { return dtsProductos_; }

private:
    QString tableFile(const QString &table) const;
    Catalogue readCatalogue(data::DataSource *source, const QString &recordSource, int textPosition,
                            int keyPosition, int minFields);
    void writeSalesYears(data::DataSource *source, const QString &recordSource, int kind);
    void openApplication();
    QString fieldText(const char *field) const;
    QJsonObject storedIdentity() const;

    QString dataFolder_;
    data::DataSource *dtsDatoProv_ = nullptr;
    data::DataSource *Data1_ = nullptr;
    data::DataSource *dtsBanco_ = nullptr;
    data::DataSource *dtsacti_ = nullptr;
    data::DataSource *dtsVTotales_ = nullptr;
    data::DataSource *dtsVentasExp_ = nullptr;
    data::DataSource *dtsProductos_ = nullptr;

    Catalogue procedures_;
    Catalogue offices_;
    Catalogue banks_;
    Catalogue activities_;
    QList<double> activityNumbers_; // NUMERO of each activity, as stored
    QList<double> activityCodes_;   // CLAVE of each activity

    std::unique_ptr<Journal> journal_;
    bool journaling_ = true;
    QSet<QString> pendingKeys_;
};

} // namespace korim::application

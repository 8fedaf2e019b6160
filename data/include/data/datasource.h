#pragma once
// A bound data source: one table or query of the data folder, a current
// record, an edit buffer, and the fields bound to it.
//
// Binding goes through Qt's model/view: model() is a table model over the
// record set (one row per record, one column per field, in table order; while a
// new record is being added it has one more row at the end for it). A
// QDataWidgetMapper over model() binds single fields; a view binds a grid.
// Before the source writes a record it emits aboutToWrite(), so mappers with a
// manual submit policy hand over what the user typed; after the current record
// changes it emits currentChanged() so they show it.

#include "data/dbf.h"

#include <QAbstractTableModel>
#include <QObject>
#include <QString>
#include <QVariant>

#include <memory>
#include <stdexcept>

namespace korim::data {

// Failure carried with the engine's number; 3021 is "no current record".
class DataError : public std::runtime_error {
public:
    static constexpr int NoCurrentRecord = 3021;
    static constexpr int EngineFailure = 3000;   // a table could not be read or written
    static constexpr int BadRecordSource = 3001; // a record source text we do not know
    static constexpr int NoSuchField = 3265;
    static constexpr int NotEditing = 3020;      // a field set while no edit is pending
    static constexpr int BadBookmark = 3159;     // a bookmark that names no record of the set
    static constexpr int ConversionError = 3421; // a value the field's type cannot hold (text into a number)

    DataError(int number, QString description);
    int number() const { return number_; }
    const QString &description() const { return description_; }

private:
    int number_;
    QString description_;
};

class RecordSetModel;

class DataSource : public QObject {
    Q_OBJECT
public:
    enum EditMode { EditNone = 0, EditInProgress = 1, EditAdd = 2 };
    // Action codes of the notification before a move.
    // setBookmark() (and setData() on another row of model()) notifies with
    // BookmarkAction, which needs no reaction.
    enum Action { MoveFirstAction = 1, MovePreviousAction = 2, MoveNextAction = 3, MoveLastAction = 4,
                  BookmarkAction = 8 };

    explicit DataSource(QString name, QObject *parent = nullptr);
    ~DataSource() override;
    QString name() const;

    // Settings. Both connect texts ("dBASE III;", "FoxPro 2.5;") open the same
    // format. A new record source takes effect at the next refresh().
    void setConnect(const QString &connect);
    QString connect() const;
    void setDatabaseName(const QString &folder);
    QString databaseName() const;
    void setRecordSource(const QString &source);
    QString recordSource() const;

    // (Re)opens the record set; the first record, if any, becomes current.
    // A pending edit or addition is dropped. Throws DataError.
    void refresh();

    // Writes the bound fields (after aboutToWrite) and the values set during
    // the pending edit into the current record (EditInProgress) or as a new
    // record (EditAdd), and ends the edit. After an addition the record that
    // was current before addNew() is current again. Throws DataError; on
    // failure the edit stays pending with its values.
    void updateRecord();
    int editMode() const;

    // Each move first notifies (aboutToMove with its action code), then writes
    // a pending edit or addition as updateRecord() does, then moves.
    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();
    bool eof() const;     // no current record: empty set or moved past the last
    bool bof() const;     // moved before the first, or empty set
    int recordCount() const;
    int currentRow() const; // row of the current record in model(), -1 when none

    void addNew();        // a blank record becomes current (EditAdd)
    void edit();          // throws DataError 3021 when there is no current record
    void deleteRecord();  // deletes the current record; throws 3021 when none
    void cancelUpdate();  // drops the pending edit; bound fields show the stored record

    // Markers of records; invalid QVariant when none.
    QVariant bookmark() const;
    void setBookmark(const QVariant &bookmark); // makes that record current
    QVariant lastModified() const;

    // Field values of the current record (the edit buffer while an edit is
    // pending). Reading with no current record throws DataError 3021; setting
    // needs a pending edit or addition (DataError 3020 otherwise).
    QVariant value(int position) const;
    QVariant value(const QString &fieldName) const;
    void setValue(int position, const QVariant &value);
    void setValue(const QString &fieldName, const QVariant &value);
    int fieldCount() const;
    int fieldIndex(const QString &fieldName) const;
    // Layout of a field of the open set (type, width, decimals); a default
    // FieldDef when there is no such field.
    FieldDef fieldDef(int position) const;

    // True when a bound field (a setData() through model(), i.e. the user
    // typing) put a non-blank value into the pending edit or addition. Values
    // set by code with setValue() do not count.
    bool hasTypedInput() const;

    RecordSetModel *model() const;

    // Writes a pending addition when hasTypedInput() (after aboutToWrite) and
    // drops it otherwise; used when the owning window closes.
    void closePendingAddition();

signals:
    // Before the current record changes because of a move.
    void aboutToMove(int action);
    // Bound fields must hand over their values now.
    void aboutToWrite();
    // The current record (or its stored values) changed; bound fields show it.
    void currentChanged();

private:
    friend class RecordSetModel;
    struct Impl;
    std::unique_ptr<Impl> d;
};

// The record set as a table model. Rows follow the record set; while an
// addition is pending the last row is the new record. data() of the current row
// shows the edit buffer. setData() on a row makes it current (a move, with its
// notification and the write of a pending edit, when it is another row), opens
// it for editing when no edit is pending, and sets the field in the buffer;
// with writeThrough on (grids) the row is written at once.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSetModel(DataSource *source);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    void setWriteThrough(bool on);
    bool writeThrough() const;
    // Error of the last setData() that failed (empty when none).
    QString lastError() const;

private:
    friend class DataSource;
    void resetFromSource();
    void rowChanged(int row);
    DataSource *source_;
    bool writeThrough_ = false;
    QString lastError_;
};

} // namespace korim::data

#pragma once
// What a grid shows of its data source: the chosen fields as columns, in the
// grid's order, with their captions, and for a grid that accepts new rows one
// blank row at the end that becomes a record when something is typed into it.

#include <QAbstractTableModel>
#include <QStyledItemDelegate>
#include <QTableView>
#include <QList>
#include <QString>

#include <functional>

namespace korim::data {
class DataSource;
}

namespace korim::questionnaire {

struct GridColumn {
    QString field;    // field name in the table
    QString caption;  // the column caption as the grid names it
    QString format;   // display format name ("###,###,###,###.00", "Standard", ...), empty for none
    bool editable = true;
    bool visible = true;
    int maxLength = 0;  // longest text a cell takes (the field's width); 0 for no limit
};

// The window's grids. Tab moves from cell to cell, row after row; Tab on
// the last cell (Shift+Tab on the first) leaves the grid for the next control
// instead of going round to the other end, which would keep the keyboard in
// the grid for good.
class GridView : public QTableView {
    Q_OBJECT
public:
    using QTableView::QTableView;

protected:
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
};

// Cell editors of a grid: line edits no longer than their column's field.
// An edited cell is handed to the model when the editor closes; the grid's
// window hears of it after the store (cellStored) or when the store was
// refused (cellRefused). A cell left unchanged stores nothing.
class GridDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    using QStyledItemDelegate::QStyledItemDelegate;
    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model, const QModelIndex &index) const override;

signals:
    void cellStored(const QModelIndex &index);
    void cellRefused(const QModelIndex &index, const QString &text);
};

class GridModel : public QAbstractTableModel {
    Q_OBJECT
public:
    // Shows a caption on this many header lines (wrapped at its widest gap).
    static constexpr int kHeaderLines = 2;
    // Turns a stored value into the text of a cell, given the column's format.
    using Formatter = std::function<QString(const QString &format, const QVariant &value)>;

    GridModel(korim::data::DataSource *source, QList<GridColumn> columns, bool allowAddNew,
              QObject *parent = nullptr);

    const QList<GridColumn> &columns() const { return columns_; }
    korim::data::DataSource *source() const { return source_; }
    bool allowAddNew() const { return allowAddNew_; }
    // The blank row for a new record, -1 when there is none.
    int newRow() const;
    // Column of the source model behind a grid column.
    int sourceColumn(int column) const;
    void setFormatter(Formatter formatter);

    // The grid's update switch: while it is off no cell can be edited.
    // Values written by code (storeValue) are not affected.
    void setAllowUpdate(bool on);
    bool allowUpdate() const { return allowUpdate_; }
    // The value a cell holds, as the table holds it (numbers stay numbers);
    // an invalid QVariant for the blank row or an empty field.
    QVariant value(int row, int column) const;
    // Writes a value into a cell of an existing row by code, editable or not.
    // A number is first rounded to the decimals of its field, so what the
    // grid shows is what the table keeps. On failure the table and the cell
    // keep their old value and lastError() says why.
    bool storeValue(int row, int column, const QVariant &value);
    // Why the last setData() or storeValue() failed (empty after a success).
    QString lastError() const { return lastError_; }
    // A caption split onto header lines: at its widest run of blanks when it
    // has one of three or more, else at the blank nearest its middle when it
    // is long.
    static QString headerText(const QString &caption, int lines = kHeaderLines);

    int rowCount(const QModelIndex &parent = {}) const override;
    int columnCount(const QModelIndex &parent = {}) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    bool setData(const QModelIndex &index, const QVariant &value, int role = Qt::EditRole) override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    void resolveColumns();
    bool wantsNewRow() const;
    void syncNewRow();
    QAbstractItemModel *sourceModel() const;
    bool writeSource(int row, int column, const QVariant &value);

    korim::data::DataSource *source_;
    QList<GridColumn> columns_;
    QList<int> sourceColumns_;
    bool allowAddNew_;
    bool newRowShown_ = false;
    bool absorbing_ = false;
    bool allowUpdate_ = true;
    QString lastError_;
    int sourceRows_ = 0;
    Formatter formatter_;
};

} // namespace korim::questionnaire

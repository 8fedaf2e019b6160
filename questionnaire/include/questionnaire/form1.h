#pragma once
// Form1, the questionnaire window: it shows and edits the application
// (application::Solicitud, which owns the data sources): the application
// record in bound fields, the six sales rows and the products in three grids,
// the catalogue choices in lists, and the toolbar. A handler reads the
// controls, calls the application and shows the messages.
//
// The class is a shell; its routines live in files by concern:
//   form1.cpp           construction
//   form1_layout.cpp    controls and measures
//   form1_binding.cpp   bound fields and what the window shows
//   form1_startup.cpp   start-up, tab switching, shut-down
//   form1_state.cpp     Habilita, programme type, procedure type, move reaction
//   form1_lookups.cpp   catalogue lookups and the list handlers
//   form1_nuevo.cpp     the new-application routine
//   form1_commands.cpp  the toolbar dispatcher
//   form1_disco.cpp     the submission diskette
//   form1_grids.cpp     the sales and products grids
//   form1_rfcnote.cpp   the note beside the RFC field on its check digit

#include <QDate>
#include <QHash>
#include <QJsonValue>
#include <QMap>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <QWidget>

#include <array>
#include <optional>
#include <utility>

class QAbstractItemModel;
class QButtonGroup;
class QComboBox;
class QDataWidgetMapper;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QTableView;
class QTextEdit;
class QToolButton;

namespace korim::application {
class Solicitud;
struct Entry;
struct Shown;
struct Snapshot;
}

namespace korim::questionnaire {

class CatalogueList;
class Form1;
class GridModel;
class MaskedEdit;
class TabControl;

// A control the window makes the first time anything asks for it, or when
// its tab is about to show. Start-up needs neither the grids nor the fields
// of the tabs the clerk has not opened yet; to every other code the member
// reads as a plain pointer.
template <class W>
class Deferred {
public:
    Deferred(Form1 *owner, void (Form1::*make)())
        : owner_(owner)
        , make_(make)
    {
    }
    Deferred(const Deferred &) = delete;
    Deferred &operator=(const Deferred &) = delete;
    // Set by the code that makes it.
    Deferred &operator=(W *made)
    {
        widget_ = made;
        return *this;
    }

    W *get() const
    {
        if (!widget_)
            (owner_->*make_)();
        return widget_;
    }
    operator W *() const { return get(); }
    W *operator->() const { return get(); }
    // The control if it was made, without making it.
    W *made() const { return widget_; }

private:
    Form1 *owner_;
    void (Form1::*make_)();
    W *widget_ = nullptr;
};

class Form1 : public QWidget {
    Q_OBJECT
public:
    // Builds the window over the data folder; nothing is read yet.
    explicit Form1(const QString &dataFolder, QWidget *parent = nullptr);
    ~Form1() override;

    // The window's start-up: current year, catalogue lists, years of the sales
    // rows, the stored application, programme type, Nuevo. Throws
    // korim::data::DataError with a Spanish description naming the file when
    // the data folder cannot carry the window; the caller shows it and does not
    // show the window.
    void load();

    QString dataFolder() const;
    // The application the window shows and edits.
    application::Solicitud &application() const { return *application_; }
    // What the window shows now, typed and not yet saved included.
    application::Shown shown();
    // The printed application's input from what the window shows now.
    application::Snapshot snapshot();
    // The system date start-up reads; tests set another day before load().
    void setToday(const QDate &date) { today_ = date; }

    // Editing state and programme type.
    void Habilita(bool enabled);
    void tipoprograma();
    // Selects the option whose code is the text of TipoProg ("1", "2", "4"),
    // running its click steps; any other text selects nothing.
    void restoreProgrammeType();
    // Sets the three options to not selected (the erase command uses it).
    void uncheckProgrammeOptions();

    // Selects the list's entries in turn until one has the key; with none
    // the last stays selected.
    void busca(QComboBox *lista, const QVariant &clave);

    // The new-application routine.
    void Nuevo();

    // Toolbar: one handler for the whole button array.
    void Command1_Click(int Index);
    void CancelaCambios();
    void GrabaDatos();
    void EditaDatos();
    void BorraRegistros();
    // "Generar disco  para Zentoria": the four tables to drive A:.
    void GeneraDisco();
    // "Borrar Registro" of the products tab: the current product goes, unasked.
    void Command2_Click();

    // The RFC check: sets the application's RFCValido, shows its messages,
    // calls Habilita.
    void ValidaRFC();
    // The RFC field's text-changed handler.
    void MaskEdBox1_Change();
    // The required-data check; returns FaltanDatos (0: nothing missing).
    short DatosRequeridos();

    // What a previous run typed and did not store (form1_journal.cpp): the
    // start-up question, and the edits applied as pending changes when the
    // clerk wants them back. True when they were applied.
    bool offerRecovery();
    // The session or the program is being ended from outside: what was
    // typed reaches the disk and the window closes without asking.
    void endSession();

    // TotalPersonal and TotalVentas from their parts.
    void recomputeTotals();

    // Makes every control now.
    void makeAllControls();
    // A control of the window by its object name ("txtCalle", "Command1_6",
    // "optTipoPrograma"), made first if its tab has not made it yet; nullptr
    // when the window has none of that name or type. The other windows and
    // the tests reach the controls through here.
    QObject *controlObject(QStringView name);
    template <class W = QWidget>
    W *control(QStringView name)
    {
        return qobject_cast<W *>(controlObject(name));
    }

    // The label of a field (nullptr when it has none).
    QLabel *labelOf(const QWidget *control) const { return labels_.value(control); }

    // What the three grids show of their sources.
    GridModel *productosModel = nullptr;
    GridModel *vTotalesModel = nullptr;
    GridModel *ventasExpModel = nullptr;
    // Handlers of the sales grids (form1_grids.cpp), run by the grids.
    // dbgVTotales: the cursor arrived in a cell, an edited cell was stored,
    // the grid gained the focus.
    void totalsCellEntered(int row, int column);
    void totalsCellStored(int row, int column);
    void totalsFocusGained();
    // dbVentasTot: col 5 of the row becomes the sum of cols 2 to 4.
    void indirectRowTotal(int row);
    // Hands every open cell editor of the three grids to its table.
    void commitGridEdits();

signals:
    // Command1_Click started with this index (before the command runs).
    void commandRun(int Index);
    // The windows of the other folders, opened by whoever built this one
    // (the questionnaire cannot link to them): the print window once the
    // required data are complete, the help viewer, the About box.
    void printWindowRequested();
    void helpRequested();
    void aboutRequested();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Tab and Shift+Tab follow the keyboard order table.
    bool focusNextPrevChild(bool next) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    // The controls the handlers use; the plain fields are described in
    // their table and made from it.
    // Toolbar: indexes 0 to 9; there is no index 3.
    std::array<QToolButton *, 10> Command1{};

    // Above the tabs.
    MaskedEdit *MaskEdBox1 = nullptr;
    QLabel *lblAvisoRFC = nullptr; // the check-digit note, right of the field
    QComboBox *Combo1 = nullptr;
    QLineEdit *txtProg1 = nullptr;
    QLineEdit *txtProg2 = nullptr;
    MaskedEdit *txtanomaquila = nullptr; // txtañomaquila: identifiers stay ASCII
    MaskedEdit *txtnummaquila = nullptr;

    // Frame "Datos Generales".
    QGroupBox *fraDatosGenerales = nullptr;
    QLineEdit *txtApemat1 = nullptr;
    QLineEdit *txtnombre1 = nullptr;
    QComboBox *cmbActividad = nullptr;

    TabControl *SSTab1 = nullptr;

    // Tab 0, frame "Domicilio Fiscal".
    QGroupBox *fraDomicilioFiscal = nullptr;
    QLineEdit *txtColonia = nullptr;
    QComboBox *Combo5 = nullptr;
    QLineEdit *txtAdmLocal = nullptr;

    // Tab 2.
    Deferred<QLineEdit> NoEmpleados{this, &Form1::makeTab2};
    Deferred<QLineEdit> NoObreros{this, &Form1::makeTab2};
    Deferred<QLineEdit> TotalPersonal{this, &Form1::makeTab2};
    Deferred<QLineEdit> VentasPais{this, &Form1::makeTab2};
    Deferred<QLineEdit> VentasExterior{this, &Form1::makeTab2};
    Deferred<QLineEdit> TotalVentas{this, &Form1::makeTab2};

    // Tab 3.
    QGroupBox *fraTipoPrograma = nullptr;
    QRadioButton *chkProdFinal = nullptr;
    QRadioButton *chkrodIndirecto = nullptr;
    QRadioButton *chkAbastecedor = nullptr;
    QButtonGroup *optTipoPrograma = nullptr;
    QLineEdit *TipoProg = nullptr;
    QGroupBox *fraProductos = nullptr;
    Deferred<QTableView> dbProductos{this, &Form1::makeProductosGrid};
    QPushButton *Command2 = nullptr;

    // Tab 4.
    QLabel *lbldbgVTotales = nullptr; // the grid's caption
    Deferred<QTableView> dbgVTotales{this, &Form1::makeVTotalesGrid};
    QTextEdit *RichTextBox1 = nullptr;

    // Tab 5.
    QGroupBox *fraVentasExp = nullptr;
    QLabel *lbldbVentasTot = nullptr; // the grid's caption
    Deferred<QTableView> dbVentasTot{this, &Form1::makeVentasTotGrid};
    QTextEdit *RichTextBox2 = nullptr;

    // Tab 6.
    Deferred<QComboBox> cmbBanco{this, &Form1::makeTab6};

    // form1_layout.cpp
    void buildLayout();
    void buildToolbar();
    void buildTopRows();
    void buildGeneralFrame();
    void buildTab0(QWidget *page);
    void buildTab1(QWidget *page);
    void buildTab2(QWidget *page);
    void buildTab3(QWidget *page);
    void buildTab4(QWidget *page);
    void buildTab5(QWidget *page);
    void buildTab6(QWidget *page);
    void makeTab1();
    void makeTab2();
    void makeTab6();
    void makeLaterTab(int tab, void (Form1::*build)(QWidget *));
    static void showMadeLater(QWidget *control);
    void buildGrids();
    void makeProductosGrid();
    void makeVTotalesGrid();
    void makeVentasTotGrid();
    void makeGrid(Deferred<QTableView> &slot, QWidget *parent, const char *name, const QRect &geometry,
                  GridModel *model, const QList<int> &minimumWidths, QLabel *caption);
    // Makes what a tab about to show has not made yet.
    void makeTabContents(int tab);
    void addPlainFields(QWidget *container);
    QLineEdit *plainEdit(const char *name) const;
    QLabel *addLabel(QWidget *parent, const QString &text, const QRect &rect, QWidget *buddy);
    QLabel *addGridCaption(QWidget *parent, const char *name, const QString &text, const QRect &rect);
    void describe(QWidget *field, QLabel *label, const QString &tag, const QString &messageName);
    void markRequired(QLabel *label);
    void assignMnemonics();
    void assignTabMnemonics(QWidget *page);
    QWidget *pageOf(const QWidget *control) const;
    void setDesignedStates();
    // form1_binding.cpp
    void bindFields();
    // Maps the bound fields found under root, once the table is open.
    void mapBoundFields(QWidget *root);
    void showCurrentApplication();
    // form1_startup.cpp
    void tabChanged(int index);
    // form1_state.cpp
    void connectStateHandlers();
    void optionClicked(int code);
    void procedureTypeChosen(int index);
    void applicationAboutToMove(int action);
    // form1_lookups.cpp
    void connectListHandlers();
    void connectBankHandlers();
    void activityFocusLost();
    void bankTextEdited();
    void bankFocusLost();
    // form1_rfc.cpp
    void connectRfcHandlers();
    void rfcFocusGained();
    void rfcFocusLost();
    void programmeNumberFocusLost();
    // form1_rfcnote.cpp
    void buildRfcNote();
    // Shows the note when the field's RFC is well formed but its check digit
    // disagrees, hides it otherwise.
    void noteRfcCheckDigit();
    // form1_required.cpp
    void connectKeyFilters();
    void connectTabTotals(int tab);
    QList<QLineEdit *> requiredFields();
    // The bank entry the list shows, -1 when its text names none (typed free).
    int chosenBankEntry() const;
    // form1_commands.cpp
    void connectCommandHandlers();
    bool saveListsChosen();
    void writeOfficeActivityBank();
    void clearAfterErase();
    // form1_journal.cpp
    void connectJournal();
    // Records the clerk's changes to the controls under root.
    void watchForJournal(QWidget *root);
    void recordControl(QObject *control, const QString &key);
    void recordGridEditor(QWidget *editor);
    void applyRecovered(const QMap<QString, QJsonValue> &values);
    QSet<QObject *> journalWatched_;
    bool applyingJournal_ = false;
    bool sessionEnding_ = false;
    // form1_disco.cpp
    void reopenAfterDisk();
    int rfcCheckDepth_ = 0; // ValidaRFC runs; its boxes and refocusing are no leave of the field

    // form1_grids.cpp
    void connectGridHandlers();
    // The handlers of one grid, when it is made.
    void connectGridView(QTableView *grid);
    void showCurrentProduct(QTableView *grid);
    bool totalsExportCheck(int row);
    void totalsRecompute(int row);
    void formatExchangeRateCell(int row);
    bool storeGridValue(GridModel *model, int row, int column, const QVariant &value);
    void followGridRow(GridModel *model, int row);

    application::Solicitud *application_;
    QDate today_;
    QHash<const QWidget *, QLabel *> labels_;
    // The bank catalogue, read at start-up, and the entry its list shows
    // when the list is made.
    CatalogueList *banks_ = nullptr;
    int bankShown_ = -1;
    QList<QLabel *> labelOrder_; // as made: Alt letters are chosen in this order
    QSet<QChar> topLetters_;     // the Alt letters of the parts above the tabs
    std::array<bool, 7> tabMade_{};
    std::optional<bool> stretchEnabled_; // Habilita's last word, for tabs made later
    QDataWidgetMapper *mapper_ = nullptr;      // bound fields: shown and handed over
    QDataWidgetMapper *mirror_ = nullptr;      // txtAdmLocal: shown only
    QList<std::pair<QString, QString>> bindings_; // field of the window (by name) -> DATOPROV field
    bool mapped_ = false;
    bool loaded_ = false;
};

} // namespace korim::questionnaire

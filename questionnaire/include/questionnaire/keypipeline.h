#pragma once
// The one way typed characters reach the fields of a registered window.
//
// An application-wide event filter sees every key press and input-method
// commit before the focused widget does, also those for grid cell editors and
// editable lists created on the fly. Each character goes through three steps:
//   1. the window turns it into its upper-case form;
//   2. the field's mode: Upper keeps it, Lower turns it back into lower case,
//      Digits lets through only what SoloNumeros lets through, Untouched skips
//      steps 1 and 2;
//   3. the field's own key filter, if any (keyAscii in, keyAscii or 0 out).
// A character that comes out as 0 is dropped. A changed key is delivered as a
// new event and the original swallowed (a QKeyEvent's text cannot be changed);
// a control character a filter turns into another (Enter into Tab) is
// delivered as that other key.
//
// Text that arrives without keys (paste, drag and drop, setText) is normalised
// by the same mode: a validator on plain fields, the edit signal on list and
// cell editors (there text set by code, such as a chosen list entry, is left
// as it is). The validator touches only the stretch a change puts in, and
// nothing of a stored value shown through showStored.
//
// Mode and filter are looked up from the receiving widget upwards, so a grid's
// cell editors and an editable list's line edit follow the grid or the list.

#include <QList>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>

class QEvent;
class QKeyEvent;
class QInputMethodEvent;
class QLineEdit;
class QWidget;

namespace korim::questionnaire {

enum class KeyMode { Upper, Lower, Digits, Untouched };

// Receives the character code and returns it, a replacement, or 0 to drop it.
using KeyFilter = std::function<int(int keyAscii)>;

class KeyPipeline : public QObject {
    Q_OBJECT
public:
    // The pipeline of this application; installs itself on qApp on first use.
    static KeyPipeline &instance();

    // Keys typed anywhere in window go through the pipeline.
    void addWindow(QWidget *window);
    void removeWindow(QWidget *window);
    bool handles(const QWidget *widget) const;

    // Per-field settings. Setting a mode on a QLineEdit or an editable
    // QComboBox also normalises text that arrives without keys.
    static void setMode(QWidget *field, KeyMode mode);
    static void setKeyFilter(QWidget *field, KeyFilter filter);
    // Effective mode and filter of a widget (looked up through its parents).
    static KeyMode modeOf(const QWidget *widget);
    static KeyFilter keyFilterOf(const QWidget *widget);

    // Runs put, which sets a stored value into field: the mode leaves that
    // value as it is (it applies to what the clerk types and pastes).
    static void showStored(QWidget *field, const std::function<void()> &put);

    // The three steps for one character typed into widget; 0 drops it.
    static int processKey(const QWidget *widget, int keyAscii);
    // The mode applied to a whole text (paste and the like).
    static QString normalise(const QString &text, KeyMode mode);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    KeyPipeline();
    bool rewriteKey(QWidget *receiver, QKeyEvent *event);
    bool rewriteCommit(QWidget *receiver, QInputMethodEvent *event);
    static void attachNormaliser(QLineEdit *edit, bool useValidator);

    QSet<const QWidget *> windows_;
    // Events this filter is delivering itself: passed on to parents and cell
    // editors as they are.
    QList<const QEvent *> delivering_;
};

} // namespace korim::questionnaire

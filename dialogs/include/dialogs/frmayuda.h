#pragma once
// frmayuda, "Consideraciones para el llenado de la Solicitud": the general
// considerations (considera.txt of the data folder) shown read-only with
// their formatting, beside the questionnaire. Modeless; one at a time.

#include <QPoint>
#include <QPointer>
#include <QRect>
#include <QWidget>

class QPushButton;
class QTextEdit;

namespace korim::dialogs {

// The Resize rule in twips, from the inner area's size. Sizes below zero
// (a minimized or tiny window) become 0; the button is placed from the inner
// area's left edge.
struct AyudaLayout {
    QRect text;      // RTUltima
    int rightMargin; // RTUltima's line width
    QPoint button;   // Command2's top-left corner
};
AyudaLayout ayudaLayout(int innerWidth, int innerHeight);

class frmayuda : public QWidget {
    Q_OBJECT
public:
    // A window of its own, kept above its owner and closed with it. Closing
    // it destroys it.
    explicit frmayuda(QWidget *owner = nullptr);

    // Load: the layout, then the document. A document that cannot be read
    // is reported with the reader's description; the window stays, empty.
    void Form_Load();
    void Form_Resize();
    void Command2_Click();

    // "C:\KORIM\considera.txt" on this system.
    static QString documentPath();

    QTextEdit *RTUltima = nullptr;
    QPushButton *Command2 = nullptr;
    QTextEdit *rtfText = nullptr; // in the design, never used

protected:
    void resizeEvent(QResizeEvent *event) override;
};

// Opens the viewer, or brings the open one to the front without reading the
// document again. slot keeps the open viewer; it empties when the viewer closes.
frmayuda *showHelpViewer(QPointer<frmayuda> &slot, QWidget *owner);

} // namespace korim::dialogs

// The toolbar: one handler for the whole Command1 button array.

#include "questionnaire/form1.h"

#include <QApplication>

namespace korim::questionnaire {

void Form1::Command1_Click(int Index)
{
    // The hourglass while a command runs, the normal pointer again on every
    // way out.
    QApplication::setOverrideCursor(Qt::WaitCursor);
    struct RestorePointer {
        ~RestorePointer() { QApplication::restoreOverrideCursor(); }
    } restore;
    emit commandRun(Index);
    switch (Index) {
    case 5:
        CancelaCambios();
        break;
    default:
        // Save (1), edit (6), erase (0), diskette (2), print (7), help (4)
        // and About (9) arrive with the application commands.
        break;
    }
}

void Form1::CancelaCambios()
{
    // STUB: arrives with the application commands. The window already runs
    // it when the application's data source moves.
}

} // namespace korim::questionnaire

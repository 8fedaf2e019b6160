#include "report/support/printwindow.h"

#include "application/snapshot.h"
#include "questionnaire/form1.h"
#include "report/frmdocument.h"

namespace korim::test {

korim::report::frmDocument *openPrintWindow(korim::questionnaire::Form1 *form)
{
    return korim::report::showPrintWindow(form, [form] { return form->snapshot(); }, form->dataFolder());
}

} // namespace korim::test

#pragma once
// The print window opened beside a questionnaire as the program opens it:
// composing from what the questionnaire shows at each composition.

namespace korim::questionnaire {
class Form1;
}
namespace korim::report {
class frmDocument;
}

namespace korim::test {

korim::report::frmDocument *openPrintWindow(korim::questionnaire::Form1 *form);

} // namespace korim::test

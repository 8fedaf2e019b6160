#pragma once
// Reads what the questionnaire window shows and walks its sales and products
// sources, for the composition.

#include "report/composition.h"

namespace korim::questionnaire {
class Form1;
}

namespace korim::report {

// The window's texts and the records of dtsVTotales, dtsVentasExp and
// dtsProductos. The two sales sources get their query texts (not re-opened)
// and all three are left at their end. "No current record" skips the step
// that raised it; any other failure is thrown (korim::data::DataError).
ApplicationInput readApplication(questionnaire::Form1 &form, const QDate &today, const QLocale &locale);

} // namespace korim::report

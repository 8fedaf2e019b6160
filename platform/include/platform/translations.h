#pragma once
// Spanish texts for Qt's own widgets (standard buttons "Sí", "No",
// "Cancelar", "Aceptar", dialog titles) and the Spanish locale.

#include <QString>

class QCoreApplication;

namespace korim::platform {

// Loads qtbase_es from Qt's translations folder into app and makes Spanish
// the default locale. Without the translation file Qt's English texts stay.
void installSpanishTranslations(QCoreApplication &app);

} // namespace korim::platform

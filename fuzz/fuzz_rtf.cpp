// Rich-text reader: any bytes must load or be refused, never crash or hang.
#include "platform/rtf.h"

#include <QGuiApplication>
#include <QSizeF>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

// Fontconfig keeps every font pattern it resolves for the rest of the
// process; laying out a document that names a new face is not a leak of ours.
extern "C" const char *__lsan_default_suppressions()
{
    return "leak:libfontconfig.so\n";
}

extern "C" int LLVMFuzzerInitialize(int *argc, char ***argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    static QGuiApplication app(*argc, *argv);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t *data, std::size_t size)
{
    QTextDocument document;
    QString error;
    korim::platform::loadRtf(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), &document, &error);
    (void)document.toPlainText();
    // Laid out as the viewer shows it: tables, merged cells and lists too.
    document.setTextWidth(400);
    (void)document.size();
    return 0;
}

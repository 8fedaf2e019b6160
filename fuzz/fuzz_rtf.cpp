// Rich-text reader: any bytes must load or be refused, never crash or hang.
#include "platform/rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdint>
#include <cstdlib>

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
    return 0;
}

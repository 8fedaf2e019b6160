// Reads a rich-text file the way the help viewer does and writes its plain
// text, so that a run does the same work as a converter to plain text.
#include "platform/rtf.h"

#include <QGuiApplication>
#include <QTextDocument>

#include <cstdio>

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s file.rtf\n", argv[0]);
        return 2;
    }
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    QTextDocument document;
    QString error;
    if (!korim::platform::loadRtfFile(QString::fromLocal8Bit(argv[1]), &document, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    const QByteArray text = document.toPlainText().toUtf8();
    std::fwrite(text.constData(), 1, size_t(text.size()), stdout);
    return 0;
}

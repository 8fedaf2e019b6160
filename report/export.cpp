#include "report/export.h"

#include "application/solicitud.h"
#include "data/datasource.h"
#include "data/dbf.h"
#include "platform/messages.h"
#include "report/printing.h"

#include <QDir>
#include <QFile>
#include <QPrinter>
#include <QSaveFile>
#include <QTextDocument>

#include <cstdio>
#include <exception>

namespace korim::report {

namespace platform = korim::platform;

namespace {

void critical(const QString &text)
{
    platform::MessageRequest box;
    box.text = text;
    box.icon = platform::MsgIcon::Critical;
    platform::showMessage(nullptr, box);
}

bool compose(application::Solicitud &application, ComposedApplication *out)
{
    QString failure;
    if (std::optional<ComposedApplication> composed = composeSnapshot(
            [&application] { return application.snapshot(); }, QDate::currentDate(), QLocale::system(), &failure)) {
        *out = std::move(*composed);
        return true;
    }
    critical(QStringLiteral("No se pudo componer la solicitud.\r\r") + failure);
    return false;
}

} // namespace

bool writeApplicationText(application::Solicitud &solicitud, const QString &path)
{
    ComposedApplication application;
    if (!compose(solicitud, &application))
        return false;
    const QByteArray bytes = application.text.toUtf8();
    if (path == QLatin1String("-")) {
        const bool ok = std::fwrite(bytes.constData(), 1, std::size_t(bytes.size()), stdout) == std::size_t(bytes.size())
                        && std::fflush(stdout) == 0;
        if (!ok)
            critical(QStringLiteral("No se pudo escribir el texto de la solicitud en la salida estándar."));
        return ok;
    }
    // Whole or not at all: a half-written file would pass for the application.
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        critical(QStringLiteral("No se pudo escribir el archivo %1: %2.")
                     .arg(QDir::toNativeSeparators(path), file.errorString()));
        return false;
    }
    return true;
}

bool writeApplicationPdf(application::Solicitud &solicitud, const QString &path)
{
    ComposedApplication application;
    if (!compose(solicitud, &application))
        return false;

    QTextDocument considerations;
    QString error;
    const bool withConsiderations =
        loadConsiderations(considerationsFile(solicitud.dataFolder()), &considerations, &error);
    if (!withConsiderations && !confirmWithoutConsiderations(nullptr, error))
        return false;

    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(path);
    preparePrinter(printer);
    if (!printApplication(printer, application, withConsiderations ? &considerations : nullptr, &error)) {
        critical(QStringLiteral("No se pudo escribir la solicitud en PDF.\r\r") + error);
        return false;
    }
    return true;
}

} // namespace korim::report

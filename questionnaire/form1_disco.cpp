// GeneraDisco, "Generar disco  para Zentoria": the application saved and
// checked, four tables copied to drive A: and each one read back before the
// clerk is told it arrived.

#include "questionnaire/form1.h"

#include "application/solicitud.h"
#include "platform/messages.h"
#include "platform/places.h"
#include "application/discorules.h"
#include "questionnaire/maskededit.h"

#include <QApplication>
#include <QDir>
#include <QToolButton>


namespace korim::questionnaire {

using namespace korim::application;

namespace platform = korim::platform;

namespace {

const QString kDiskTitle = QStringLiteral("Grabar Disco");

// Which plugged-in medium is drive A:, when there are several.
int chooseMedium(QWidget *parent, const QList<platform::Medium> &media)
{
    platform::ChoiceRequest request;
    request.title = kDiskTitle;
    request.text = QStringLiteral("Elija el medio que hará de unidad A:");
    for (const platform::Medium &m : media)
        request.items << QStringLiteral("%1 (%2)").arg(m.name, QDir::toNativeSeparators(m.root));
    return platform::chooseFromList(parent, request);
}

void tell(QWidget *parent, const QString &text, const QString &title = {},
          platform::MsgIcon icon = platform::MsgIcon::None)
{
    platform::MessageRequest box;
    box.text = text;
    box.title = title;
    box.icon = icon;
    platform::showMessage(parent, box);
}

// The pointer for a stretch of the command, put back when it ends.
struct Pointer {
    explicit Pointer(Qt::CursorShape shape) { QApplication::setOverrideCursor(shape); }
    ~Pointer() { QApplication::restoreOverrideCursor(); }
    Pointer(const Pointer &) = delete;
    Pointer &operator=(const Pointer &) = delete;
};

} // namespace

void Form1::GeneraDisco()
{
    if (MaskEdBox1->maskedText().isEmpty())
        return;
    // The save runs in full with its own messages; whether it stored
    // anything does not stop the diskette.
    Command1_Click(1);
    // From the end of the save on, the normal pointer: the clerk is asked
    // and told things; only the copies keep the hourglass.
    const Pointer asking(Qt::ArrowCursor);
    if (DatosRequeridos() != 0)
        return;

    const auto place = platform::locateDriveA([this](const QList<platform::Medium> &media) {
        return chooseMedium(this, media);
    });
    if (!place)
        return;
    platform::MessageRequest question;
    question.text = QStringLiteral("Asegúrese de que el disco esté en la unidad A:");
    question.title = kDiskTitle;
    question.buttons = platform::MsgButtons::OkCancel;
    question.defaultAnswer = platform::MsgAnswer::Ok;
    question.detail = describeDriveA(*place);
    if (platform::showMessage(this, question) != platform::MsgAnswer::Ok)
        return;

    const DiskOutcome outcome = [&] {
        const Pointer copying(Qt::WaitCursor);
        return writeDisk(application_->dataFolder(), place->path);
    }();
    if (outcome.mediumIsDataFolder) {
        tell(this,
             QStringLiteral("La unidad A: es la carpeta de datos de KORIM; no se borró ni se copió nada.\r"
                            "Elija otro medio para el disco."),
             kDiskTitle, platform::MsgIcon::Critical);
    } else {
        for (bool written : outcome.written) {
            if (!written)
                tell(this, QStringLiteral("Copia incompleta verifique el\respacio en disco o utilice un disco nuevo"));
        }
        if (outcome.complete())
            tell(this, QStringLiteral("Puede retirar el disco de la unidad A:"), QStringLiteral("Disco grabado."));
        else
            tell(this,
                 QStringLiteral("El disco NO quedó completo y no debe entregarse así.\r"
                                "Genere el disco de nuevo, de preferencia en un disco nuevo."),
                 kDiskTitle, platform::MsgIcon::Critical);
    }

    reopenAfterDisk();
}

void Form1::reopenAfterDisk()
{
    const bool stored = application_->isStored();
    // A stored application is read again; the move to its record runs
    // "Cancelar cambios", which locks the window.
    application_->reopenAfterDisk();
    if (!stored)
        Command1_Click(5);
}

} // namespace korim::questionnaire

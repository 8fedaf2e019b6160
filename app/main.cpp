#include "data/datasource.h"
#include "data/dbf.h"
#include "dialogs/frmabout.h"
#include "dialogs/frmayuda.h"
#include "platform/datafolder.h"
#include "platform/messages.h"
#include "platform/translations.h"
#include "questionnaire/form1.h"

#include <korim/version.h>

#include <QApplication>
#include <QPointer>
#include <QTimer>

using namespace korim;

namespace {

int refuse(const QString &message)
{
    platform::showMessage(nullptr, {message, {}, platform::MsgButtons::Ok, platform::MsgIcon::Critical});
    return 1;
}

} // namespace

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("KORIM"));
    QApplication::setApplicationVersion(QString::fromLatin1(kVersion));
    platform::installSpanishTranslations(app);

    // The lock lives as long as the program.
    QString message;
    const auto session = platform::DataFolderSession::open(&message);
    if (!session)
        return refuse(message);

    questionnaire::Form1 window(session->folder());
    try {
        window.load();
    } catch (const data::DataError &e) {
        return refuse(e.description());
    } catch (const data::DbfError &e) {
        return refuse(e.message());
    }
    // The questionnaire asks for the auxiliary windows through its toolbar.
    QPointer<dialogs::frmayuda> helpViewer;
    QObject::connect(&window, &questionnaire::Form1::helpRequested, &window,
                     [&] { dialogs::showHelpViewer(helpViewer, &window); });
    QObject::connect(&window, &questionnaire::Form1::aboutRequested, &window, [&] { dialogs::showAbout(&window); });
    window.show();

    // Start-up measurements: leave as soon as the window has been shown once.
    if (qEnvironmentVariableIsSet("KORIM_QUIT_AFTER_SHOW"))
        QTimer::singleShot(0, &app, &QCoreApplication::quit);
    return QApplication::exec();
}

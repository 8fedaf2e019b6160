// The yardstick for start-up: the least a Qt Widgets program does to show a
// window with a seven-tab QTabWidget, then quit once it has been painted.
#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QTimer>

int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    QTabWidget tabs;
    for (int i = 1; i <= 7; ++i)
        tabs.addTab(new QLabel(QStringLiteral("Pagina %1").arg(i)), QStringLiteral("Tab %1").arg(i));
    tabs.resize(800, 600);
    tabs.show();
    // Same exit as the program under test: paint the window whole once, then leave.
    QTimer::singleShot(0, &app, [&tabs] {
        tabs.grab();
        QCoreApplication::quit();
    });
    return app.exec();
}

// Starts the program: the main window, in the process's working directory, with the files
// given on the command line opened by kind.

#include "frm_eagle.h"
#include "program_lifetime.h"
#include "program_look.h"
#include "version.h"

#include <QApplication>
#include <QTimer>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Malvor"));
    QApplication::setOrganizationName(QStringLiteral("Malvor"));  // where the choices are kept
    QApplication::setApplicationVersion(QLatin1String(malvor::version));
    malvor::use_designed_fonts();
    QApplication::setWindowIcon(malvor::program_icon());

    // The program ends when its last window closes, the About window included.
    QApplication::setQuitOnLastWindowClosed(false);
    malvor::ProgramLifetime lifetime;

    auto* window = new frm_eagle;
    window->setAttribute(Qt::WA_DeleteOnClose);
    lifetime.watch(window);
    QObject::connect(window, &frm_eagle::windowOpened, &lifetime, &malvor::ProgramLifetime::watch);
    window->show();
    // Once shown, so that a file that cannot be opened is said over the window.
    const QStringList files = QApplication::arguments().mid(1);
    if (!files.isEmpty())
        QTimer::singleShot(0, window, [window, files] { window->openFiles(files); });
    return QApplication::exec();
}

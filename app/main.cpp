// Starts the program: the main window, in the process's working directory.

#include "frm_eagle.h"
#include "program_lifetime.h"
#include "program_look.h"
#include "version.h"

#include <QApplication>

int main(int argc, char** argv)
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Malvor"));
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
    return QApplication::exec();
}

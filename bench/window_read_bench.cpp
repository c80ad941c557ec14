// Reading the 400,000-component netlist in the main window: from the press of "&Read Tango
// net" until both result lists are filled and laid out. Prints seconds and peak memory. Then
// its check against two generated libraries, off the window's thread: how long it takes, and
// the longest the window's event loop went without turning meanwhile.

#include "conversion_setup.h"
#include "file_list.h"
#include "frm_eagle.h"
#include "library_generator.h"
#include "netlist_generator.h"
#include "program_look.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QListView>
#include <QTemporaryDir>
#include <QTimer>

#include <algorithm>

#include <cstdio>
#include <fstream>
#include <string>

namespace {

// Resident memory in bytes from the kernel's record: "VmHWM:" the peak, "VmRSS:" the present
// (Linux only; 0 elsewhere).
long long memory(const char* field)
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0)
            return std::stoll(line.substr(std::char_traits<char>::length(field))) * 1024;
    }
    return 0;
}

// Starts the peak anew from the present, so that making the netlist does not count.
void restart_peak()
{
    std::ofstream("/proc/self/clear_refs") << "5";
}

}  // namespace

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    malvor::use_designed_fonts();

    const std::size_t components = argc > 1 ? std::stoul(argv[1]) : 400000;
    QTemporaryDir folder;
    qint64 netlist_size = 0;
    {
        const std::string netlist = malvor::bench::generate_netlist(components);
        netlist_size = static_cast<qint64>(netlist.size());
        QFile file(folder.filePath("bench.net"));
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(netlist.data(), netlist_size) != netlist_size)
            return 1;
    }
    restart_peak();
    const long long before = memory("VmRSS:");

    frm_eagle window(nullptr, frm_eagle::Load::now);
    window.show();
    auto* lst_open = window.findChild<malvor::FileList*>("lst_open");
    lst_open->setFolder(folder.path());
    lst_open->setFileName("bench.net");
    auto* components_list = window.findChild<QListView*>("Lst_add");
    auto* nodes_list = window.findChild<QListView*>("Lst_nodo");
    QCoreApplication::processEvents();

    QElapsedTimer timer;
    timer.start();
    window.Cmd_read_Click();
    QCoreApplication::processEvents();  // the views lay out their rows
    components_list->repaint();
    nodes_list->repaint();
    const double seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;

    const long long peak = memory("VmHWM:");
    std::printf("netlist: %zu components, %lld bytes; lists: %d components, %d nodes\n", components,
                static_cast<long long>(netlist_size), components_list->model()->rowCount(),
                nodes_list->model()->rowCount());
    std::printf("read in the window: %.3f s (target 2 s)\n", seconds);
    std::printf(
        "peak memory of the program: %.1f MB, %.2f x the netlist (target under 4); "
        "%.1f MB before the window\n",
        static_cast<double>(peak) / 1e6,
        static_cast<double>(peak) / static_cast<double>(netlist_size),
        static_cast<double>(before) / 1e6);

    QStringList libraries;
    for (const char* suffix : {"", "-B"}) {
        const std::string library = malvor::bench::generate_library(600, suffix);
        const QString path = folder.filePath(QStringLiteral("lib%1.lbr").arg(libraries.size()));
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) ||
            file.write(library.data(), static_cast<qint64>(library.size())) !=
                static_cast<qint64>(library.size()))
            return 1;
        libraries << path;
    }
    window.libraryChoice() = {libraries, {}};  // for this run only: not saved
    QElapsedTimer since_tick;
    qint64 longest_gap = 0;
    QTimer ticks;
    QObject::connect(&ticks, &QTimer::timeout,
                     [&] { longest_gap = std::max(longest_gap, since_tick.restart()); });
    ticks.start(5);
    timer.restart();
    since_tick.start();
    window.Check_Click();
    while (window.checking())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    const double check_seconds = static_cast<double>(timer.nsecsElapsed()) / 1e9;
    const auto check = window.lastCheck();
    std::printf(
        "check in the window, two libraries of 600 packages: %.3f s, %zu problems; the "
        "event loop turned at least every %lld ms meanwhile\n",
        check_seconds, check ? check->report.problems.size() : 0,
        static_cast<long long>(longest_gap));
    return 0;
}

#pragma once
// The main window: a netlist picker with its reader button, the two result lists, and the
// library picker with the writer button, shown once a netlist has been read.

#include "entry_list_model.h"
#include "file_dialogs.h"
#include "library_choice.h"
#include "message_box.h"
#include "netlist_tables.h"

#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace Ui {
class frm_eagle;
}
class frm_About;
class frm_libraries;
class frm_problems;
class frm_update;
namespace malvor {
class CheckJob;
struct CheckedNetlist;
}  // namespace malvor

class frm_eagle : public QMainWindow {
    Q_OBJECT
public:
    // Deferred leaves the window as designed, before its load sequence.
    enum class Load { now, deferred };

    explicit frm_eagle(QWidget* parent = nullptr, Load load = Load::now);
    ~frm_eagle() override;

    // How the window shows its modal messages; replaceable so that they can be observed.
    void setMessageShower(malvor::MessageShower shower) { show_message_ = std::move(shower); }
    // The About window while it is open.
    frm_About* aboutWindow() const;
    // The Libraries and the problems windows once opened (they close with the main window).
    frm_libraries* librariesWindow() const;
    frm_problems* problemsWindow() const;
    // The update window while it is open (Tools > Update board...).
    frm_update* updateWindow() const;

    // The libraries and the map that conversions and checks use, and whether "Do Eagle Net"
    // writes the board (Tools menu), as kept between runs; no libraries leaves the library
    // picked in the library list the one, as the window always had it.
    malvor::LibraryChoice& libraryChoice() { return choice_; }
    // How the file dialogs of the libraries and the map are shown.
    void setFileDialogs(malvor::FileDialogs dialogs) { dialogs_ = std::move(dialogs); }
    // Asked before a script is written despite problems: true writes it, false shows them.
    void setWriteAnywayAsker(std::function<bool(const QString& text, QWidget* parent)> asker)
    {
        ask_write_anyway_ = std::move(asker);
    }
    // How a file (the map) is opened in the system's program for it.
    void setFileOpener(std::function<bool(const QString& path)> opener)
    {
        open_file_ = std::move(opener);
    }
    // Opens files by kind, as given on the command line or dropped: a .lbr file makes the
    // libraries (all those given, in order), a .csv file the map, any other the netlist, which
    // is selected in its folder and read. Each that cannot be opened is said; the rest open.
    void openFiles(const QStringList& paths);
    // The check (or the check before a conversion) still running, if any.
    bool checking() const;
    // The last check's result, while it belongs to the netlist read.
    std::shared_ptr<const malvor::CheckedNetlist> lastCheck() const { return last_check_; }

    // The conversion fields, under the short names the program has kept from its first version:
    // percorso ("path") the folder the window opens in, the working folder; tangofile the full
    // path of the netlist last read; eaglefile the path of the script last written; eaglelib the
    // library name written into it. In `tables`: d, s, n the next component's number, the last
    // net's number and its next node's number; maxn, maxs the node matrix's column and row
    // bounds; rigo the line read last. The writer counts a signal line's characters in lun_rig;
    // "Zel1", "Zel2", ... are the names the reader gives to nets whose names are too long.
    // The paths keep the file system's exact bytes (native_names.h).
    QString percorso;
    QString tangofile;
    QString eaglefile;
    std::string eaglelib;
    malvor::NetlistTables tables;

public slots:
    void Form_Load();
    void Drive1_Change();
    void Dir1_Change();
    void Drive2_Change();
    void Dir2_Change();
    void Cmd_read_Click();
    void cmd_do_Click();
    void About_Click(int Index);
    void Libraries_Click();
    void Check_Click();
    void SuggestMap_Click();
    void OpenMap_Click();
    void UpdateBoard_Click();

signals:
    // A window of the program that keeps it running while open (the About window).
    void windowOpened(QObject* window);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // The Tools menu (frm_eagle_tools.cpp).
    void addToolsMenu();
    void report(const malvor::Message& message);
    void reveal();
    void readNetlist(const QString& path);
    // Starts the check; false after a message when there is nothing to check.
    bool startCheck(int then);
    // The libraries of Tools > Libraries and map; without any, the one picked in the library
    // list, as for a conversion.
    std::vector<std::string> chosenLibraries() const;
    void checkFinished(malvor::CheckJob* job);
    void stopChecks(bool wait);
    void writeCheckedScript(const malvor::CheckedNetlist& check);
    void writeBoard(const std::string& board);
    void showEntry(std::size_t position);
    frm_problems& problems();

    std::unique_ptr<Ui::frm_eagle> ui;
    malvor::EntryListModel components_;
    malvor::EntryListModel nodes_;
    malvor::MessageShower show_message_ = malvor::show_modal;
    QPointer<frm_About> about_window_;
    malvor::LibraryChoice choice_ = malvor::LibraryChoice::load();
    malvor::FileDialogs dialogs_ = malvor::system_file_dialogs();
    std::function<bool(const QString&, QWidget*)> ask_write_anyway_;
    std::function<bool(const QString&)> open_file_;
    QPointer<frm_libraries> libraries_window_;
    QPointer<frm_problems> problems_window_;
    QPointer<frm_update> update_window_;
    malvor::CheckJob* job_ = nullptr;  // the check whose result is awaited, a child
    std::shared_ptr<const malvor::CheckedNetlist> last_check_;
};

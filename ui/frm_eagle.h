#pragma once
// The main window: a netlist picker with its reader button, the two result lists, and the
// library picker with the writer button, shown once a netlist has been read.

#include "entry_list_model.h"
#include "message_box.h"
#include "netlist_tables.h"

#include <QMainWindow>
#include <QPointer>

#include <memory>
#include <string>

namespace Ui {
class frm_eagle;
}
class frm_About;

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

signals:
    // A window of the program that keeps it running while open (the About window).
    void windowOpened(QObject* window);

private:
    void report(const malvor::Message& message);
    void reveal();

    std::unique_ptr<Ui::frm_eagle> ui;
    malvor::EntryListModel components_;
    malvor::EntryListModel nodes_;
    malvor::MessageShower show_message_ = malvor::show_modal;
    QPointer<frm_About> about_window_;
};

// The windows at work: pickers, read and write, error boxes, and the About window.

#include "window_test_support.h"

#include "native_names.h"
#include "program_lifetime.h"
#include "temp_folder.h"

#include <QLabel>

#include <atomic>
#include <filesystem>
#include <fstream>
#include <thread>

#ifndef _WIN32
#include <sys/stat.h>
#endif

namespace {

using malvor::testing_support::read_bytes;

// The worked example with a second net, of a name too long to keep.
const std::string extra_net = "(\r\nOUTPUT_SIGNAL\r\nR1,1\r\n)\r\n";
const QByteArray amplifier =
    QByteArray::fromStdString(read_bytes(MALVOR_TEST_DATA "/worked_example.net") + extra_net);

using MainWindowTest = WindowTest;

TEST_F(MainWindowTest, PickersFollowDriveAndFolderChangesOnBothSides)
{
    const QString a = in_folder("drive_a"), b = in_folder("drive_b"),
                  missing = in_folder("no_medium");
    ASSERT_TRUE(QDir().mkpath(a + "/sub") && QDir().mkpath(b));
    for (const char* name : {"drive_a/sub/x.NET", "drive_a/sub/y.Lbr", "empty.net"})
        write_file(name);
    frm_eagle& w = open();
    read("empty.net");  // shows the library side
    for (auto [drive_name, dir_name, list, found] :
         {std::tuple("Drive1", "Dir1", "lst_open", "x.NET"),
          std::tuple("Drive2", "Dir2", "lst_lib", "y.Lbr")}) {
        SCOPED_TRACE(drive_name);
        auto* drive = child<malvor::DriveList>(w, drive_name);
        auto* dir = child<malvor::FolderList>(w, dir_name);
        drive->setRoots({b, a, missing});  // quietly on the first
        drive->setDrive(a);
        dir->setCurrentItem(dir->findItems("sub", Qt::MatchExactly).value(0));
        QTest::keyClick(dir, Qt::Key_Return);  // opens the subfolder
        EXPECT_EQ(files(list)->folder(), a + "/sub");
        EXPECT_EQ(entries(list), QStringList(found));
        drive->setDrive(missing);  // cannot be entered: the folder stays
        EXPECT_EQ(drive->drive(), missing);
        EXPECT_EQ(files(list)->folder(), a + "/sub");
        drive->setDrive(b);
        EXPECT_EQ(files(list)->folder(), b);
        drive->setDrive(a);  // back where it was last on that drive
        EXPECT_EQ(files(list)->folder(), a + "/sub");
        // Double-clicking (a click, then the double-click event) the parent above goes back up.
        choose(dir, dir->count() - 2, true);
        EXPECT_EQ(files(list)->folder(), a);
        // The drive's entry chosen again in the drop-down lists the drive from its top.
        dir->setCurrentItem(dir->findItems("sub", Qt::MatchExactly).value(0));
        QTest::keyClick(dir, Qt::Key_Return);
        ASSERT_EQ(files(list)->folder(), a + "/sub");
        drive->showPopup();
        choose(drive->view(), drive->currentIndex());
        EXPECT_EQ(dir->path(), a);
        EXPECT_EQ(files(list)->folder(), a);
    }
    EXPECT_TRUE(shown.empty());
}

// Entries that come and go while a folder is listed (a download finishing, an editor saving,
// another program's files): the pickers list it again and again without failing, and then
// show what is there.
TEST_F(MainWindowTest, PickersListAFolderWhoseEntriesChangeMeanwhile)
{
    frm_eagle& w = open();
    const std::filesystem::path root = malvor::native_path(folder);
    std::atomic<bool> stop = false;
    std::thread churn([&] {
        std::error_code ignored;
        for (int round = 0; !stop; ++round) {
            const std::filesystem::path name = root / ("churn" + std::to_string(round % 40));
            std::ofstream(std::filesystem::path(name).replace_extension(".net")) << "[\n";
            std::filesystem::create_directory(name, ignored);
            std::filesystem::remove(std::filesystem::path(name).replace_extension(".net"), ignored);
            std::filesystem::remove(name, ignored);
        }
    });
    for (int round = 0; round < 200; ++round) {
        files("lst_open")->setFolder(folder);
        files("lst_lib")->setFolder(folder);
        child<malvor::FolderList>(w, "Dir1")->setPath(folder);
        QCoreApplication::processEvents();
    }
    stop = true;
    churn.join();
    std::error_code ignored;
    for (const auto& entry : std::filesystem::directory_iterator(root))
        std::filesystem::remove(entry.path(), ignored);
    write_file("kept.net");
    files("lst_open")->setFolder(folder);
    child<malvor::FolderList>(w, "Dir1")->setPath(folder);
    EXPECT_EQ(entries("lst_open"), QStringList{"kept.net"});
    EXPECT_EQ(entries("Dir1").last(), QFileInfo(folder).fileName());
}

TEST_F(MainWindowTest, WritesTheWorkedExamplesScriptAndASecondReadReplacesTheFirst)
{
    write_file("Amp.NET", amplifier);
    write_file("MyParts.LBR");
    write_file("small.net", "[\nQ1\nTO92\nBC547\n]\n");
    frm_eagle& w = open();
    read("Amp.NET");
    EXPECT_EQ(entries("Lst_add"),
              QStringList({"001  :   R1   R0805   10k", "002  :   C1   C0805   100n"}));
    EXPECT_EQ(
        entries("Lst_nodo"), QStringList({"001-001  :   GND   R1,2", "001-002  :   GND   C1,2",
                                          "002-001  :   Zel1   R1,1"}));
    files("lst_lib")->setFileName("MyParts.LBR");
    QTest::mouseClick(child(w, "cmd_do"), Qt::LeftButton);
    const QString script = script_in_folder("amp.scr");
    ASSERT_EQ(shown.size(), 1u);
    expect_box(*shown[0], "Malvor - Info", QMessageBox::NoIcon,
               QMessageBox::Ok | QMessageBox::Cancel, "Script file saved with name:\n" + script);
    EXPECT_EQ(w.eaglefile, script);
    EXPECT_EQ(w.eaglelib, "myparts");
    EXPECT_EQ(read_bytes(script.toStdString()),
              read_bytes(MALVOR_TEST_DATA "/worked_example.scr") + "Signal Zel1 R1 1 ;\r\n");

    read("small.net");
    EXPECT_EQ(entries("Lst_add"), QStringList({"001  :   Q1   TO92   BC547"}));
    EXPECT_EQ(entries("Lst_nodo"), QStringList());
    EXPECT_EQ(w.tangofile, QDir::toNativeSeparators(in_folder("small.net")));
}

// Each error box is the only effect, apart from the reader emptying the lists before its checks.
TEST_F(MainWindowTest, ErrorBoxesChangeNothingElse)
{
    write_file("Amp.NET", amplifier);
    write_file("gone.net", amplifier);
    write_file("lib.lbr");
    frm_eagle& w = open();
    // What an error must leave as it was, named so that a failure says which changed.
    auto state = [&](bool reading) {
        return QStringList{
            "listed " + QString::number(reading ? 0 : entries("Lst_add").size()),
            "writer shown " + QString::number(visible("cmd_do")),
            w.tangofile,
            w.eaglefile,
            QString::fromStdString(w.eaglelib),
            QDir().entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot).join(' '),
            "components " + QString::number(w.tables.component_count())};
    };
    auto expect_only_error = [&](void (frm_eagle::*click)(), const QString& text) {
        SCOPED_TRACE(text.toStdString());
        const bool reading = click == &frm_eagle::Cmd_read_Click;
        const QStringList before = state(reading);
        shown.clear();
        (w.*click)();
        ASSERT_EQ(shown.size(), 1u);
        expect_box(*shown[0], "Malvor - Error", QMessageBox::Critical, QMessageBox::Ok, text);
        EXPECT_EQ(state(reading), before);
        EXPECT_EQ(entries("Lst_add").isEmpty(), reading);
    };
    expect_only_error(&frm_eagle::Cmd_read_Click, "Please select a netlist before.");
    read("Amp.NET");
    files("lst_open")->setFileName("");
    expect_only_error(&frm_eagle::Cmd_read_Click, "Please select a netlist before.");
    files("lst_open")->setFileName("gone.net");
    QFile::remove("gone.net");
    expect_only_error(
        &frm_eagle::Cmd_read_Click,
        "Cannot read the netlist:\n" + QDir::toNativeSeparators(in_folder("gone.net")) + "\n");
#ifndef _WIN32  // Windows has no FIFOs among files
    // A name that became a FIFO after it was listed must not keep the window waiting.
    write_file("pipe.net", amplifier);
    files("lst_open")->setFolder(folder);
    files("lst_open")->setFileName("pipe.net");
    QFile::remove("pipe.net");
    ASSERT_EQ(::mkfifo("pipe.net", 0600), 0);
    expect_only_error(
        &frm_eagle::Cmd_read_Click, "Cannot read the netlist:\n" + in_folder("pipe.net") + "\n");
#endif
    read("Amp.NET");
    expect_only_error(&frm_eagle::cmd_do_Click, "Please select an Eagle library before.");
#ifndef _WIN32                // nor CRs in names
    write_file("bad\r.lbr");  // a CR would end the "Use" line inside the statement
    files("lst_lib")->setFolder(folder);
    files("lst_lib")->setFileName("bad\r.lbr");
    expect_only_error(&frm_eagle::cmd_do_Click, "Cannot use the library name:\n");
#endif
    files("lst_lib")->setFileName("lib.lbr");
    QDir().mkdir("amp.scr");  // the script's name is taken by a folder
    expect_only_error(&frm_eagle::cmd_do_Click,
                      "Cannot write the script:\n" + script_in_folder("amp.scr") + "\n");
}

const QString about_text =
    "\nWritten by the Malvor developers\nContact: malvor@example.org\n"
    "Version Number: 1.00a";  // release letter: patch level 0

class AboutWindowTest : public WindowTest {
protected:
    // The About window as the menu entry opens it, over the main window (opened if need be).
    QPointer<frm_About> open_about()
    {
        (window ? *window : open()).About_Click(1);
        QPointer<frm_About> about = window->aboutWindow();
        EXPECT_TRUE(about);
        if (about)
            activate(*about);
        return about;
    }
    static QLabel* text_of(frm_About& about) { return child<QLabel>(about, "Label5"); }
};

// Opened again while open, it comes to the front as it was; after OK it is built anew.
TEST_F(AboutWindowTest, OpensOnceAndIsBuiltAnewAfterOk)
{
    QPointer<frm_About> about = open_about();
    ASSERT_TRUE(about);
    EXPECT_EQ(text_of(*about)->text(), about_text);
    text_of(*about)->setText("changed");
    about->hide();
    EXPECT_EQ(open_about().data(), about.data());
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(text_of(*about)->text(), "changed");
    QTest::mouseClick(child(*about, "cmdOK"), Qt::LeftButton);
    flush_deletions();
    EXPECT_TRUE(about.isNull());
    ASSERT_TRUE(about = open_about());
    EXPECT_EQ(text_of(*about)->text(), about_text);
}

TEST_F(AboutWindowTest, OutlivesTheMainWindowAndEndsTheProgramLast)
{
    int ended = 0;
    malvor::ProgramLifetime lifetime([&] { ++ended; });
    lifetime.watch(&open());
    QObject::connect(
        window.get(), &frm_eagle::windowOpened, &lifetime, &malvor::ProgramLifetime::watch);
    QPointer<frm_About> about = open_about();
    window->close();
    window.reset();
    ASSERT_TRUE(about);
    EXPECT_TRUE(about->isVisible());
    EXPECT_EQ(ended, 0);
    about->close();  // the title bar's close button
    flush_deletions();
    EXPECT_TRUE(about.isNull());
    EXPECT_EQ(ended, 1);
}

}  // namespace

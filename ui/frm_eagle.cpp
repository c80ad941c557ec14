#include "frm_eagle.h"

#include "ui_frm_eagle.h"

#include "check_job.h"
#include "conversion_steps.h"
#include "frm_About.h"
#include "frm_libraries.h"
#include "frm_problems.h"
#include "native_names.h"
#include "program_look.h"
#include "script_names.h"
#include "shown_text.h"

#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QLayout>
#include <QMimeData>
#include <QPushButton>
#include <QUrl>

#include <system_error>

namespace {

using malvor::error_message;
using malvor::info_message;
using malvor::reason_text;
using malvor::shown_path;

// The form holds whole point sizes only; these faces were designed at fractional ones.
void use_designed_point_sizes(Ui::frm_eagle& form)
{
    for (QLabel* label : {form.Label1, form.Label2, form.Label4}) {
        QFont font = label->font();
        font.setPointSizeF(label == form.Label4 ? 9.75 : 8.25);
        label->setFont(font);
    }
}

}  // namespace

frm_eagle::frm_eagle(QWidget* parent, Load load)
    : QMainWindow(parent),
      ui(std::make_unique<Ui::frm_eagle>()),
      components_(malvor::EntryListModel::Entries::components),
      nodes_(malvor::EntryListModel::Entries::nodes)
{
    ui->setupUi(this);
    use_designed_point_sizes(*ui);
    setWindowIcon(malvor::program_icon());
    ui->Lst_add->setModel(&components_);
    ui->Lst_nodo->setModel(&nodes_);
    // What came after the first version comes through a menu of its own and windows of its own.
    addToolsMenu();
    setAcceptDrops(true);
    // The client area below the menu bar is 443 x 428; the controls keep their places when the
    // window is resized, as the central widget has no layout. The menu bar takes what the
    // window's layout gives it (in Qt's Windows styles a pixel more than its size hint), so the
    // layout is laid out once to measure it.
    ensurePolished();
    layout()->activate();
    resize(443, height() + 428 - centralWidget()->height());

    connect(ui->Drive1, &malvor::DriveList::driveChanged, this, &frm_eagle::Drive1_Change);
    connect(ui->Dir1, &malvor::FolderList::pathChanged, this, &frm_eagle::Dir1_Change);
    connect(ui->Drive2, &malvor::DriveList::driveChanged, this, &frm_eagle::Drive2_Change);
    connect(ui->Dir2, &malvor::FolderList::pathChanged, this, &frm_eagle::Dir2_Change);
    connect(ui->Cmd_read, &QPushButton::clicked, this, &frm_eagle::Cmd_read_Click);
    connect(ui->cmd_do, &QPushButton::clicked, this, &frm_eagle::cmd_do_Click);
    connect(ui->About, &QAction::triggered, this, [this] { About_Click(1); });
    ask_write_anyway_ = [](const QString& text, QWidget* owner) {
        QMessageBox box(QMessageBox::Warning, QStringLiteral("Malvor - Warning"),
                        malvor::shown_lines(text), QMessageBox::NoButton, owner);
        box.setTextFormat(Qt::PlainText);
        QPushButton* write = box.addButton(
            QStringLiteral("&Write anyway"), QMessageBox::AcceptRole);
        box.setDefaultButton(
            box.addButton(QStringLiteral("&Show problems"), QMessageBox::RejectRole));
        box.exec();
        return box.clickedButton() == write;
    };
    open_file_ = [](const QString& path) {
        return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
    };

    if (load == Load::now)
        Form_Load();
}

frm_eagle::~frm_eagle()
{
    // A check still running reads the tables.
    stopChecks(true);
}

frm_About* frm_eagle::aboutWindow() const
{
    return about_window_;
}

frm_libraries* frm_eagle::librariesWindow() const
{
    return libraries_window_;
}

frm_problems* frm_eagle::problemsWindow() const
{
    return problems_window_;
}

bool frm_eagle::checking() const
{
    return job_ != nullptr;
}

void frm_eagle::Form_Load()
{
    percorso = malvor::working_folder();
    ui->lst_lib->setFolder(percorso);
    ui->lst_open->setFolder(percorso);
    ui->cmd_do->hide();
    ui->lst_lib->hide();
    ui->Dir2->hide();
    ui->Drive2->hide();
    ui->Label3->hide();
    ui->Label4->setText(
        malvor::shown_lines(QStringLiteral("Please, search the Tango netlist you want to convert\r"
                                           "         and then click on the button (Alt+R)")));
}

void frm_eagle::Drive1_Change()
{
    // A drive that cannot be entered leaves the folder where it was; the drive list still
    // shows the chosen drive.
    ui->Dir1->setDrive(ui->Drive1->drive());
    ui->lst_open->setFolder(ui->Dir1->path());
}

void frm_eagle::Dir1_Change()
{
    ui->lst_open->setFolder(ui->Dir1->path());
}

void frm_eagle::Drive2_Change()
{
    ui->Dir2->setDrive(ui->Drive2->drive());
    ui->lst_lib->setFolder(ui->Dir2->path());
}

void frm_eagle::Dir2_Change()
{
    // A folder that vanished since it was listed keeps the previous list, as on the netlist side.
    ui->lst_lib->setFolder(ui->Dir2->path());
}

void frm_eagle::Cmd_read_Click()
{
    components_.clear();
    nodes_.clear();
    const QByteArray name = ui->lst_open->fileNameBytes();
    if (name.isEmpty()) {
        report(error_message(QStringLiteral("Please select a netlist before.")));
        return;
    }
    // Plain joining: a folder at the root gives two separators in a row, which the file
    // system accepts.
    const QString path = QDir::toNativeSeparators(ui->lst_open->folder()) + QDir::separator() +
                         malvor::path_from_bytes(name);
    readNetlist(path);
}

void frm_eagle::readNetlist(const QString& path)
{
    // Regular files only: a FIFO or device behind a "*.net" name must not stall the window.
    auto read = malvor::read_netlist(malvor::native_path(path), malvor::ReadKind::regular_only);
    if (!read.ok()) {
        report(error_message(QStringLiteral("Cannot read the netlist:\r") + shown_path(path) +
                             u'\r' + reason_text(read.error.message())));
        return;
    }
    // A check still running reads the tables, and an earlier one's problems are of the old ones.
    stopChecks(true);
    last_check_.reset();
    if (problems_window_)
        problems_window_->setCheck(nullptr, QStringLiteral("A netlist was read: check it (F7)."));
    // The script is named after the netlist the tables hold, so both change together.
    tangofile = path;
    tables = std::move(read.value);
    components_.setTables(tables);
    nodes_.setTables(tables);
    reveal();
}

void frm_eagle::reveal()
{
    ui->cmd_do->show();
    ui->lst_lib->show();
    ui->Dir2->show();
    ui->Drive2->show();
    ui->Label3->show();
    ui->Label4->hide();
}

void frm_eagle::cmd_do_Click()
{
    if (choice_.board) {
        // A board copies the packages: the libraries are always read.
        startCheck(static_cast<int>(malvor::CheckJob::Then::board));
        return;
    }
    // One library without a map is only named in the script, as the converter names it.
    const bool only_named = choice_.map.isEmpty() && choice_.libraries.size() <= 1;
    if (!only_named) {
        startCheck(static_cast<int>(malvor::CheckJob::Then::convert));
        return;
    }
    const QByteArray library = choice_.libraries.isEmpty()
                                   ? ui->lst_lib->fileNameBytes()
                                   : malvor::path_bytes(choice_.libraries.front());
    if (library.isEmpty()) {
        report(error_message(QStringLiteral("Please select an Eagle library before.")));
        return;
    }
    auto new_eaglelib = malvor::library_name_of(library.toStdString());
    if (!new_eaglelib.ok()) {
        report(error_message(QStringLiteral("Cannot use the library name:\r") +
                             reason_text(new_eaglelib.error.message())));
        return;
    }
    const QString script =
        malvor::path_from_bytes(malvor::script_path(malvor::path_bytes(tangofile).toStdString()));
    const auto written = malvor::write_script(
        tables, new_eaglelib.value, malvor::native_path(script));
    if (!written.ok()) {
        // The fields keep naming the last script that was written.
        report(error_message(QStringLiteral("Cannot write the script:\r") + shown_path(script) +
                             u'\r' + reason_text(written.error.message())));
        return;
    }
    eaglelib = std::move(new_eaglelib.value);
    eaglefile = script;
    report(info_message(QStringLiteral("Script file saved with name:\r") + shown_path(eaglefile)));
}

void frm_eagle::About_Click(int /*Index*/)
{
    if (about_window_) {
        about_window_->show();
        about_window_->raise();
        about_window_->activateWindow();
        return;
    }
    about_window_ = new frm_About;
    emit windowOpened(about_window_);
    about_window_->show();
    about_window_->activateWindow();
}

void frm_eagle::report(const malvor::Message& message)
{
    show_message_(message, this);
}

void frm_eagle::openFiles(const QStringList& paths)
{
    QStringList libraries;
    QString netlist;
    bool chosen = false;
    for (const QString& given : paths) {
        const QString path = malvor::absolute_path(QDir::fromNativeSeparators(given));
        const QFileInfo info(path);
        std::errc reason{};
        if (!info.exists())
            reason = std::errc::no_such_file_or_directory;
        else if (info.isDir())
            reason = std::errc::is_a_directory;
        else if (!info.isReadable())
            reason = std::errc::permission_denied;
        if (reason != std::errc{}) {
            report(error_message(QStringLiteral("Cannot open the file:\r") +
                                 shown_path(QDir::toNativeSeparators(path)) + u'\r' +
                                 reason_text(std::make_error_code(reason).message())));
            continue;
        }
        const QString kind = info.suffix().toLower();
        if (kind == QLatin1String("lbr")) {
            libraries << path;
        } else if (kind == QLatin1String("csv")) {
            choice_.map = path;
            chosen = true;
        } else {
            netlist = path;
        }
    }
    if (!libraries.isEmpty()) {
        choice_.libraries = libraries;
        chosen = true;
    }
    if (chosen) {
        choice_.save();
        if (libraries_window_)
            libraries_window_->refresh();
    }
    if (netlist.isEmpty())
        return;
    // Selected in its folder, as if picked there, and read.
    const QString folder = malvor::parent_folder(netlist);
    ui->Drive1->setDrive(folder);
    ui->Dir1->setPath(folder);
    ui->lst_open->setFolder(folder);
    ui->lst_open->setFileName(malvor::name_in_path(netlist));
    components_.clear();
    nodes_.clear();
    readNetlist(QDir::toNativeSeparators(netlist));
}

void frm_eagle::dragEnterEvent(QDragEnterEvent* event)
{
    if (event->mimeData()->hasUrls())
        event->acceptProposedAction();
}

void frm_eagle::dropEvent(QDropEvent* event)
{
    QStringList paths;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            paths << url.toLocalFile();
    }
    event->acceptProposedAction();
    openFiles(paths);
}

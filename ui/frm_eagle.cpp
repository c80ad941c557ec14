#include "frm_eagle.h"

#include "ui_frm_eagle.h"

#include "check_job.h"
#include "check_report.h"
#include "conversion_steps.h"
#include "frm_About.h"
#include "frm_libraries.h"
#include "frm_problems.h"
#include "native_names.h"
#include "program_look.h"
#include "script_names.h"
#include "shown_text.h"
#include "suggested_map.h"

#include <QActionGroup>
#include <QDesktopServices>
#include <QDir>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLayout>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPushButton>
#include <QScreen>
#include <QUrl>

#include <system_error>
#include <tuple>

namespace {

using malvor::error_message;
using malvor::info_message;
using malvor::shown_path;

QString reason_text(const std::string& reason)
{
    return QString::fromLocal8Bit(reason.data(), static_cast<qsizetype>(reason.size()));
}

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
    auto* tools = new QMenu(QStringLiteral("&Tools"), this);
    tools->setObjectName(QStringLiteral("Tools"));
    QAction* libraries = tools->addAction(QStringLiteral("&Libraries and map..."));
    libraries->setObjectName(QStringLiteral("Libraries"));
    libraries->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    QAction* check = tools->addAction(QStringLiteral("&Check"));
    check->setObjectName(QStringLiteral("Check"));
    check->setShortcut(QKeySequence(Qt::Key_F7));
    check->setShortcutContext(Qt::ApplicationShortcut);  // also from the problems window
    // What "Do Eagle Net" writes: the form has no room for a choice beside the button.
    tools->addSeparator();
    auto* output = new QActionGroup(tools);
    for (auto [name, text, board] : {std::tuple("WriteScript", "Write a &script", false),
                                     std::tuple("WriteBoard", "Write a &board", true)}) {
        QAction* action = output->addAction(QString::fromLatin1(text));
        action->setObjectName(QString::fromLatin1(name));
        action->setCheckable(true);
        action->setChecked(choice_.board == board);
        connect(action, &QAction::triggered, this, [this, board] {
            choice_.board = board;
            choice_.save();
        });
    }
    tools->addActions(output->actions());
    ui->menubar->insertMenu(ui->About, tools);
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
    connect(libraries, &QAction::triggered, this, &frm_eagle::Libraries_Click);
    connect(check, &QAction::triggered, this, &frm_eagle::Check_Click);
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

frm_problems& frm_eagle::problems()
{
    if (!problems_window_) {
        problems_window_ = new frm_problems(this);
        problems_window_->setAttribute(Qt::WA_DeleteOnClose);
        connect(problems_window_, &frm_problems::checkRequested, this, &frm_eagle::Check_Click);
        connect(problems_window_, &frm_problems::suggestMapRequested, this,
                &frm_eagle::SuggestMap_Click);
        connect(problems_window_, &frm_problems::openMapRequested, this, &frm_eagle::OpenMap_Click);
        connect(problems_window_, &frm_problems::problemSelected, this, &frm_eagle::showEntry);
        connect(problems_window_, &frm_problems::closed, this, [this] {
            if (job_ && job_->then() == malvor::CheckJob::Then::show)
                stopChecks(false);
        });
    }
    problems_window_->show();
    problems_window_->raise();
    problems_window_->activateWindow();
    return *problems_window_;
}

void frm_eagle::Libraries_Click()
{
    if (!libraries_window_) {
        libraries_window_ = new frm_libraries(
            choice_, dialogs_,
            [this] {
                return tangofile.isEmpty() ? ui->lst_lib->folder()
                                           : malvor::parent_folder(tangofile);
            },
            this);
        libraries_window_->setAttribute(Qt::WA_DeleteOnClose);
    }
    libraries_window_->refresh();
    libraries_window_->show();
    libraries_window_->raise();
    libraries_window_->activateWindow();
}

void frm_eagle::Check_Click()
{
    startCheck(static_cast<int>(malvor::CheckJob::Then::show));
}

bool frm_eagle::startCheck(int then_value)
{
    const auto then = static_cast<malvor::CheckJob::Then>(then_value);
    if (tangofile.isEmpty()) {
        report(error_message(QStringLiteral("Please read a Tango net before.")));
        return false;
    }
    auto libraries = choice_.library_bytes();
    if (libraries.empty() && ui->lst_lib->isVisibleTo(this)) {
        // No libraries chosen: the one picked in the library list, as for a conversion.
        const QByteArray picked = ui->lst_lib->fileNameBytes();
        if (!picked.isEmpty())
            libraries.push_back(
                (malvor::path_bytes(ui->lst_lib->folder()) + '/' + picked).toStdString());
    }
    if (libraries.empty() && then != malvor::CheckJob::Then::show) {
        report(error_message(QStringLiteral("Please select an Eagle library before.")));
        return false;
    }
    stopChecks(false);
    job_ = new malvor::CheckJob(tables, std::move(libraries), choice_.map_bytes(), then, this);
    QPointer<malvor::CheckJob> job = job_;
    connect(job_, &QThread::finished, this, [this, job] { checkFinished(job); });
    connect(job_, &QThread::finished, job_, &QObject::deleteLater);
    if (then == malvor::CheckJob::Then::show || problems_window_)
        problems().setBusy(QStringLiteral("Checking ") +
                           shown_path(malvor::name_in_path(QDir::fromNativeSeparators(tangofile))) +
                           QStringLiteral("..."));
    setCursor(Qt::BusyCursor);
    job_->start();
    return true;
}

void frm_eagle::stopChecks(bool wait)
{
    if (job_) {
        job_->cancel();
        job_ = nullptr;
        unsetCursor();
        if (problems_window_ && problems_window_->busy())
            problems_window_->setCheck(nullptr, QStringLiteral("The check was cancelled."));
    }
    if (!wait)
        return;
    for (auto* job : findChildren<malvor::CheckJob*>(Qt::FindDirectChildrenOnly)) {
        job->cancel();
        job->wait();
    }
}

void frm_eagle::checkFinished(malvor::CheckJob* job)
{
    if (!job || job != job_)
        return;  // cancelled, or replaced by a later check
    job_ = nullptr;
    unsetCursor();
    const bool showing = job->then() == malvor::CheckJob::Then::show;
    std::shared_ptr<malvor::CheckedNetlist> check = job->takeResult();
    if (!check) {
        const QString reason =
            reason_text(std::make_error_code(std::errc::not_enough_memory).message());
        if (problems_window_)
            problems_window_->setCheck(nullptr, reason);
        report(error_message(QStringLiteral("Cannot check the netlist:\r") + shown_path(tangofile) +
                             u'\r' + reason));
        return;
    }
    if (!check->read.ok()) {
        QStringList lines;
        for (const auto& line : malvor::setup_error_lines(*check->read.error))
            lines << QString::fromStdString(line);
        if (check->read.error->kind == malvor::SetupError::Kind::map_errors) {
            // Many lines, listed where the map is chosen.
            Libraries_Click();
            libraries_window_->showMapErrors(lines);
            if (problems_window_)
                problems_window_->setCheck(
                    nullptr, QStringLiteral("Not checked: the map has errors (see Libraries)."));
            return;
        }
        if (problems_window_)
            problems_window_->setCheck(nullptr, QStringLiteral("Not checked: ") + lines.value(0));
        report(error_message(QStringLiteral("Cannot use the libraries or the map:\r") +
                             lines.value(0)));
        return;
    }
    if (libraries_window_)
        libraries_window_->showMapErrors({});
    last_check_ = check;
    if (showing || problems_window_)
        problems().setCheck(last_check_);
    if (showing)
        return;
    if (job->then() == malvor::CheckJob::Then::board) {
        if (check->board)
            writeBoard(*check->board);
        else
            problems().setCheck(last_check_);  // what keeps the board from being written
        return;
    }
    const auto& found = check->report.problems;
    if (!found.empty()) {
        const QString text = QStringLiteral("The check found problems that would stop EAGLE:\r") +
                             QString::fromStdString(malvor::check_summary(found.size(), tables));
        if (!ask_write_anyway_(text, this)) {
            problems().setCheck(last_check_);
            return;
        }
    }
    writeCheckedScript(*check);
}

void frm_eagle::writeCheckedScript(const malvor::CheckedNetlist& check)
{
    const QString script =
        malvor::path_from_bytes(malvor::script_path(malvor::path_bytes(tangofile).toStdString()));
    const malvor::ScriptLibraries libraries = malvor::script_libraries(*check.choices);
    const auto written = malvor::write_file_atomically(
        malvor::native_path(script),
        [&](const auto& write) { malvor::write_eagle_script(check.tables, libraries, write); });
    if (!written.ok()) {
        report(error_message(QStringLiteral("Cannot write the script:\r") + shown_path(script) +
                             u'\r' + reason_text(written.error.message())));
        return;
    }
    std::string names;
    for (const auto& name : libraries.names)
        names += (names.empty() ? "" : " ") + name;
    eaglelib = std::move(names);
    eaglefile = script;
    report(info_message(QStringLiteral("Script file saved with name:\r") + shown_path(eaglefile)));
}

void frm_eagle::writeBoard(const std::string& board)
{
    const QString path =
        malvor::path_from_bytes(malvor::board_path(malvor::path_bytes(tangofile).toStdString()));
    const auto written = malvor::write_file_atomically(
        malvor::native_path(path), [&](const auto& write) { write(board); });
    if (!written.ok()) {
        report(error_message(QStringLiteral("Cannot write the board:\r") + shown_path(path) +
                             u'\r' + reason_text(written.error.message())));
        return;
    }
    report(info_message(QStringLiteral("Board file saved with name:\r") + shown_path(path)));
}

void frm_eagle::showEntry(std::size_t position)
{
    if (!last_check_)
        return;
    const auto entry = malvor::problem_entry(tables, position);
    if (entry.list == malvor::ProblemEntry::List::none)
        return;
    QAbstractItemView* view = entry.list == malvor::ProblemEntry::List::components ? ui->Lst_add
                                                                                   : ui->Lst_nodo;
    const QModelIndex index = view->model()->index(static_cast<int>(entry.row), 0);
    if (!index.isValid())
        return;  // the lists were emptied by a read that failed
    view->setCurrentIndex(index);
    view->scrollTo(index, QAbstractItemView::PositionAtCenter);
}

void frm_eagle::SuggestMap_Click()
{
    if (!last_check_ || !last_check_->choices) {
        report(error_message(QStringLiteral("Please check the netlist before.")));
        return;
    }
    const QString netlist = QDir::fromNativeSeparators(tangofile);
    const QString proposed = QDir::toNativeSeparators(malvor::child_path(
        malvor::parent_folder(netlist),
        QFileInfo(malvor::name_in_path(netlist)).completeBaseName() + "-map.csv"));
    QWidget* parent = problems_window_ ? static_cast<QWidget*>(problems_window_) : this;
    const QString path = dialogs_.save_map(parent, proposed);
    if (path.isEmpty())
        return;
    const std::string text = malvor::suggested_map(last_check_->tables, *last_check_->choices);
    const auto written = malvor::write_file_atomically(
        malvor::native_path(path), [&](const auto& write) { write(text); });
    if (!written.ok()) {
        report(error_message(QStringLiteral("Cannot write the map:\r") + shown_path(path) + u'\r' +
                             reason_text(written.error.message())));
        return;
    }
    choice_.map = path;
    choice_.save();
    if (libraries_window_)
        libraries_window_->refresh();
}

void frm_eagle::OpenMap_Click()
{
    if (choice_.map.isEmpty()) {
        report(error_message(QStringLiteral("Please choose a map before.")));
        return;
    }
    if (!open_file_(choice_.map))
        report(error_message(QStringLiteral("Cannot open the map:\r") + shown_path(choice_.map)));
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

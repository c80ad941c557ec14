// The main window's Tools menu and what it opens: the libraries and the map, the check and its
// problems, the suggested map, and the script or board written from a checked netlist.
#include "frm_eagle.h"

#include "ui_frm_eagle.h"

#include "check_job.h"
#include "check_report.h"
#include "conversion_steps.h"
#include "frm_libraries.h"
#include "frm_problems.h"
#include "native_names.h"
#include "script_names.h"
#include "shown_text.h"
#include "suggested_map.h"

#include <QActionGroup>
#include <QDir>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>

#include <system_error>
#include <tuple>

using malvor::error_message;
using malvor::info_message;
using malvor::reason_text;
using malvor::shown_path;

void frm_eagle::addToolsMenu()
{
    auto* tools = new QMenu(QStringLiteral("&Tools"), this);
    tools->setObjectName(QStringLiteral("Tools"));
    QAction* libraries = tools->addAction(QStringLiteral("&Libraries and map..."));
    libraries->setObjectName(QStringLiteral("Libraries"));
    libraries->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    QAction* check = tools->addAction(QStringLiteral("&Check"));
    check->setObjectName(QStringLiteral("Check"));
    check->setShortcut(QKeySequence(Qt::Key_F7));
    check->setShortcutContext(Qt::ApplicationShortcut);  // also from the problems window
    QAction* update = tools->addAction(QStringLiteral("&Update board..."));
    update->setObjectName(QStringLiteral("UpdateBoard"));
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
    connect(libraries, &QAction::triggered, this, &frm_eagle::Libraries_Click);
    connect(check, &QAction::triggered, this, &frm_eagle::Check_Click);
    connect(update, &QAction::triggered, this, &frm_eagle::UpdateBoard_Click);
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

std::vector<std::string> frm_eagle::chosenLibraries() const
{
    auto libraries = choice_.library_bytes();
    if (libraries.empty() && ui->lst_lib->isVisibleTo(this)) {
        const QByteArray picked = ui->lst_lib->fileNameBytes();
        if (!picked.isEmpty())
            libraries.push_back(
                (malvor::path_bytes(ui->lst_lib->folder()) + '/' + picked).toStdString());
    }
    return libraries;
}

bool frm_eagle::startCheck(int then_value)
{
    const auto then = static_cast<malvor::CheckJob::Then>(then_value);
    if (tangofile.isEmpty()) {
        report(error_message(QStringLiteral("Please read a Tango net before.")));
        return false;
    }
    auto libraries = chosenLibraries();
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

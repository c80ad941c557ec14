#include "frm_problems.h"

#include "check_report.h"
#include "program_look.h"
#include "window_button.h"

#include <QCloseEvent>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QShortcut>
#include <QTreeView>
#include <QVBoxLayout>

frm_problems::frm_problems(QWidget* parent) : QWidget(parent, Qt::Window), problems_(this)
{
    setObjectName(QStringLiteral("frm_problems"));
    setWindowTitle(QStringLiteral("Malvor - Problems"));
    setWindowIcon(malvor::program_icon());
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("lbl_count"));
    count_->setTextFormat(Qt::PlainText);
    busy_ = new QProgressBar(this);
    busy_->setObjectName(QStringLiteral("bar_busy"));
    busy_->setRange(0, 0);  // as long as it takes
    busy_->setTextVisible(false);
    list_ = new QTreeView(this);
    list_->setObjectName(QStringLiteral("lst_problems"));
    list_->setRootIsDecorated(false);
    list_->setUniformRowHeights(true);  // hundreds of thousands of rows
    list_->setAllColumnsShowFocus(true);
    list_->setModel(&problems_);
    list_->header()->setStretchLastSection(true);
    list_->header()->resizeSection(malvor::ProblemListModel::line_column, 60);
    auto* check = malvor::window_button(QStringLiteral("&Check (F7)"), "cmd_check", this);
    suggest_ = malvor::window_button(QStringLiteral("&Suggest map..."), "cmd_suggest", this);
    auto* open_map = malvor::window_button(QStringLiteral("&Open map"), "cmd_open_map", this);
    auto* close = malvor::window_button(QStringLiteral("Close"), "cmd_close", this);
    auto* buttons = new QHBoxLayout;
    for (QPushButton* each : {check, suggest_, open_map})
        buttons->addWidget(each);
    buttons->addStretch();
    buttons->addWidget(close);
    auto* column = new QVBoxLayout(this);
    column->addWidget(count_);
    column->addWidget(busy_);
    column->addWidget(list_, 1);
    column->addLayout(buttons);

    connect(check, &QPushButton::clicked, this, &frm_problems::checkRequested);
    connect(suggest_, &QPushButton::clicked, this, &frm_problems::suggestMapRequested);
    connect(open_map, &QPushButton::clicked, this, &frm_problems::openMapRequested);
    connect(close, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    connect(list_->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this] {
        if (const malvor::Problem* problem = selectedProblem())
            emit problemSelected(problem->position);
    });
    setCheck(nullptr, QStringLiteral("Not checked yet."));
    resize(900, 300);
}

void frm_problems::setBusy(const QString& text)
{
    problems_.setCheck(nullptr);
    count_->setText(text);
    busy_->show();
    suggest_->setEnabled(false);
}

void frm_problems::setCheck(std::shared_ptr<const malvor::CheckedNetlist> check,
                            const QString& text)
{
    busy_->hide();
    suggest_->setEnabled(check != nullptr);
    if (!check) {
        problems_.setCheck(nullptr);
        count_->setText(text);
        return;
    }
    const std::size_t count = check->report.problems.size();
    const std::string summary = malvor::check_summary(count, check->tables);
    count_->setText(count == 0 ? QStringLiteral("No problems, ") +
                                     QString::fromStdString(summary.substr(summary.find(", ") + 2))
                               : QString::fromStdString(summary));
    problems_.setCheck(std::move(check));
}

bool frm_problems::busy() const
{
    return busy_->isVisibleTo(this);
}

const malvor::Problem* frm_problems::selectedProblem() const
{
    const QModelIndex current = list_->currentIndex();
    return current.isValid() ? problems_.problem(current.row()) : nullptr;
}

void frm_problems::closeEvent(QCloseEvent* event)
{
    emit closed();
    event->accept();
}

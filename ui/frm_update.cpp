#include "frm_update.h"

#include "native_names.h"
#include "program_look.h"
#include "window_button.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QShortcut>
#include <QVBoxLayout>

frm_update::frm_update(QString board, std::unique_ptr<malvor::CheckedUpdate> update,
                       QWidget* parent)
    : QWidget(parent, Qt::Window), board_(std::move(board)), update_(std::move(update))
{
    setObjectName(QStringLiteral("frm_update"));
    setWindowTitle(QStringLiteral("Malvor - Update board"));
    setWindowIcon(malvor::program_icon());
    count_ = new QLabel(this);
    count_->setObjectName(QStringLiteral("lbl_count"));
    count_->setTextFormat(Qt::PlainText);
    count_->setText(malvor::shown_path(board_) + QStringLiteral(": ") +
                    QString::fromStdString(malvor::change_count_line(update_->changes.size())));
    list_ = new QListWidget(this);
    list_->setObjectName(QStringLiteral("lst_changes"));
    list_->setUniformItemSizes(true);
    for (const auto& change : update_->changes)
        list_->addItem(QString::fromStdString(malvor::change_line(change)));
    auto* apply = malvor::window_button(QStringLiteral("&Update"), "cmd_update", this);
    auto* cancel = malvor::window_button(QStringLiteral("Cancel"), "cmd_cancel", this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(apply);
    buttons->addWidget(cancel);
    auto* column = new QVBoxLayout(this);
    column->addWidget(count_);
    column->addWidget(list_, 1);
    column->addLayout(buttons);
    connect(apply, &QPushButton::clicked, this, &frm_update::write);
    connect(cancel, &QPushButton::clicked, this, &QWidget::close);
    connect(new QShortcut(QKeySequence(Qt::Key_Escape), this), &QShortcut::activated, this,
            &QWidget::close);
    resize(700, 300);
}

frm_update::~frm_update() = default;

void frm_update::write()
{
    const auto failed = malvor::write_board_update(
        malvor::path_bytes(board_).toStdString(), *update_);
    QString error;
    if (failed)
        error = malvor::shown_path(malvor::path_from_bytes(failed->path)) + u'\r' +
                QString::fromStdString(failed->reason.message());
    close();
    emit written(board_, error);
}

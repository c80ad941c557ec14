#pragma once
// The problems window: what the check found, one row per problem with the netlist's line and
// the converter's message, under a count; the check again, the suggested map, and the map
// opened in the system's editor. Selecting a problem reports it, for the main window to show
// its entry.

#include "problem_list_model.h"

#include <QWidget>

class QLabel;
class QProgressBar;
class QPushButton;
class QTreeView;

class frm_problems : public QWidget {
    Q_OBJECT
public:
    explicit frm_problems(QWidget* parent = nullptr);

    // While the check runs: a busy bar, and no suggestion from an older check.
    void setBusy(const QString& text);
    // The check's result, or null with a text that says why there is none.
    void setCheck(std::shared_ptr<const malvor::CheckedNetlist> check, const QString& text = {});
    bool busy() const;
    // The problem in the selected row, or null.
    const malvor::Problem* selectedProblem() const;
    malvor::ProblemListModel& problems() { return problems_; }

signals:
    void checkRequested();
    void suggestMapRequested();
    void openMapRequested();
    void problemSelected(std::size_t position);
    // Closed by the user: a check still running is of no use any more.
    void closed();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    malvor::ProblemListModel problems_;
    QLabel* count_;
    QProgressBar* busy_;
    QTreeView* list_;
    QPushButton* suggest_;
};

#include "problem_list_model.h"

#include "check_report.h"
#include "shown_text.h"

namespace malvor {

void ProblemListModel::setCheck(std::shared_ptr<const CheckedNetlist> check)
{
    beginResetModel();
    check_ = std::move(check);
    notes_.clear();
    if (check_)
        notes_ = libraries_without_packages(check_->library_paths, check_->read.setup);
    endResetModel();
}

const Problem* ProblemListModel::problem(int row) const
{
    const auto index = static_cast<std::size_t>(row) - notes_.size();
    if (!check_ || row < static_cast<int>(notes_.size()) || index >= check_->report.problems.size())
        return nullptr;
    return &check_->report.problems[index];
}

int ProblemListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !check_)
        return 0;
    return static_cast<int>(notes_.size() + check_->report.problems.size());
}

int ProblemListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 2;
}

QVariant ProblemListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return {};
    const Problem* found = problem(index.row());
    if (!found) {
        if (index.column() == line_column)
            return QString();
        return QString::fromStdString(notes_[static_cast<std::size_t>(index.row())]);
    }
    if (index.column() == line_column)
        return QString::number(found->line);
    // As the converter prints it: control characters and bytes that are no UTF-8 as \xHH.
    return QString::fromStdString(shown(check_->report.message(*found)));
}

QVariant ProblemListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    return section == line_column ? QStringLiteral("Line") : QStringLiteral("Problem");
}

}  // namespace malvor

#include "entry_list_model.h"

#include <QStringDecoder>

#include <algorithm>
#include <climits>

namespace malvor {

EntryListModel::EntryListModel(Entries entries, QObject* parent)
    : QAbstractListModel(parent), entries_(entries)
{
}

void EntryListModel::setTables(const NetlistTables& tables)
{
    beginResetModel();
    tables_ = &tables;
    endResetModel();
}

void EntryListModel::clear()
{
    beginResetModel();
    tables_ = nullptr;
    endResetModel();
}

int EntryListModel::rowCount(const QModelIndex& parent) const
{
    if (parent.isValid() || !tables_)
        return 0;
    const Count rows = entries_ == Entries::components ? tables_->component_count()
                                                       : tables_->node_line_count();
    return static_cast<int>(std::min<Count>(rows, INT_MAX));
}

QVariant EntryListModel::data(const QModelIndex& index, int role) const
{
    if (role != Qt::DisplayRole || !tables_ || !index.isValid() || index.row() >= rowCount())
        return {};
    return displayed(entries_ == Entries::components ? tables_->component_entry(index.row() + 1)
                                                     : tables_->node_entry(index.row()));
}

QString EntryListModel::displayed(const std::string& bytes)
{
    QStringDecoder utf8(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString text = utf8(QByteArrayView(bytes.data(), static_cast<qsizetype>(bytes.size())));
    if (utf8.hasError())
        text = QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
    return text;
}

}  // namespace malvor

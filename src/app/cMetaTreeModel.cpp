#include "cMetaTreeModel.h"

#include <QHash>

void cMetaTreeModel::SetNodes(QList<cMetaTreeBuilder::cNode> colNodes, const QBrush& brsDisabled)
{
    beginResetModel();
    m_nodes = std::move(colNodes);
    m_brsDisabled = brsDisabled;
    m_fntGroup = QFont();
    m_fntGroup.setBold(true);
    const size_t n = static_cast<size_t>(m_nodes.size());
    m_parents.assign(n, -1);
    m_rows.assign(n, 0);
    m_children.assign(n, {});
    m_roots.clear();
    // Only groups are parents, and a group comes before its first child.
    QHash<QString, int> groups;
    for (int i = 0; i < static_cast<int>(n); ++i) {
        const cMetaTreeBuilder::cNode& node = m_nodes.at(i);
        const int intParent
            = node.strParentKey.isEmpty() ? -1 : groups.value(node.strParentKey, -1);
        auto& siblings = intParent < 0 ? m_roots : m_children[static_cast<size_t>(intParent)];
        m_parents[static_cast<size_t>(i)] = intParent;
        m_rows[static_cast<size_t>(i)] = static_cast<int>(siblings.size());
        siblings.push_back(i);
        if (!node.blnItem)
            groups.insert(node.strKey, i);
    }
    endResetModel();
}

const std::vector<int>& cMetaTreeModel::children(const QModelIndex& parent) const
{
    return parent.isValid() ? m_children[parent.internalId()] : m_roots;
}

QModelIndexList cMetaTreeModel::fncParents() const
{
    QModelIndexList parents;
    for (size_t i = 0; i < m_children.size(); ++i) {
        if (!m_children[i].empty())
            parents.append(createIndex(m_rows[i], 0, static_cast<quintptr>(i)));
    }
    return parents;
}

QModelIndex cMetaTreeModel::index(int row, int column, const QModelIndex& parent) const
{
    const std::vector<int>& siblings = children(parent);
    if (column != 0 || row < 0 || row >= static_cast<int>(siblings.size()))
        return QModelIndex();
    return createIndex(row, 0, static_cast<quintptr>(siblings[static_cast<size_t>(row)]));
}

QModelIndex cMetaTreeModel::parent(const QModelIndex& child) const
{
    if (!child.isValid())
        return QModelIndex();
    const int intParent = m_parents[child.internalId()];
    if (intParent < 0)
        return QModelIndex();
    return createIndex(m_rows[static_cast<size_t>(intParent)], 0, static_cast<quintptr>(intParent));
}

int cMetaTreeModel::rowCount(const QModelIndex& parent) const
{
    if (parent.column() > 0)
        return 0;
    return static_cast<int>(children(parent).size());
}

int cMetaTreeModel::columnCount(const QModelIndex&) const
{
    return 1;
}

bool cMetaTreeModel::hasChildren(const QModelIndex& parent) const
{
    return rowCount(parent) > 0;
}

QVariant cMetaTreeModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid())
        return QVariant();
    const cMetaTreeBuilder::cNode& node = m_nodes.at(static_cast<qsizetype>(index.internalId()));
    switch (role) {
    case Qt::DisplayRole:
        return node.strText;
    case Qt::UserRole:
        return node.strKey;
    case Qt::FontRole:
        return node.blnItem ? QVariant() : QVariant(m_fntGroup);
    case Qt::ForegroundRole:
        return node.blnItem && !node.blnEnabled ? QVariant(m_brsDisabled) : QVariant();
    default:
        return QVariant();
    }
}

#pragma once

#include "cMetaTreeBuilder.h"

#include <QAbstractItemModel>
#include <QBrush>
#include <QFont>
#include <vector>

// The nodes of the tree view for one metadata list. The view asks only for the rows it draws,
// so a list of thousands of items costs a few arrays instead of an item object per node.
// Groups are bold, disabled items drawn with the disabled brush; the node's key is its
// Qt::UserRole.
class cMetaTreeModel : public QAbstractItemModel
{
    Q_OBJECT

public:
    using QAbstractItemModel::QAbstractItemModel;

    void SetNodes(QList<cMetaTreeBuilder::cNode> colNodes, const QBrush& brsDisabled);

    QModelIndex index(
        int row, int column, const QModelIndex& parent = QModelIndex()) const override;
    QModelIndex parent(const QModelIndex& child) const override;
    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    bool hasChildren(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    // Every node that has children, parents before their children.
    QModelIndexList fncParents() const;

private:
    const std::vector<int>& children(const QModelIndex& parent) const;

    QList<cMetaTreeBuilder::cNode> m_nodes;
    std::vector<int> m_parents; // node -> its parent node, -1 for a root
    std::vector<int> m_rows; // node -> its row below its parent
    std::vector<std::vector<int>> m_children; // node -> its child nodes
    std::vector<int> m_roots;
    QFont m_fntGroup;
    QBrush m_brsDisabled;
};

#pragma once

#include <QList>
#include <QString>

class cMetaDictionary;

// The nodes of the tree view for one metadata list, in the order they are added. Items are
// grouped by super category (when the list has that caption) and category; every key is
// unique and every group node is made once, when its first item is met.
class cMetaTreeBuilder
{
public:
    struct cNode
    {
        QString strKey;
        QString strParentKey; // empty for a root node
        QString strText;
        bool blnItem = false;
        bool blnEnabled = true;
    };

    // strNone is the text of the group of items without a super category or category.
    static QList<cNode> Build(const cMetaDictionary& objList, const QString& strNone);
};

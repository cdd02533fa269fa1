#include "cMetaTreeBuilder.h"

#include "cDictionary.h"
#include "cMetaDictionary.h"

#include <QHash>
#include <QSet>

namespace {
// A group is looked up by its text, folded, within its scope: a super category, a category
// below a given super category group, or a category of a list without super categories.
struct cGroupKey
{
    int intScope;
    QString strText;
};

bool operator==(const cGroupKey& a, const cGroupKey& b) noexcept
{
    return a.intScope == b.intScope && fncSameKey(a.strText, b.strText);
}

size_t qHash(const cGroupKey& key, size_t seed = 0) noexcept
{
    return qHash(cFoldedKey { key.strText }, seed) ^ static_cast<size_t>(key.intScope + 3);
}

constexpr int intSuperScope = -1;
constexpr int intCategoryScope = -2;

// Keys compare without regard to case, like the group dictionaries that decide which group an
// item joins. Lookups hash the texts in place: a list of thousands of items is built per tab
// switch, and a folded copy per item and lookup used to be most of its cost.
class cTree
{
public:
    QList<cMetaTreeBuilder::cNode> colNodes;

    void subReserve(qsizetype intItems)
    {
        colNodes.reserve(intItems + 64);
        m_keys.reserve(intItems + 64);
    }

    // The group found under strText in intScope, made when missing (its wanted key is made only
    // then); returns the group's number, which is the scope of the groups below it.
    template <typename WantedKey>
    int fncGroup(int intScope, const QString& strText, WantedKey fncWantedKey,
        const QString& strParentKey, const QString& strNodeText)
    {
        const qsizetype before = m_groups.size();
        int& slot = m_groups[cGroupKey { intScope, strText }];
        if (m_groups.size() == before)
            return slot;
        slot = static_cast<int>(m_groupKeys.size());
        m_groupKeys.append(fncAdd(fncWantedKey(), strParentKey, strNodeText, false, true));
        return slot;
    }

    const QString& fncGroupKey(int intGroup) const { return m_groupKeys.at(intGroup); }

    QString fncAdd(const QString& strWantedKey, const QString& strParentKey, const QString& strText,
        bool blnItem, bool blnEnabled)
    {
        // Captions and names are free text, so two different groups can spell the same key
        // ("sub_a_b" + "c" and "sub_a" + "b_c"); a number makes the second one unique.
        QString strKey = strWantedKey;
        for (int n = 2; !fncInsertKey(strKey); ++n)
            strKey = strWantedKey + QLatin1Char('#') + QString::number(n);
        colNodes.append({ strKey, strParentKey, strText, blnItem, blnEnabled });
        return strKey;
    }

private:
    bool fncInsertKey(const QString& strKey)
    {
        const qsizetype before = m_keys.size();
        m_keys.insert(cFoldedKey { strKey });
        return m_keys.size() != before;
    }

    QHash<cGroupKey, int> m_groups;
    QList<QString> m_groupKeys;
    QSet<cFoldedKey> m_keys;
};
} // namespace

QList<cMetaTreeBuilder::cNode> cMetaTreeBuilder::Build(
    const cMetaDictionary& objList, const QString& strNone)
{
    cTree tree;
    tree.subReserve(objList.MetaDic.Count());
    const bool blnSuper = !objList.SuperCategoryCaption.trimmed().isEmpty();
    const QString strNoCategory = strNone + QLatin1Char(' ');
    for (const auto& entry : objList.MetaDic) {
        const cMetaData& objMeta = entry.second;
        const QString strCategory = objMeta.Category.trimmed();
        const QString& strCategoryText = strCategory.isEmpty() ? strNoCategory : strCategory;
        int intGroup = 0;
        if (blnSuper) {
            const QString strSuper = objMeta.SuperCategory.trimmed();
            const QString& strSuperText = strSuper.isEmpty() ? strNone : strSuper;
            const int intSuper = tree.fncGroup(
                intSuperScope, strSuperText, [&]() -> QString { return strSuperText; }, QString(),
                strSuperText);
            intGroup = tree.fncGroup(
                intSuper, strCategory,
                [&]() -> QString {
                    return QStringLiteral("sub_") + strSuperText + QLatin1Char('_') + strCategory;
                },
                tree.fncGroupKey(intSuper), strCategoryText);
        } else {
            intGroup = tree.fncGroup(
                intCategoryScope, strCategory,
                [&]() -> QString { return QStringLiteral("sub") + strCategory; }, QString(),
                strCategoryText);
        }
        const QString& strParent = tree.fncGroupKey(intGroup);
        tree.fncAdd(QStringLiteral("lev3_") + strParent + QLatin1Char('_') + entry.first, strParent,
            entry.first, true, objMeta.Enabled);
    }
    return tree.colNodes;
}

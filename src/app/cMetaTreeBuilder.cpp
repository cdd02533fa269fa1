#include "cMetaTreeBuilder.h"

#include "cMetaDictionary.h"
#include "modKeyFolding.h"

#include <QHash>
#include <QSet>

namespace {
// Keys compare without regard to case, like the group dictionaries that decide which group an
// item joins.
class cTree
{
public:
    QList<cMetaTreeBuilder::cNode> colNodes;

    void subReserve(qsizetype intItems)
    {
        colNodes.reserve(intItems + 64);
        m_keys.reserve(intItems + 64);
    }

    // The key of the group found under strLookup (already case-folded), made when missing.
    QString fncGroup(const QString& strLookup, const QString& strWantedKey,
        const QString& strParentKey, const QString& strText)
    {
        const auto it = m_groups.constFind(strLookup);
        if (it != m_groups.cend())
            return *it;
        const QString strKey = fncAdd(strWantedKey, strParentKey, strText, false, true);
        m_groups.insert(strLookup, strKey);
        return strKey;
    }

    QString fncAdd(const QString& strWantedKey, const QString& strParentKey, const QString& strText,
        bool blnItem, bool blnEnabled)
    {
        // Captions and names are free text, so two different groups can spell the same key
        // ("sub_a_b" + "c" and "sub_a" + "b_c"); a number makes the second one unique.
        QString strKey = strWantedKey;
        QString strFolded = fncFoldKey(strKey);
        for (int n = 2; m_keys.contains(strFolded); ++n) {
            strKey = strWantedKey + QLatin1Char('#') + QString::number(n);
            strFolded = fncFoldKey(strKey);
        }
        m_keys.insert(strFolded);
        colNodes.append({ strKey, strParentKey, strText, blnItem, blnEnabled });
        return strKey;
    }

private:
    QHash<QString, QString> m_groups;
    QSet<QString> m_keys;
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
        const QString strCategoryText = strCategory.isEmpty() ? strNoCategory : strCategory;
        QString strParent;
        if (blnSuper) {
            const QString strSuper = objMeta.SuperCategory.trimmed();
            const QString strSuperText = strSuper.isEmpty() ? strNone : strSuper;
            strParent = tree.fncGroup(
                QLatin1Char('1') + fncFoldKey(strSuperText), strSuperText, QString(), strSuperText);
            strParent
                = tree.fncGroup(QLatin1Char('2') + strParent + QChar(0) + fncFoldKey(strCategory),
                    QStringLiteral("sub_") + strSuperText + QLatin1Char('_') + strCategory,
                    strParent, strCategoryText);
        } else {
            strParent = tree.fncGroup(QLatin1Char('3') + fncFoldKey(strCategory),
                QStringLiteral("sub") + strCategory, QString(), strCategoryText);
        }
        tree.fncAdd(QStringLiteral("lev3_") + strParent + QLatin1Char('_') + entry.first, strParent,
            entry.first, true, objMeta.Enabled);
    }
    return tree.colNodes;
}

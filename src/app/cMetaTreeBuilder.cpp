#include "cMetaTreeBuilder.h"

#include "cDictionary.h"
#include "cMetaDictionary.h"

namespace {
class cTree
{
public:
    QList<cMetaTreeBuilder::cNode> colNodes;

    // Adds a group node under its wanted key unless that group exists; returns its key.
    QString fncGroup(const QString& strGroupKey, const QString& strParentKey, const QString& strText)
    {
        const QString strLookup = strParentKey + QChar(0) + strGroupKey;
        if (m_dicGroups.Exists(strLookup))
            return m_dicGroups.Item(strLookup);
        const QString strKey = fncAdd(strGroupKey, strParentKey, strText, false, true);
        m_dicGroups.Add(strLookup, strKey);
        return strKey;
    }

    QString fncAdd(const QString& strWantedKey, const QString& strParentKey, const QString& strText,
        bool blnItem, bool blnEnabled)
    {
        // Captions and names are free text, so two different groups can spell the same key
        // ("sub_a_b" + "c" and "sub_a" + "b_c"); a number makes the second one unique.
        QString strKey = strWantedKey;
        for (int n = 2; m_dicKeys.Exists(strKey); ++n)
            strKey = strWantedKey + QLatin1Char('#') + QString::number(n);
        m_dicKeys.Add(strKey, true);
        colNodes.append({ strKey, strParentKey, strText, blnItem, blnEnabled });
        return strKey;
    }

private:
    cDictionary<QString> m_dicGroups = fncCreateDic<QString>();
    cDictionary<bool> m_dicKeys = fncCreateDic<bool>();
};
} // namespace

QList<cMetaTreeBuilder::cNode> cMetaTreeBuilder::Build(
    const cMetaDictionary& objList, const QString& strNone)
{
    cTree tree;
    const bool blnSuper = !objList.SuperCategoryCaption.trimmed().isEmpty();
    const QString strNoCategory = strNone + QLatin1Char(' ');
    for (const auto& entry : objList.MetaDic) {
        const cMetaData& objMeta = entry.second;
        const QString strCategory = objMeta.Category.trimmed();
        QString strParent;
        if (blnSuper) {
            const QString strSuper = objMeta.SuperCategory.trimmed();
            const QString strSuperText = strSuper.isEmpty() ? strNone : strSuper;
            strParent = tree.fncGroup(strSuperText, QString(), strSuperText);
            strParent = tree.fncGroup(QStringLiteral("sub_") + strSuperText + QLatin1Char('_') + strCategory,
                strParent, strCategory.isEmpty() ? strNoCategory : strCategory);
        } else {
            strParent = tree.fncGroup(QStringLiteral("sub") + strCategory, QString(),
                strCategory.isEmpty() ? strNoCategory : strCategory);
        }
        tree.fncAdd(QStringLiteral("lev3_") + strParent + QLatin1Char('_') + entry.first, strParent,
            entry.first, true, objMeta.Enabled);
    }
    return tree.colNodes;
}

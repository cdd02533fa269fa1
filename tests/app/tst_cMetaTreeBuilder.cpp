#include "cMetaDictionary.h"
#include "cMetaTreeBuilder.h"

#include <QSet>
#include <gtest/gtest.h>

namespace {
using Node = cMetaTreeBuilder::cNode;

struct Item
{
    const char* name;
    const char* category;
    const char* super;
};

cMetaDictionary fncList(
    std::initializer_list<Item> items, const char* categoryCaption, const char* superCaption)
{
    cMetaDictionary objList;
    objList.Caption = QStringLiteral("Customer");
    objList.CategoryCaption = QString::fromUtf8(categoryCaption);
    objList.SuperCategoryCaption = QString::fromUtf8(superCaption);
    for (const Item& item : items)
        objList.AddMeta(QString::fromUtf8(item.name), QString::fromUtf8(item.category), cCurrency(),
            0, QString::fromUtf8(item.super), true);
    return objList;
}

// Parent text / text lines, so a test can read the tree's shape.
QStringList fncShape(const QList<Node>& nodes)
{
    QHash<QString, QString> texts;
    QStringList lines;
    for (const Node& n : nodes) {
        texts.insert(n.strKey, n.strText);
        lines.append(
            (n.strParentKey.isEmpty() ? QString() : texts.value(n.strParentKey) + QLatin1Char('/'))
            + n.strText);
    }
    return lines;
}

void fncExpectSound(const QList<Node>& nodes)
{
    QSet<QString> keys;
    for (const Node& n : nodes) {
        EXPECT_FALSE(keys.contains(n.strKey.toCaseFolded())) << n.strKey.toStdString();
        if (!n.strParentKey.isEmpty()) {
            EXPECT_TRUE(keys.contains(n.strParentKey.toCaseFolded())) << "parent after child";
        }
        keys.insert(n.strKey.toCaseFolded());
    }
}
} // namespace

TEST(MetaTreeBuilder, GroupsBySuperCategoryAndCategoryEachGroupOnce)
{
    const auto nodes = cMetaTreeBuilder::Build(
        fncList({ { "Acme", "North", "Norway" }, { "Beta", "South", "Norway" },
                    { "Gamma", "north", "NORWAY" }, { "Delta", "", "" }, { "Eps", "West", "" },
                    { "Zeta", "North", "" } },
            "Region", "Country"),
        QStringLiteral("None"));
    fncExpectSound(nodes);
    EXPECT_EQ(fncShape(nodes),
        QStringList({ "Norway", "Norway/North", "North/Acme", "Norway/South", "South/Beta",
            "North/Gamma", "None", "None/None ", "None /Delta", "None/West", "West/Eps",
            "None/North", "North/Zeta" }));
    EXPECT_EQ(nodes.at(0).strKey, QStringLiteral("Norway"));
    EXPECT_EQ(nodes.at(1).strKey, QStringLiteral("sub_Norway_North"));
}

TEST(MetaTreeBuilder, CategoryOnlyListsGroupByCategoryAnEmptyOneGivesNoNodes)
{
    const auto nodes = cMetaTreeBuilder::Build(
        fncList({ { "Acme", "Big", "ignored" }, { "Beta", "", "" }, { "Gamma", "big", "" } },
            "Size", ""),
        QStringLiteral("Ingen"));
    fncExpectSound(nodes);
    EXPECT_EQ(
        fncShape(nodes), QStringList({ "Big", "Big/Acme", "Ingen ", "Ingen /Beta", "Big/Gamma" }));
    EXPECT_TRUE(
        cMetaTreeBuilder::Build(fncList({}, "Size", ""), QStringLiteral("Ingen")).isEmpty());
}

TEST(MetaTreeBuilder, GroupsJoinRegardlessOfCaseInAnyScript)
{
    const auto nodes = cMetaTreeBuilder::Build(
        fncList({ { "Acme", "\u00c4rzte", "\u00d6sterreich" },
                    { "Beta", "\u00e4RZTE", "\u00f6STERREICH" },
                    { "Gamma", "\u0394\u03ad\u03bb\u03c4\u03b1", "Wien" },
                    { "Delta", "\u03b4\u0388\u039b\u03a4\u0391", "wIEN" } },
            "Cat", "Super"),
        QStringLiteral("None"));
    fncExpectSound(nodes);
    EXPECT_EQ(fncShape(nodes),
        QStringList(
            { QString::fromUtf8("\u00d6sterreich"), QString::fromUtf8("\u00d6sterreich/\u00c4rzte"),
                QString::fromUtf8("\u00c4rzte/Acme"), QString::fromUtf8("\u00c4rzte/Beta"),
                QStringLiteral("Wien"), QString::fromUtf8("Wien/\u0394\u03ad\u03bb\u03c4\u03b1"),
                QString::fromUtf8("\u0394\u03ad\u03bb\u03c4\u03b1/Gamma"),
                QString::fromUtf8("\u0394\u03ad\u03bb\u03c4\u03b1/Delta") }));
}

TEST(MetaTreeBuilder, KeysThatSpellTheSameStayUnique)
{
    // "sub_" + "a_b" + "_" + "c" and "sub_" + "a" + "_" + "b_c" are the same text.
    const auto nodes = cMetaTreeBuilder::Build(
        fncList(
            { { "One", "c", "a_b" }, { "Two", "b_c", "a" }, { "None", "", "" } }, "Cat", "Super"),
        QStringLiteral("None"));
    fncExpectSound(nodes);
    int intItems = 0;
    for (const Node& n : nodes)
        intItems += n.blnItem ? 1 : 0;
    EXPECT_EQ(intItems, 3);
}

TEST(MetaTreeBuilder, DisabledItemsAreMarked)
{
    cMetaDictionary objList = fncList({ { "Acme", "North", "" } }, "Region", "");
    objList.AddMeta(
        QStringLiteral("Old"), QStringLiteral("North"), cCurrency(), 7, QString(), false);
    const auto nodes = cMetaTreeBuilder::Build(objList, QStringLiteral("None"));
    ASSERT_EQ(nodes.size(), 3);
    EXPECT_TRUE(nodes.at(1).blnEnabled);
    EXPECT_FALSE(nodes.at(2).blnEnabled);
    EXPECT_TRUE(nodes.at(2).blnItem);
}

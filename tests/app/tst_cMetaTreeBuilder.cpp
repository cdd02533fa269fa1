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
    bool enabled = true;
};

// The nodes built for a list, one "parent text/text" line each, an item's text followed by "*"
// ("-" when disabled). The nodes must come parents first, their keys unique regardless of case.
QStringList fncShape(const QList<Item>& items, const char* categoryCaption,
    const char* superCaption, const char* none, QList<Node>* built = nullptr)
{
    cMetaDictionary objList;
    objList.Caption = QStringLiteral("Customer");
    objList.CategoryCaption = QString::fromUtf8(categoryCaption);
    objList.SuperCategoryCaption = QString::fromUtf8(superCaption);
    for (const Item& item : items)
        objList.AddMeta(QString::fromUtf8(item.name), QString::fromUtf8(item.category), cCurrency(),
            0, QString::fromUtf8(item.super), item.enabled);
    const QList<Node> nodes = cMetaTreeBuilder::Build(objList, QString::fromUtf8(none));
    QSet<QString> keys;
    QHash<QString, QString> texts;
    QStringList lines;
    for (const Node& n : nodes) {
        EXPECT_FALSE(keys.contains(n.strKey.toCaseFolded())) << n.strKey.toStdString();
        if (!n.strParentKey.isEmpty()) {
            EXPECT_TRUE(keys.contains(n.strParentKey.toCaseFolded())) << "parent after child";
        }
        keys.insert(n.strKey.toCaseFolded());
        texts.insert(n.strKey, n.strText);
        lines.append(
            (n.strParentKey.isEmpty() ? QString() : texts.value(n.strParentKey) + QLatin1Char('/'))
            + n.strText
            + (!n.blnItem          ? ""
                    : n.blnEnabled ? "*"
                                   : "-"));
    }
    if (built)
        *built = nodes;
    return lines;
}
} // namespace

TEST(MetaTreeBuilder, GroupsBySuperCategoryAndCategoryEachGroupOnce)
{
    QList<Node> nodes;
    EXPECT_EQ(fncShape({ { "Acme", "North", "Norway" }, { "Beta", "South", "Norway" },
                           { "Gamma", "north", "NORWAY" }, { "Delta", "", "" },
                           { "Eps", "West", "" }, { "Zeta", "North", "" } },
                  "Region", "Country", "None", &nodes),
        QStringList({ "Norway", "Norway/North", "North/Acme*", "Norway/South", "South/Beta*",
            "North/Gamma*", "None", "None/None ", "None /Delta*", "None/West", "West/Eps*",
            "None/North", "North/Zeta*" }));
    EXPECT_EQ(nodes.at(0).strKey, QStringLiteral("Norway"));
    EXPECT_EQ(nodes.at(1).strKey, QStringLiteral("sub_Norway_North"));
}

TEST(MetaTreeBuilder, ShapesOfTheTree)
{
    struct Case
    {
        const char* what;
        QList<Item> items;
        const char* category;
        const char* super;
        const char* none;
        QStringList shape;
    };
    const Case cases[] = {
        { "category only, the super-category ignored",
            { { "Acme", "Big", "ignored" }, { "Beta", "", "" }, { "Gamma", "big", "" } }, "Size",
            "", "Ingen", { "Big", "Big/Acme*", "Ingen ", "Ingen /Beta*", "Big/Gamma*" } },
        { "an empty list", {}, "Size", "", "Ingen", {} },
        { "case joins groups in any script",
            { { "Acme", "\u00c4rzte", "\u00d6sterreich" },
                { "Beta", "\u00e4RZTE", "\u00f6STERREICH" },
                { "Gamma", "\u0394\u03ad\u03bb\u03c4\u03b1", "Wien" },
                { "Delta", "\u03b4\u0388\u039b\u03a4\u0391", "wIEN" } },
            "Cat", "Super", "None",
            { "\u00d6sterreich", "\u00d6sterreich/\u00c4rzte", "\u00c4rzte/Acme*",
                "\u00c4rzte/Beta*", "Wien", "Wien/\u0394\u03ad\u03bb\u03c4\u03b1",
                "\u0394\u03ad\u03bb\u03c4\u03b1/Gamma*",
                "\u0394\u03ad\u03bb\u03c4\u03b1/Delta*" } },
        // "sub_" + "a_b" + "_" + "c" and "sub_" + "a" + "_" + "b_c" are the same text.
        { "keys that spell the same stay unique",
            { { "One", "c", "a_b" }, { "Two", "b_c", "a" }, { "None", "", "" } }, "Cat", "Super",
            "None",
            { "a_b", "a_b/c", "c/One*", "a", "a/b_c", "b_c/Two*", "None", "None/None ",
                "None /None*" } },
        { "disabled items are marked", { { "Acme", "North", "" }, { "Old", "North", "", false } },
            "Region", "", "None", { "North", "North/Acme*", "North/Old-" } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(fncShape(c.items, c.category, c.super, c.none), c.shape);
    }
}

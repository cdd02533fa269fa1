#include "TestSupport.h"
#include "cDictionary.h"

TEST(cDictionary, KeysIgnoreCaseKeepInsertionOrderAndStayReachableAfterRemovals)
{
    auto dic = fncCreateDic<int>();
    dic.Add(QStringLiteral("Beta"), 2);
    dic.Add(QStringLiteral("alpha"), 1);
    EXPECT_TRUE(dic.Exists(QStringLiteral("BETA")));
    dic.Set(QStringLiteral("ALPHA"), 10);
    EXPECT_EQ(dic.StoredKey(QStringLiteral("ALPHA")), QStringLiteral("alpha"));
    EXPECT_EQ(dic.Keys(), (QStringList { "Beta", "alpha" }));
    EXPECT_EQ(dic.Items(), (QList<int> { 2, 10 }));

    // Removing keeps every other key reachable.
    dic.RemoveAll();
    const QStringList keys { "Acme", "Beta", "Gamma", "Delta", "Epsilon" };
    for (int i = 0; i < keys.size(); ++i)
        dic.Add(keys.at(i), i);
    EXPECT_TRUE(dic.Remove(QStringLiteral("BETA")));
    dic.Remove(QStringLiteral("epsilon"));
    EXPECT_FALSE(dic.Remove(QStringLiteral("Beta")));
    EXPECT_EQ(dic.Keys(), (QStringList { "Acme", "Gamma", "Delta" }));
    for (const QString& key : dic.Keys())
        EXPECT_EQ(dic.Item(key.toUpper()), keys.indexOf(key)) << key.toStdString();
    EXPECT_EQ(dic.At(2).first, QStringLiteral("Delta"));
    // A removed key can come back; it goes to the end.
    dic.Add(QStringLiteral("beta"), 10);
    EXPECT_EQ(dic.Keys().last(), QStringLiteral("beta"));
    EXPECT_EQ(dic.Count(), 4);
    dic.RemoveAll();
    EXPECT_TRUE(dic.isEmpty());
    EXPECT_FALSE(dic.Exists(QStringLiteral("acme")));
}

// One folding for every key: the folded text, the comparison and the dictionary's hash agree.
TEST(KeyFolding, LettersOfEveryScriptMeetTheirOtherCaseAndMissingOrDuplicateKeysAreErrors)
{
    struct Pair
    {
        const char* a;
        const char* b;
        bool same;
    };
    const Pair pairs[] = {
        { "Ärzte", "äRZTE", true }, { "Ärzte", "Arzte", false },
        { "ΣΟΦΙΑΣ", "σοφιας", true }, // final sigma
        { "İzmir", "izmir", true }, // as PostgreSQL's lower() has it
        { "ılık", "ILIK", false }, { "Straße", "STRASSE", false }, { "ẞ", "ß", true },
        { "a@[", "A`{", false }, // ASCII that is not a letter
        { "\u212Aelvin", "kelvin", true }, // Kelvin sign
        { "\xF0\x90\x90\x80x", "\xF0\x90\x90\xA8X", true }, // outside the basic plane
    };
    for (const Pair& p : pairs) {
        const QString a = QString::fromUtf8(p.a);
        const QString b = QString::fromUtf8(p.b);
        EXPECT_EQ(fncSameKey(a, b), p.same) << p.a << " " << p.b;
        EXPECT_EQ(fncFoldKey(a) == fncFoldKey(b), p.same) << p.a << " " << p.b;
        auto dic = fncCreateDic<int>();
        dic.Add(a, 1);
        EXPECT_EQ(dic.Exists(b), p.same) << p.a << " " << p.b;
        if (p.same) {
            EXPECT_EQ(qHash(cFoldedKey { a }), qHash(cFoldedKey { b })) << p.a;
        }
    }

    // Missing and duplicate keys are errors.
    auto dic = fncCreateDic<QString>();
    dic.Add(QStringLiteral("Ärzte"), QStringLiteral("a"));
    const cHVError missing = hvtest::errorOf([&] { dic.Item(QStringLiteral("Nobody")); });
    EXPECT_EQ(missing.Number(), 5);
    EXPECT_TRUE(missing.Description().contains(QStringLiteral("Nobody")));
    EXPECT_EQ(dic.Value(QStringLiteral("Nobody"), QStringLiteral("fallback")),
        QStringLiteral("fallback"));
    // Set on a missing key adds it; through Item a value is changed in place.
    dic.Set(QStringLiteral("New"), QStringLiteral("c"));
    dic.Item(QStringLiteral("NEW")) = QStringLiteral("d");
    EXPECT_EQ(dic.Items(), (QList<QString> { "a", "d" }));
    EXPECT_EQ(
        hvtest::errorOf([&] { dic.Add(QStringLiteral("ärzte"), QStringLiteral("dup")); }).Number(),
        457);
    EXPECT_EQ(dic.Item(QStringLiteral("ÄRZTE")), QStringLiteral("a"));
}

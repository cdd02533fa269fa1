#include "cDictionary.h"

#include <gtest/gtest.h>

TEST(cDictionary, KeysIgnoreCaseAndKeepInsertionOrder)
{
    auto dic = fncCreateDic<int>();
    dic.Add(QStringLiteral("Beta"), 2);
    dic.Add(QStringLiteral("alpha"), 1);
    dic.Add(QStringLiteral("Gamma"), 3);
    EXPECT_TRUE(dic.Exists(QStringLiteral("BETA")));
    EXPECT_EQ(dic.Item(QStringLiteral("ALPHA")), 1);
    EXPECT_EQ(dic.Keys(), (QStringList { "Beta", "alpha", "Gamma" }));
    EXPECT_THROW(dic.Add(QStringLiteral("gamma"), 4), cHVError);

    EXPECT_TRUE(dic.Remove(QStringLiteral("beta")));
    EXPECT_EQ(dic.Keys(), (QStringList { "alpha", "Gamma" }));
    // The index stays right after a removal in front of an entry.
    EXPECT_EQ(dic.Item(QStringLiteral("gamma")), 3);
    dic.Set(QStringLiteral("GAMMA"), 30);
    EXPECT_EQ(dic.StoredKey(QStringLiteral("gamma")), QStringLiteral("Gamma"));
    EXPECT_EQ(dic.Items(), (QList<int> { 1, 30 }));
}

#include "TestSupport.h"
#include "cRecordset.h"
#include "cSimpleList.h"

#include <gtest/gtest.h>

namespace {
RecordsetPtr nameRows(const QVariantList& names)
{
    auto rs = std::make_shared<cRecordset>();
    rs->AppendField(QStringLiteral("intID"), eFieldType::Long);
    rs->AppendField(QStringLiteral("strName"), eFieldType::Text, 255);
    int id = 0;
    for (const QVariant& n : names)
        rs->AppendRow({ ++id, n });
    if (rs->RecordCount() > 0)
        rs->MoveFirst();
    return rs;
}

// What the other settings' save reads its stored names with.
TEST(cSimpleList, FromRSSkipsNullsAndLaterCaseVariants)
{
    auto rs = nameRows(
        { QStringLiteral("One"), QVariant(), QStringLiteral("one"), QStringLiteral("Two") });
    cSimpleList list;
    list.FromRS(*rs);
    EXPECT_TRUE(rs->Eof());
    EXPECT_EQ(list.ToArray(), (QStringList { "One", "Two" }));
}

} // namespace

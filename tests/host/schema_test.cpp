#include <gtest/gtest.h>

#include <twfile/host/error.h>
#include <twfile/host/schema.h>

namespace {

TEST(Schema, NamesOfAnAttribute) {
    CTWDB_Table orders("ORDERS");
    CTWDB_Attribute qty(&orders, "QTY", TWDB_Integer);
    EXPECT_STREQ(qty.GetAttributeName(), "QTY");
    EXPECT_STREQ(qty.GetTableAttributeName(), "ORDERS.QTY");
    EXPECT_STREQ(qty.GetUniqueName(), "ORDERS.QTY");
    EXPECT_EQ(qty.GetOwnerTable(), &orders);
    EXPECT_EQ(qty.GetDataType(), TWDB_Integer);

    CTWDB_Attribute loose(nullptr, "X", TWDB_String);
    EXPECT_STREQ(loose.GetTableAttributeName(), "X");
    CTWDB_Table nameless(nullptr);
    EXPECT_EQ(nameless.GetTableName(), nullptr);
}

TEST(Schema, AttributeListTellsWhetherATableTakesPart) {
    CTWDB_Table a("A");
    CTWDB_Table b("B");
    CTWDB_Attribute x(&a, "X", TWDB_Integer);
    CTWDB_AttributeList list;
    EXPECT_EQ(list.InList(&a), 0);
    list.AddTail(&x);
    EXPECT_EQ(list.InList(&a), 1);
    EXPECT_EQ(list.InList(&b), 0);
    EXPECT_TRUE(list.GetRuntimeClass()->IsDerivedFrom(RUNTIME_CLASS(CPtrList)));
}

}  // namespace

#include <gtest/gtest.h>

#include <string>

#include <twfile/framework/cmd_target.h>
#include <twfile/framework/message_box.h>
#include <twfile/framework/ptr_list.h>
#include <twfile/framework/string_map.h>

#include "support/support.h"

namespace {

TEST(CMapStringToString, LookupSetAndIterate) {
    CMapStringToString map;
    map["b"] = "2";
    map.SetAt("a", "1");
    map["b"] = "";
    CString value;
    EXPECT_TRUE(map.Lookup("b", value));
    EXPECT_STREQ(value, "");
    EXPECT_FALSE(map.Lookup("c", value));
    EXPECT_EQ(map.GetCount(), 2);
    std::string keys;
    CString key;
    for (POSITION pos = map.GetStartPosition(); pos != nullptr;) {
        map.GetNextAssoc(pos, key, value);
        keys += key.GetString();
    }
    EXPECT_EQ(keys, "ab");
    EXPECT_TRUE(map.RemoveKey("a"));
    EXPECT_FALSE(map.RemoveKey("a"));
}

TEST(CRuntimeClass, RecordsNameBaseAndDerivation) {
    CPtrList list;
    const CRuntimeClass* record = list.GetRuntimeClass();
    EXPECT_STREQ(record->m_lpszClassName, "CPtrList");
    EXPECT_TRUE(record->IsDerivedFrom(RUNTIME_CLASS(CObject)));
    EXPECT_FALSE(record->IsDerivedFrom(RUNTIME_CLASS(CCmdTarget)));
    EXPECT_TRUE(list.IsKindOf(RUNTIME_CLASS(CPtrList)));
    EXPECT_EQ(record->CreateObject(), nullptr);  // not creatable
    EXPECT_EQ(RUNTIME_CLASS(CCmdTarget)->GetBaseClass(), RUNTIME_CLASS(CObject));
}

TEST(AfxMessageBox, GoesToTheInstalledHandler) {
    twtest::MessageRecorder recorder;
    EXPECT_EQ(AfxMessageBox("hello"), IDOK);
    AfxMessageBox(nullptr);
    ASSERT_EQ(recorder.texts().size(), 2u);
    EXPECT_EQ(recorder.texts()[0], "hello");
    EXPECT_EQ(recorder.texts()[1], "");
}

TEST(AfxMessageBox, NullRestoresTheDefaultHandler) {
#ifdef _WIN32
    GTEST_SKIP() << "the default handler shows a modal message box on Windows";
#endif
    AfxMessageBoxHandler previous = AfxSetMessageBoxHandler(nullptr);
    ::testing::internal::CaptureStderr();
    AfxMessageBox("to standard error");
    EXPECT_EQ(::testing::internal::GetCapturedStderr(), "to standard error\n");
    AfxSetMessageBoxHandler(previous);
}

}  // namespace

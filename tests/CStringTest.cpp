#include <gtest/gtest.h>

#include "platform/CString.h"

namespace {

TEST(CString, EmptyTextHasNoStorageAndReadsAsEmpty) {
    CString s;
    EXPECT_EQ(sizeof(CString), sizeof(void*));
    EXPECT_TRUE(s.IsEmpty());
    EXPECT_STREQ(s.GetString(), "");
    EXPECT_EQ(s.Find('x'), CString::npos);
}

TEST(CString, CopiesAreIndependent) {
    CString a("abc");
    CString b = a;
    b += 'd';
    a.MakeLower();
    EXPECT_EQ(a, "abc");
    EXPECT_EQ(b, "abcd");
    CString c;
    c = b;
    b.Empty();
    EXPECT_EQ(c, "abcd");
}

TEST(CString, HoldsEveryByteValueIncludingZero) {
    std::string all;
    for (int i = 0; i < 256; ++i) all += static_cast<char>(i);
    CString s(all);
    EXPECT_EQ(s.GetLength(), 256u);
    EXPECT_EQ(s.View(), all);
    CString t;
    for (char c : all) t += c;
    EXPECT_EQ(t, s);
}

TEST(CString, FindSearchesPastEmbeddedZeros) {
    CString s(std::string_view("a\0b:c", 5));
    EXPECT_EQ(s.Find(':'), 3);
    EXPECT_EQ(s.Find("b:"), 2);
    EXPECT_EQ(s.Find('a', 1), CString::npos);
    EXPECT_EQ(s.Find('c', 99), CString::npos);
}

TEST(CString, SubstringsClampToTheText) {
    CString s("hello");
    EXPECT_EQ(s.Left(2), "he");
    EXPECT_EQ(s.Left(99), "hello");
    EXPECT_EQ(s.Mid(3), "lo");
    EXPECT_EQ(s.Mid(9), "");
    EXPECT_EQ(s.Mid(1, 2), "el");
    EXPECT_EQ(s.Mid(4, 9), "o");
    EXPECT_EQ(s.Right(3), "llo");
    EXPECT_EQ(s.Right(9), "hello");
}

struct TrimCase {
    const char* name;
    const char* input;
    const char* left;
    const char* right;

    friend void PrintTo(const TrimCase& c, std::ostream* os) { *os << c.name; }
};

class CStringTrim : public ::testing::TestWithParam<TrimCase> {};

TEST_P(CStringTrim, RemovesOnlySpaceTabVerticalTabAndFormFeed) {
    CString left(GetParam().input);
    left.TrimLeft();
    EXPECT_EQ(left, GetParam().left);
    CString right(GetParam().input);
    right.TrimRight();
    EXPECT_EQ(right, GetParam().right);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, CStringTrim,
    ::testing::Values(TrimCase{"spaces", "  x  ", "x  ", "  x"},
                      TrimCase{"tab_vertical_tab_form_feed", "\t\v\fx\f\v\t", "x\f\v\t", "\t\v\fx"},
                      TrimCase{"only_blanks", "   ", "", ""}, TrimCase{"empty", "", "", ""},
                      TrimCase{"carriage_return_kept", "\rx\r", "\rx\r", "\rx\r"},
                      TrimCase{"no_break_space_kept", "\xA0x\xA0", "\xA0x\xA0", "\xA0x\xA0"}),
    [](const ::testing::TestParamInfo<TrimCase>& info) { return std::string(info.param.name); });

TEST(CString, MakeLowerChangesOnlyAsciiCapitals) {
    CString s("Duo-Art \xC4\xD6 ZZ@[");
    s.MakeLower();
    EXPECT_EQ(s, "duo-art \xC4\xD6 zz@[");
}

TEST(CString, RemoveAndDelete) {
    CString s("a\nb\n\nc\n");
    EXPECT_EQ(s.Remove('\n'), 4u);
    EXPECT_EQ(s, "abc");
    EXPECT_EQ(s.Delete(1, 1), 2u);
    EXPECT_EQ(s, "ac");
    EXPECT_EQ(s.Delete(1, 50), 1u);
    EXPECT_EQ(s, "a");
    EXPECT_EQ(s.Delete(5, 1), 1u);
    CString n("\n\n");
    n.Remove('\n');
    EXPECT_TRUE(n.IsEmpty());
}

TEST(CString, AppendingAPartOfItselfIsSafe) {
    CString s("abc");
    for (int i = 0; i < 6; ++i) s += s;
    EXPECT_EQ(s.GetLength(), 3u * 64u);
    EXPECT_EQ(s.Right(6), "abcabc");
    s.Append(s.GetString() + 1, 2);
    EXPECT_EQ(s.Right(3), "cbc");
}

TEST(CString, Concatenation) {
    CString a("x");
    EXPECT_EQ(a + "y", "xy");
    EXPECT_EQ("w" + a, "wx");
    EXPECT_EQ(a + CString("z"), "xz");
    EXPECT_EQ(a + 'q', "xq");
}

}  // namespace

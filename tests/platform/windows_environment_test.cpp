// The Windows tests stand in for our players' machines only if Windows (Wine here) runs with
// the Chinese ANSI code page: two-byte WM_CHAR messages are converted through it.
#include <windows.h>

#include <gtest/gtest.h>

TEST(WindowsEnvironment, AnsiCodePageIsGbk) { EXPECT_EQ(GetACP(), 936u); }

TEST(WindowsEnvironment, GbkLeadByteIsRecognised) {
    // 0xB0 leads a two-byte character in GBK and is an ordinary character in code page 1252.
    EXPECT_TRUE(IsDBCSLeadByte(0xB0));
    EXPECT_FALSE(IsDBCSLeadByte('A'));
}

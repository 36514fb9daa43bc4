// The output formatter: the program's formats must come out byte for byte.
#include <gtest/gtest.h>

#include <climits>

#include "log/output.h"
#include "stream_contents.h"

using text::format;

TEST(TextFormat, IntegersWithWidthsPrecisionAndSigns) {
    EXPECT_EQ(format("%9ld|", 42L), L"       42|");
    EXPECT_EQ(format("%-6d|", -7), L"-7    |");
    EXPECT_EQ(format("%.04d\\", 3), L"0003\\");
    EXPECT_EQ(format("%02d:%02d", 5, 17), L"05:17");
    EXPECT_EQ(format("%04d/%02d", 1980, 0), L"1980/00");
    EXPECT_EQ(format("%lld", LLONG_MIN), L"-9223372036854775808");
    EXPECT_EQ(format("%x %X %#x", 255u, 255u, 26u), L"ff FF 0x1a");
    EXPECT_EQ(format("%05d", -42), L"-0042");
    EXPECT_EQ(format("%7ld%s", 1000L, "\b\b"), L"   1000\b\b");
}

TEST(TextFormat, StringsCountCharactersNotBytes) {
    // Width and precision are characters: a path with accents pads like any other.
    EXPECT_EQ(format("%-*.*ls|", 6, 6, L"\u00e9t\u00e9"), L"\u00e9t\u00e9   |");
    EXPECT_EQ(format("%-*.*ls|", 4, 4, L"abcdefgh"), L"abcd|");
    EXPECT_EQ(format("%12s|", "1,000"), L"       1,000|");
    EXPECT_EQ(format("%.24s", "Mon Dec 07 11:16:54 2026 and more"), L"Mon Dec 07 11:16:54 2026");
    EXPECT_EQ(format("%5.5s", "1234567"), L"12345");
    EXPECT_EQ(format("%s", "\xc3\xa9"), L"\u00e9");  // 8-bit arguments are UTF-8
    EXPECT_EQ(format("[%c][%lc]", 7, static_cast<wint_t>(L'|')), L"[\a][|]");
    EXPECT_EQ(format("100%%"), L"100%");
}

TEST(TextFormat, Floats) {
    EXPECT_EQ(format("%.0f meg/min", 1234.6), L"1235 meg/min");
    EXPECT_EQ(format("%2d hrs.", 3), L" 3 hrs.");
}

TEST(TextUtf8, RoundTripAndStrayBytes) {
    std::wstring wide = L"C:\\\u00dcber\\\u65e5\u672c.txt";
    EXPECT_EQ(text::from_utf8(text::to_utf8(wide)), wide);
    EXPECT_EQ(text::to_utf8(std::wstring(L"\u00e9")), "\xc3\xa9");
    // A Latin-1 byte that is no UTF-8 stands for itself.
    EXPECT_EQ(text::from_utf8(std::string("caf\xe9")), L"caf\u00e9");
    // Overlong forms are not UTF-8 either.
    EXPECT_EQ(text::from_utf8(std::string("\xc0\xaf")), std::wstring(L"\u00c0\u00af"));
    // A NUL inside the bytes is kept.
    EXPECT_EQ(text::from_utf8(std::string("a\0b", 3)).size(), 3u);
}

TEST(TextOutput, WritesUtf8ToFiles) {
    FILE* f = std::tmpfile();
    ASSERT_NE(f, nullptr);
    text::print(f, "%ls|%d", L"\u00e9", 5);
    text::print(nullptr, "ignored %d", 1);  // a closed stream is skipped
    std::rewind(f);
    char buffer[32] = {};
    size_t n = std::fread(buffer, 1, sizeof buffer, f);
    std::fclose(f);
    EXPECT_EQ(std::string(buffer, n), "\xc3\xa9|5");
}

TEST(TextOutput, HeldOutputReachesEachStreamInOrderOnlyWhenReleased) {
    FILE* first = std::tmpfile();
    FILE* second = std::tmpfile();
    ASSERT_TRUE(first && second);
    text::HeldOutput held;
    const text::Out holding{&held};
    holding.print(first, "%ls ", L"\u00e9");
    holding.write_bytes(second, "\xc3", 1);  // bytes as they are, not re-encoded
    holding.print(first, "%d", 2);
    const text::Out direct;
    direct.print(second, "|direct");
    std::fflush(nullptr);
    EXPECT_EQ(std::ftell(first), 0);  // nothing reached the first stream yet
    EXPECT_EQ(std::ftell(second), 7);

    text::release(held);
    EXPECT_TRUE(held.pieces.empty());
    EXPECT_EQ(stream_contents(first), "\xc3\xa9 2");
    EXPECT_EQ(stream_contents(second), "|direct\xc3");
    std::fclose(first);
    std::fclose(second);
}

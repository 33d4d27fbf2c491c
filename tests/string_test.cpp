// String: construction, number text, search, edit and comparison edges.
#include <gtest/gtest.h>

#include <cfloat>
#include <cstring>
#include <string>

#include "host/wstring.h"

// Construction

TEST(StringConstruct, EmptyNullAndChar) {
  EXPECT_STREQ(String().c_str(), "");
  const char* nothing = nullptr;
  EXPECT_STREQ(String(nothing).c_str(), "");
  EXPECT_EQ(String(nothing).length(), 0u);
  EXPECT_STREQ(String('x').c_str(), "x");
  EXPECT_EQ(String('\0').length(), 1u);
  EXPECT_STREQ(String(std::string("std")).c_str(), "std");
}

TEST(StringConstruct, CopyAndMoveKeepValueSemantics) {
  String a("alpha");
  String b(a);
  b += "!";
  EXPECT_EQ(a, "alpha");
  EXPECT_EQ(b, "alpha!");
  String c(std::move(b));
  EXPECT_EQ(c, "alpha!");
  String d;
  d = a;
  d.setCharAt(0, 'A');
  EXPECT_EQ(a, "alpha");
  EXPECT_EQ(d, "Alpha");
  d = (const char*)nullptr;
  EXPECT_TRUE(d.isEmpty());
}

TEST(StringNumbers, HexIsUpperCaseWithoutPrefix) {
  EXPECT_EQ(String(255, 16), "FF");
  EXPECT_EQ(String(0, 16), "0");
  EXPECT_EQ(String(3054u, 16), "BEE");
}

TEST(StringNumbers, NegativeIntInHexIsSixtyFourBits) {
  EXPECT_EQ(String(-1, 16), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(String(-1L, 16), "FFFFFFFFFFFFFFFF");
  EXPECT_EQ(String(-2, 16), "FFFFFFFFFFFFFFFE");
}

TEST(StringNumbers, UnsignedTypesUseOnlyTheirOwnBits) {
  EXPECT_EQ(String((unsigned char)255, 16), "FF");
  EXPECT_EQ(String((unsigned char)200), "200");
  EXPECT_EQ(String(4294967295u, 16), "FFFFFFFF");
  EXPECT_EQ(String(4294967295u), "4294967295");
  EXPECT_EQ(String(18446744073709551615ul), "18446744073709551615");
}

TEST(StringNumbers, OtherBasesGiveDecimal) {
  EXPECT_EQ(String(10, 2), "10");
  EXPECT_EQ(String(10, 8), "10");
  EXPECT_EQ(String(-10, 2), "-10");
  EXPECT_EQ(String(-2147483647 - 1), "-2147483648");
  EXPECT_EQ(String(-9223372036854775807L - 1), "-9223372036854775808");
}

TEST(StringNumbers, FloatDecimalCounts) {
  EXPECT_EQ(String(3.14159, 2), "3.14");
  EXPECT_EQ(String(3.14159f), "3.14");
  EXPECT_EQ(String(2.5, -1), "2.50");
  EXPECT_EQ(String(1.0, 12), "1.000000000");
  EXPECT_EQ(String(1.0, 0), "1");
  EXPECT_EQ(String(-0.125, 3), "-0.125");
}

// Hostile: a huge value with the largest decimal count must not overrun.
TEST(StringNumbers, HugeDoubleFormatsCompletely) {
  String s(1e308, 9);
  EXPECT_EQ(s.length(), 309u + 1u + 9u);
  EXPECT_EQ(s.substring(0, 2), "10");
  EXPECT_TRUE(s.endsWith(".000000000"));
  String m(-DBL_MAX, 9);
  EXPECT_EQ(m.charAt(0), '-');
  EXPECT_EQ(m.length(), 1u + 309u + 1u + 9u);
}

// Access

TEST(StringAccess, CharAtAndIndexOutOfRangeGiveNul) {
  String s("abc");
  EXPECT_EQ(s.charAt(0), 'a');
  EXPECT_EQ(s.charAt(3), '\0');
  EXPECT_EQ(s[3u], '\0');
  EXPECT_EQ(s[3], '\0');
  EXPECT_EQ(s[-1], '\0');
  EXPECT_EQ(s[(size_t)2], 'c');
  EXPECT_EQ(s[(long)-5], '\0');
  EXPECT_EQ(s.charAt(4000000000u), '\0');
}

TEST(StringAccess, SetCharAtPastEndIsIgnored) {
  String s("abc");
  s.setCharAt(3, 'x');
  s.setCharAt(100, 'x');
  EXPECT_EQ(s, "abc");
  s.setCharAt(2, 'Z');
  EXPECT_EQ(s, "abZ");
}

TEST(StringAccess, BytesNotCharacters) {
  String s("Zürich");  // ü is two bytes
  EXPECT_EQ(s.length(), 7u);
  EXPECT_EQ(s.indexOf('r'), 3);
  EXPECT_EQ(s.substring(1, 3), "ü");
}

// Substring

TEST(StringSubstring, TableEdges) {
  String s("abc");
  EXPECT_EQ(s.substring(5), "");
  EXPECT_EQ(s.substring(3), "");
  EXPECT_EQ(s.substring(2, 1), "");
  EXPECT_EQ(s.substring(1, 99), "bc");
  EXPECT_EQ(s.substring(-4, 2), "ab");
  EXPECT_EQ(s.substring(-4), "abc");
  EXPECT_EQ(s.substring(1, -1), "");
  EXPECT_EQ(s.substring(0, 0), "");
  EXPECT_EQ(s.substring(1), "bc");
}

// Search

TEST(StringSearch, IndexOfCharFrom) {
  String s("a,b,c");
  EXPECT_EQ(s.indexOf(','), 1);
  EXPECT_EQ(s.indexOf(',', 2), 3);
  EXPECT_EQ(s.indexOf(',', -7), 1);
  EXPECT_EQ(s.indexOf(',', 4), -1);
  EXPECT_EQ(s.indexOf(',', 5), -1);
  EXPECT_EQ(s.indexOf(',', 500), -1);
  EXPECT_EQ(s.indexOf('x'), -1);
}

TEST(StringSearch, IndexOfText) {
  String s("key=value;key=other");
  EXPECT_EQ(s.indexOf("key"), 0);
  EXPECT_EQ(s.indexOf("key", 1), 10);
  EXPECT_EQ(s.indexOf(String("other")), 14);
  EXPECT_EQ(s.indexOf("missing"), -1);
  EXPECT_EQ(s.indexOf((const char*)nullptr), -1);
  EXPECT_EQ(s.indexOf("key", 100), -1);
}

TEST(StringSearch, EmptyNeedleFindsFromWhenInRange) {
  String s("abc");
  EXPECT_EQ(s.indexOf(""), 0);
  EXPECT_EQ(s.indexOf("", 2), 2);
  EXPECT_EQ(s.indexOf("", 3), 3);
  EXPECT_EQ(s.indexOf("", 4), -1);
  EXPECT_EQ(s.indexOf(String(), 1), 1);
}

TEST(StringSearch, LastIndexOf) {
  String s("a/b/c/");
  EXPECT_EQ(s.lastIndexOf('/'), 5);
  EXPECT_EQ(s.lastIndexOf('x'), -1);
  EXPECT_EQ(s.lastIndexOf("/"), 5);
  EXPECT_EQ(s.lastIndexOf("/", 4), 3);
  EXPECT_EQ(s.lastIndexOf("/", 3), 3);
  EXPECT_EQ(s.lastIndexOf("/", 0), -1);
  EXPECT_EQ(s.lastIndexOf("/", -1), 5);
  EXPECT_EQ(s.lastIndexOf("b/c"), 2);
  EXPECT_EQ(s.lastIndexOf((const char*)nullptr), 6);
  EXPECT_EQ(s.lastIndexOf("", 2), 2);
  EXPECT_EQ(String().lastIndexOf('a'), -1);
}

TEST(StringSearch, StartsAndEndsWith) {
  String s("http://host/");
  EXPECT_TRUE(s.startsWith("http://"));
  EXPECT_FALSE(s.startsWith("https://"));
  EXPECT_TRUE(s.endsWith("/"));
  EXPECT_TRUE(s.endsWith(String("host/")));
  EXPECT_FALSE(s.startsWith((const char*)nullptr));
  EXPECT_FALSE(s.endsWith((const char*)nullptr));
  EXPECT_FALSE(String("ab").startsWith("abc"));
  EXPECT_FALSE(String("bc").endsWith("abc"));
  EXPECT_TRUE(s.startsWith(""));
  EXPECT_TRUE(s.endsWith(""));
}

// Comparison

TEST(StringCompare, EqualityAgainstNullAndText) {
  String empty;
  EXPECT_TRUE(empty == (const char*)nullptr);
  EXPECT_TRUE((const char*)nullptr == empty);
  EXPECT_FALSE(String("x") == (const char*)nullptr);
  EXPECT_TRUE(String("x") != "y");
  EXPECT_TRUE("x" == String("x"));
  EXPECT_TRUE(String("x") == String("x"));
  EXPECT_FALSE(String("x") != String("x"));
}

TEST(StringCompare, EqualsIgnoreCaseIsCLocaleBytes) {
  EXPECT_TRUE(String("Pi-Star").equalsIgnoreCase(String("PI-STAR")));
  EXPECT_FALSE(String("abc").equalsIgnoreCase(String("abcd")));
  // Bytes above 127 are compared unchanged.
  EXPECT_FALSE(String("\xC4").equalsIgnoreCase(String("\xE4")));
  EXPECT_TRUE(String("\xC4x").equalsIgnoreCase(String("\xC4X")));
}

TEST(StringCompare, CompareToIsBytewiseUnsigned) {
  EXPECT_LT(String("abc").compareTo(String("abd")), 0);
  EXPECT_GT(String("b").compareTo(String("abc")), 0);
  EXPECT_EQ(String("same").compareTo(String("same")), 0);
  EXPECT_LT(String("ab").compareTo(String("abc")), 0);
  // 0xE4 sorts after 'z' when bytes are unsigned.
  EXPECT_GT(String("\xE4").compareTo(String("z")), 0);
  EXPECT_TRUE(String("a") < String("b"));
}

// Editing

TEST(StringReplace, InsertedTextIsNotRescanned) {
  String s("aaa");
  s.replace("a", "aa");
  EXPECT_EQ(s, "aaaaaa");
  String t("abab");
  t.replace(String("ab"), String("b"));
  EXPECT_EQ(t, "bb");
}

TEST(StringReplace, EmptyFromDoesNothingNullToRemoves) {
  String s("abc");
  s.replace("", "x");
  EXPECT_EQ(s, "abc");
  s.replace(String(), String("x"));
  EXPECT_EQ(s, "abc");
  s.replace((const char*)nullptr, "x");
  EXPECT_EQ(s, "abc");
  s.replace("b", (const char*)nullptr);
  EXPECT_EQ(s, "ac");
}

TEST(StringReplace, MixedFormsAndChar) {
  String s("&amp;&lt;&gt;");
  s.replace("&lt;", String("<"));
  s.replace(String("&gt;"), ">");
  s.replace("&amp;", "&");
  EXPECT_EQ(s, "&<>");
  String c("a-b-c");
  c.replace('-', '_');
  EXPECT_EQ(c, "a_b_c");
}

TEST(StringRemove, Bounds) {
  String s("abcdef");
  s.remove(4);
  EXPECT_EQ(s, "abcd");
  s.remove(-1);
  s.remove(4);
  s.remove(10);
  EXPECT_EQ(s, "abcd");
  s.remove(1, 2);
  EXPECT_EQ(s, "ad");
  s.remove(0, 0);
  s.remove(0, -3);
  s.remove(-1, 1);
  s.remove(2, 1);
  EXPECT_EQ(s, "ad");
  s.remove(1, 100);
  EXPECT_EQ(s, "a");
}

TEST(StringTrim, OnlySpaceTabCrLf) {
  String s(" \t\r\nvalue \n");
  s.trim();
  EXPECT_EQ(s, "value");
  String all(" \t \r\n ");
  all.trim();
  EXPECT_EQ(all, "");
  String vt("\vkeep\f");
  vt.trim();
  EXPECT_EQ(vt, "\vkeep\f");
  String none("x");
  none.trim();
  EXPECT_EQ(none, "x");
}

TEST(StringCase, CLocaleAsciiOnly) {
  String s("Call DL1ABC \xE4\xC4");
  s.toUpperCase();
  EXPECT_EQ(s, "CALL DL1ABC \xE4\xC4");
  s.toLowerCase();
  EXPECT_EQ(s, "call dl1abc \xE4\xC4");
}

// Conversion

TEST(StringToInt, TableEdges) {
  EXPECT_EQ(String(" 42px").toInt(), 42);
  EXPECT_EQ(String("x1").toInt(), 0);
  EXPECT_EQ(String("12345678901").toInt(), 0);
  EXPECT_EQ(String("-17").toInt(), -17);
  EXPECT_EQ(String("+8").toInt(), 8);
  EXPECT_EQ(String("").toInt(), 0);
  EXPECT_EQ(String("-").toInt(), 0);
  EXPECT_EQ(String("2147483647").toInt(), 2147483647);
  EXPECT_EQ(String("-2147483648").toInt(), -2147483647L - 1);
  EXPECT_EQ(String("2147483648").toInt(), 0);
  EXPECT_EQ(String("99999999999999999999999").toInt(), 0);
  EXPECT_EQ(String("\t\n7").toInt(), 7);
}

TEST(StringToFloat, ReadsLeadingNumber) {
  EXPECT_FLOAT_EQ(String("3.5 dB").toFloat(), 3.5f);
  EXPECT_FLOAT_EQ(String(" -1.25e2").toFloat(), -125.0f);
  EXPECT_FLOAT_EQ(String("abc").toFloat(), 0.0f);
  EXPECT_FLOAT_EQ(String("").toFloat(), 0.0f);
  EXPECT_FLOAT_EQ(String("1e999").toFloat(), 0.0f);
  EXPECT_DOUBLE_EQ(String("52.520008").toDouble(), 52.520008);
}

TEST(StringToCharArray, CopiesAtMostLenMinusOne) {
  char buf[8];
  memset(buf, '#', sizeof(buf));
  String("hello").toCharArray(buf, 4);
  EXPECT_STREQ(buf, "hel");
  EXPECT_EQ(buf[4], '#');
  String("hi").toCharArray(buf, 8);
  EXPECT_STREQ(buf, "hi");
  buf[0] = 'Q';
  String("hi").toCharArray(buf, 0);
  EXPECT_EQ(buf[0], 'Q');
  String("hi").toCharArray(nullptr, 4);
  String("hi").toCharArray(buf, 1);
  EXPECT_STREQ(buf, "");
}

TEST(StringConvert, ToStandardStringAndPointer) {
  String s("text");
  std::string std = s;
  EXPECT_EQ(std, "text");
  const char* p = s;
  EXPECT_STREQ(p, "text");
  EXPECT_EQ(strlen(s), 4u);
}

// Concatenation

TEST(StringConcat, AppendForms) {
  String s;
  s += String("a");
  s += "b";
  s += (const char*)nullptr;
  char mutableText[] = "c";
  s += mutableText;
  s += 'd';
  EXPECT_EQ(s, "abcd");
}

TEST(StringConcat, FreeOperators) {
  String a("a");
  EXPECT_EQ(a + String("b"), "ab");
  EXPECT_EQ("x" + a, "xa");
  EXPECT_EQ(a + "y", "ay");
  EXPECT_EQ(a + 'z', "az");
  EXPECT_EQ(a, "a");
  String chain = String("[") + a + "|" + 'q' + "]";
  EXPECT_EQ(chain, "[a|q]");
}

TEST(StringConcat, NumbersAppendAsDecimalText) {
  String s("n=");
  EXPECT_EQ(s + 5, "n=5");
  EXPECT_EQ(s + (uint8_t)7, "n=7");
  EXPECT_EQ(s + (uint32_t)4000000000u, "n=4000000000");
  EXPECT_EQ(s + -3L, "n=-3");
  EXPECT_EQ(s + 1.5, "n=1.50");
  s += 12;
  s += 'x';
  EXPECT_EQ(s, "n=12x");
}

TEST(StringConcat, ReserveKeepsContent) {
  String s("keep");
  s.reserve(1000);
  EXPECT_EQ(s, "keep");
  EXPECT_EQ(s.length(), 4u);
}

TEST(StringConcat, ConcatMatchesAppend) {
  String s("v");
  EXPECT_TRUE(s.concat(String("1")));
  EXPECT_TRUE(s.concat("2"));
  EXPECT_TRUE(s.concat('3'));
  EXPECT_TRUE(s.concat(45));
  EXPECT_TRUE(s.concat(6u));
  EXPECT_TRUE(s.concat(0.5));
  EXPECT_TRUE(s.concat((const char*)nullptr));
  EXPECT_EQ(s, "v1234560.50");
}

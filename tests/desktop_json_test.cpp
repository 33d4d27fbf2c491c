// JSON document layer: the builder's output (order, nesting, types, escaping)
// and the inert reading side.
#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <cstdlib>
#include <string>

#include "host/desktop_json.h"
#include "support/capture_print.h"

namespace {

// A file-like target that is no Print and accepts only part of a write.
struct ShortFile {
  std::string text;
  size_t write(const uint8_t* buf, size_t n) {
    size_t k = n > 10 ? 10 : n;
    text.append((const char*)buf, k);
    return k;
  }
};

std::string compact(const JsonDocument& doc) {
  std::string out;
  serializeJson(doc, out);
  return out;
}

}  // namespace

// Building

TEST(JsonBuild, MembersKeepOrderOfFirstAssignment) {
  DynamicJsonDocument doc(1024);
  doc["zeta"] = 1;
  doc["alpha"] = 2;
  doc["mid"] = 3;
  doc["zeta"] = 9;
  EXPECT_EQ(compact(doc), "{\"zeta\":9,\"alpha\":2,\"mid\":3}");
}

TEST(JsonBuild, TypesBoolIntegerFloatText) {
  DynamicJsonDocument doc(1024);
  doc["b1"] = true;
  doc["b0"] = false;
  doc["u8"] = (uint8_t)255;
  doc["u16"] = (uint16_t)65535;
  doc["u32"] = (uint32_t)4294967295u;
  doc["i"] = -17;
  doc["l"] = -9223372036854775807L - 1;
  doc["f"] = 52.52f;
  doc["d"] = 13.404954;
  doc["s"] = String("text");
  doc["c"] = "const";
  doc["n"] = (const char*)nullptr;
  doc["num_text"] = "123";
  EXPECT_EQ(compact(doc),
            "{\"b1\":true,\"b0\":false,\"u8\":255,\"u16\":65535,\"u32\":4294967295,\"i\":-17,"
            "\"l\":-9223372036854775808,\"f\":52.52,\"d\":13.404954,\"s\":\"text\","
            "\"c\":\"const\",\"n\":\"\",\"num_text\":\"123\"}");
}

TEST(JsonBuild, ReassignmentChangesType) {
  DynamicJsonDocument doc(256);
  doc["v"] = "text";
  doc["v"] = 5;
  doc["w"] = 1;
  doc["w"] = true;
  EXPECT_EQ(compact(doc), "{\"v\":5,\"w\":true}");
}

TEST(JsonBuild, FloatsRoundTrip) {
  const double values[] = {0.1, 1.0 / 3.0, 1e-7, 6.02214076e23, -0.0, 123456789.125, DBL_MAX, DBL_MIN};
  for (double v : values) {
    DynamicJsonDocument doc(256);
    doc["x"] = v;
    std::string out = compact(doc);
    std::string number = out.substr(5, out.size() - 6);
    EXPECT_EQ(strtod(number.c_str(), nullptr), v) << number;
  }
  const float fvalues[] = {0.1f, 3.4028235e38f, 1.17549435e-38f, 8.5f, -48.123456f};
  for (float v : fvalues) {
    DynamicJsonDocument doc(256);
    doc["x"] = v;
    std::string out = compact(doc);
    std::string number = out.substr(5, out.size() - 6);
    EXPECT_EQ(strtof(number.c_str(), nullptr), v) << number;
  }
}

// Hostile: values JSON cannot express are written as null, not as garbage.
TEST(JsonBuild, NonFiniteNumbersBecomeNull) {
  DynamicJsonDocument doc(256);
  doc["nan"] = NAN;
  doc["inf"] = -INFINITY;
  EXPECT_EQ(compact(doc), "{\"nan\":null,\"inf\":null}");
}

TEST(JsonBuild, NestedObjectsAndArrays) {
  DynamicJsonDocument doc(4096);
  doc["backend"] = "Pi-Star";
  JsonArray profiles = doc.createNestedArray("wifi_profiles");
  JsonObject p1 = profiles.createNestedObject();
  p1["ssid"] = "Home";
  p1["password"] = "secret";
  JsonObject p2 = profiles.createNestedObject();
  p2["ssid"] = "Club";
  p2["password"] = "";
  JsonObject theme = doc.createNestedObject("theme");
  theme["bg"] = "#000000";
  JsonArray nums = doc.createNestedArray("nums");
  nums.add(1);
  nums.add("two");
  nums.add(true);
  JsonArray inner = nums.createNestedArray();
  inner.add(3.5);
  doc["deep"]["a"]["b"] = 1;
  EXPECT_EQ(compact(doc),
            "{\"backend\":\"Pi-Star\",\"wifi_profiles\":[{\"ssid\":\"Home\",\"password\":\"secret\"},"
            "{\"ssid\":\"Club\",\"password\":\"\"}],\"theme\":{\"bg\":\"#000000\"},"
            "\"nums\":[1,\"two\",true,[3.5]],\"deep\":{\"a\":{\"b\":1}}}");
}

TEST(JsonBuild, PrettyFormIndentsByTwoSpaces) {
  DynamicJsonDocument doc(1024);
  doc["a"] = 1;
  JsonArray list = doc.createNestedArray("list");
  list.createNestedObject()["k"] = "v";
  doc.createNestedObject("empty_obj");
  doc.createNestedArray("empty_arr");
  std::string out;
  size_t n = serializeJsonPretty(doc, out);
  const char* expected =
      "{\n"
      "  \"a\": 1,\n"
      "  \"list\": [\n"
      "    {\n"
      "      \"k\": \"v\"\n"
      "    }\n"
      "  ],\n"
      "  \"empty_obj\": {},\n"
      "  \"empty_arr\": []\n"
      "}";
  EXPECT_EQ(out, expected);
  EXPECT_EQ(n, out.size());
}

TEST(JsonBuild, PrettyToPrintReturnsBytesWritten) {
  DynamicJsonDocument doc(256);
  doc["key"] = "value";
  CapturePrint sink;
  size_t n = serializeJsonPretty(doc, sink);
  EXPECT_EQ(sink.text, "{\n  \"key\": \"value\"\n}");
  EXPECT_EQ(n, sink.text.size());
  String s;
  size_t stringBytes = serializeJsonPretty(doc, s);
  EXPECT_EQ(stringBytes, s.length());
  EXPECT_EQ(s, sink.text.c_str());
  EXPECT_EQ(measureJsonPretty(doc), sink.text.size());
}

TEST(JsonBuild, ShortWriteReportsWhatTheTargetTook) {
  DynamicJsonDocument doc(256);
  doc["key"] = "a longer value";
  ShortFile file;
  EXPECT_EQ(serializeJsonPretty(doc, file), 10u);
  EXPECT_EQ(file.text.size(), 10u);
}

TEST(JsonBuild, EmptyDocumentIsNull) {
  DynamicJsonDocument doc(16);
  EXPECT_EQ(compact(doc), "null");
  doc.to<JsonObject>();
  EXPECT_EQ(compact(doc), "{}");
  doc.clear();
  EXPECT_EQ(compact(doc), "null");
}

TEST(JsonBuild, CharBufferIsCutAndTerminated) {
  DynamicJsonDocument doc(256);
  doc["key"] = "value";
  char buf[8];
  EXPECT_EQ(serializeJson(doc, buf), 7u);
  EXPECT_STREQ(buf, "{\"key\":");
  char big[64];
  EXPECT_EQ(serializeJsonPretty(doc, big, sizeof(big)), 20u);
  EXPECT_STREQ(big, "{\n  \"key\": \"value\"\n}");
}

TEST(JsonBuild, HandlesStayValidAfterTheirParentIsReplaced) {
  DynamicJsonDocument doc(256);
  JsonObject obj = doc.createNestedObject("obj");
  JsonObject inner = obj.createNestedObject("inner");
  doc["obj"] = 5;           // the old subtree leaves the document
  inner["late"] = "write";  // must not touch freed memory nor the document
  EXPECT_EQ(compact(doc), "{\"obj\":5}");
}

TEST(JsonBuild, VariantAssignmentCopiesValue) {
  DynamicJsonDocument doc(256);
  doc["a"]["x"] = 1;
  doc["b"] = doc["a"];
  doc["a"]["x"] = 2;
  EXPECT_EQ(compact(doc), "{\"a\":{\"x\":2},\"b\":{\"x\":1}}");
  DynamicJsonDocument copy = doc;
  doc["c"] = 3;
  EXPECT_EQ(compact(copy), "{\"a\":{\"x\":2},\"b\":{\"x\":1}}");
}

// Escaping (hostile texts in keys and values)

TEST(JsonEscape, QuotesBackslashesAndControls) {
  DynamicJsonDocument doc(256);
  doc["pass"] = "a\"b\\c";
  doc["ctl"] = "\b\f\n\r\t";
  doc["low"] = std::string("\x01\x1f\x7f", 3);
  EXPECT_EQ(compact(doc),
            "{\"pass\":\"a\\\"b\\\\c\",\"ctl\":\"\\b\\f\\n\\r\\t\","
            "\"low\":\"\\u0001\\u001F\x7f\"}");
}

TEST(JsonEscape, KeysAreEscapedToo) {
  DynamicJsonDocument doc(256);
  doc["we\"ird\nkey"] = 1;
  EXPECT_EQ(compact(doc), "{\"we\\\"ird\\nkey\":1}");
}

TEST(JsonEscape, HighBytesPassUnchanged) {
  DynamicJsonDocument doc(256);
  doc["city"] = "Z\xC3\xBCrich \xFF";
  EXPECT_EQ(compact(doc), "{\"city\":\"Z\xC3\xBCrich \xFF\"}");
}

TEST(JsonEscape, EmbeddedNulIsEscaped) {
  DynamicJsonDocument doc(256);
  doc["k"] = std::string("a\0b", 3);
  EXPECT_EQ(compact(doc), "{\"k\":\"a\\u0000b\"}");
}

// Reading side (inert)

TEST(JsonRead, DeserializeAlwaysFails) {
  DynamicJsonDocument doc(256);
  doc["kept"] = 1;
  DeserializationError err = deserializeJson(doc, "{\"a\":1}");
  EXPECT_TRUE((bool)err);
  EXPECT_STREQ(err.c_str(), "ArduinoJson disabled in desktop build");
  EXPECT_STREQ(DeserializationError(false).c_str(), "Ok");
  EXPECT_FALSE((bool)DeserializationError(false));
  String text("{}");
  EXPECT_TRUE((bool)deserializeJson(doc, text));
}

TEST(JsonRead, DocumentQueriesAreFalse) {
  DynamicJsonDocument doc(256);
  doc["present"] = 1;
  EXPECT_FALSE(doc.containsKey("present"));
  EXPECT_FALSE(doc.is<JsonObject>());
}

TEST(JsonRead, ConstVariantIsNullEmptyAndFallsBack) {
  JsonVariantConst v;
  EXPECT_TRUE(v.isNull());
  EXPECT_FALSE(v.is<int>());
  EXPECT_FALSE(v.is<const char*>());
  EXPECT_FALSE(v.is<JsonObject>());
  EXPECT_EQ(v.as<int>(), 0);
  EXPECT_EQ(v.as<float>(), 0.0f);
  EXPECT_FALSE(v.as<bool>());
  EXPECT_STREQ(v.as<const char*>(), "");
  EXPECT_EQ(v.as<String>(), "");
  EXPECT_EQ(v | 42, 42);
  EXPECT_STREQ(v | "fallback", "fallback");
  EXPECT_EQ(v | String("fb"), "fb");
  EXPECT_TRUE(JsonObjectConst().isNull());
}

TEST(JsonRead, BuiltValuesReadBackInert) {
  DynamicJsonDocument doc(256);
  doc["n"] = 5;
  doc["s"] = "x";
  const JsonDocument& ro = doc;
  EXPECT_TRUE(ro["n"].isNull());
  EXPECT_EQ(ro["n"] | 7, 7);
  int n = doc["n"];
  EXPECT_EQ(n, 0);
  String s = doc["s"];
  EXPECT_EQ(s, "");
  EXPECT_EQ(doc["s"] | "dflt", std::string("dflt"));
  // Reading a missing member does not add it.
  EXPECT_EQ(compact(doc), "{\"n\":5,\"s\":\"x\"}");
}

TEST(JsonRead, ArraysAreNullAndEmpty) {
  DynamicJsonDocument doc(256);
  JsonArray built = doc.createNestedArray("list");
  built.add(1);
  EXPECT_TRUE(built.isNull());
  int seen = 0;
  for (const JsonVariant& item : built) {
    (void)item;
    ++seen;
  }
  JsonArray read = doc["list"];
  EXPECT_TRUE(read.isNull());
  for (const JsonVariant& item : read) {
    (void)item;
    ++seen;
  }
  EXPECT_EQ(seen, 0);
  EXPECT_EQ(compact(doc), "{\"list\":[1]}");
}

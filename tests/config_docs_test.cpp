// The key table behind the settings page and examples/README.md: it covers
// every key the loader reads, its defaults and ranges are the loader's, and
// the README section is exactly what the table generates. Plus the readers
// of what a browser sends (forms, cookies, uploaded JSON).
#include <set>

#include "core/config_docs.h"
#include "core/config_edit.h"
#include "core/config_file.h"
#include "core/config_keys.h"
#include "host/json_reader.h"
#include "host/password_hash.h"
#include "support/config_test_env.h"
#include "web/web_form.h"

namespace {

const char* const SPECIAL_KEYS[] = {"backend", "wifi_ssid", "wifi_pass", "wifi_retries_per_profile",
                                    "wifi_profiles", "quick_actions", "svxlink_actions", "theme",
                                    "watch_list"};

std::vector<std::string> loadedKeys() {
  std::vector<std::string> keys(std::begin(SPECIAL_KEYS), std::end(SPECIAL_KEYS));
  for (int i = 0; i < CONFIG_KEY_ROW_COUNT; ++i) keys.push_back(CONFIG_KEY_ROWS[i].key);
  return keys;
}

// The README line of a key: the table row whose first cell names it.
std::string readmeRowOf(const std::string& readme, const std::string& key) {
  size_t at = readme.find("`" + key + "`");
  while (at != std::string::npos) {
    size_t lineStart = readme.rfind('\n', at) + 1;
    size_t firstBar = readme.find(" | ", lineStart);
    if (readme.compare(lineStart, 2, "| ") == 0 && at < firstBar) {
      return readme.substr(lineStart, readme.find('\n', at) - lineStart);
    }
    at = readme.find("`" + key + "`", at + 1);
  }
  return std::string();
}

std::string expectedDefault(const std::string& key) {
  std::string value;
  if (!configValueText(key, value)) return "?";
  const ConfigDocRow* row = configDocRow(key);
  if (std::string(row->type) == "number") return value;
  if (std::string(row->type) == "bool") return "`" + value + "`";
  return value.empty() ? "empty" : "`\"" + value + "\"`";
}

}  // namespace

class ConfigDocsTest : public ConfigFileTest {};

// ---------------------------------------------------------------------------
// The table against the loader and the documentation files
// ---------------------------------------------------------------------------

TEST_F(ConfigDocsTest, EveryLoadedKeyHasOneRowInAKnownGroup) {
  std::set<std::string> seen;
  for (int i = 0; i < CONFIG_DOC_ROW_COUNT; ++i) {
    const ConfigDocRow& row = CONFIG_DOC_ROWS[i];
    EXPECT_TRUE(seen.insert(row.key).second) << row.key << " has two rows in CONFIG_DOC_ROWS";
    EXPECT_NE(configDocGroup(row.group), nullptr) << row.key << ": group \"" << row.group
                                                  << "\" is not in CONFIG_DOC_GROUPS (core/config_docs.cpp)";
  }
  for (const std::string& key : loadedKeys()) {
    EXPECT_EQ(seen.count(key), 1u) << "the loader reads \"" << key
                                   << "\" but CONFIG_DOC_ROWS (core/config_docs.cpp) has no row for it";
  }
}

TEST_F(ConfigDocsTest, ReadmeKeySectionIsTheGeneratedOne) {
  std::string readme = readWholeFile(QSODECK_SOURCE_DIR "/examples/README.md");
  std::string generated = configDocsReadmeSection();
  for (int i = 0; i < CONFIG_DOC_ROW_COUNT; ++i) {
    const std::string key = CONFIG_DOC_ROWS[i].key;
    std::string have = readmeRowOf(readme, key);
    std::string want = readmeRowOf(generated, key);
    EXPECT_FALSE(have.empty()) << "examples/README.md does not describe \"" << key << "\"";
    EXPECT_EQ(have, want) << "examples/README.md describes \"" << key << "\" differently from the key table";
  }
  size_t at = readme.find("## Keys\n");
  ASSERT_NE(at, std::string::npos) << "examples/README.md has no \"## Keys\" section";
  EXPECT_TRUE(readme.substr(at) == generated)
      << "examples/README.md's key section differs from the key table (headings, notes or order); regenerate "
         "it: build/config_docs --update examples/README.md";
}

TEST_F(ConfigDocsTest, ExampleConfigHoldsEveryKey) {
  std::string example = readWholeFile(QSODECK_SOURCE_DIR "/examples/config.json");
  desktop_json::Node root;
  std::string error;
  ASSERT_TRUE(parseJsonText(example, root, error)) << error;
  for (const std::string& key : loadedKeys()) {
    EXPECT_NE(root.member(key, false), nullptr) << "examples/config.json lacks \"" << key << "\"";
  }
}

TEST_F(ConfigDocsTest, DefaultsAreTheLoadersDefaults) {
  loadConfig();  // no file: the defaults
  for (int i = 0; i < CONFIG_DOC_ROW_COUNT; ++i) {
    const ConfigDocRow& row = CONFIG_DOC_ROWS[i];
    std::string type = row.type;
    if (type.compare(0, 5, "array") == 0 || type == "object") continue;
    EXPECT_EQ(row.defaultText, expectedDefault(row.key)) << row.key;
  }
}

TEST_F(ConfigDocsTest, RangesAreTheLoadersClamps) {
  for (int i = 0; i < CONFIG_DOC_ROW_COUNT; ++i) {
    const ConfigDocRow& row = CONFIG_DOC_ROWS[i];
    if (std::string(row.type) != "number") continue;
    ASSERT_LE(row.min, row.max) << row.key << " is a number without a range";
    for (long long probe : {row.min - 1, row.min, row.max, row.max + 1}) {
      if (probe < 0 || probe > 2147483647LL) continue;  // not representable in the file's 32-bit numbers
      writeConfig("{\"" + std::string(row.key) + "\": " + std::to_string(probe) + "}");
      loadConfig();
      std::string text;
      ASSERT_TRUE(configValueText(row.key, text));
      long long loaded = std::stoll(text);
      EXPECT_GE(loaded, row.min) << row.key << " loaded from " << probe;
      EXPECT_LE(loaded, row.max) << row.key << " loaded from " << probe;
      if (probe == row.min || probe == row.max) {
        EXPECT_EQ(loaded, probe) << row.key;
      }
    }
  }
}

TEST_F(ConfigDocsTest, APlainPasswordIsReplacedByItsHashAtLoad) {
  writeConfig("{\"web_ui_password\": \"typed-by-hand\", \"refresh_ms\": 2222}");
  loadConfig();
  EXPECT_TRUE(verifyPassword(cfg.webUiPassword.str(), "typed-by-hand"));
  std::string file = readFile("sdcard/config.json");
  EXPECT_EQ(file.find("typed-by-hand"), std::string::npos);
  EXPECT_NE(file.find("\"refresh_ms\": 2222"), std::string::npos);
  std::string hash = cfg.webUiPassword.str();
  loadConfig();  // a hash stays as it is
  EXPECT_EQ(cfg.webUiPassword.str(), hash);
}

// ---------------------------------------------------------------------------
// What browsers send
// ---------------------------------------------------------------------------

TEST(WebFormTest, UrlEncodedFieldsAsTheBrowserMeansThem) {
  struct Case {
    const char* text;
    WebFields want;
  } cases[] = {
      {"a=1&b=x+y%21", {{"a", "1"}, {"b", "x y!"}}},
      {"a=%zz&=skipped&b&c=%4", {{"a", "%zz"}, {"b", ""}, {"c", "%4"}}},
      {"k=%E2%82%AC&k=2", {{"k", "\xE2\x82\xAC"}, {"k", "2"}}},
      {"&&x=%00y", {{"x", std::string("\0y", 2)}}},
      {"", {}},
  };
  for (const Case& c : cases) EXPECT_EQ(parseUrlEncoded(c.text), c.want) << c.text;
  EXPECT_EQ(fieldValue(parseUrlEncoded("k=1&k=2"), "k"), "2");
  std::string many;
  for (int i = 0; i < 5000; ++i) many += "f=1&";
  EXPECT_EQ(parseUrlEncoded(many).size(), WEB_FORM_MAX_FIELDS);
}

TEST(WebFormTest, CookiesAndEscapes) {
  EXPECT_EQ(cookieValue("a=1; qsodeck_session=abc; b=2", "qsodeck_session"), "abc");
  EXPECT_EQ(cookieValue("xqsodeck_session=abc", "qsodeck_session"), "");
  EXPECT_EQ(cookieValue("qsodeck_session", "qsodeck_session"), "");
  EXPECT_EQ(htmlEscape("<a href=\"x\">'&'</a>"), "&lt;a href=&quot;x&quot;&gt;&#39;&amp;&#39;&lt;/a&gt;");
  EXPECT_EQ(htmlFromMarkdownCode("use `a<b` or `c"), "use <code>a&lt;b</code> or <code>c</code>");
}

TEST(JsonReaderTest, AcceptsJsonAndRefusesEverythingElse) {
  struct Case {
    std::string text;
    const char* error;  // null: valid
  } cases[] = {
      {" {\"a\": [1, -2, 3.5e1, true, false, null, \"\\u00e9\\ud83d\\ude00\\n\"]} ", nullptr},
      {"\"\\/\\\\\\\"\"", nullptr},
      {"{\"a\": 1,}", "expected a key at byte 8"},
      {"{\"a\" 1}", "expected ':' at byte 5"},
      {"[1 2]", "expected ',' or ']' at byte 3"},
      {"01", "unexpected text after the value at byte 1"},
      {"-", "bad number at byte 1"},
      {"1.", "bad number at byte 2"},
      {"tru", "unexpected character at byte 0"},
      {"\"a\tb\"", "control character in a string at byte 3"},
      {"\"\\x\"", "bad escape at byte 3"},
      {"\"\\u12\"", "short \\u escape at byte 3"},
      {"\"\\udc00\"", "lone surrogate at byte 7"},
      {"\"\\u0000\"", "NUL character in a string at byte 7"},
      {"{\"a\": 1, \"a\": 2}", "duplicate key \"a\" at byte 9"},
      {std::string(33, '[') + std::string(33, ']'), "nested too deeply at byte 32"},
      {"", "unexpected end at byte 0"},
      {"{\"a\": \"b", "unterminated string at byte 8"},
  };
  for (const Case& c : cases) {
    desktop_json::Node node;
    std::string error;
    bool ok = parseJsonText(c.text, node, error);
    EXPECT_EQ(ok, c.error == nullptr) << c.text;
    if (c.error != nullptr) {
      EXPECT_EQ(error, c.error) << c.text;
    }
  }
  desktop_json::Node node;
  std::string error;
  ASSERT_TRUE(parseJsonText("{\"n\": 18446744073709551615, \"m\": -9223372036854775808, \"big\": 1e999}", node,
                            error));
  EXPECT_EQ(node.member("n", false)->u, 18446744073709551615ull);
  EXPECT_EQ(node.member("m", false)->i, (long long)(-9223372036854775807LL - 1));
  EXPECT_EQ(node.member("big", false)->kind, desktop_json::Node::DOUBLE);
}

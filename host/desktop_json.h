#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "host/runtime.h"
#include "host/wstring.h"

// The JSON document layer. Its building side is a plain document builder
// (used to write the configuration file); its reading side is inert on the
// desktop: every parse fails and every read gives an empty value, so the
// program reads JSON with scanners of its own.

namespace desktop_json {

// One value of a built document. Nodes are shared so that a reference taken
// into a document stays valid even after its part of the tree is replaced.
struct Node {
  enum Kind { NUL, BOOL, INT, UINT, FLOAT, DOUBLE, TEXT, OBJECT, ARRAY };
  Kind kind = NUL;
  bool b = false;
  long long i = 0;
  unsigned long long u = 0;
  double d = 0.0;
  std::string text;
  std::vector<std::pair<std::string, std::shared_ptr<Node>>> members;
  std::vector<std::shared_ptr<Node>> items;

  // Drops the value and every child.
  void reset(Kind k);
  // Copies another node's value and children.
  void copyFrom(const Node& other);
  // The member named key; with create, appended (a null node becomes an
  // object first). Null when absent or when this node cannot hold members.
  std::shared_ptr<Node> member(const std::string& key, bool create);
  // The element at index; with create, index == size appends (a null node
  // becomes an array first).
  std::shared_ptr<Node> element(size_t index, bool create);
  // Appends a new null element (a null node becomes an array first).
  std::shared_ptr<Node> append();
};

// Writes a node as JSON text; pretty output indents by two spaces per level.
void writeNode(const Node& node, bool pretty, int depth, std::string& out);

// The escaped, quoted JSON form of a text.
void writeQuoted(const std::string& text, std::string& out);

// One step of a path from a base node to a variant.
struct Step {
  bool isIndex = false;
  std::string key;
  size_t index = 0;
};

template <class T>
using EnableIfInt =
    typename std::enable_if<std::is_integral<T>::value && !std::is_same<T, bool>::value, int>::type;

template <class T>
using EnableIfFloat = typename std::enable_if<std::is_floating_point<T>::value, int>::type;

}  // namespace desktop_json

class JsonObject;
class JsonArray;
class JsonVariantConst;
class JsonObjectConst;
class JsonArrayConst;

// Result of a parse; the desktop parser always fails.
class DeserializationError {
 public:
  explicit DeserializationError(bool failed = false) : failed_(failed) {}
  // "ArduinoJson disabled in desktop build" for a failure, else "Ok".
  const char* c_str() const { return failed_ ? "ArduinoJson disabled in desktop build" : "Ok"; }
  // True when the parse failed.
  explicit operator bool() const { return failed_; }

 private:
  bool failed_;
};

namespace desktop_json {
// The inert value every read gives for type T.
template <class T>
struct Inert {
  static T value() { return T(); }
};
template <>
struct Inert<const char*> {
  static const char* value() { return ""; }
};
}  // namespace desktop_json

// A read-only view of a value: inert on the desktop.
class JsonVariantConst {
 public:
  // Always true.
  bool isNull() const { return true; }
  // Always false, for every type.
  template <class T>
  bool is() const {
    return false;
  }
  // Empty text, 0, false or a null container, for every type.
  template <class T>
  T as() const {
    return desktop_json::Inert<T>::value();
  }
  template <class T>
  operator T() const {
    return as<T>();
  }
  // The fallback.
  template <class T>
  T operator|(T fallback) const {
    return fallback;
  }
  const char* operator|(const char* fallback) const { return fallback; }
  String operator|(const String& fallback) const { return fallback; }
  JsonVariantConst operator[](const char* key) const { return JsonVariantConst(); }
  JsonVariantConst operator[](const String& key) const { return JsonVariantConst(); }
  JsonVariantConst operator[](int index) const { return JsonVariantConst(); }
  bool containsKey(const char* key) const { return false; }
  size_t size() const { return 0; }
};

// A read-only view of an object: inert on the desktop.
class JsonObjectConst {
 public:
  bool isNull() const { return true; }
  JsonVariantConst operator[](const char* key) const { return JsonVariantConst(); }
  JsonVariantConst operator[](const String& key) const { return JsonVariantConst(); }
  bool containsKey(const char* key) const { return false; }
  size_t size() const { return 0; }
};

// A read-only view of an array: inert on the desktop.
class JsonArrayConst {
 public:
  bool isNull() const { return true; }
  size_t size() const { return 0; }
  JsonVariantConst operator[](int index) const { return JsonVariantConst(); }
  const JsonVariantConst* begin() const { return nullptr; }
  const JsonVariantConst* end() const { return nullptr; }
};

// A writable reference to one value of a document. Assignments build the
// document; reads are inert.
class JsonVariant {
 public:
  JsonVariant() = default;
  JsonVariant(std::shared_ptr<desktop_json::Node> base, std::vector<desktop_json::Step> path)
      : base_(std::move(base)), path_(std::move(path)) {}
  JsonVariant(const JsonVariant&) = default;

  // Assigning one variant to another copies the value, as any other
  // assignment does.
  JsonVariant& operator=(const JsonVariant& other);
  JsonVariant& operator=(const char* text);
  JsonVariant& operator=(char* text) { return *this = (const char*)text; }
  JsonVariant& operator=(const String& text);
  JsonVariant& operator=(const std::string& text);
  JsonVariant& operator=(bool value);
  template <class T, desktop_json::EnableIfInt<T> = 0>
  JsonVariant& operator=(T value) {
    if (std::is_signed<T>::value) {
      setSigned((long long)value);
    } else {
      setUnsigned((unsigned long long)value);
    }
    return *this;
  }
  JsonVariant& operator=(float value);
  JsonVariant& operator=(double value);
  template <class T>
  bool set(const T& value) {
    *this = value;
    return resolve(false) != nullptr;
  }

  JsonVariant operator[](const char* key) const;
  JsonVariant operator[](const String& key) const { return (*this)[key.c_str()]; }
  JsonVariant operator[](int index) const;
  JsonArray createNestedArray(const char* key) const;
  JsonObject createNestedObject(const char* key) const;
  JsonArray createNestedArray() const;
  JsonObject createNestedObject() const;
  // Turns the value into an empty object/array and returns it.
  template <class T>
  T to() const;
  // Appends to an array value.
  template <class T>
  bool add(const T& value) {
    JsonVariant item = addElement();
    if (!item.base_) return false;
    item = value;
    return true;
  }

  // Reading side (inert).
  bool isNull() const { return true; }
  template <class T>
  bool is() const {
    return false;
  }
  template <class T>
  T as() const {
    return desktop_json::Inert<T>::value();
  }
  template <class T>
  operator T() const {
    return as<T>();
  }
  template <class T>
  T operator|(T fallback) const {
    return fallback;
  }
  const char* operator|(const char* fallback) const { return fallback; }
  String operator|(const String& fallback) const { return fallback; }
  bool containsKey(const char* key) const { return false; }
  size_t size() const { return 0; }
  operator JsonVariantConst() const { return JsonVariantConst(); }

  // The node this variant refers to; with create, missing members and
  // elements on the way are added. Null when it does not exist (yet).
  std::shared_ptr<desktop_json::Node> resolve(bool create) const;

 private:
  void setSigned(long long v);
  void setUnsigned(unsigned long long v);
  JsonVariant addElement() const;
  std::shared_ptr<desktop_json::Node> base_;
  std::vector<desktop_json::Step> path_;
};

// A writable object of a document (building side real, reading inert).
class JsonObject {
 public:
  JsonObject() = default;
  explicit JsonObject(std::shared_ptr<desktop_json::Node> node) : node_(std::move(node)) {}
  JsonVariant operator[](const char* key) const;
  JsonVariant operator[](const String& key) const { return (*this)[key.c_str()]; }
  JsonArray createNestedArray(const char* key) const;
  JsonObject createNestedObject(const char* key) const;
  // True for a null reference (one that holds no object).
  bool isNull() const { return node_ == nullptr; }
  bool containsKey(const char* key) const { return false; }
  size_t size() const { return 0; }
  operator JsonObjectConst() const { return JsonObjectConst(); }
  operator JsonVariantConst() const { return JsonVariantConst(); }
  const std::shared_ptr<desktop_json::Node>& node() const { return node_; }
  const JsonVariant* begin() const { return nullptr; }
  const JsonVariant* end() const { return nullptr; }

 private:
  std::shared_ptr<desktop_json::Node> node_;
};

// A writable array of a document (building side real, reading inert).
class JsonArray {
 public:
  JsonArray() = default;
  explicit JsonArray(std::shared_ptr<desktop_json::Node> node) : node_(std::move(node)) {}
  JsonObject createNestedObject() const;
  JsonArray createNestedArray() const;
  // Appends a value.
  template <class T>
  bool add(const T& value) const {
    if (!node_) return false;
    JsonVariant(node_->append(), {}) = value;
    return true;
  }
  JsonVariant operator[](int index) const;
  // Always true: reading an array is inert.
  bool isNull() const { return true; }
  size_t size() const { return 0; }
  // Iteration yields no element.
  const JsonVariant* begin() const { return nullptr; }
  const JsonVariant* end() const { return nullptr; }
  operator JsonArrayConst() const { return JsonArrayConst(); }
  operator JsonVariantConst() const { return JsonVariantConst(); }
  const std::shared_ptr<desktop_json::Node>& node() const { return node_; }

 private:
  std::shared_ptr<desktop_json::Node> node_;
};

template <class T>
T JsonVariant::to() const {
  std::shared_ptr<desktop_json::Node> n = resolve(true);
  if (!n) return T();
  n->reset(std::is_same<T, JsonArray>::value ? desktop_json::Node::ARRAY : desktop_json::Node::OBJECT);
  return T(n);
}

// A document: the root value plus its storage.
class JsonDocument {
 public:
  JsonDocument() : root_(std::make_shared<desktop_json::Node>()) {}
  explicit JsonDocument(size_t capacity) : root_(std::make_shared<desktop_json::Node>()) {}
  JsonDocument(const JsonDocument& other);
  JsonDocument& operator=(const JsonDocument& other);
  virtual ~JsonDocument() = default;

  JsonVariant operator[](const char* key) { return JsonVariant(root_, {step(key)}); }
  JsonVariant operator[](const String& key) { return (*this)[key.c_str()]; }
  JsonVariant operator[](int index);
  JsonVariantConst operator[](const char* key) const { return JsonVariantConst(); }
  JsonVariantConst operator[](const String& key) const { return JsonVariantConst(); }
  JsonArray createNestedArray(const char* key);
  JsonObject createNestedObject(const char* key);
  JsonArray createNestedArray();
  JsonObject createNestedObject();
  // Appends to a root array.
  template <class T>
  bool add(const T& value) {
    return JsonVariant(root_, {}).add(value);
  }
  // Replaces the root with an empty object or array.
  template <class T>
  T to() {
    return JsonVariant(root_, {}).to<T>();
  }
  // Reading side (inert).
  template <class T>
  T as() const {
    return desktop_json::Inert<T>::value();
  }
  template <class T>
  bool is() const {
    return false;
  }
  bool containsKey(const char* key) const { return false; }
  bool containsKey(const String& key) const { return false; }
  bool isNull() const { return true; }
  size_t size() const { return 0; }
  void clear() { root_->reset(desktop_json::Node::NUL); }
  size_t capacity() const { return 0; }
  size_t memoryUsage() const { return 0; }
  bool overflowed() const { return false; }
  void shrinkToFit() {}
  void garbageCollect() {}

  // The document as JSON text (pretty: indented by two spaces).
  std::string toJsonText(bool pretty) const;
  const desktop_json::Node& root() const { return *root_; }
  desktop_json::Node& root() { return *root_; }

 private:
  static desktop_json::Step step(const char* key);
  std::shared_ptr<desktop_json::Node> root_;
};

class DynamicJsonDocument : public JsonDocument {
 public:
  explicit DynamicJsonDocument(size_t capacity = 0) : JsonDocument(capacity) {}
};

template <size_t N>
class StaticJsonDocument : public JsonDocument {
 public:
  StaticJsonDocument() : JsonDocument(N) {}
};

// Parsing is disabled on the desktop: clears the document and reports the
// error "ArduinoJson disabled in desktop build".
template <class Input>
DeserializationError deserializeJson(JsonDocument& doc, Input&& input) {
  doc.clear();
  return DeserializationError(true);
}

template <class Input, class Extra>
DeserializationError deserializeJson(JsonDocument& doc, Input&& input, Extra&& extra) {
  doc.clear();
  return DeserializationError(true);
}

namespace desktop_json {

// Writes text to a destination: a String or std::string is appended to, a
// character buffer filled (and terminated), anything else receives write().
inline size_t emit(const std::string& text, String& out) {
  out += String(text);
  return text.size();
}
inline size_t emit(const std::string& text, std::string& out) {
  out += text;
  return text.size();
}
template <size_t N>
size_t emit(const std::string& text, char (&buf)[N]) {
  size_t n = text.size() < N - 1 ? text.size() : N - 1;
  text.copy(buf, n);
  buf[n] = '\0';
  return n;
}
template <class Out>
size_t emit(const std::string& text, Out& out) {
  if (text.empty()) return 0;
  return (size_t)out.write((const uint8_t*)text.data(), text.size());
}

std::string textOf(const JsonDocument& doc, bool pretty);
std::string textOf(const JsonObject& obj, bool pretty);
std::string textOf(const JsonArray& arr, bool pretty);
std::string textOf(const JsonVariant& var, bool pretty);

}  // namespace desktop_json

// Writes the document (or object, array, variant) as indented JSON to any
// Print- or file-like target, a String or a std::string; returns the number
// of bytes written.
template <class Source, class Out>
size_t serializeJsonPretty(const Source& source, Out& out) {
  return desktop_json::emit(desktop_json::textOf(source, true), out);
}

// Writes indented JSON into a character buffer of size bytes (cut to fit and
// terminated); returns the number of bytes stored without the terminator.
template <class Source>
size_t serializeJsonPretty(const Source& source, char* buf, size_t size) {
  std::string text = desktop_json::textOf(source, true);
  if (!buf || size == 0) return 0;
  size_t n = text.size() < size - 1 ? text.size() : size - 1;
  text.copy(buf, n);
  buf[n] = '\0';
  return n;
}

// Writes compact JSON; otherwise as serializeJsonPretty.
template <class Source, class Out>
size_t serializeJson(const Source& source, Out& out) {
  return desktop_json::emit(desktop_json::textOf(source, false), out);
}

// Bytes of the compact form.
template <class Source>
size_t measureJson(const Source& source) {
  return desktop_json::textOf(source, false).size();
}

// Bytes of the indented form.
template <class Source>
size_t measureJsonPretty(const Source& source) {
  return desktop_json::textOf(source, true).size();
}

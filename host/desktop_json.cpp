#include "host/desktop_json.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace desktop_json {

void Node::reset(Kind k) {
  kind = k;
  b = false;
  i = 0;
  u = 0;
  d = 0.0;
  text.clear();
  members.clear();
  items.clear();
}

void Node::copyFrom(const Node& other) {
  if (this == &other) return;
  // Copy first: other may be a descendant of this node.
  Node copy;
  copy.kind = other.kind;
  copy.b = other.b;
  copy.i = other.i;
  copy.u = other.u;
  copy.d = other.d;
  copy.text = other.text;
  for (const auto& m : other.members) {
    std::shared_ptr<Node> child = std::make_shared<Node>();
    child->copyFrom(*m.second);
    copy.members.emplace_back(m.first, std::move(child));
  }
  for (const auto& item : other.items) {
    std::shared_ptr<Node> child = std::make_shared<Node>();
    child->copyFrom(*item);
    copy.items.push_back(std::move(child));
  }
  kind = copy.kind;
  b = copy.b;
  i = copy.i;
  u = copy.u;
  d = copy.d;
  text.swap(copy.text);
  members.swap(copy.members);
  items.swap(copy.items);
}

std::shared_ptr<Node> Node::member(const std::string& key, bool create) {
  if (kind == OBJECT) {
    for (auto& m : members) {
      if (m.first == key) return m.second;
    }
  } else if (kind != NUL || !create) {
    return nullptr;
  }
  if (!create) return nullptr;
  if (kind == NUL) reset(OBJECT);
  members.emplace_back(key, std::make_shared<Node>());
  return members.back().second;
}

std::shared_ptr<Node> Node::element(size_t index, bool create) {
  if (kind == ARRAY && index < items.size()) return items[index];
  if (!create) return nullptr;
  if (kind != ARRAY && kind != NUL) return nullptr;
  size_t size = kind == ARRAY ? items.size() : 0;
  if (index != size) return nullptr;
  return append();
}

std::shared_ptr<Node> Node::append() {
  if (kind == NUL) reset(ARRAY);
  if (kind != ARRAY) return nullptr;
  items.push_back(std::make_shared<Node>());
  return items.back();
}

namespace {

void indent(int depth, std::string& out) { out.append((size_t)depth * 2, ' '); }

// Shortest "%.*g" text that reads back as the same value.
std::string roundTripText(double value, bool isFloat) {
  if (!std::isfinite(value)) return "null";
  char buf[40];
  int maxDigits = isFloat ? 9 : 17;
  for (int digits = 1; digits <= maxDigits; ++digits) {
    snprintf(buf, sizeof(buf), "%.*g", digits, value);
    double back = strtod(buf, nullptr);
    if (isFloat ? ((float)back == (float)value) : (back == value)) break;
  }
  return buf;
}

void writeScalar(const Node& node, std::string& out) {
  char buf[32];
  switch (node.kind) {
    case Node::NUL: out += "null"; break;
    case Node::BOOL: out += node.b ? "true" : "false"; break;
    case Node::INT:
      snprintf(buf, sizeof(buf), "%lld", node.i);
      out += buf;
      break;
    case Node::UINT:
      snprintf(buf, sizeof(buf), "%llu", node.u);
      out += buf;
      break;
    case Node::FLOAT: out += roundTripText(node.d, true); break;
    case Node::DOUBLE: out += roundTripText(node.d, false); break;
    case Node::TEXT: writeQuoted(node.text, out); break;
    default: break;
  }
}

void writeObject(const Node& node, bool pretty, int depth, std::string& out) {
  if (node.members.empty()) {
    out += "{}";
    return;
  }
  out += pretty ? "{\n" : "{";
  for (size_t k = 0; k < node.members.size(); ++k) {
    if (pretty) indent(depth + 1, out);
    writeQuoted(node.members[k].first, out);
    out += pretty ? ": " : ":";
    writeNode(*node.members[k].second, pretty, depth + 1, out);
    if (k + 1 < node.members.size()) out += ",";
    if (pretty) out += "\n";
  }
  if (pretty) indent(depth, out);
  out += "}";
}

void writeArray(const Node& node, bool pretty, int depth, std::string& out) {
  if (node.items.empty()) {
    out += "[]";
    return;
  }
  out += pretty ? "[\n" : "[";
  for (size_t k = 0; k < node.items.size(); ++k) {
    if (pretty) indent(depth + 1, out);
    writeNode(*node.items[k], pretty, depth + 1, out);
    if (k + 1 < node.items.size()) out += ",";
    if (pretty) out += "\n";
  }
  if (pretty) indent(depth, out);
  out += "]";
}

}  // namespace

void writeQuoted(const std::string& text, std::string& out) {
  out += '"';
  for (char c : text) {
    unsigned char u = (unsigned char)c;
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\b': out += "\\b"; break;
      case '\f': out += "\\f"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (u < 0x20) {
          char esc[8];
          snprintf(esc, sizeof(esc), "\\u%04X", (unsigned)u);
          out += esc;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void writeNode(const Node& node, bool pretty, int depth, std::string& out) {
  if (node.kind == Node::OBJECT) {
    writeObject(node, pretty, depth, out);
  } else if (node.kind == Node::ARRAY) {
    writeArray(node, pretty, depth, out);
  } else {
    writeScalar(node, out);
  }
}

std::string textOf(const JsonDocument& doc, bool pretty) { return doc.toJsonText(pretty); }

std::string textOf(const JsonObject& obj, bool pretty) {
  std::string out;
  if (obj.node()) {
    writeNode(*obj.node(), pretty, 0, out);
  } else {
    out = "null";
  }
  return out;
}

std::string textOf(const JsonArray& arr, bool pretty) {
  std::string out;
  if (arr.node()) {
    writeNode(*arr.node(), pretty, 0, out);
  } else {
    out = "null";
  }
  return out;
}

std::string textOf(const JsonVariant& var, bool pretty) {
  std::string out;
  std::shared_ptr<Node> n = var.resolve(false);
  if (n) {
    writeNode(*n, pretty, 0, out);
  } else {
    out = "null";
  }
  return out;
}

}  // namespace desktop_json

using desktop_json::Node;
using desktop_json::Step;

// ---- JsonVariant ---------------------------------------------------------

std::shared_ptr<Node> JsonVariant::resolve(bool create) const {
  std::shared_ptr<Node> n = base_;
  for (const Step& s : path_) {
    if (!n) return nullptr;
    n = s.isIndex ? n->element(s.index, create) : n->member(s.key, create);
  }
  return n;
}

JsonVariant& JsonVariant::operator=(const JsonVariant& other) {
  std::shared_ptr<Node> src = other.resolve(false);
  std::shared_ptr<Node> dst = resolve(true);
  if (!dst) return *this;
  if (src) {
    dst->copyFrom(*src);
  } else {
    dst->reset(Node::NUL);
  }
  return *this;
}

JsonVariant& JsonVariant::operator=(const char* text) {
  std::shared_ptr<Node> n = resolve(true);
  if (n) {
    n->reset(Node::TEXT);
    n->text = text ? text : "";
  }
  return *this;
}

JsonVariant& JsonVariant::operator=(const String& text) {
  std::shared_ptr<Node> n = resolve(true);
  if (n) {
    n->reset(Node::TEXT);
    n->text = text.str();
  }
  return *this;
}

JsonVariant& JsonVariant::operator=(const std::string& text) {
  std::shared_ptr<Node> n = resolve(true);
  if (n) {
    n->reset(Node::TEXT);
    n->text = text;
  }
  return *this;
}

JsonVariant& JsonVariant::operator=(bool value) {
  std::shared_ptr<Node> n = resolve(true);
  if (n) {
    n->reset(Node::BOOL);
    n->b = value;
  }
  return *this;
}

JsonVariant& JsonVariant::operator=(float value) {
  std::shared_ptr<Node> n = resolve(true);
  if (n) {
    n->reset(Node::FLOAT);
    n->d = value;
  }
  return *this;
}

JsonVariant& JsonVariant::operator=(double value) {
  std::shared_ptr<Node> n = resolve(true);
  if (n) {
    n->reset(Node::DOUBLE);
    n->d = value;
  }
  return *this;
}

void JsonVariant::setSigned(long long v) {
  std::shared_ptr<Node> n = resolve(true);
  if (n) {
    n->reset(Node::INT);
    n->i = v;
  }
}

void JsonVariant::setUnsigned(unsigned long long v) {
  std::shared_ptr<Node> n = resolve(true);
  if (n) {
    n->reset(Node::UINT);
    n->u = v;
  }
}

JsonVariant JsonVariant::operator[](const char* key) const {
  std::vector<Step> path = path_;
  Step s;
  s.key = key ? key : "";
  path.push_back(s);
  return JsonVariant(base_, std::move(path));
}

JsonVariant JsonVariant::operator[](int index) const {
  std::vector<Step> path = path_;
  Step s;
  s.isIndex = true;
  s.index = index < 0 ? (size_t)-1 : (size_t)index;
  path.push_back(s);
  return JsonVariant(base_, std::move(path));
}

JsonVariant JsonVariant::addElement() const {
  std::shared_ptr<Node> n = resolve(true);
  if (!n) return JsonVariant();
  std::shared_ptr<Node> item = n->append();
  return item ? JsonVariant(item, {}) : JsonVariant();
}

JsonArray JsonVariant::createNestedArray(const char* key) const { return (*this)[key].to<JsonArray>(); }

JsonObject JsonVariant::createNestedObject(const char* key) const { return (*this)[key].to<JsonObject>(); }

JsonArray JsonVariant::createNestedArray() const {
  JsonVariant item = addElement();
  return item.base_ ? item.to<JsonArray>() : JsonArray();
}

JsonObject JsonVariant::createNestedObject() const {
  JsonVariant item = addElement();
  return item.base_ ? item.to<JsonObject>() : JsonObject();
}

// ---- JsonObject / JsonArray ------------------------------------------------

JsonVariant JsonObject::operator[](const char* key) const {
  if (!node_) return JsonVariant();
  return JsonVariant(node_, {})[key];
}

JsonArray JsonObject::createNestedArray(const char* key) const {
  if (!node_) return JsonArray();
  return JsonVariant(node_, {}).createNestedArray(key);
}

JsonObject JsonObject::createNestedObject(const char* key) const {
  if (!node_) return JsonObject();
  return JsonVariant(node_, {}).createNestedObject(key);
}

JsonObject JsonArray::createNestedObject() const {
  if (!node_) return JsonObject();
  return JsonVariant(node_, {}).createNestedObject();
}

JsonArray JsonArray::createNestedArray() const {
  if (!node_) return JsonArray();
  return JsonVariant(node_, {}).createNestedArray();
}

JsonVariant JsonArray::operator[](int index) const {
  if (!node_) return JsonVariant();
  return JsonVariant(node_, {})[index];
}

// ---- JsonDocument ------------------------------------------------------------

JsonDocument::JsonDocument(const JsonDocument& other) : root_(std::make_shared<Node>()) {
  root_->copyFrom(*other.root_);
}

JsonDocument& JsonDocument::operator=(const JsonDocument& other) {
  if (this != &other) root_->copyFrom(*other.root_);
  return *this;
}

Step JsonDocument::step(const char* key) {
  Step s;
  s.key = key ? key : "";
  return s;
}

JsonVariant JsonDocument::operator[](int index) { return JsonVariant(root_, {})[index]; }

JsonArray JsonDocument::createNestedArray(const char* key) {
  return JsonVariant(root_, {}).createNestedArray(key);
}

JsonObject JsonDocument::createNestedObject(const char* key) {
  return JsonVariant(root_, {}).createNestedObject(key);
}

JsonArray JsonDocument::createNestedArray() { return JsonVariant(root_, {}).createNestedArray(); }

JsonObject JsonDocument::createNestedObject() { return JsonVariant(root_, {}).createNestedObject(); }

std::string JsonDocument::toJsonText(bool pretty) const {
  std::string out;
  desktop_json::writeNode(*root_, pretty, 0, out);
  return out;
}

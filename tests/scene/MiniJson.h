#pragma once

// Just enough of a JSON reader to check the headless driver's lines: strict syntax, numbers
// kept as integers, strings with the escapes the driver writes.

#include <cstdint>
#include <map>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace vt::test {

struct Json {
  enum class Type { Null, Bool, Number, String, Array, Object } type = Type::Null;
  bool boolean = false;
  int64_t number = 0;
  std::string text;
  std::vector<Json> items;
  std::map<std::string, Json> fields;
  std::vector<std::string> order;  // keys in the order they were written

  bool Has(const std::string& key) const { return fields.count(key) > 0; }
  const Json& operator[](const std::string& key) const {
    auto it = fields.find(key);
    if (it == fields.end()) throw std::runtime_error("no field " + key);
    return it->second;
  }
  const Json& operator[](size_t index) const { return items.at(index); }

  static Json Parse(const std::string& source) {
    size_t at = 0;
    Json value = ParseValue(source, at);
    SkipSpace(source, at);
    if (at != source.size()) throw std::runtime_error("trailing characters");
    return value;
  }

 private:
  static void SkipSpace(const std::string& s, size_t& at) {
    while (at < s.size() && (s[at] == ' ' || s[at] == '\t' || s[at] == '\n' || s[at] == '\r')) {
      ++at;
    }
  }
  static void Expect(const std::string& s, size_t& at, const char* word) {
    for (const char* c = word; *c; ++c, ++at) {
      if (at >= s.size() || s[at] != *c) throw std::runtime_error("bad literal");
    }
  }
  static std::string ParseString(const std::string& s, size_t& at) {
    if (s[at] != '"') throw std::runtime_error("string expected");
    ++at;
    std::string out;
    while (true) {
      if (at >= s.size()) throw std::runtime_error("unterminated string");
      const char c = s[at++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) throw std::runtime_error("raw control character");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at >= s.size()) throw std::runtime_error("bad escape");
      const char e = s[at++];
      switch (e) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'u': {
          if (at + 4 > s.size()) throw std::runtime_error("bad \\u escape");
          const unsigned code = unsigned(std::stoul(s.substr(at, 4), nullptr, 16));
          at += 4;
          if (code >= 0x80) throw std::runtime_error("only ASCII \\u escapes are expected");
          out += char(code);
          break;
        }
        default:
          throw std::runtime_error("bad escape");
      }
    }
  }
  static Json ParseValue(const std::string& s, size_t& at) {
    SkipSpace(s, at);
    if (at >= s.size()) throw std::runtime_error("value expected");
    Json v;
    const char c = s[at];
    if (c == 'n') {
      Expect(s, at, "null");
    } else if (c == 't') {
      Expect(s, at, "true");
      v.type = Type::Bool;
      v.boolean = true;
    } else if (c == 'f') {
      Expect(s, at, "false");
      v.type = Type::Bool;
    } else if (c == '"') {
      v.type = Type::String;
      v.text = ParseString(s, at);
    } else if (c == '[') {
      v.type = Type::Array;
      ++at;
      SkipSpace(s, at);
      if (at < s.size() && s[at] == ']') {
        ++at;
        return v;
      }
      while (true) {
        v.items.push_back(ParseValue(s, at));
        SkipSpace(s, at);
        if (at < s.size() && s[at] == ',') {
          ++at;
          continue;
        }
        if (at < s.size() && s[at] == ']') {
          ++at;
          return v;
        }
        throw std::runtime_error("bad array");
      }
    } else if (c == '{') {
      v.type = Type::Object;
      ++at;
      SkipSpace(s, at);
      if (at < s.size() && s[at] == '}') {
        ++at;
        return v;
      }
      while (true) {
        SkipSpace(s, at);
        std::string key = ParseString(s, at);
        SkipSpace(s, at);
        if (at >= s.size() || s[at] != ':') throw std::runtime_error("colon expected");
        ++at;
        if (v.fields.count(key)) throw std::runtime_error("duplicate key " + key);
        v.order.push_back(key);
        v.fields[key] = ParseValue(s, at);
        SkipSpace(s, at);
        if (at < s.size() && s[at] == ',') {
          ++at;
          continue;
        }
        if (at < s.size() && s[at] == '}') {
          ++at;
          return v;
        }
        throw std::runtime_error("bad object");
      }
    } else if (c == '-' || (c >= '0' && c <= '9')) {
      size_t end = at + 1;
      while (end < s.size() && s[end] >= '0' && s[end] <= '9') ++end;
      v.type = Type::Number;
      v.number = std::stoll(s.substr(at, end - at));
      at = end;
    } else {
      throw std::runtime_error("unexpected character");
    }
    return v;
  }
};

}  // namespace vt::test

#include "widgets/FormDescription.h"

#include <sstream>

#include "widgets/Exceptions.h"

namespace vt {

namespace {

std::string Trim(const std::string& s) {
  size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return {};
  size_t e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

[[noreturn]] void Fail(int line, const std::string& what) {
  throw EReadError("フォーム記述の " + std::to_string(line) + " 行目が不正です: " + what);
}

FormDescription::Property ParseProperty(const std::string& text, int line) {
  size_t eq = text.find('=');
  if (eq == std::string::npos) Fail(line, text);
  FormDescription::Property p;
  p.name = Trim(text.substr(0, eq));
  p.line = line;
  std::string value = Trim(text.substr(eq + 1));
  if (p.name.empty() || value.empty()) Fail(line, text);
  if (value.front() == '\'') {
    std::string out;
    size_t i = 1;
    for (;;) {
      if (i >= value.size()) Fail(line, "unterminated string");
      if (value[i] == '\'') {
        if (i + 1 < value.size() && value[i + 1] == '\'') {
          out += '\'';
          i += 2;
          continue;
        }
        if (i + 1 != value.size()) Fail(line, "text after string");
        break;
      }
      out += value[i++];
    }
    p.value = out;
    p.is_string = true;
  } else if (value.front() == '[') {
    if (value.back() != ']') Fail(line, "unterminated set");
    std::string inner = value.substr(1, value.size() - 2);
    std::string out;
    std::stringstream items(inner);
    std::string item;
    while (std::getline(items, item, ',')) {
      item = Trim(item);
      if (item.empty()) continue;
      if (!out.empty()) out += ',';
      out += item;
    }
    p.value = out;
  } else {
    p.value = value;
  }
  return p;
}

}  // namespace

FormDescription::Object FormDescription::Parse(const std::string& text) {
  std::vector<Object> stack;
  Object root;
  bool have_root = false;
  std::stringstream in(text);
  std::string raw;
  int line = 0;
  while (std::getline(in, raw)) {
    ++line;
    std::string s = Trim(raw);
    if (s.empty() || s[0] == '#') continue;
    if (s.rfind("object ", 0) == 0) {
      size_t colon = s.find(':');
      if (colon == std::string::npos) Fail(line, s);
      Object o;
      o.name = Trim(s.substr(7, colon - 7));
      o.class_name = Trim(s.substr(colon + 1));
      if (o.name.empty() || o.class_name.empty()) Fail(line, s);
      if (stack.empty() && have_root) Fail(line, "second top-level object");
      stack.push_back(std::move(o));
    } else if (s == "end") {
      if (stack.empty()) Fail(line, "end without object");
      Object done = std::move(stack.back());
      stack.pop_back();
      if (stack.empty()) {
        root = std::move(done);
        have_root = true;
      } else {
        stack.back().children.push_back(std::move(done));
      }
    } else {
      if (stack.empty()) Fail(line, "property outside an object");
      stack.back().properties.push_back(ParseProperty(s, line));
    }
  }
  if (!stack.empty() || !have_root) Fail(line, "missing end");
  return root;
}

}  // namespace vt

#pragma once

#include <string>
#include <vector>

namespace vt {

// A form description as text: an "object Name: Class" block with "Property = value" lines and
// nested object blocks, each closed by "end". Lines starting with "#" are comments.
// Values are integers, identifiers (True, clRed, bsNone), 'quoted strings' ('' is a quote) and
// [sets].
class FormDescription {
 public:
  struct Property {
    std::string name;
    std::string value;  // strings unquoted; sets without brackets, items joined by ","
    bool is_string = false;
    int line = 0;
  };
  struct Object {
    std::string name;
    std::string class_name;
    std::vector<Property> properties;
    std::vector<Object> children;
  };

  // Parses the text; throws EReadError with the line number on a malformed description.
  static Object Parse(const std::string& text);
};

}  // namespace vt

#include "widgets/Exceptions.h"

namespace vt {

std::string FormatMessage(const std::string& templ, const std::string& arg) {
  for (size_t i = 0; i + 1 < templ.size(); ++i) {
    if (templ[i] == '%' && (templ[i + 1] == 's' || templ[i + 1] == 'd')) {
      return templ.substr(0, i) + arg + templ.substr(i + 2);
    }
  }
  return templ;
}

}  // namespace vt

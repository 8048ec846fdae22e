#pragma once

#include <exception>
#include <string>

namespace vt {

// The program's own error kinds. Each carries its kind name (shown by the last-chance
// report) and the exact message text (UTF-8) that the error box shows.
class Exception : public std::exception {
 public:
  Exception(std::string kind, std::string message)
      : m_kind(std::move(kind)), m_message(std::move(message)) {}
  const std::string& Kind() const { return m_kind; }
  const std::string& Message() const { return m_message; }
  const char* what() const noexcept override { return m_message.c_str(); }

 private:
  std::string m_kind;
  std::string m_message;
};

#define VT_DECLARE_EXCEPTION(Name)                                                    \
  class Name : public Exception {                                                     \
   public:                                                                            \
    explicit Name(std::string message) : Exception(#Name, std::move(message)) {} \
  };

VT_DECLARE_EXCEPTION(EFOpenError)
VT_DECLARE_EXCEPTION(EInvalidGraphic)
VT_DECLARE_EXCEPTION(EReadError)
VT_DECLARE_EXCEPTION(EJPEG)
VT_DECLARE_EXCEPTION(EConvertError)
VT_DECLARE_EXCEPTION(EInvalidOperation)
VT_DECLARE_EXCEPTION(EOSError)
VT_DECLARE_EXCEPTION(EOutOfResources)

#undef VT_DECLARE_EXCEPTION

// Replaces the first "%s" (or "%d") of a message template; the templates are fixed texts.
std::string FormatMessage(const std::string& templ, const std::string& arg);

}  // namespace vt

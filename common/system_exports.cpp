// MyTrace, the operating-system tests and GetVIDPIDFromDevString.
#include "common/quorvil.h"
#include "common/text_argument.h"

#include <sys/utsname.h>

#include <cstring>
#include <regex>
#include <string>

using quorvil::TextArgument;

namespace {

constexpr size_t kLongestDevicePath = 4096;

// std::regex has no UTF-16 traits: match on wchar_t (UTF-32 here). Only ASCII
// matters to the pattern, so other characters go through one code unit each.
std::wstring Widen(std::u16string_view text) { return std::wstring(text.begin(), text.end()); }
std::u16string Narrow(const std::wstring& text) { return std::u16string(text.begin(), text.end()); }

}  // namespace

extern "C" {

void MyTrace(const char16_t*, ...) {}

bool is_xp_os() { return false; }
bool is_vista_os() { return false; }
bool is_win7_os() { return false; }
bool is_win8_os() { return false; }
bool is_vista_os_plus() { return false; }

bool is_os_64bit() {
  if constexpr (sizeof(void*) >= 8) {
    return false;
  } else {
    utsname name{};
    return uname(&name) == 0 && std::strstr(name.machine, "64") != nullptr;
  }
}

bool GetVIDPIDFromDevString(const char16_t* device, std::u16string& vendorId, std::u16string& productId) {
  const std::u16string_view text = TextArgument(device);
  // Four or fewer characters hold no ids; reporting success here would hand
  // the caller ids it never got.
  if (text.size() <= 4) return false;
  // Device paths are short; the regex engine recurses per character, so a
  // huge text must not reach it.
  if (text.size() > kLongestDevicePath) return false;
  std::wstring path = Widen(text.substr(4));
  for (wchar_t& c : path) {
    if (c == L'#') c = L'\\';
    else if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
  }
  static const std::wregex kPattern(L".*VID_(\\w+).*PID_(\\w+).*");
  std::wsmatch match;
  if (!std::regex_match(path, match, kPattern)) return false;
  vendorId = Narrow(match.str(1));
  productId = Narrow(match.str(2));
  MyTrace(u"vid %s  pid %s \n", vendorId.c_str(), productId.c_str());
  return true;
}

}  // extern "C"

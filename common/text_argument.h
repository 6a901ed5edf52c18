#pragma once

// Text arguments of the exports: a null pointer reads as an empty text.

#include <string_view>

namespace quorvil {

inline std::u16string_view TextArgument(const char16_t* text) {
  return text ? std::u16string_view(text) : std::u16string_view();
}

}  // namespace quorvil

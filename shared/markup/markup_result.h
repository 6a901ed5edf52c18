#pragma once

// Builds the events of a MarkupDoc result text: one element per event, its
// name the event type, its details as attributes, no line breaks; an event
// is added only while the result text is shorter than the cap.

#include <cstdint>
#include <string>
#include <string_view>

namespace vidmora {

class ResultEvent {
 public:
  explicit ResultEvent(std::u16string_view type);
  ResultEvent& Attr(std::u16string_view name, std::u16string_view value);
  ResultEvent& Attr(std::u16string_view name, int64_t value);
  // Appends the event to `result` unless it has reached `cap` characters.
  void AppendTo(std::u16string& result, size_t cap) const;

 private:
  std::u16string text_;
};

}  // namespace vidmora

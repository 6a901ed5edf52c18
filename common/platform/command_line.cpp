#include "common/platform/command_line.h"

namespace quorvil {

std::vector<std::u16string> SplitCommandLine(std::u16string_view parameters) {
  std::vector<std::u16string> arguments;
  std::u16string current;
  bool inArgument = false;
  bool quoted = false;
  for (size_t i = 0; i < parameters.size(); ++i) {
    const char16_t c = parameters[i];
    if ((c == u' ' || c == u'\t') && !quoted) {
      if (inArgument) arguments.push_back(std::move(current));
      current.clear();
      inArgument = false;
      continue;
    }
    inArgument = true;
    if (c == u'\\') {
      size_t count = 0;
      while (i < parameters.size() && parameters[i] == u'\\') ++count, ++i;
      if (i < parameters.size() && parameters[i] == u'"') {
        current.append(count / 2, u'\\');
        if (count % 2 == 1) current += u'"';
        else --i;  // the quote is a delimiter: read it again
      } else {
        current.append(count, u'\\');
        --i;
      }
    } else if (c == u'"') {
      if (quoted && i + 1 < parameters.size() && parameters[i + 1] == u'"') {
        current += u'"';
        ++i;
      } else {
        quoted = !quoted;
      }
    } else {
      current += c;
    }
  }
  if (inArgument) arguments.push_back(std::move(current));
  return arguments;
}

}  // namespace quorvil

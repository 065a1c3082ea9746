#include "console.h"

#include <gtest/gtest.h>

namespace mvweave {
namespace {

TEST(Printable, EscapesEveryControlAndInvalidByteAndKeepsText) {
  const struct {
    const char* text;
    const char* shown;
  } cases[] = {
      {"a\tb\x7f", "a\\x09b\\x7f"},
      {"\x1b[2J", "\\x1b[2J"},
      {"\xc2\x9b"
       "2J",
       "\\xc2\\x9b2J"},                                  // CSI, a C1 control, in UTF-8
      {"\x9d", "\\x9d"},                                 // a lone C1 byte
      {"caf\xc3\xa9 \xc2\xa0", "caf\xc3\xa9 \xc2\xa0"},  // é, and U+00A0 just past C1
      {"\xe6\x97\xa5\xf0\x9f\x98\x80", "\xe6\x97\xa5\xf0\x9f\x98\x80"},  // 日, and 4 bytes
      {"\xc0\xaf\xe0\x80\xaf", "\\xc0\\xaf\\xe0\\x80\\xaf"},             // overlong forms
      {"\xed\xa0\x80", "\\xed\\xa0\\x80"},                               // a surrogate
      {"\xf4\x90\x80\x80", "\\xf4\\x90\\x80\\x80"},                      // past U+10FFFF
      {"\xe6\x97"
       "a\xe6",
       "\\xe6\\x97a\\xe6"},  // cut short
#ifndef _WIN32
      {"a\\x09", "a\\\\x09"},  // so that it reads otherwise than a<TAB>
#endif
  };
  for (const auto& c : cases) EXPECT_EQ(printable(c.text), c.shown) << c.shown;
}

}  // namespace
}  // namespace mvweave

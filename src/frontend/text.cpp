// Text routines for command lines: exact byte comparisons, in place where they change text.
#include <climits>
#include <cstring>

#include "frontend/frontend.h"

const char* FindText(const char* text, const char* pattern) {
  if (*pattern == 0) return text;
  for (; *text; ++text) {
    size_t i = 0;
    while (pattern[i] && text[i] == pattern[i]) ++i;
    if (pattern[i] == 0) return text;
  }
  return nullptr;
}

const char* FindChar(const char* text, int32_t character) {
  for (;; ++text) {
    if (int32_t(static_cast<signed char>(*text)) == character) return text;
    if (*text == 0) return nullptr;
  }
}

int32_t GetField(std::string& destination, int32_t field, const char* text, char separator) {
  int32_t result = -1;
  destination.clear();
  for (int32_t n = field; *text; ++text) {
    if (n == 1) result = 0;
    if (*text == separator || *text == '\n') {
      if (--n <= 0) break;
    } else if (n == 1) {
      destination.push_back(*text);
    }
  }
  TrimSpaces(destination);
  return result;
}

void TrimSpaces(std::string& text) {
  const size_t first = text.find_first_not_of(' ');
  if (first == std::string::npos) {
    text.clear();
    return;
  }
  text.erase(0, first);
  text.erase(text.find_last_not_of(' ') + 1);
}

char* DuplicateText(const char* text) {
  const size_t length = std::strlen(text);
  if (length >= UINT32_MAX) return nullptr;
  char* copy = static_cast<char*>(AllocZeroed(uint32_t(length + 1)));
  if (copy) std::memcpy(copy, text, length + 1);
  return copy;
}

// Like atoi, but a number too large for 32 bits saturates instead of being undefined.
int32_t ReadNumber(const char* text) {
  while (*text == ' ' || *text == '\t' || *text == '\n' || *text == '\r' || *text == '\f' ||
         *text == '\v')
    ++text;
  bool negative = false;
  if (*text == '+' || *text == '-') negative = *text++ == '-';
  int64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    value = value * 10 + (*text - '0');
    if (value > int64_t(INT32_MAX) + 1) value = int64_t(INT32_MAX) + 1;
  }
  if (negative) return int32_t(-value);
  return value > INT32_MAX ? INT32_MAX : int32_t(value);
}

uint64_t ReadUnsigned(const char* text) {
  while (*text == ' ') ++text;
  uint64_t value = 0;
  for (; *text >= '0' && *text <= '9'; ++text) {
    const uint64_t next = value * 10 + uint64_t(*text - '0');
    value = next < value || value > UINT64_MAX / 10 ? UINT64_MAX : next;
  }
  return value;
}

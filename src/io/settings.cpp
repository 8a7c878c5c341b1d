// The settings file: integers as decimal text separated by single spaces and ended
// by a zero byte ("5 -3 120\0"), read back in the order they were appended.
//
// The text never passes 1023 bytes and a token never 15 characters, whatever the
// file holds: reading is bounded by the buffer, not by the file's claims.

#include <climits>
#include <cstdint>
#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "io/io.h"
#include "platform/platform.h"
#include "shell/shell.h"

namespace {

constexpr int missingDefault = -123456789;  // the default that reads as -1 with no file

struct SettingsState {
  char text[settingsTextLimit + 1];
  int length;  // of the text being built, zero not counted
  int loaded;  // bytes loaded from the file, 0 when there was none
  int cursor;
  std::wstring path;
  bool pathChosen;  // by settings_load; otherwise a save goes to the default path
  std::wstring defaultPath;
};
SettingsState settings;

bool isBlank(char c) { return c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r'; }

// The standard decimal conversion: leading blanks, a sign, digits up to the first
// other character; no digits give 0. Clamped to the int range where strtol would
// overflow (a token of 15 characters holds up to 15 digits).
int toInt(const char* token) {
  while (isBlank(*token)) ++token;
  const bool negative = *token == '-';
  if (*token == '-' || *token == '+') ++token;
  std::int64_t value = 0;
  for (; *token >= '0' && *token <= '9'; ++token) {
    value = value * 10 + (*token - '0');
    if (value > std::int64_t{INT_MAX} + 1) value = std::int64_t{INT_MAX} + 1;
  }
  if (negative) value = -value;
  if (value > INT_MAX) return INT_MAX;
  return static_cast<int>(value);
}

}  // namespace

const wchar_t* settings_default_path() {
  const std::vector<std::wstring> args = platform.commandLineArguments();
  const std::wstring program = args.empty() ? std::wstring() : args[0];
  // Up to and including the last separator; a program named without a folder
  // gives the empty folder, which the platform takes for the program's own.
  std::size_t keep = program.size();
  while (keep > 0 && !platform.isFolderSeparator(program[keep - 1])) --keep;
  settings.defaultPath =
      platform.settingsFolder(program.substr(0, keep)) + shell.programName + L".ini";
  return settings.defaultPath.c_str();
}

int settings_load(const wchar_t* path) {
  settings.pathChosen = true;
  if (!path) path = settings_default_path();
  const bool fits = std::wcslen(path) <= settingsPathLimit;
  settings.path = fits ? path : L"";
  settings.loaded = fits ? static_cast<int>(read_whole_file(path, settings.text, settingsTextLimit,
                                                            sizeof settings.text))
                         : 0;
  settings.text[settings.loaded] = 0;
  settings.length = static_cast<int>(std::strlen(settings.text));
  settings.cursor = 0;
  return settings.loaded;
}

int settings_read_int(int defaultValue) {
  if (settings.loaded == 0) return defaultValue == missingDefault ? -1 : defaultValue;
  const char* text = settings.text;
  if (text[settings.cursor] == ' ') return -1;
  int end = settings.cursor;
  while (text[end] != ' ' && text[end] != 0) ++end;
  const int length = end - settings.cursor;
  if (length == 0) return -1;
  const int start = settings.cursor;
  settings.cursor = end;
  if (text[settings.cursor] != 0) ++settings.cursor;
  // A token longer than any int is not a value this file could have saved.
  if (length > settingsTokenLimit) return -1;
  char token[settingsTokenLimit + 1];
  std::memcpy(token, text + start, static_cast<std::size_t>(length));
  token[length] = 0;
  return toInt(token);
}

void settings_clear() {
  settings.text[0] = 0;
  settings.length = 0;
  settings.cursor = 0;
}

int settings_append_int(int value) {
  const std::string number = std::to_string(value);
  const int separator = settings.length > 0 ? 1 : 0;
  const int added = separator + static_cast<int>(number.size());
  if (settings.length + added > settingsTextLimit) return 0;
  char* at = settings.text + settings.length;
  if (separator) *at++ = ' ';
  std::memcpy(at, number.c_str(), number.size() + 1);
  settings.length += added;
  return static_cast<int>(number.size()) + 1;
}

int settings_save() {
  if (!settings.pathChosen) {
    settings.path = settings_default_path();
    settings.pathChosen = true;
  }
  if (settings.path.empty()) return 0;
  const auto count = static_cast<std::size_t>(settings.length) + 1;
  return write_whole_file(settings.path.c_str(), settings.text, count) == count
             ? static_cast<int>(count)
             : 0;
}

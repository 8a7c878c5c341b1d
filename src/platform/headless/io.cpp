// Headless dialogs and clipboard: no user to ask and no other program to share
// with. Dialogs take scripted answers; the clipboard is a map in this process,
// guarded because any thread may use it. Text is held as UTF-8, the form other
// programs would see, so the code page is converted here as on X11.

#include "platform/headless/io.h"

#include <algorithm>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>

#include "platform/common/utf8.h"

namespace headless {
namespace {

struct IoState {
  std::mutex mutex;
  std::deque<std::wstring> answers;
  std::map<std::uint32_t, std::vector<std::uint8_t>> clipboard;
};

IoState& io() {
  static IoState s;
  return s;
}

int fileDialog(Handle, int, const wchar_t*, const wchar_t*, wchar_t* path, std::size_t capacity) {
  IoState& s = io();
  std::lock_guard lock(s.mutex);
  if (!path || capacity == 0 || s.answers.empty()) return 0;
  const std::wstring answer = s.answers.front();
  s.answers.pop_front();
  if (answer.empty() || answer.size() >= capacity) return 0;
  answer.copy(path, answer.size());
  path[answer.size()] = 0;
  return 1;
}

int clipboardSet(std::uint32_t format, const void* data, std::size_t size) {
  IoState& s = io();
  std::lock_guard lock(s.mutex);
  s.clipboard.clear();
  if (size == 0 || !data) return 0;
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  if (format == CF_TEXT) {
    const std::string text =
        emu::utf8From1251(std::string(bytes, std::find(bytes, bytes + size, 0)));
    s.clipboard[format].assign(text.begin(), text.end());
  } else {
    s.clipboard[format].assign(bytes, bytes + size);
  }
  return 1;
}

int clipboardGet(std::uint32_t format, std::vector<std::uint8_t>& data) {
  IoState& s = io();
  std::lock_guard lock(s.mutex);
  const auto it = s.clipboard.find(format);
  if (it == s.clipboard.end()) return 0;
  if (format == CF_TEXT) {
    const std::string text = emu::cp1251FromUtf8(std::string(it->second.begin(), it->second.end()));
    data.assign(text.begin(), text.end());
    data.push_back(0);
  } else {
    data = it->second;
  }
  return 1;
}

}  // namespace

std::string clipboardUtf8() {
  IoState& s = io();
  std::lock_guard lock(s.mutex);
  const auto it = s.clipboard.find(CF_TEXT);
  return it == s.clipboard.end() ? std::string()
                                 : std::string(it->second.begin(), it->second.end());
}

void placeUtf8(const std::string& text) {
  IoState& s = io();
  std::lock_guard lock(s.mutex);
  s.clipboard.clear();
  s.clipboard[CF_TEXT].assign(text.begin(), text.end());
}

void installIo(Platform& p, const std::vector<std::wstring>& answers) {
  IoState& s = io();
  {
    std::lock_guard lock(s.mutex);
    s.answers.assign(answers.begin(), answers.end());
    s.clipboard.clear();
  }
  p.fileDialog = fileDialog;
  p.clipboardSet = clipboardSet;
  p.clipboardGet = clipboardGet;
}

}  // namespace headless

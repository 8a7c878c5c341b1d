// File dialogs through zenity, the desktop's standard chooser (GTK). zenity prints
// the chosen path and ends with 0; any other end is a cancel. Its output is read
// in full, so a path too long for the caller is refused, never cut.

#include "platform/common/posix_dialogs.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "platform/common/utf8.h"

extern char** environ;

namespace emu {
namespace {

constexpr std::size_t outputLimit = 64 * 1024;  // bytes kept of zenity's answer

// Description and patterns of one pair, as zenity takes them: '|' separates the
// name from the patterns, spaces separate the patterns.
std::string filterArgument(const std::wstring& description, const std::wstring& patterns) {
  std::string name, list;
  if (!utf8FromWide(description, name) || !utf8FromWide(patterns, list)) return "";
  for (char& c : name) {
    if (c == '|') c = '/';
  }
  for (char& c : list) {
    if (c == ';') c = ' ';
  }
  return "--file-filter=" + name + " | " + list;
}

}  // namespace

std::vector<std::string> zenityFilters(const wchar_t* filter) {
  std::vector<std::string> arguments;
  if (!filter) return arguments;
  std::size_t at = 0;
  std::wstring parts[2];
  int part = 0;
  for (int pairs = 0; pairs < filterLimit && at < filterTextLimit;) {
    const wchar_t c = filter[at++];
    if (c != 0) {
      parts[part] += c;
      continue;
    }
    if (part == 0 && parts[0].empty()) break;  // the closing zero
    if (part == 1) {
      const std::string argument = filterArgument(parts[0], parts[1]);
      if (!argument.empty() && !parts[1].empty()) arguments.push_back(argument);
      parts[0].clear();
      parts[1].clear();
      ++pairs;
    }
    part ^= 1;
  }
  return arguments;
}

int zenityFileDialog(Handle, int save, const wchar_t* title, const wchar_t* filter, wchar_t* path,
                     std::size_t capacity) {
  if (!path || capacity == 0) return 0;
  path[0] = 0;
  std::string titleText;
  if (!title || !utf8FromWide(title, titleText)) titleText.clear();
  std::vector<std::string> arguments{"zenity", "--file-selection", "--title=" + titleText};
  if (save) {
    arguments.push_back("--save");
    arguments.push_back("--confirm-overwrite");
  }
  for (std::string& f : zenityFilters(filter)) arguments.push_back(std::move(f));
  std::vector<char*> argv;
  for (std::string& a : arguments) argv.push_back(a.data());
  argv.push_back(nullptr);

  int out[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return 0;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  pid_t child = 0;
  const int spawned = ::posix_spawnp(&child, "zenity", &actions, nullptr, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  ::close(out[1]);
  std::string answer;
  char chunk[4096];
  for (;;) {
    const ssize_t n = spawned == 0 ? ::read(out[0], chunk, sizeof chunk) : 0;
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) break;
    // Read to the end either way, so zenity never blocks on a full pipe.
    if (answer.size() < outputLimit) answer.append(chunk, static_cast<std::size_t>(n));
  }
  ::close(out[0]);
  if (spawned != 0) return -1;  // no zenity: no chooser at all
  int status = 0;
  while (::waitpid(child, &status, 0) < 0 && errno == EINTR) {
  }
  if (!WIFEXITED(status) || WEXITSTATUS(status) != 0 || answer.size() >= outputLimit) return 0;
  if (!answer.empty() && answer.back() == '\n') answer.pop_back();
  const std::wstring chosen = wideFromUtf8(answer);
  if (chosen.empty() || chosen.size() >= capacity) return 0;
  chosen.copy(path, chosen.size());
  path[chosen.size()] = 0;
  return 1;
}

}  // namespace emu

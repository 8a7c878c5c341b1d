// The saver's start: the program name taken from argument 0 and the run mode chosen
// from the rest, on the headless backend. Arguments are cut at zero bytes; a byte
// 0xF0 or above starts a raw three-byte code (surrogates and values past Unicode
// included), every other byte is one character.

#include <cwchar>

#include "fuzz_support.h"
#include "platform/headless/headless.h"
#include "shell/shell.h"

namespace {

std::vector<std::wstring> arguments;
int boxesShown = 0;

std::wstring wideArgument(const std::string& bytes) {
  std::wstring out;
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto b = static_cast<std::uint8_t>(bytes[i]);
    if (b >= 0xF0 && i + 3 < bytes.size()) {
      const std::uint32_t code = static_cast<std::uint8_t>(bytes[i + 1]) << 16 |
                                 static_cast<std::uint8_t>(bytes[i + 2]) << 8 |
                                 static_cast<std::uint8_t>(bytes[i + 3]);
      out += static_cast<wchar_t>(code);
      i += 3;
    } else {
      out += static_cast<wchar_t>(b);
    }
  }
  return out;
}

void checkProgramName(const std::wstring& path) {
  // The folder ends at the last separator the platform knows ('/' too off Windows).
  std::size_t start = path.size();
  while (start > 0 && !platform.isFolderSeparator(path[start - 1])) --start;
  const std::wstring tail = path.substr(start);
  const std::size_t n = std::wcslen(shell.programName);
  fuzz::check(n <= 255, "program name longer than 255 characters");
  fuzz::check(tail.compare(0, n, shell.programName) == 0,
              "program name is not the start of the base name");
  fuzz::check(n == tail.size() || n == 255 || tail[n] == L'.', "program name ends early");
  fuzz::check(std::wcschr(shell.programName, L'.') == nullptr, "program name holds a dot");
  for (std::size_t i = 0; i <= n; ++i) {
    fuzz::check(shell.programNameAnsi[i] == static_cast<char>(shell.programName[i] & 0xFF),
                "narrow program name differs from the low bytes");
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  headless::configure(headless::Options{});
  platform.commandLineArguments = [] { return arguments; };
  platform.messageBox = [](Handle, const wchar_t* text, const wchar_t*, std::uint32_t) {
    fuzz::check(text != nullptr, "help box without text");
    ++boxesShown;
    return 1;
  };
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  arguments.clear();
  for (const std::string& part : fuzz::splitAtZeros(data, size)) {
    arguments.push_back(wideArgument(part));
  }
  resetShellState();
  boxesShown = 0;
  extractProgramName();
  checkProgramName(arguments[0]);

  const int end = parseCommandLine();
  const int modes = shell.previewMode + shell.saverMode + shell.settingsMode;
  fuzz::check(end == 0 || end == 1, "parse returned neither 0 nor 1");
  fuzz::check(boxesShown <= 1, "more than one help box");
  fuzz::check(shell.settingsMode == 0, "settings mode without a settings painter");
  if (end == 1) {
    fuzz::check(modes == 0, "a mode was set although the program ends");
    fuzz::check(boxesShown == 1 || (arguments.size() >= 3 && shell.previewParent == 0),
                "the program ends without the help box or a null preview handle");
  } else {
    fuzz::check(boxesShown == 0, "help box shown although the program goes on");
    fuzz::check(arguments.size() == 1 ? modes == 0 : modes == 1, "run mode count wrong");
  }
  if (shell.previewMode) {
    fuzz::check(shell.previewParent != 0, "preview of window 0");
    Rect r{};
    fuzz::check(platform.getClientRect(shell.previewParent, r) == 0,
                "a window that was never made has a client rectangle");
  }
  return 0;
}

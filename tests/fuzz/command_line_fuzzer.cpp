// Feeds arbitrary command lines and configuration files to the argument walk
// of both tools: switches, the configuration reader and every message they
// write. The run itself is never started (it would create files).
//
// An input is: one byte choosing the tool (even: mvweave, odd: mvunweave),
// one byte giving the number of arguments (modulo 5), that many arguments,
// each ending in a NUL byte, and then the contents of the configuration file
// that an argument "@" names. Arguments other than switches lose their
// slashes, so that they name nothing outside the fuzzer's own folder.
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "command_line.h"
#include "merge_tool.h"
#include "mvweave/configuration.h"
#include "split_tool.h"

namespace {

constexpr const char kConfigPath[] = "fuzz.cfg";
char folder[] = "/tmp/mvfuzz.XXXXXX";

void removeFolder() {
  std::remove(kConfigPath);
  rmdir(folder);
}

std::string takeArgument(const uint8_t*& data, const uint8_t* end) {
  std::string argument;
  while (data < end && *data != 0) argument.push_back(static_cast<char>(*data++));
  if (data < end) ++data;  // the NUL byte
  if (argument == "@") return kConfigPath;
  if (!argument.empty() && argument[0] != '/' && argument[0] != '-') {
    std::string local;
    for (char c : argument) {
      if (c != '/') local.push_back(c);
    }
    return local;
  }
  return argument;
}

bool writeConfig(const uint8_t* data, const uint8_t* end) {
  std::FILE* file = std::fopen(kConfigPath, "wb");
  if (!file) return false;
  const size_t size = static_cast<size_t>(end - data);
  const bool written = std::fwrite(data, 1, size, file) == size;
  return std::fclose(file) == 0 && written;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  // Work in a folder of our own, and keep the tools' console text out of the
  // fuzzer's report.
  if (!mkdtemp(folder) || chdir(folder) != 0) std::abort();
  std::atexit(removeFolder);
  if (!std::freopen("/dev/null", "w", stdout)) std::abort();
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t* end = data + size;
  const mvweave::Tool& tool = (data[0] & 1) ? mvweave::kSplitTool : mvweave::kMergeTool;
  const int count = data[1] % 5;
  data += 2;

  std::vector<std::string> arguments{"tool"};
  for (int i = 0; i < count; ++i) arguments.push_back(takeArgument(data, end));
  if (!writeConfig(data, end)) std::abort();

  std::vector<const char*> argv;
  argv.reserve(arguments.size());
  for (const std::string& argument : arguments) argv.push_back(argument.c_str());
  const auto files = mvweave::makeSystemFileSystem();
  mvweave::Console console(tool.name, tool.interleaved);
  mvweave::Configuration configuration;
  mvweave::Status status;
  if (!mvweave::parseCommandLine(static_cast<int>(argv.size()), argv.data(), tool, *files, console,
                                 configuration, status)) {
    console.report(status);
  }
  console.release();
  return 0;
}

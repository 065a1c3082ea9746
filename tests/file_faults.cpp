// The plan of faults (core/file_faults.h), read once from the environment,
// for the build of the core whose system calls fail on demand. The plan and
// the counts of calls are the process's own state, as the system calls they
// stand beside are.
#include "file_faults.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace mvweave {

namespace {

constexpr const char* kCallNames[] = {"open",   "read",      "pread", "write",
                                      "lseek",  "ftruncate", "close", "copy_file_range",
                                      "splice", "sendfile"};
constexpr size_t kCallCount = sizeof kCallNames / sizeof kCallNames[0];

struct ErrorName {
  const char* name;
  int number;
};
constexpr ErrorName kErrors[] = {
    {"EIO", EIO},       {"ENOSPC", ENOSPC},       {"EINTR", EINTR},   {"EXDEV", EXDEV},
    {"EINVAL", EINVAL}, {"EAGAIN", EAGAIN},       {"EBADF", EBADF},   {"EPIPE", EPIPE},
    {"EFBIG", EFBIG},   {"EDQUOT", EDQUOT},       {"ENOSYS", ENOSYS}, {"EOPNOTSUPP", EOPNOTSUPP},
    {"ESPIPE", ESPIPE}, {"ENOMEM", ENOMEM},       {"EACCES", EACCES}, {"ENOENT", ENOENT},
    {"EISDIR", EISDIR}, {"EOVERFLOW", EOVERFLOW},
};

struct PlannedFault {
  size_t call = 0;
  unsigned long occurrence = 0;
  bool onward = false;  // this occurrence and every later one
  Fault fault;
};

[[noreturn]] void refusePlan(const std::string& entry) {
  std::fprintf(stderr, "MVWEAVE_FAULTS: cannot read \"%s\"\n", entry.c_str());
  std::abort();
}

Fault faultNamed(const std::string& how, const std::string& entry) {
  if (how == "short") return {Fault::Kind::kShort, 0};
  if (how == "zero") return {Fault::Kind::kZero, 0};
  for (const ErrorName& error : kErrors) {
    if (how == error.name) return {Fault::Kind::kError, error.number};
  }
  refusePlan(entry);
}

PlannedFault parseEntry(const std::string& entry) {
  const size_t first = entry.find(':');
  const size_t second = entry.find(':', first == std::string::npos ? first : first + 1);
  if (second == std::string::npos) refusePlan(entry);
  PlannedFault planned;
  const std::string call = entry.substr(0, first);
  planned.call = kCallCount;
  for (size_t i = 0; i < kCallCount; ++i) {
    if (call == kCallNames[i]) planned.call = i;
  }
  std::string occurrence = entry.substr(first + 1, second - first - 1);
  planned.onward = !occurrence.empty() && occurrence.back() == '+';
  if (planned.onward) occurrence.pop_back();
  char* end = nullptr;
  planned.occurrence = std::strtoul(occurrence.c_str(), &end, 10);
  if (planned.call == kCallCount || occurrence.empty() || *end != '\0' || planned.occurrence == 0) {
    refusePlan(entry);
  }
  planned.fault = faultNamed(entry.substr(second + 1), entry);
  return planned;
}

std::vector<PlannedFault> readPlan() {
  std::vector<PlannedFault> plan;
  const char* text = std::getenv("MVWEAVE_FAULTS");
  if (text == nullptr) return plan;
  std::string entries = text;
  for (size_t start = 0; start < entries.size();) {
    const size_t end = std::min(entries.find(',', start), entries.size());
    plan.push_back(parseEntry(entries.substr(start, end - start)));
    start = end + 1;
  }
  return plan;
}

}  // namespace

Fault plannedFault(SystemCall call) {
  static const std::vector<PlannedFault> plan = readPlan();
  static unsigned long counts[kCallCount] = {};
  const auto index = static_cast<size_t>(call);
  const unsigned long occurrence = ++counts[index];
  for (const PlannedFault& planned : plan) {
    const bool now =
        planned.onward ? occurrence >= planned.occurrence : occurrence == planned.occurrence;
    if (planned.call == index && now) return planned.fault;
  }
  return {};
}

}  // namespace mvweave

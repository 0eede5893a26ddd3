#include "files/data_path.h"

#include <filesystem>
#include <system_error>

namespace fs = std::filesystem;

std::vector<std::string> DataFolders() {
  std::vector<std::string> folders = {""};
  std::error_code error;
  const fs::path executable = fs::read_symlink("/proc/self/exe", error);
  if (error) return folders;
  const fs::path beside = executable.parent_path();
  folders.push_back(beside.string());
  folders.push_back((beside.parent_path() / "share" / "volview").string());
  return folders;
}

std::string DataFilePath(const std::string& name) {
  if (name.empty() || fs::path(name).is_absolute()) return name;
  std::error_code error;
  for (const std::string& folder : DataFolders()) {
    const fs::path candidate = folder.empty() ? fs::path(name) : fs::path(folder) / name;
    if (fs::exists(candidate, error)) return candidate.string();
  }
  return name;
}

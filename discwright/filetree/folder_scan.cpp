#include "filetree/folder_scan.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <memory>

namespace discwright {
namespace {

struct DirCloser {
  void operator()(DIR* dir) const { ::closedir(dir); }
};

}  // namespace

const char* specialKind(mode_t mode) {
  if (S_ISFIFO(mode)) return "a FIFO";
  if (S_ISSOCK(mode)) return "a socket";
  if (S_ISCHR(mode)) return "a character device";
  if (S_ISBLK(mode)) return "a block device";
  return nullptr;
}

void scanFolder(const std::string& top, FolderScan& scan) {
  auto unreadable = [&](const std::string& path, int error) {
    scan.unreadable.push_back("\"" + path + "\" (" + std::strerror(error) + ")");
    if (!scan.firstError) scan.firstError = error;
  };
  std::vector<std::string> pending{top};
  while (!pending.empty()) {
    const std::string folder = std::move(pending.back());
    pending.pop_back();
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) {
      unreadable(folder, errno);
      continue;
    }
    std::unique_ptr<DIR, DirCloser> dir(::fdopendir(fd));
    if (!dir) {
      unreadable(folder, errno);
      ::close(fd);
      continue;
    }
    for (;;) {
      errno = 0;
      const dirent* entry = ::readdir(dir.get());
      if (!entry) {
        if (errno != 0) unreadable(folder, errno);
        break;
      }
      const char* name = entry->d_name;
      if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
      const std::string path = folder + "/" + name;
      struct stat st {};
      if (::fstatat(fd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) {
        unreadable(path, errno);
        continue;
      }
      if (S_ISDIR(st.st_mode)) {
        pending.push_back(path);
      } else if (S_ISREG(st.st_mode)) {
        int file = ::openat(fd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
        if (file < 0)
          unreadable(path, errno);
        else
          ::close(file);
      } else if (S_ISLNK(st.st_mode)) {
        char target[1];
        if (::readlinkat(fd, name, target, sizeof target) < 0) unreadable(path, errno);
      } else if (const char* kind = specialKind(st.st_mode)) {
        scan.special.emplace_back(path, kind);
      }
    }
  }
}

std::string unreadableText(const std::string& where, const std::vector<std::string>& entries) {
  constexpr size_t kRoom = 900;  // the C interface's text holds 1024 bytes
  std::string text = std::to_string(entries.size()) +
                     (entries.size() == 1 ? " file or folder" : " files or folders") + " " + where +
                     " cannot be read: ";
  for (size_t i = 0; i < entries.size(); ++i) {
    const std::string more = " and " + std::to_string(entries.size() - i) + " more";
    if (i > 0 && text.size() + 2 + entries[i].size() + more.size() > kRoom) return text + more;
    text += (i ? ", " : "") + entries[i];
  }
  return text;
}

}  // namespace discwright

// Files the tool reads (plans, backups, steps files, firmware images): a
// path that names no readable regular file, or an empty one, is a usage
// error with its own message rather than an empty read, and a text file is
// read through one bounded reader.
#ifndef VANDREL_CLI_INPUT_FILE_H
#define VANDREL_CLI_INPUT_FILE_H

#include <string>

namespace vdcli {

// The most a plan, a backup or a steps file may hold: far beyond any fleet's
// plan, and a bound on what a file such as /dev/zero makes the tool hold.
constexpr unsigned long long kMaxInputBytes = 16ull << 20;

// The size of the regular file at path; false with a message naming what
// path is instead ("a directory", "empty", or that it cannot be read). what
// names the file's role ("plan", "image file").
bool CheckInputFile(const std::string &path, const std::string &what, unsigned long long &size, std::string &error);

// Reads a whole file, or standard input for "-", of kMaxInputBytes at most,
// without the UTF-8 byte order mark some editors put first; false with a
// message (what names the file's role: "plan", "settings file").
bool ReadInput(const std::string &path, const std::string &what, std::string &text, std::string &error);

}  // namespace vdcli

#endif

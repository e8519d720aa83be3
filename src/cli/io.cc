#include "cli/io.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>
#include <sstream>

namespace calldir::cli {

std::optional<std::string> readInput(const std::string& path, Io& io) {
  if (path == "-") {
    std::ostringstream buffer;
    buffer << io.in.rdbuf();
    return std::move(buffer).str();
  }
  std::ifstream file(path, std::ios::binary);
  if (!file) {
    io.err << "calldir: cannot read " << path << ": " << std::strerror(errno) << "\n";
    return std::nullopt;
  }
  std::string data;
  file.seekg(0, std::ios::end);
  const auto size = file.tellg();
  if (size > 0) {
    data.resize(static_cast<std::size_t>(size));
    file.seekg(0);
    file.read(data.data(), size);
  } else {
    file.seekg(0);
    data.assign(std::istreambuf_iterator<char>(file), {});
  }
  if (file.bad()) {
    io.err << "calldir: cannot read " << path << "\n";
    return std::nullopt;
  }
  return data;
}

bool writeOutput(const std::string& path, const std::string& data, Io& io) {
  if (path.empty() || path == "-") {
    io.out.write(data.data(), static_cast<std::streamsize>(data.size()));
    io.out.flush();
    return true;
  }
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  if (file) file.write(data.data(), static_cast<std::streamsize>(data.size()));
  if (file) file.close();
  if (!file) {
    io.err << "calldir: cannot write " << path << ": " << std::strerror(errno) << "\n";
    return false;
  }
  return true;
}

}  // namespace calldir::cli

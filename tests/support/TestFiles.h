// Whole files for tests: writing what a unit reads and reading back what it
// wrote. Both raise when the file cannot be opened, read or written, so that a
// test never goes on with an empty or partial file by mistake.
#pragma once

#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

inline std::string ReadBytes(const std::string& Path) {
    std::ifstream File(Path, std::ios::binary);
    if (!File) throw std::runtime_error("test cannot open \"" + Path + "\"");
    std::ostringstream Buffer;
    if (File.peek() != std::ifstream::traits_type::eof()) Buffer << File.rdbuf();
    if (File.bad()) throw std::runtime_error("test cannot read \"" + Path + "\"");
    return Buffer.str();
}

inline void WriteBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream File(Path, std::ios::binary | std::ios::trunc);
    File.write(Bytes.data(), static_cast<std::streamsize>(Bytes.size()));
    File.close();
    if (!File) throw std::runtime_error("test cannot write \"" + Path + "\"");
}

// Whole-file reading and writing for tests that check the files the units write.
#pragma once

#include <fstream>
#include <sstream>
#include <string>

inline std::string ReadBytes(const std::string& Path) {
    std::ifstream File(Path, std::ios::binary);
    std::stringstream Buffer;
    Buffer << File.rdbuf();
    return Buffer.str();
}

inline void WriteBytes(const std::string& Path, const std::string& Bytes) {
    std::ofstream File(Path, std::ios::binary | std::ios::trunc);
    File << Bytes;
}

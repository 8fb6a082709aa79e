#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes an 8-bit RGBA image (top row first, width * height * 4 bytes) as a PNG file.
// Returns false and, when `error` is given, says why if the buffer does not match the
// size or the file cannot be written; a partly written file is removed.
bool WritePng(const std::string& path, int width, int height, const std::vector<uint8_t>& rgba,
              std::string* error);

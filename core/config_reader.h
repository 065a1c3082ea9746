// The configuration language: key=value lines, number-sign comments, eight
// keys matched as substrings in a fixed order. readConfigFile applies one
// file to the settings record line by line; parseConfigLine applies one line.
// The two tools differ only in which path key is the camera list: that key
// is tested first.
#ifndef MVWEAVE_CORE_CONFIG_READER_H
#define MVWEAVE_CORE_CONFIG_READER_H

#include <cstdint>
#include <string>

// Which path key appends to the camera list; the other one sets the sequence.
enum class CameraKey { kInput, kOutput };

// False (after writing its message, where it has one) when the tool must stop.
bool readConfigFile(const std::string& path, CameraKey cameraKey);
bool parseConfigLine(const std::string& line, CameraKey cameraKey);

// A number value as the settings store it: optional white space and sign,
// then decimal digits up to the first other character (none gives 0),
// clamped to [-2147483648, 4294967295] and kept as its low 32 bits.
uint32_t parseNumber(const std::string& value);

#endif

// Profile (INI) files of the simulated machine: how their bytes become text and back.
//
// A file that begins with the byte-order mark FF FE is UTF-16LE and stays so when it is written
// again. Any other file is in the ANSI code page, modelled on code page 1252 as one byte per
// character for the characters U+0000 to U+00FF: a character outside it is written as '?', so a
// write and a read-back lose it, as they do on Windows.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sim {

struct ProfileText {
    std::wstring text;
    bool unicode = false;  // UTF-16LE with its byte-order mark
};

ProfileText DecodeProfile(const std::vector<uint8_t>& bytes);
std::vector<uint8_t> EncodeProfile(const ProfileText& profile);

}  // namespace sim

// convert.h - the game's exact number <-> text conversions and substrings.
#pragma once

#include <string>

int stringToInt(const std::string& text);     // blanks, sign, %binary, $hex or decimal; 32-bit wrap
float stringToFloat(const std::string& text); // C-locale strtod narrowed to float; no number -> 0
std::string intToString(int value);           // plain decimal
std::string floatToString(float value);       // printf "%#.9g" of the widened value
int floatToInt(double value);                 // truncation toward zero
std::string subString(const std::string& text, int position, int length = -1); // 1-based
std::string leftString(const std::string& text, int count);

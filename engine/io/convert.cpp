// Placeholder so the program links while this module is being written.
#include "engine/io/convert.h"
int stringToInt(const std::string&) { return 0; }
float stringToFloat(const std::string&) { return 0; }
std::string intToString(int) { return {}; }
std::string floatToString(float) { return {}; }
int floatToInt(double v) { return static_cast<int>(v); }
std::string subString(const std::string&, int, int) { return {}; }
std::string leftString(const std::string&, int) { return {}; }

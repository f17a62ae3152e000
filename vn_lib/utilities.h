#ifndef VN_LIB_UTILITIES_H
#define VN_LIB_UTILITIES_H

#include <ctime>
#include <string>

namespace VN_Lib {

// Seconds after midnight of h:m:s.
int make_tod(unsigned int hours, unsigned int minutes, unsigned int seconds);

// The time of the local midnight that starts the day holding *t; -1 when
// t is null or the time cannot be converted.
time_t date(time_t* t);

// 1 when standard input has a character waiting, else 0 (never blocks).
int kbhit();

std::string intToString(int value);

// Terminal speed code of a baud rate; 115200 baud's code for unknown rates.
int GetCodeFromBaud(unsigned int baud);
// Baud rate of a terminal speed code; 115200 for unknown codes.
int GetBaudFromCode(unsigned short code);

// Writes the value's 4 IEEE 754 bytes into target, most significant first.
void flip_float(float* target, float value);
// Writes the low 16 bits of value into target's first 2 bytes, high byte first.
void flip_int(int* target, int value);

// Prints the line " Test F".
void print_test();

}  // namespace VN_Lib

#endif

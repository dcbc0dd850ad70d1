#pragma once

#include <string>

namespace orvelt {

// A value as people read it in text: at most 15 significant digits, the most a double holds for
// every decimal, so a calibration's 7.6509 V reads "7.6509" and not its binary neighbour
// "7.650899999999999"; no trailing zeros, a whole number without a point ("1234567"), an
// exponent only below 1E-04 and from 1E+15 on ("-1E-06"). C locale: the point is always '.'.
std::string Plain_Number(double value);
void Append_Plain_Number(std::string& out, double value);

// The shortest decimal text that reads back as the same double, for programs that compare
// values bit for bit; a whole number is written out in full ("1700000000", not "1.7e+09").
std::string Shortest_Number(double value);
void Append_Shortest_Number(std::string& out, double value);

}  // namespace orvelt

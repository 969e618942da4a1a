#pragma once
// π for the tests: M_PI is not in every C library's <cmath>.

constexpr double pi = 3.14159265358979323846;
